#include "run/run.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.hpp"

namespace rumo {
namespace {

// A random network and its files: hourly values with single gaps and
// outages, climate readings at hours 7 and 19, collector sums at hour 7.
struct Network {
  int hourly = 0;
  int climate = 0;
  int collector = 0;
  std::vector<double> x, y;                            // per station, hourly first
  std::vector<std::vector<std::string>> hourly_lines;  // per hour, per hourly station
  std::vector<std::vector<std::string>> climate_lines;
  std::vector<std::vector<std::string>> collector_lines;
  int days = 0;
};

std::string value_text(std::mt19937_64& rng, double gap_chance) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  if (unit(rng) < gap_chance) return "-9999";
  if (unit(rng) < 0.6) return "0";
  return std::to_string(static_cast<int>(unit(rng) * 80)) + "." + std::to_string(rng() % 10);
}

Network random_network(unsigned seed, int hourly, int climate, int collector, int days,
                       double gap_chance) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> place(0.0, 300000.0);
  Network net;
  net.hourly = hourly;
  net.climate = climate;
  net.collector = collector;
  net.days = days;
  for (int i = 0; i < hourly + climate + collector; ++i) {
    net.x.push_back(std::round(place(rng)));
    net.y.push_back(std::round(place(rng)));
  }
  // Hours 1 of the first day to hour 6 of the day after the last.
  for (int hour = 0; hour < days * 24 + 6; ++hour) {
    std::vector<std::string> line;
    for (int i = 0; i < hourly; ++i) line.push_back(value_text(rng, gap_chance));
    net.hourly_lines.push_back(line);
  }
  for (int half = 0; half < days * 2; ++half) {
    std::vector<std::string> line;
    for (int i = 0; i < climate; ++i) line.push_back(value_text(rng, 0.05));
    net.climate_lines.push_back(line);
  }
  for (int day = 0; day < days; ++day) {
    std::vector<std::string> line;
    for (int i = 0; i < collector; ++i) line.push_back(value_text(rng, 0.05));
    net.collector_lines.push_back(line);
  }
  return net;
}

// The station file of the stations `which` (indices into the network's
// stations, all of one group) with the given lines; `columns` picks the
// columns of each line.
std::string station_file(const Network& net, const std::vector<int>& which, int first_of_group,
                         const std::vector<std::vector<std::string>>& lines,
                         const std::vector<int>& hours) {
  std::string text = "title\nYY\tMM\tDD\tHH";
  for (const int i : which) text += "\t" + std::to_string(100 + i % 900);
  for (const auto* coordinate : {&net.x, &net.y}) {
    text += "\nYY\tMM\tDD\tHH";
    for (const int i : which) text += "\t" + std::to_string((*coordinate)[i]);
  }
  text += "\nYY\tMM\tDD\tHH";
  for (const int i : which) text += "\tS" + std::to_string(i);
  text += "\n";
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const int hour = hours[k];
    text += "2003\t3\t" + std::to_string(1 + hour / 24) + "\t" + std::to_string(hour % 24 + 1);
    for (const int i : which) text += "\t" + lines[k][static_cast<std::size_t>(i - first_of_group)];
    text += "\n";
  }
  return text;
}

struct Outcome {
  std::string result;
  std::string console;
  int code = 0;
};

// Runs the network's stations `climate` and `collector` (indices into the
// network) with every hourly station.
Outcome run_network(const Network& net, const std::vector<int>& climate,
                    const std::vector<int>& collector, double distance, int threads) {
  std::vector<int> hourly_stations, hourly_hours, climate_hours, collector_hours;
  for (int i = 0; i < net.hourly; ++i) hourly_stations.push_back(i);
  for (int h = 0; h < net.days * 24 + 6; ++h) hourly_hours.push_back(h);
  for (int half = 0; half < net.days * 2; ++half) {
    climate_hours.push_back((half / 2) * 24 + (half % 2 == 0 ? 6 : 18));
  }
  for (int day = 0; day < net.days; ++day) collector_hours.push_back(day * 24 + 6);

  MemoryFiles files;
  files.inputs["h"] = station_file(net, hourly_stations, 0, net.hourly_lines, hourly_hours);
  files.inputs["c"] = station_file(net, climate, net.hourly, net.climate_lines, climate_hours);
  files.inputs["s"] =
      station_file(net, collector, net.hourly + net.climate, net.collector_lines, collector_hours);
  Invocation invocation;
  RunParameters& p = invocation.parameters.emplace();
  p.hourly_file = "h";
  p.climate_file = climate.empty() ? "" : "c";
  p.collector_file = collector.empty() ? "" : "s";
  p.result_file = "o";
  p.start_day = 1;
  p.start_month = 3;
  p.start_year = 2003;
  p.start_hour = 1;
  p.end_day = net.days;
  p.end_month = 3;
  p.end_year = 2003;
  p.power = 2.0;
  p.max_distance = distance;
  p.upper_limit = 1e300;
  invocation.options.dialogue = false;
  invocation.options.threads = threads;

  std::istringstream in;
  std::ostringstream out;
  Console console{in, out, out, out};
  Outcome outcome;
  try {
    run(console, files, invocation);
  } catch (const RunError& error) {
    outcome.code = error.code;
    out << error.message;
  }
  outcome.result = files.outputs["o"];
  outcome.console = out.str();
  return outcome;
}

