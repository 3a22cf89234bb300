#include "run/export_file.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <fstream>
#include <sstream>

#include "core/error.hpp"
#include "core/exit_codes.hpp"

namespace rumo {
namespace {

std::vector<std::vector<std::string>> split(const std::string& text, char by) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string>& row = rows.emplace_back();
    std::size_t at = 0;
    for (;;) {
      const std::size_t cut = line.find(by, at);
      row.push_back(line.substr(at, cut - at));
      if (cut == std::string::npos) break;
      at = cut + 1;
    }
  }
  return rows;
}

double number(const std::string& text) {
  double value = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

struct Exported {
  std::string csv, console;
  int code = 0;
};

Exported export_csv(const std::string& file, std::string text, const ExportRequest& asked) {
  MemoryFiles files;
  files.inputs[file] = std::move(text);
  ExportRequest request = asked;
  request.input = file;
  request.csv_file = "out.csv";
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out, out, out};
  Exported result;
  try {
    export_station_file(console, files, request);
  } catch (const RunError& error) {
    result.code = error.code;
    out << error.message;
  }
  result.csv = files.outputs["out.csv"];
  result.console = out.str();
  return result;
}

// The example's result as a tidy table: one line per station and hour with
// the header's station, the end of the hour as ISO 8601 (hour 24 is the next
// day's midnight) and the value the result file writes, empty where missing.
TEST(ExportFile, TheExamplesResultAsATidyTable) {
  std::ifstream in(RUMO_EXAMPLES_DIR "/expected/result.txt");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto result = split(text, '\t');
  ExportRequest request;
  request.utc_offset = UtcOffset{60};
  const Exported exported = export_csv("result.txt", text, request);
  ASSERT_EQ(exported.code, 0) << exported.console;
  const auto rows = split(exported.csv, ',');
  ASSERT_EQ(rows[0], (std::vector<std::string>{"station", "id", "name", "source_id", "kind", "x",
                                               "y", "height", "time", "value"}));
  const std::size_t stations = result[1].size() - 4;
  ASSERT_EQ(rows.size(), 1 + (result.size() - 5) * stations);
  for (std::size_t line = 5; line < result.size(); ++line) {
    const auto& r = result[line];
    // Hour 24 ends at the next day's midnight.
    const int hour = std::stoi(r[3]);
    const std::chrono::year_month_day day{
        std::chrono::sys_days{std::chrono::year{std::stoi(r[0])} /
                              std::chrono::month{static_cast<unsigned>(std::stoi(r[1]))} /
                              std::chrono::day{static_cast<unsigned>(std::stoi(r[2]))}} +
        std::chrono::days{hour / 24}};
    char time[40];
    std::snprintf(time, sizeof time, "%d-%02u-%02uT%02d:00:00+01:00", static_cast<int>(day.year()),
                  static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()), hour % 24);
    for (std::size_t s = 0; s < stations; ++s) {
      const auto& row = rows[1 + (line - 5) * stations + s];
      ASSERT_EQ(row.size(), 10u);
      EXPECT_EQ(row[0], std::to_string(s + 1));
      // A station of unknown kind whose name is unique has it as its id; a
      // result file does not know the source's ids.
      EXPECT_EQ(row[1], result[4][4 + s]);
      EXPECT_EQ(row[2], result[4][4 + s]);
      EXPECT_EQ(row[3], "");
      EXPECT_EQ(row[4], "unknown");
      EXPECT_EQ(number(row[5]), number(result[2][4 + s]));
      EXPECT_EQ(number(row[6]), number(result[3][4 + s]));
      EXPECT_EQ(number(row[7]), number(result[1][4 + s]));
      EXPECT_EQ(row[8], time) << "line " << line + 1;
      const double value = number(r[4 + s]);
      if (value <= -9998.0) {
        EXPECT_EQ(row[9], "");
      } else {
        EXPECT_EQ(number(row[9]), value) << "line " << line + 1 << ", station " << s + 1;
      }
    }
  }
}

// A climate file's readings stand for the 12 hours from their stamp on, its
// stations' series ids are made of the ids its title lists;
// records out of order, unreadable ones and an output that names the input
// stop the export with their own codes.
TEST(ExportFile, KindsAndFailures) {
  const std::string header =
      "t; time UTC+02:00, hour h ends at h:00; ids 07 B9\nYY\tMM\tDD\tHH\t1\t2\n"
      "YY\tMM\tDD\tHH\t3\t4\n"
      "YY\tMM\tDD\tHH\t5\t6\nYY\tMM\tDD\tHH\tA\tB\n";
  ExportRequest climate;
  climate.kind = StationKind::climate;
  const Exported readings =
      export_csv("c.txt", header + "2001 12 31 7 1.5 -9999\n2001 12 31 19 0 2\n", climate);
  EXPECT_EQ(readings.csv,
            "station,id,name,source_id,kind,x,y,height,time,value\n"
            "1,K07,A,07,climate,3,5,1,2001-12-31T18:00:00+02:00,1.5\n"
            "2,KB9,B,B9,climate,4,6,2,2001-12-31T18:00:00+02:00,\n"
            "1,K07,A,07,climate,3,5,1,2002-01-01T06:00:00+02:00,0\n"
            "2,KB9,B,B9,climate,4,6,2,2002-01-01T06:00:00+02:00,2\n");
  const struct {
    const char* records;
    int code;
  } failures[] = {{"2001 1 1 2 0 0\n2001 1 1 2 0 0\n", exit_code::export_stamps_out_of_order},
                  {"2001 1 1 25 0 0\n", exit_code::export_stamps_out_of_order},
                  {"2001 2 30 1 0 0\n", exit_code::export_stamps_out_of_order},
                  {"2001 1 1 1 0 1,5\n", exit_code::export_bad_record}};
  for (const auto& f : failures) {
    EXPECT_EQ(export_csv("h.txt", header + f.records, {}).code, f.code) << f.records;
  }
  EXPECT_EQ(export_csv("out.csv", header, {}).code, exit_code::export_not_created);
}

}  // namespace
}  // namespace rumo
