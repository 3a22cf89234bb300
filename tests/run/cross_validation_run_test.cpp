// The cross-validation of the scaled hours against the run's own functions:
// every row of the periods file must be, to the bit, what the run's
// interpolation and spreading (with the dry fallback, kept totals, hours
// without data, neighbour limits and patterns asked for) give a climate or
// collector station at the left-out station's place, fed the other hourly
// stations' values, and every period whose hours are all present and read
// must have its row.
#include "run/cross_validation_run.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.hpp"
#include "crossval/cross_validation.hpp"
#include "interp/adjust.hpp"
#include "random_run.hpp"

namespace rumo {
namespace {

using Cells = std::vector<std::string>;
using Date = std::tuple<int, int, int>;

std::vector<Cells> cells_of(const std::string& text) {
  std::vector<Cells> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    Cells& cells = lines.emplace_back();
    std::istringstream split(line);
    for (std::string cell; split >> cell;) cells.push_back(cell);
  }
  return lines;
}

double number(const std::string& text) {
  double value = NAN;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The hourly file of a random run: places, names and each record's values.
struct Hours {
  StationTable table;
  int count = 0;
  std::map<std::tuple<int, int, int, int>, HourField> records;

  explicit Hours(const std::string& text) {
    const std::vector<Cells> lines = cells_of(text);
    count = static_cast<int>(lines[1].size()) - 4;
    table.make_room(count + 2);
    for (int i = 1; i <= count; ++i) {
      table.first[i] = number(lines[2][3 + i]);
      table.second[i] = number(lines[3][3 + i]);
      table.name[i] = lines[4][3 + i];
    }
    for (std::size_t k = 5; k < lines.size(); ++k) {
      HourField field(station_entries(count + 2), -9999.0);
      for (int i = 1; i <= count; ++i) field[i] = number(lines[k][3 + i]);
      records[{std::stoi(lines[k][0]), std::stoi(lines[k][1]), std::stoi(lines[k][2]),
               std::stoi(lines[k][3])}] = field;
    }
  }
  const HourField* at(const HourStamp& s) const {
    const auto found = records.find({s.year, s.month, s.day, s.hour});
    return found == records.end() ? nullptr : &found->second;
  }
};

// Hours 7 to 6 of the next day from hour 7 of `date`.
std::vector<HourStamp> day_hours(const Date& date) {
  std::vector<HourStamp> hours{
      {.year = std::get<0>(date), .month = std::get<1>(date), .day = std::get<2>(date), .hour = 7}};
  while (hours.size() < 24) hours.push_back(next_hour(hours.back()));
  return hours;
}

// What the run makes of station `s`'s day as a climate station (hours+1) and
// a collector station (hours+2) at its place, with its own values removed
// and its observed sums as readings: the spread hours and the pass records.
struct RunDay {
  HourWindow window;
  std::vector<PeriodRecord> periods;
};

RunDay run_day(const Hours& h, int s, const std::vector<HourStamp>& stamps, double power,
               double distance, int neighbours, Pattern pattern, const RunParameters& params,
               const RunOptions& options) {
  const int climate = h.count + 1, collector = h.count + 2;
  StationTable table = h.table;
  for (const int target : {climate, collector}) {
    table.first[target] = h.table.first[s];
    table.second[target] = h.table.second[s];
  }
  // Left out, the station is no source at all: a place that is no number
  // reaches nothing.
  table.first[s] = NAN;
  RunDay day{HourWindow(collector), {}};
  double readings[3] = {0.0, 0.0, 0.0};  // first half, second half, day
  for (int slot = 1; slot <= 24; ++slot) {
    const HourField* read = h.at(stamps[slot - 1]);
    HourField& field = day.window.field(slot);
    if (read != nullptr) field = *read;
    const double observed = field[s];
    readings[slot <= 12 ? 0 : 1] += observed;
    readings[2] += observed;
    field[s] = -params.nodata - 1.0;
  }
  day.window.field(1)[climate] = readings[0];
  day.window.field(13)[climate] = readings[1];
  day.window.field(1)[collector] = readings[2];
  IdwSettings settings = IdwSettings::from(params);
  settings.power = power;
  settings.max_distance = distance;
  settings.neighbours = neighbours;
  const StationCounts counts{h.count, 1, 1};
  IdwEngine engine(table, counts, settings);
  HourlyCoverage coverage(table, counts, distance);
  const SpreadingChoices choices{options.dry_fallback, options.keep_totals, options.decimals,
                                 pattern, options.no_data_hours};
  adjust_to_totals(day.window, counts, params.nodata, engine, &day.periods, choices, &coverage);
  return day;
}

void expect_same(double written, double expected, const std::string& line) {
  if (std::isnan(written) && std::isnan(expected)) return;
  EXPECT_EQ(written, expected) << line;
}

TEST(CrossValidationRun, EveryPeriodRowIsTheRunsScalingAtTheStationsPlace) {
  constexpr double kThreshold = 0.1;
  int rows_checked = 0;
  std::map<std::string, int> outcomes;  // of wet periods
  for (unsigned seed = 1; seed <= 80; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    testing::RandomRun r(seed);
    RunOptions options;
    options.located = true;
    // Each fallback with and without kept totals, at 0 to 3 decimals, and
    // each way with hours without data.
    options.dry_fallback = static_cast<DryFallback>(seed % 3);
    options.no_data_hours = static_cast<NoDataHours>(seed / 2 % 4);
    options.keep_totals = seed / 3 % 2 == 1;
    options.decimals = static_cast<int>(seed / 6 % 4);
    CrossValidationRequest& cv = options.cross_validation;
    cv.enabled = true;
    cv.powers = {0.0, 2.0, 3.5};
    cv.distances = {30.0, r.params.max_distance, HUGE_VAL};
    // Half the runs with neighbour limits, most with every pattern.
    if (seed % 4 < 2) cv.neighbour_counts = {1, 0};
    if (seed % 5 != 0) cv.patterns.assign(std::begin(kPatterns), std::end(kPatterns));
    const bool limits = !cv.neighbour_counts.empty(), patterns = !cv.patterns.empty();
    cv.periods_file = "p";
    cv.table_file = "t";
    std::string periods, table;
    for (const int threads : {1, 3}) {
      options.threads = threads;
      std::istringstream in;
      std::ostringstream out;
      Console console{in, out};
      testing::RandomRun run(seed);
      try {
        cross_validate(console, run.files, run.params, options);
      } catch (const RunError&) {
        break;  // the hourly file ends before the end date
      }
      // Nothing that comes out depends on the number of threads.
      if (threads > 1) {
        EXPECT_EQ(run.files.outputs.at("p"), periods);
        EXPECT_EQ(run.files.outputs.at("t"), table);
      }
      periods = run.files.outputs.at("p");
      table = run.files.outputs.at("t");
    }
    if (periods.empty()) continue;

    const Hours h(r.files.inputs.at("h"));
    std::istringstream lines(periods);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, std::string("power\tdistance\t") + (limits ? "neighbours\t" : "") +
                        (patterns ? "pattern\t" : "") +
                        "station\tname\tway\tyear\tmonth\tday\thour\treading\t"
                        "interpolated\toutcome\trmse\tobserved_max\tscaled_max\t"
                        "observed_wet_hours\tscaled_wet_hours");
    std::map<std::tuple<Date, double, double, int, int, std::string>, RunDay> days;
    long written = 0;
    for (; std::getline(lines, line); ++written) {
      Cells c;
      std::istringstream split(line);
      for (std::string cell; std::getline(split, cell, '\t');) c.push_back(cell);
      if (line.back() == '\t') c.emplace_back();
      ASSERT_EQ(c.size(), 17u + limits + patterns) << line;
      const int neighbours = limits && c[2] != "all" ? std::stoi(c[2]) : 0;
      const std::string pattern_name = patterns ? c[2 + limits] : "idw";
      c.erase(c.begin() + 2, c.begin() + 2 + limits + patterns);
      Pattern pattern = Pattern::idw;
      for (const Pattern p : kPatterns)
        pattern = pattern_name == rumo::pattern_name(p) ? p : pattern;
      const double power = number(c[0]), distance = number(c[1]);
      const int s = std::stoi(c[2]);
      EXPECT_EQ(c[3], h.table.name[s]);
      const bool collector = c[4] == "collector";
      const int hour = std::stoi(c[8]);
      Date date{std::stoi(c[5]), std::stoi(c[6]), std::stoi(c[7])};
      const auto key = std::tuple(date, power, distance, s, neighbours, pattern_name);
      if (!days.count(key)) {
        days.emplace(key, run_day(h, s, day_hours(date), power, distance, neighbours, pattern,
                                  r.params, options));
      }
      const RunDay& day = days.at(key);
      const int first = hour == 19 ? 13 : 1, last = collector || hour == 19 ? 24 : 12;
      const PeriodRecord& record = day.periods[collector ? 2 : hour == 19 ? 1 : 0];
      expect_same(number(c[9]), record.reading, line);
      expect_same(number(c[10]), record.interpolated, line);
      EXPECT_EQ(c[11], outcome_name(record.outcome)) << line;
      if (record.reading > 0.0) ++outcomes[c[11]];

      const int target = h.count + (collector ? 2 : 1);
      double square = 0.0, observed_max = -HUGE_VAL, scaled_max = -HUGE_VAL;
      int observed_wet = 0, scaled_wet = 0, missing = 0;
      for (int slot = first; slot <= last; ++slot) {
        const HourField* read = h.at(day_hours(date)[slot - 1]);
        ASSERT_TRUE(read != nullptr && (*read)[s] > -r.params.nodata) << line;
        const double observed = (*read)[s], scaled = day.window.field(slot)[target];
        missing += scaled > -r.params.nodata ? 0 : 1;
        square += (scaled - observed) * (scaled - observed);
        observed_max = std::max(observed_max, observed);
        scaled_max = std::max(scaled_max, scaled);
        observed_wet += observed >= kThreshold;
        scaled_wet += scaled >= kThreshold;
      }
      EXPECT_EQ(number(c[13]), observed_max) << line;
      EXPECT_EQ(std::stoi(c[15]), observed_wet) << line;
      // A period with a missing hour is not judged.
      const double rmse = missing > 0 ? NAN : std::sqrt(square / (last - first + 1));
      if (missing > 0) scaled_max = NAN;
      expect_same(number(c[12]), rmse, line);
      expect_same(number(c[14]), scaled_max, line);
      EXPECT_EQ(std::stoi(c[16]), scaled_wet) << line;
      ++rows_checked;
    }

    // Every period whose hours are all present and read has its row, per pair.
    long counted = 0;
    for (const auto& [stamp, field] : h.records) {
      if (std::get<3>(stamp) != 7) continue;
      const std::vector<HourStamp> hours =
          day_hours({std::get<0>(stamp), std::get<1>(stamp), std::get<2>(stamp)});
      const bool within = hours[23].date() <= r.params.end;
      for (int s = 1; s <= h.count; ++s) {
        bool halves[2] = {true, within};
        for (int k = 0; k < 24; ++k) {
          const HourField* read = h.at(hours[k]);
          if (read == nullptr || !((*read)[s] > -r.params.nodata)) halves[k / 12] = false;
        }
        counted += halves[0] + halves[1] + (halves[0] && halves[1]);
      }
    }
    const auto pairs = make_grid(cv, r.params.power, r.params.max_distance).choices();
    EXPECT_EQ(written, counted * static_cast<long>(pairs));
  }
  // The random runs must have exercised the check.
  EXPECT_GT(rows_checked, 3000);
  for (const char* outcome :
       {"scaled", "no-rain-interpolated", "spread-uniform", "nearest-wet", "no-hourly-data"}) {
    EXPECT_GT(outcomes[outcome], 20) << outcome;
  }
}

}  // namespace
}  // namespace rumo
