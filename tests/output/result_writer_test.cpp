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
  HourField field(kStationEntries, -9999.0);
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
  write_result_line(result.file, HourStamp{5, 7, 2, 2003},
                    field_of({0.0, -9999.0, -9998.0, 0.04, 3.0, -9997.96, 12345.678, -0.0, 1e-7,
                              -12000.0, 1.25e7, -0.26, std::numeric_limits<double>::quiet_NaN()}),
                    13, 9998.0);
  write_result_line(result.file, HourStamp{31, 24, 12, 1999},
                    field_of({-999.0, -998.25, -997.26, 998.0}), 4, 998.0);
  // Raw lines: every value in short form.
  write_raw_line(result.file, HourStamp{1, 1, 1, 2003},
                 field_of({0.04, 3.0, 1234567.0, -9999.0, 0.0001, 1e-5, 2.5}), 7);
  write_raw_line(result.file, HourStamp{1, 2, 1, 2003}, field_of({}), 0);
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

TEST(ResultFile, LongOutputAndFailures) {
  // More than the file's buffer holds, so that it is handed on in parts.
  std::string expected;
  Result result;
  HourField field(kStationEntries);
  for (int hour = 1; hour <= 100; ++hour) {
    expected.append("2003\t1\t1\t").append(std::to_string(hour));
    for (int i = 1; i <= kMaxStations; ++i) {
      char text[32];
      std::snprintf(text, sizeof text, "\t%lg", field[i] = hour * 1000.0 + i / 7.0);
      expected += text;
    }
    expected += "\n";
    write_raw_line(result.file, HourStamp{1, hour, 1, 2003}, field, kMaxStations);
  }
  ASSERT_GT(expected.size(), 1u << 20);
  EXPECT_EQ(result.text(), expected);

  // What was written before a failure stays written without a close.
  MemoryFiles files;
  ResultFile(files.open_output("kept")).write_text("kept\n");
  EXPECT_EQ(files.outputs["kept"], "kept\n");
  files.failing_outputs["full"] = true;
  ResultFile failing(files.open_output("full"));
  write_raw_line(failing, HourStamp{1, 1, 1, 2003}, field, 3);
  EXPECT_FALSE(failing.close());
}

// A window with hours 7..24 of 31 Dec 2003 in slots 1..18 and hours 1..6 of
// 1 Jan 2004 in slots 19..24; the one station holds the slot number.
HourWindow day_window() {
  HourWindow window;
  for (int slot = 1; slot <= 24; ++slot) {
    window.stamp(slot) =
        slot <= 18 ? HourStamp{31, slot + 6, 12, 2003} : HourStamp{1, slot - 18, 1, 2004};
    window.field(slot)[1] = slot;
    window.set_hour_read(slot, true);
  }
  return window;
}

// The result lines of slots 1..last of that window.
std::string lines_up_to(int last) {
  std::string text;
  for (int slot = 1; slot <= last; ++slot) {
    text.append(slot <= 18 ? "2003\t12\t31\t" : "2004\t1\t1\t");
    text.append(std::to_string(slot <= 18 ? slot + 6 : slot - 18));
    text.append("\t").append(std::to_string(slot)).append(".0\n");
  }
  return text;
}

TEST(WriteDay, WritesUpToHour24OfTheEndDateAndStopsAtAGap) {
  const HourWindow whole = day_window();
  HourWindow gap = day_window();
  gap.set_hour_read(10, false);  // the hourly file ended before this hour
  HourWindow jump = day_window();
  jump.stamp(7) = HourStamp{2, 1, 1, 2004};  // the file skips to a day after the end date
  using enum DayOutcome;
  const struct {
    const HourWindow* window;
    EndDate end;
    bool flag_before;
    DayOutcome outcome;
    bool flag_after;
    int last_slot_written;
  } cases[] = {
      {&whole, {31, 12, 2003}, false, written, true, 18},
      // The end date lies in the next year: the whole day, and the run goes on.
      {&whole, {1, 1, 2004}, false, written, false, 24},
      {&whole, {1, 1, 2004}, true, written, true, 0},
      // The lines before the slot that misses the end stay written.
      {&gap, {31, 12, 2003}, false, end_missed, false, 9},
      {&jump, {1, 1, 2004}, false, end_missed, false, 6},
      {&whole, {30, 12, 2003}, false, end_missed, false, 0},  // an end date before the day
  };
  for (const auto& c : cases) {
    Result result;
    bool end_flag = c.flag_before;
    EXPECT_EQ(write_day(result.file, *c.window, c.end, 1, 9998.0, end_flag), c.outcome);
    EXPECT_EQ(end_flag, c.flag_after);
    EXPECT_EQ(result.text(), lines_up_to(c.last_slot_written));
  }
}

}  // namespace
}  // namespace rumo
