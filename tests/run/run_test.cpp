#include "run/run.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/error.hpp"

namespace rumo {
namespace {

// A random network: a place per station and the values of its records, from
// hour 1 of 1 March 2003 on: hourly stations every hour up to hour 6 after
// the last day, climate stations at hours 7 and 19, collectors at hour 7.
struct Network {
  int hourly, climate, collector, days;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> place;
  std::vector<std::vector<std::string>> values;  // per station, per record
};

Network random_network(unsigned seed, int hourly, int climate, int collector, int days,
                       double gaps) {
  std::mt19937_64 rng(seed);
  Network net{hourly, climate, collector, days, {}, {}};
  for (int i = 0; i < hourly + climate + collector; ++i) {
    net.place.emplace_back(rng() % 300000, rng() % 300000);
    const int records = i < hourly ? days * 24 + 6 : i < hourly + climate ? days * 2 : days;
    std::vector<std::string>& v = net.values.emplace_back();
    for (int k = 0; k < records; ++k) {
      const auto chance = static_cast<double>(rng() % 1000000) / 1e6;
      const bool rain = rng() % 10 < 4;
      v.push_back(chance < (i < hourly ? gaps : 0.05) ? "-9999"
                  : rain ? std::to_string(rng() % 80) + "." + std::to_string(rng() % 10)
                         : "0");
    }
  }
  return net;
}

// The station file of the stations `which` (all of one kind: 0 hourly,
// 1 climate, 2 collector).
std::string station_file(const Network& net, const std::vector<int>& which, int kind) {
  std::string text = "title\nYY\tMM\tDD\tHH";
  for (const int i : which) text.append("\t").append(std::to_string(100 + i % 900));
  for (const bool second : {false, true}) {
    text += "\nYY\tMM\tDD\tHH";
    for (const int i : which)
      text.append("\t").append(std::to_string(second ? net.place[i].second : net.place[i].first));
  }
  text += "\nYY\tMM\tDD\tHH";
  for (const int i : which) text += "\tS" + std::to_string(i);
  text += "\n";
  const std::size_t records = which.empty() ? 0 : net.values[which[0]].size();
  for (std::size_t k = 0; k < records; ++k) {
    const std::size_t hour = kind == 0 ? k : kind == 1 ? k / 2 * 24 + (k % 2 ? 18 : 6) : k * 24 + 6;
    text += "2003\t3\t" + std::to_string(1 + hour / 24) + "\t" + std::to_string(hour % 24 + 1);
    for (const int i : which) text += "\t" + net.values[i][k];
    text += "\n";
  }
  return text;
}

std::vector<int> range(int first, int count) {
  std::vector<int> numbers;
  for (int i = first; i < first + count; ++i) numbers.push_back(i);
  return numbers;
}

struct Outcome {
  std::string result, console;
  int code = 0;
};

// Runs the network's climate and collector stations `climate` and
// `collector` with every hourly station, answering the dialogue.
Outcome run_network(const Network& net, const std::vector<int>& climate,
                    const std::vector<int>& collector, double distance, int threads,
                    bool keep_totals = false) {
  MemoryFiles files;
  files.inputs = {{"h", station_file(net, range(0, net.hourly), 0)},
                  {"c", station_file(net, climate, 1)},
                  {"s", station_file(net, collector, 2)}};
  std::istringstream in("h\n" + std::string(climate.empty() ? "" : "c") + "\n" +
                        (collector.empty() ? "" : "s") + "\no\n9998 1 3 2003 " +
                        std::to_string(net.days) + " 3 2003 2 " + std::to_string(distance) +
                        " 0 0 1e300 0\n");
  std::ostringstream out;
  Console console{in, out, out, out};
  Invocation invocation;
  invocation.options.threads = threads;
  invocation.options.keep_totals = keep_totals;
  Outcome outcome;
  try {
    run(console, files, invocation);
  } catch (const RunError& error) {
    outcome.code = error.code;
    out << error.message;
  }
  return {files.outputs["o"], out.str(), outcome.code};
}

// The same bytes with any number of threads, also when a run fails: at the
// same hour, with the same lines written before it.
TEST(Run, ResultsDoNotDependOnTheNumberOfThreads) {
  const struct {
    unsigned seed;
    double distance;  // everything in reach, or sparse
    double gaps;      // chance of a single missing hourly value
    int code;         // 318: a value that cannot be read; 108: the hourly file ends early
  } cases[] = {{1, 1e7, 0.002, 0},   {2, 30000.0, 0.002, 0}, {3, 1e7, 0.2, 0},
               {4, 45000.0, 0.0, 0}, {9, 1e7, 0.01, 318},    {10, 1e7, 0.01, 108}};
  for (const auto& c : cases) {
    Network net = random_network(c.seed, 150, 40, 90, 4, c.gaps);
    if (c.code == 318) net.values[5][2 * 24 + 10] = "x";
    // Hours the file does not have keep the stamps their fields had a day
    // before, and one of them makes a progress mark.
    if (c.code == 108) {
      for (int i = 0; i < 150; ++i) net.values[i].resize(2 * 24 + 1);
    }
    const Outcome one = run_network(net, range(150, 40), range(190, 90), c.distance, 1);
    ASSERT_EQ(one.code, c.code) << one.console;
    for (const int threads : {2, 3, 64}) {
      const Outcome many = run_network(net, range(150, 40), range(190, 90), c.distance, threads);
      EXPECT_EQ(many.code, c.code);
      EXPECT_TRUE(many.result == one.result) << "seed " << c.seed << ", " << threads << " threads";
      EXPECT_EQ(many.console, one.console);
    }
    // Kept totals are rounded in runs of stations shared among the threads.
    if (c.code == 0 && c.seed <= 2) {
      const Outcome kept = run_network(net, range(150, 40), range(190, 90), c.distance, 1, true);
      EXPECT_NE(kept.result, one.result);
      for (const int threads : {2, 3}) {
        EXPECT_TRUE(
            run_network(net, range(150, 40), range(190, 90), c.distance, threads, true).result ==
            kept.result)
            << "kept totals, seed " << c.seed << ", " << threads << " threads";
      }
    }
  }
}

std::vector<std::vector<std::string>> table_of(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream cells(line);
    std::vector<std::string>& row = rows.emplace_back();
    for (std::string cell; std::getline(cells, cell, '\t');) row.push_back(cell);
  }
  return rows;
}

// A target's values depend only on the hourly stations and its own readings:
// a network of more than 2000 stations gives each column the bytes of that
// station's column in runs of subsets that keep every hourly station.
TEST(Run, BeyondTwoThousandStationsEachColumnAsInSmallerRuns) {
  const int hourly = 60, climate = 1100, collector = 1300;
  const int c0 = hourly, s0 = hourly + climate;
  for (const double distance : {1e7, 25000.0}) {
    const Network net = random_network(21, hourly, climate, collector, 2, 0.002);
    const Outcome whole = run_network(net, range(c0, climate), range(s0, collector), distance, 2);
    ASSERT_EQ(whole.code, 0) << whole.console;
    const auto all = table_of(whole.result);
    ASSERT_EQ(all.size(), 5u + 48u);
    ASSERT_EQ(all[1].size(), 4u + hourly + climate + collector);
    const std::pair<std::vector<int>, std::vector<int>> subsets[] = {
        {range(c0, climate), {}},
        {{}, range(s0, collector)},
        {range(c0 + 500, 600), range(s0 + 900, 400)},
    };
    for (const auto& [climate_part, collector_part] : subsets) {
      const Outcome part = run_network(net, climate_part, collector_part, distance, 1);
      ASSERT_EQ(part.code, 0) << part.console;
      std::vector<int> stations = range(0, hourly);  // the whole run's column of each
      stations.insert(stations.end(), climate_part.begin(), climate_part.end());
      stations.insert(stations.end(), collector_part.begin(), collector_part.end());
      const auto rows = table_of(part.result);
      ASSERT_EQ(rows.size(), all.size());
      for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 4u + stations.size());
        for (std::size_t f = 0; f < rows[r].size(); ++f) {
          const std::size_t from = f < 4 ? f : 4 + static_cast<std::size_t>(stations[f - 4]);
          ASSERT_EQ(rows[r][f], all[r][from]) << "line " << r + 1 << ", field " << f;
        }
      }
    }
  }
}

}  // namespace
}  // namespace rumo
