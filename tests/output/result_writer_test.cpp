#include "output/result_writer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <optional>
#include <string>

namespace rumo {
namespace {

// A result file in memory; text() closes it and gives what reached the file.
struct Result {
  MemoryFiles files;
  std::optional<ResultFile> file;

  explicit Result(bool failing = false) {
    if (failing) files.failing_outputs["result.txt"] = true;
    file.emplace(files.open_output("result.txt"));
  }
  std::string text() {
    EXPECT_TRUE(file->close());
    return files.outputs["result.txt"];
  }
};

TEST(ResultHeader, FiveLinesForAllStations) {
  StationTable table;
  const double heights[] = {100.4, 250.6, -3.0};
  const double firsts[] = {3500.0, 3600.49, 0.0};
  const double seconds[] = {5300.0, -0.2, 1e6};
  const char* names[] = {"Aachen", "BonnStadt1", ""};
  for (int i = 0; i < 3; ++i) {
    table.height[i + 1] = heights[i];
    table.first[i + 1] = firsts[i];
    table.second[i + 1] = seconds[i];
    table.name[i + 1] = names[i];
  }
  table.height[4] = 7.0;  // beyond the total: not written

  Result result;
  write_result_header(*result.file, table, 3);
  EXPECT_EQ(result.text(),
            "interpolierte Stationswerte\n"
            "YY\tMM\tDD\tHH\t100\t251\t-3\n"
            "YY\tMM\tDD\tHH\t3500\t3600\t0\n"
            "YY\tMM\tDD\tHH\t5300\t-0\t1000000\n"
            "YY\tMM\tDD\tHH\tAachen\tBonnSta\t\n");

  Result empty;
  write_result_header(*empty.file, table, 0);
  EXPECT_EQ(empty.text(),
            "interpolierte Stationswerte\nYY\tMM\tDD\tHH\nYY\tMM\tDD\tHH\nYY\tMM\tDD\tHH\n"
            "YY\tMM\tDD\tHH\n");
}

HourField field_of(std::initializer_list<double> values) {
  HourField field(kStationEntries, -9999.0);
  int station = 1;
  for (const double value : values) field[station++] = value;
  return field;
}

TEST(ResultLine, ZerosAndMissingValuesShortEverythingElseOneDecimal) {
  const HourStamp stamp{5, 7, 2, 2003};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Result result;
  write_result_line(*result.file, stamp,
                    field_of({0.0, -9999.0, -9998.0, 0.04, 3.0, -9997.96, 12345.678, -0.0, 1e-7,
                              -12000.0, 1.25e7, -0.26, nan}),
                    13, 9998.0);
  write_result_line(*result.file, HourStamp{31, 24, 12, 1999},
                    field_of({-999.0, -998.25, -997.26, 998.0}), 4, 998.0);
  EXPECT_EQ(
      result.text(),
      "2003\t2\t5\t7\t0\t-9999\t-9998\t0.0\t3.0\t-9998.0\t12345.7\t-0\t0.0\t-12000\t12500000.0"
      "\t-0.3\tnan\n"
      "1999\t12\t31\t24\t-999\t-998.25\t-997.3\t998.0\n");
}

TEST(RawLine, EveryValueInShortForm) {
  Result result;
  write_raw_line(*result.file, HourStamp{1, 1, 1, 2003},
                 field_of({0.04, 3.0, 1234567.0, -9999.0, 0.0001, 1e-5, 2.5}), 7);
  write_raw_line(*result.file, HourStamp{1, 2, 1, 2003}, field_of({}), 0);
  EXPECT_EQ(result.text(),
            "2003\t1\t1\t1\t0.04\t3\t1.23457e+06\t-9999\t0.0001\t1e-05\t2.5\n"
            "2003\t1\t1\t2\n");
}

TEST(ResultFile, LongOutputAndFailures) {
  // More than the file's buffer holds, so that it is handed on in parts.
  std::string expected;
  Result result;
  HourField field(kStationEntries);
  for (int hour = 1; hour <= 100; ++hour) {
    for (int i = 1; i <= kMaxStations; ++i) field[i] = hour * 1000.0 + i / 7.0;
    write_raw_line(*result.file, HourStamp{1, hour, 1, 2003}, field, kMaxStations);
    expected.append("2003\t1\t1\t").append(std::to_string(hour));
    for (int i = 1; i <= kMaxStations; ++i) {
      char text[32];
      std::snprintf(text, sizeof text, "\t%lg", field[i]);
      expected += text;
    }
    expected += "\n";
  }
  ASSERT_GT(expected.size(), 1u << 20);
  EXPECT_EQ(result.text(), expected);

  // What was written before a failure stays written without a close.
  MemoryFiles files;
  {
    ResultFile unclosed(files.open_output("r"));
    unclosed.write_text("kept\n");
  }
  EXPECT_EQ(files.outputs["r"], "kept\n");

  Result failing(true);
  write_raw_line(*failing.file, HourStamp{1, 1, 1, 2003}, field, 3);
  EXPECT_FALSE(failing.file->close());
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

std::string lines_for_slots(int first, int last) {
  std::string text;
  for (int slot = first; slot <= last; ++slot) {
    text.append(slot <= 18 ? "2003\t12\t31\t" : "2004\t1\t1\t");
    text.append(std::to_string(slot <= 18 ? slot + 6 : slot - 18));
    text.append("\t").append(std::to_string(slot)).append(".0\n");
  }
  return text;
}

struct Day {
  DayOutcome outcome;
  bool end_flag;
  std::string text;
};

Day write_one_day(const HourWindow& window, EndDate end, bool end_flag = false) {
  Result result;
  const DayOutcome outcome = write_day(*result.file, window, end, 1, 9998.0, end_flag);
  return {outcome, end_flag, result.text()};
}

TEST(WriteDay, StopsAfterHour24OfTheEndDate) {
  const HourWindow window = day_window();
  Day day = write_one_day(window, {31, 12, 2003});
  EXPECT_EQ(day.outcome, DayOutcome::written);
  EXPECT_TRUE(day.end_flag);
  EXPECT_EQ(day.text, lines_for_slots(1, 18));

  // The end date lies in the next year: the whole day, and the run goes on.
  day = write_one_day(window, {1, 1, 2004});
  EXPECT_EQ(day.outcome, DayOutcome::written);
  EXPECT_FALSE(day.end_flag);
  EXPECT_EQ(day.text, lines_for_slots(1, 24));

  day = write_one_day(window, {1, 1, 2004}, true);
  EXPECT_EQ(day.outcome, DayOutcome::written);
  EXPECT_TRUE(day.end_flag);
  EXPECT_EQ(day.text, "");
}

TEST(WriteDay, EndMissedKeepsTheLinesBefore) {
  HourWindow gap = day_window();
  gap.set_hour_read(10, false);  // the hourly file ended before this hour
  Day day = write_one_day(gap, {31, 12, 2003});
  EXPECT_EQ(day.outcome, DayOutcome::end_missed);
  EXPECT_FALSE(day.end_flag);
  EXPECT_EQ(day.text, lines_for_slots(1, 9));

  // The file skips from hour 12 to a later day than the end date.
  HourWindow jump = day_window();
  jump.stamp(7) = HourStamp{2, 1, 1, 2004};
  day = write_one_day(jump, {1, 1, 2004});
  EXPECT_EQ(day.outcome, DayOutcome::end_missed);
  EXPECT_EQ(day.text, lines_for_slots(1, 6));

  // An end date before the day.
  day = write_one_day(day_window(), {30, 12, 2003});
  EXPECT_EQ(day.outcome, DayOutcome::end_missed);
  EXPECT_EQ(day.text, "");
}

}  // namespace
}  // namespace rumo
