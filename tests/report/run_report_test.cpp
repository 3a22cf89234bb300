// The run report against the run itself: every row of random runs checked
// against the hours of the result file.
#include "report/run_report.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
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
    ASSERT_EQ(rows.front().size(), 13u);
    ASSERT_EQ(rows.size(), 1u + r.days * (2 * r.climate + r.collector));
    std::pair<Stamp, int> previous{};
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const Cells& row = rows[i];
      ASSERT_EQ(row.size(), 13u);
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
      // A missing reading is an empty field.
      const bool reading_missing = row[7].empty();
      const double reading = reading_missing ? 0.0 : number(row[7]);
      const std::string& outcome = row[9];
      // Hours without data set a period apart; under the default it is
      // scaled all the same where its estimates are not all 0.
      EXPECT_TRUE(outcome != "no-hourly-data" || row[12] != "0");
      EXPECT_TRUE((outcome != "scaled" && outcome != "no-rain-interpolated") || row[12] == "0");
      const bool lost = outcome == "no-hourly-data" && row[10].empty();
      if (outcome == "scaled" || (outcome == "no-hourly-data" && !lost)) {
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
      EXPECT_TRUE((outcome != "no-rain-interpolated" && !lost) || all_dry);
      EXPECT_TRUE((outcome != "reading-missing" && outcome != "unusable-sum") || all_missing);
      EXPECT_TRUE(outcome != "reading-missing" || reading_missing);
      EXPECT_TRUE(!reading_missing || outcome == "reading-missing" || outcome == "unusable-sum");
      EXPECT_TRUE(reading_missing || reading > -r.params.nodata);
    }
    // Written by the pool's threads while they wait, the report is the same.
    testing::RandomRun again(seed);
    EXPECT_EQ(report_of(again, 2, nullptr), report);
  }
  // The random runs must have exercised the check.
  EXPECT_GT(scaled_checked, 100);
  EXPECT_GT(partial, 10);
}

// A written value as units of its last decimal: "0", or exactly `decimals`
// decimals.
std::int64_t written_units(const std::string& text, int decimals) {
  if (text == "0") return 0;
  const std::size_t point = text.find('.');
  EXPECT_EQ(decimals == 0 ? std::string::npos : text.size() - point - 1,
            decimals == 0 ? point : static_cast<std::size_t>(decimals))
      << text;
  std::string digits = text;
  if (point != std::string::npos) digits.erase(point, 1);
  return std::stoll(digits);
}

// With --keep-totals, over random runs with each dry fallback, each way with
// hours without data and 0, 1 and 3 decimals: every scaled or spread period whose hours are all
// written and present adds up, in the written text, to its reading as written with those decimals;
// no hour lies a unit of the last decimal or more from its value (from the same run with six
// decimals), and every other value of the result file, the report and the console are those of the
// run without it.
TEST(RunReport, KeptTotalsAddUpInTheWrittenText) {
  std::map<std::string, int> kept;
  int partial = 0;
  for (unsigned seed = 1; seed <= 90; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const int decimals = std::array{0, 1, 3}[seed % 3];
    const auto fallback = static_cast<DryFallback>(seed / 3 % 3);
    const auto without = static_cast<NoDataHours>(seed / 9 % 4);
    struct Outputs {
      std::string result, report, console;
    };
    const auto run_with = [&](bool keep_totals, int with_decimals) {
      testing::RandomRun r(seed);
      Invocation invocation{r.params, {}};
      invocation.options.located = true;
      invocation.options.report_file = "r";
      invocation.options.decimals = with_decimals;
      invocation.options.dry_fallback = fallback;
      invocation.options.no_data_hours = without;
      invocation.options.keep_totals = keep_totals;
      std::istringstream in;
      std::ostringstream out;
      Console on{in, out};
      run(on, r.files, invocation);
      return Outputs{r.files.outputs.at("o"), r.files.outputs.at("r"), out.str()};
    };
    Outputs rounded, plain, exact;
    try {
      rounded = run_with(true, decimals);
    } catch (const RunError&) {
      continue;
    }
    plain = run_with(false, decimals);
    exact = run_with(false, 6);
    EXPECT_EQ(rounded.report, plain.report);
    EXPECT_EQ(rounded.console, plain.console);

    const double nodata = testing::RandomRun(seed).params.nodata;
    const double unit = std::pow(10.0, -decimals);
    auto result = lines_of(rounded.result);
    auto unrounded = lines_of(plain.result);
    const auto exact_result = lines_of(exact.result);
    ASSERT_EQ(result.size(), unrounded.size());
    std::map<Stamp, std::size_t> line_of;
    for (std::size_t i = 5; i < result.size(); ++i) line_of[stamp_of(result[i], 0)] = i;
    for (const Cells& row : lines_of(rounded.report)) {
      const std::string& outcome = row[9];
      const double reading = row[7] == "reading" || row[7].empty() ? 0.0 : number(row[7]);
      EXPECT_FALSE(fallback != DryFallback::zero && outcome == "no-rain-interpolated" &&
                   reading > 0.0);
      // Spread without data unless written missing or lost.
      const bool spread = outcome == "no-hourly-data" && without != NoDataHours::missing &&
                          (without != NoDataHours::zero || !row[10].empty());
      if (outcome != "scaled" && outcome != "spread-uniform" && outcome != "nearest-wet" && !spread)
        continue;
      const auto column = 3 + std::stoul(row[0]);
      const std::size_t hours = row[2] == "climate" ? 12 : 24;
      const std::size_t first = line_of.at(stamp_of(row, 3));
      const std::size_t written = std::stoul(row[11]);
      std::int64_t sum = 0;
      bool all_present = true;
      for (std::size_t k = first; k < first + written; ++k) {
        const double value = number(exact_result[k][column]);
        std::string& text = result[k][column];
        if (!(value > -nodata)) {
          all_present = false;
          EXPECT_EQ(text, unrounded[k][column]);
        } else {
          const std::int64_t units = written_units(text, decimals);
          EXPECT_LT(std::fabs(static_cast<double>(units) * unit - value), unit - 1e-6) << text;
          sum += units;
        }
        // Checked: what is left must be as without the option.
        text.clear();
        unrounded[k][column].clear();
      }
      if (written < hours || !all_present) {
        ++partial;
        continue;
      }
      char text[64];
      const auto end =
          std::to_chars(text, text + sizeof text, reading, std::chars_format::fixed, decimals);
      EXPECT_EQ(sum, written_units(std::string(text, end.ptr), decimals)) << row[7];
      ++kept[outcome];
    }
    EXPECT_EQ(result, unrounded);
  }
  // The random runs must have exercised every kind of period.
  EXPECT_GT(kept["scaled"], 200);
  EXPECT_GT(kept["spread-uniform"], 5);
  EXPECT_GT(kept["nearest-wet"], 5);
  EXPECT_GT(kept["no-hourly-data"], 5);
  EXPECT_GT(partial, 10);
}
}  // namespace
}  // namespace rumo