std::vector<int> range(int first, int count) {
  std::vector<int> numbers;
  for (int i = first; i < first + count; ++i) numbers.push_back(i);
  return numbers;
}

// The tab-separated fields of each line.
std::vector<std::vector<std::string>> table_of(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, '\t')) fields.push_back(cell);
    rows.push_back(fields);
  }
  return rows;
}

TEST(Run, ResultsDoNotDependOnTheNumberOfThreads) {
  struct Case {
    unsigned seed;
    double distance;  // everything in reach, or sparse
    double gaps;      // chance of a single missing hourly value
    int days;
  };
  for (const Case c : {Case{1, 1e7, 0.002, 4}, Case{2, 30000.0, 0.002, 4}, Case{3, 1e7, 0.2, 3},
                       Case{4, 45000.0, 0.0, 3}}) {
    const Network net = random_network(c.seed, 150, 40, 90, c.days, c.gaps);
    const auto climate = range(150, 40);
    const auto collector = range(190, 90);
    const Outcome one = run_network(net, climate, collector, c.distance, 1);
    ASSERT_EQ(one.code, 0) << one.console;
    for (const int threads : {2, 3, 64}) {
      const Outcome many = run_network(net, climate, collector, c.distance, threads);
      EXPECT_EQ(many.code, 0);
      EXPECT_TRUE(many.result == one.result) << "seed " << c.seed << ", " << threads << " threads";
      EXPECT_EQ(many.console, one.console);
    }
  }
}

TEST(Run, AFailureComesAtTheSameHourWithAnyNumberOfThreads) {
  // A value that cannot be read on the third day, and an hourly file that
  // ends before the end date: the run stops at the same place with the same
  // lines written before it.
  Network net = random_network(9, 70, 20, 30, 5, 0.01);
  net.hourly_lines[2 * 24 + 10][5] = "x";
  Network short_net = random_network(10, 70, 20, 30, 5, 0.01);
  // Hours the file does not have keep the stamps their fields had a day
  // before, and one of them makes a progress mark.
  short_net.hourly_lines.resize(3 * 24 + 1);
  for (const auto& [n, code] : {std::pair{&net, 318}, std::pair{&short_net, 108}}) {
    const Outcome one = run_network(*n, range(70, 20), range(90, 30), 1e7, 1);
    EXPECT_EQ(one.code, code);
    for (const int threads : {2, 5}) {
      const Outcome many = run_network(*n, range(70, 20), range(90, 30), 1e7, threads);
      EXPECT_EQ(many.code, one.code);
      EXPECT_TRUE(many.result == one.result);
      EXPECT_EQ(many.console, one.console);
    }
  }
}

// A target's values depend only on the hourly stations and its own
// readings: a network of more than 2000 stations gives each column the bytes
// of that station's column in runs of subsets that keep every hourly station.
TEST(Run, BeyondTwoThousandStationsEachColumnAsInSmallerRuns) {
  const int hourly = 60, climate = 1100, collector = 1300;
  for (const double distance : {1e7, 25000.0}) {
    const Network net = random_network(21, hourly, climate, collector, 2, 0.002);
    const Outcome whole =
        run_network(net, range(hourly, climate), range(hourly + climate, collector), distance, 2);
    ASSERT_EQ(whole.code, 0) << whole.console;
    const auto all = table_of(whole.result);
    ASSERT_EQ(all.size(), 5u + 48u);
    ASSERT_EQ(all[1].size(), 4u + hourly + climate + collector);

    // Each subset keeps every hourly station and at most 2000 in all.
    struct Subset {
      std::vector<int> climate, collector;
    };
    const Subset subsets[] = {
        {range(hourly, climate), {}},
        {{}, range(hourly + climate, collector)},
        {range(hourly + 500, 600), range(hourly + climate + 900, 400)},
        {range(hourly, 500), range(hourly + climate, 900)},
    };
    for (const Subset& subset : subsets) {
      const Outcome part = run_network(net, subset.climate, subset.collector, distance, 1);
      ASSERT_EQ(part.code, 0) << part.console;
      const auto rows = table_of(part.result);
      ASSERT_EQ(rows.size(), all.size());
      // Column of station index i in the whole run and in the subset.
      std::vector<std::pair<int, int>> columns;
      for (int i = 0; i < hourly; ++i) columns.emplace_back(i, i);
      int at = hourly;
      for (const auto* group : {&subset.climate, &subset.collector}) {
        for (const int i : *group) columns.emplace_back(i, at++);
      }
      for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 4u + static_cast<std::size_t>(at));
        for (std::size_t f = 0; f < 4; ++f) ASSERT_EQ(rows[r][f], all[r][f]);
        for (const auto& [station, column] : columns) {
          ASSERT_EQ(rows[r][4 + static_cast<std::size_t>(column)],
                    all[r][4 + static_cast<std::size_t>(station)])
              << "line " << r + 1 << ", station " << station;
        }
      }
    }
  }
}

}  // namespace
}  // namespace rumo
