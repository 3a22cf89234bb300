#include "output/result_writer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>

namespace rumo {
namespace {

// A result file in memory; text() closes it and gives what reached the file.
struct Result : MemoryFiles {
  ResultFile file{open_output("result.txt")};
  std::string text() {
    EXPECT_TRUE(file.close());
    return outputs["result.txt"];
  }
};

HourField field_of(std::initializer_list<double> values) {
  HourField field(station_entries(13), -9999.0);
  std::copy(values.begin(), values.end(), field.begin() + 1);
  return field;
}

TEST(ResultFile, HeaderAndLines) {
  StationTable table;
  table.height = {0, 100.4, 250.6, -3.0, 7.0};  // station 4 lies beyond the total
  table.first = {0, 3500.0, 3600.49, 0.0};
  table.second = {0, 5300.0, -0.2, 1e6};
  table.name = {"", "Aachen", "BonnStadt1", ""};
  Result result;
  write_result_header(result.file, table, 3);
  // Zeros and missing values short, everything else with one decimal.
  write_result_line(result.file, HourStamp{.year = 2003, .month = 2, .day = 5, .hour = 7},
                    field_of({0.0, -9999.0, -9998.0, 0.04, 3.0, -9997.96, 12345.678, -0.0, 1e-7,
                              -12000.0, 1.25e7, -0.26, std::numeric_limits<double>::quiet_NaN()}),
                    13, 9998.0);
  write_result_line(result.file, HourStamp{.year = 1999, .month = 12, .day = 31, .hour = 24},
                    field_of({-999.0, -998.25, -997.26, 998.0}), 4, 998.0);
  // Raw lines: every value in short form.
  write_raw_line(result.file, HourStamp{.year = 2003, .month = 1, .day = 1, .hour = 1},
                 field_of({0.04, 3.0, 1234567.0, -9999.0, 0.0001, 1e-5, 2.5}), 7);
  write_raw_line(result.file, HourStamp{.year = 2003, .month = 1, .day = 1, .hour = 2},
                 field_of({}), 0);
  EXPECT_EQ(result.text(),
            "interpolierte Stationswerte\n"
            "YY\tMM\tDD\tHH\t100\t251\t-3\n"
            "YY\tMM\tDD\tHH\t3500\t3600\t0\n"
            "YY\tMM\tDD\tHH\t5300\t-0\t1000000\n"
            "YY\tMM\tDD\tHH\tAachen\tBonnSta\t\n"
            "2003\t2\t5\t7\t0\t-9999\t-9998\t0.0\t3.0\t-9998.0\t12345.7\t-0\t0.0\t-12000"
            "\t12500000.0\t-0.3\tnan\n"
            "1999\t12\t31\t24\t-999\t-998.25\t-997.3\t998.0\n"
            "2003\t1\t1\t1\t0.04\t3\t1.23457e+06\t-9999\t0.0001\t1e-05\t2.5\n"
            "2003\t1\t1\t2\n");
}

TEST(ResultFile, LongOutputInParts) {
  // More than the file's buffer holds, so that it is handed on in parts.
  std::string expected;
  Result result;
  constexpr int kStations = 2000;
  HourField field(station_entries(kStations));
  for (int hour = 1; hour <= 100; ++hour) {
    expected.append("2003\t1\t1\t").append(std::to_string(hour));
    for (int i = 1; i <= kStations; ++i) {
      char text[32];
      std::snprintf(text, sizeof text, "\t%lg", field[i] = hour * 1000.0 + i / 7.0);
      expected += text;
    }
    expected += "\n";
    write_raw_line(result.file, HourStamp{.year = 2003, .month = 1, .day = 1, .hour = hour}, field,
                   kStations);
  }
  ASSERT_GT(expected.size(), 1u << 20);
  EXPECT_EQ(result.text(), expected);
}

}  // namespace
}  // namespace rumo
