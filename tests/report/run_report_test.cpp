// The run report against the run itself: random networks and data run in
// memory, and every row checked against the hours of the result file.
#include "report/run_report.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/calendar.hpp"
#include "run/run.hpp"

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;

using Stamp = std::tuple<int, int, int, int>;  // year, month, day, hour

Stamp next_hour(Stamp s) {
  auto& [year, month, day, hour] = s;
  if (++hour <= 24) return s;
  hour = 1;
  if (++day <= days_in_month(month, year)) return s;
  day = 1;
  if (++month <= 12) return s;
  month = 1;
  ++year;
  return s;
}

std::string header(const char* title, const std::vector<std::pair<double, double>>& places,
                   char name) {
  std::string lines[4] = {"YY\tMM\tDD\tHH", "YY\tMM\tDD\tHH", "YY\tMM\tDD\tHH", "YY\tMM\tDD\tHH"};
  for (std::size_t i = 0; i < places.size(); ++i) {
    lines[0] += "\t100";
    (lines[1] += '\t') += std::to_string(places[i].first);
    (lines[2] += '\t') += std::to_string(places[i].second);
    lines[3] += std::string("\t") + name + std::to_string(i);
  }
  return std::string(title) + "\n" + lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" +
         lines[3] + "\n";
}

std::string stamp_text(const Stamp& s) {
  const auto& [year, month, day, hour] = s;
  return std::to_string(year) + "\t" + std::to_string(month) + "\t" + std::to_string(day) + "\t" +
         std::to_string(hour);
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', at);
    fields.push_back(line.substr(at, tab == std::string::npos ? tab : tab - at));
    if (tab == std::string::npos) return fields;
    at = tab + 1;
  }
}

double number(const std::string& text) {
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(result.ec == std::errc{} && result.ptr == text.data() + text.size()) << text;
  return value;
}

std::vector<std::vector<std::string>> lines_of(const std::string& text, std::size_t skip) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(text);
  std::string line;
  for (std::size_t n = 0; std::getline(in, line); ++n) {
    if (n >= skip) lines.push_back(split(line));
  }
  return lines;
}

// A random network and its data for a few days: some stations out of reach,
// dry and wet hours, missing hourly values and readings. The hourly file
// sometimes ends with hour 24 of the end date, so that the last periods hold
// hours the file does not have.
struct RandomRun {
  MemoryFiles files;
  Invocation invocation;
  int hourly = 0, climate = 0, collector = 0, days = 0;

