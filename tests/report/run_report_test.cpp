// The run report against the run itself: every row of random runs checked
// against the hours of the result file.
#include "report/run_report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.hpp"
#include "core/files.hpp"
#include "core/workers.hpp"
#include "random_run.hpp"
#include "run/run.hpp"

namespace rumo {
namespace {

using Cells = std::vector<std::string>;
using Stamp = std::array<int, 4>;

Stamp stamp_of(const Cells& cells, std::size_t at) {
  return {std::stoi(cells[at]), std::stoi(cells[at + 1]), std::stoi(cells[at + 2]),
          std::stoi(cells[at + 3])};
}

std::vector<Cells> lines_of(const std::string& text) {
  std::vector<Cells> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream cells(line);
    lines.emplace_back();
    for (std::string cell; std::getline(cells, cell, '\t');) lines.back().push_back(cell);
    if (!line.empty() && line.back() == '\t') lines.back().emplace_back();
  }
  return lines;
}

double number(const std::string& text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(error == std::errc{} && end == text.data() + text.size()) << text;
  return value;
}

std::string report_of(testing::RandomRun& r, int threads, std::string* console) {
  Invocation invocation{r.params, {}};
  invocation.options.located = true;
  invocation.options.report_file = "r";
  invocation.options.threads = threads;
  std::istringstream in;
  std::ostringstream out;
  Console on{in, out};
  run(on, r.files, invocation);
  if (console != nullptr) *console = out.str();
  return r.files.outputs.at("r");
}

TEST(RunReport, RowsAgreeWithTheHoursOfTheResultFile) {
  int scaled_checked = 0, partial = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    testing::RandomRun r(seed);
    std::string console;
    std::string report;
    try {
      report = report_of(r, 1, &console);
    } catch (const RunError&) {
      continue;  // a run that fails is the command line test's case
    }
    EXPECT_NE(console.find("Run report: "), std::string::npos);
    const auto result = lines_of(r.files.outputs.at("o"));
    std::map<Stamp, std::size_t> line_of;
    for (std::size_t i = 5; i < result.size(); ++i) line_of[stamp_of(result[i], 0)] = i;
    const auto rows = lines_of(report);
    ASSERT_EQ(rows.front().size(), 12u);
    ASSERT_EQ(rows.size(), 1u + r.days * (2 * r.climate + r.collector));
    std::pair<Stamp, int> previous{};
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const Cells& row = rows[i];
      ASSERT_EQ(row.size(), 12u);
      const int station = std::stoi(row[0]);
      const Stamp stamp = stamp_of(row, 3);
      EXPECT_LT(previous, std::pair(stamp, station));  // time order, then station order
      previous = {stamp, station};
      const bool climate = row[2] == "climate";
      EXPECT_EQ(climate, station <= r.hourly + r.climate);
      const std::size_t hours = climate ? 12 : 24;
      const std::size_t first = line_of.at(stamp);
      const std::size_t written = std::min(hours, result.size() - first);
      EXPECT_EQ(std::stoul(row[11]), written);

      double sum = 0.0;
      bool all_missing = true, any_missing = false, all_dry = true;
      for (std::size_t k = first; k < first + written; ++k) {
        const double v = number(result[k][3 + static_cast<std::size_t>(station)]);
        const bool present = v > -r.params.nodata;
        all_missing = all_missing && !present;
        any_missing = any_missing || !present;
        all_dry = all_dry && (!present || v == 0.0);
        sum += present ? v : 0.0;
      }
      const double reading = number(row[7]);
      const std::string& outcome = row[9];
      if (outcome == "scaled") {
        EXPECT_EQ(number(row[10]), reading / number(row[8]));
        if (written == hours && !any_missing) {
          // Each written hour is rounded to one decimal.
          EXPECT_NEAR(sum, reading, 0.05 * static_cast<double>(hours) + 1e-9);
          ++scaled_checked;
        } else {
          ++partial;
        }
      } else {
        EXPECT_EQ(row[10], "");
      }
      EXPECT_TRUE(outcome != "no-rain-interpolated" || all_dry);
      EXPECT_TRUE((outcome != "reading-missing" && outcome != "unusable-sum") || all_missing);
      EXPECT_TRUE(outcome != "reading-missing" || reading <= -r.params.nodata);
    }
    // Written by the pool's threads while they wait, the report is the same.
    testing::RandomRun again(seed);
    EXPECT_EQ(report_of(again, 2, nullptr), report);
  }
  // The random runs must have exercised the check.
  EXPECT_GT(scaled_checked, 100);
  EXPECT_GT(partial, 10);
}

}  // namespace
}  // namespace rumo