  explicit RandomRun(unsigned seed) {
    std::mt19937 random(seed);
    const auto uniform = [&](double low, double high) {
      return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto chance = [&](double p) { return uniform(0.0, 1.0) < p; };
    const auto reading = [&] {
      if (chance(0.15)) return std::string("-9999");
      if (chance(0.2)) return std::string("0");
      return std::to_string(std::round(uniform(0.1, 30.0) * 10.0) / 10.0);
    };
    hourly = 2 + static_cast<int>(random() % 4);
    climate = 1 + static_cast<int>(random() % 3);
    collector = 1 + static_cast<int>(random() % 3);
    days = 2 + static_cast<int>(random() % 4);
    const auto places = [&](int count) {
      std::vector<std::pair<double, double>> p;
      for (int i = 0; i < count; ++i) p.emplace_back(uniform(0, 60), uniform(0, 60));
      return p;
    };

    const Stamp start{2001, 5, 30, 1};
    Stamp end_day = start;
    for (int h = 0; h < 24 * (days - 1); ++h) end_day = next_hour(end_day);
    const bool short_file = chance(0.5);
    std::string h_text = header("KORIM", places(hourly), 'h');
    std::string c_text = header("Klima", places(climate), 'c');
    std::string s_text = header("Sammler", places(collector), 's');
    Stamp s = start;
    const int hours = 24 * days + (short_file ? 0 : 6);
    for (int h = 0; h < hours; ++h, s = next_hour(s)) {
      h_text += stamp_text(s);
      const bool wet = chance(0.4);
      for (int i = 0; i < hourly; ++i) {
        if (chance(0.05)) {
          h_text += "\t-9999";
        } else {
          h_text += '\t';
          h_text += std::to_string(wet && chance(0.6) ? std::round(uniform(0, 8) * 10) / 10 : 0.0);
        }
      }
      h_text += "\n";
      const int hour = std::get<3>(s);
      if (hour == 7 || hour == 19) {
        c_text += stamp_text(s);
        for (int i = 0; i < climate; ++i) (c_text += '\t') += reading();
        c_text += "\n";
      }
      if (hour == 7) {
        s_text += stamp_text(s);
        for (int i = 0; i < collector; ++i) (s_text += '\t') += reading();
        s_text += "\n";
      }
    }
    files.inputs = {{"h", h_text}, {"c", c_text}, {"s", s_text}};

    RunParameters p;
    p.hourly_file = "h";
    p.climate_file = "c";
    p.collector_file = "s";
    p.result_file = "o";
    p.nodata = kNodata;
    std::tie(p.start_year, p.start_month, p.start_day, p.start_hour) = start;
    std::tie(p.end_year, p.end_month, p.end_day, std::ignore) = end_day;
    p.power = 2.0;
    p.max_distance = uniform(10.0, 60.0);
    p.upper_limit = HUGE_VAL;
    invocation.parameters = p;
    invocation.options.dialogue = false;
    invocation.options.report_file = "r";
  }
};

TEST(RunReport, RowsAgreeWithTheHoursOfTheResultFile) {
  int scaled_checked = 0;
  int partial = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    RandomRun r(seed);
    std::istringstream in;
    std::ostringstream out;
    Console console{in, out};
    run(console, r.files, r.invocation);

    const auto result = lines_of(r.files.outputs.at("o"), 5);
    std::map<Stamp, std::size_t> line_of;
    for (std::size_t i = 0; i < result.size(); ++i) {
      const auto& f = result[i];
      line_of[{std::stoi(f[0]), std::stoi(f[1]), std::stoi(f[2]), std::stoi(f[3])}] = i;
    }
    const auto rows = lines_of(r.files.outputs.at("r"), 0);
    ASSERT_EQ(rows.front().size(), 12u);
    EXPECT_EQ(rows.front()[0], "station");
    ASSERT_EQ(rows.size(), 1u + static_cast<std::size_t>(r.days * (2 * r.climate + r.collector)));

    Stamp previous{0, 0, 0, 0};
    int previous_station = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
      const auto& row = rows[i];
      ASSERT_EQ(row.size(), 12u);
      const int station = std::stoi(row[0]);
      const Stamp stamp{std::stoi(row[3]), std::stoi(row[4]), std::stoi(row[5]), std::stoi(row[6])};
      // Time order, then station order.
      EXPECT_TRUE(std::tie(previous, previous_station) < std::tie(stamp, station));
      previous = stamp;
      previous_station = station;

      const int column = 3 + station;
      const bool climate = row[2] == "climate";
      EXPECT_EQ(climate, station <= r.hourly + r.climate);
      const std::size_t hours = climate ? 12 : 24;
      const std::size_t first = line_of.at(stamp);
      const std::size_t written = std::min(hours, result.size() - first);
      EXPECT_EQ(std::stoul(row[11]), written);

      const double reading = number(row[7]);
      double sum = 0.0;
      bool all_present = true;
      bool all_missing = true;
      bool all_zero_or_missing = true;
      for (std::size_t k = first; k < first + written; ++k) {
        const double v = number(result[k][static_cast<std::size_t>(column)]);
        const bool present = v > -kNodata;
        all_present = all_present && present;
        all_missing = all_missing && !present;
        all_zero_or_missing = all_zero_or_missing && (!present || v == 0.0);
        sum += present ? v : 0.0;
      }
      const std::string& outcome = row[9];
      if (outcome == "scaled") {
        EXPECT_EQ(number(row[10]), reading / number(row[8]));
        if (written == hours && all_present) {
          // Each written hour is rounded to one decimal.
          EXPECT_NEAR(sum, reading, 0.05 * static_cast<double>(hours) + 1e-9) << row[0];
          ++scaled_checked;
        } else {
          ++partial;
        }
      } else {
        EXPECT_EQ(row[10], "");
      }
      if (outcome == "no-rain-interpolated") {
        EXPECT_TRUE(all_zero_or_missing);
      }
      if (outcome == "reading-missing" || outcome == "unusable-sum") {
        EXPECT_TRUE(all_missing);
      }
      if (outcome == "reading-missing") {
        EXPECT_LE(reading, -kNodata);
      }
    }
    EXPECT_NE(out.str().find("Run report: "), std::string::npos);

    // Written by a thread of its own, the report is the same.
    RandomRun again(seed);
    again.invocation.options.threads = 2;
    std::ostringstream out_again;
    Console console_again{in, out_again};
    run(console_again, again.files, again.invocation);
    EXPECT_EQ(again.files.outputs.at("r"), r.files.outputs.at("r"));
  }
  // The random runs must have exercised the check.
  EXPECT_GT(scaled_checked, 100);
  EXPECT_GT(partial, 10);
}

// The quick form for whole numbers and tenths against the library's search.
TEST(WriteShortest, SameTextAsToChars) {
  std::vector<double> values = {0.0,     -0.0,     0.1,       -0.1,   0.05,    1.0,   10000.0,
                                99999.9, 1e5,      100000.0,  -9999., -9998.,  0.3,   1e-300,
                                1e300,   HUGE_VAL, -HUGE_VAL, NAN,    12345.6, 2.675, 1e15};
  std::mt19937_64 random(11);
  for (int i = 0; i < 200000; ++i) {
    const double whole = static_cast<double>(static_cast<long>(random() % 2000001) - 1000000);
    values.push_back(whole / 10.0);
    values.push_back(whole);
    values.push_back(std::ldexp(static_cast<double>(random() >> 11), -40));
  }
  for (const double value : values) {
    char fast[64];
    char plain[64];
    const std::string_view a(fast, static_cast<std::size_t>(write_shortest(fast, value) - fast));
    const auto end = std::to_chars(plain, plain + sizeof plain, value).ptr;
    ASSERT_EQ(a, std::string_view(plain, static_cast<std::size_t>(end - plain))) << value;
  }
}

}  // namespace
}  // namespace rumo
