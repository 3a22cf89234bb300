#include "input/dialogue.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "core/error.hpp"

namespace rumo {
namespace {

RunParameters answer(const std::string& answers) {
  std::istringstream in(answers);
  std::ostringstream out;
  Console console{in, out};
  RunParameters params;
  read_parameters(console, params);
  return params;
}

using Names = std::array<std::string, 4>;  // hourly, climate, collector, result
// The nodata value, start day, month, year and hour, end day, month and year,
// power, maximum distance, lower limit and replacement, upper limit and
// replacement.
using Numbers = std::tuple<double, int, int, int, int, int, int, int, double, double, double,
                           double, double, double>;
// What the corrections make of numbers that were never read.
const Numbers kUnread{9998, 1, 1, 1900, 1, 1, 1, 1900, 0, 0, 0, 0, 0, 0};

TEST(ReadParameters, AnswerScripts) {
  const struct {
    const char* answers;
    Names names;
    Numbers numbers;
  } scripts[] = {
      // Numbers may stand on later lines or share one; the climate name is
      // the whole line, blanks kept.
      {"korim.txt\n  klima daten.txt\nsammler.txt\nresult.txt\n998\n"
       "1\n2\n95\n\n\n   31 12\n2003\n2.5\n1e4\n-1\n0\n+100.5\n-.5\n",
       {"korim.txt", "  klima daten.txt", "sammler.txt", "result.txt"},
       {998, 1, 2, 1995, 1, 31, 12, 2003, 2.5, 1e4, -1, 0, 100.5, -0.5}},
      // An empty climate line leaves the climate group out.
      {"h.txt\n\ns.txt\nout.txt\n9998 1 1 2003 2 1 2003 2 10 0 0 100 100\n",
       {"h.txt", "", "s.txt", "out.txt"},
       {9998, 1, 1, 2003, 1, 2, 1, 2003, 2, 10, 0, 0, 100, 100}},
      // The character after the first word is dropped, so a second word on
      // that line is the climate name and the next line the collector name.
      {"h.txt k.txt\ns.txt\nout.txt\n", {"h.txt", "k.txt", "s.txt", "out.txt"}, kUnread},
      // Answers typed with carriage returns before their line feeds.
      {"h.txt\r\nk.txt\r\n\r\nout.txt\r\n998\r\n3\r\n4\r\n2001\r\n5\r\n6\r\n2002\r\n1.5\r\n",
       {"h.txt", "k.txt", "", "out.txt"},
       {998, 3, 4, 2001, 1, 5, 6, 2002, 1.5, 0, 0, 0, 0, 0}},
      // Text that forms no number stops all later numbers.
      {"h\nk\ns\no\n998\nx\n5\n6\n2003\n7\n8\n2004\n2\n3\n4\n5\n6\n7\n",
       {"h", "k", "s", "o"},
       {998, 1, 1, 1900, 1, 1, 1, 1900, 0, 0, 0, 0, 0, 0}},
      // An integer is read up to the point of "2003.0"; the point stops the
      // integers that follow (2003 as a month is limited to 12), and the
      // first decimal number then reads ".0".
      {"h\nk\ns\no\n998\n7\n2003.0\n5\n6\n2004\n2\n",
       {"h", "k", "s", "o"},
       {998, 7, 12, 1900, 1, 1, 1, 1900, 0, 5, 6, 2004, 2, 0}},
      // Answers ending early.
      {"", {}, kUnread},
      {"h.txt", {"h.txt"}, kUnread},
      {"h\nk\ns\no\n998\n15\n6\n2003",
       {"h", "k", "s", "o"},
       {998, 15, 6, 2003, 1, 1, 1, 1900, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& s : scripts) {
    const RunParameters p = answer(s.answers);
    EXPECT_EQ((Names{p.hourly_file, p.climate_file, p.collector_file, p.result_file}), s.names)
        << s.answers;
    EXPECT_EQ((Numbers{p.nodata, p.start.day, p.start.month, p.start.year, p.start_hour, p.end.day,
                       p.end.month, p.end.year, p.power, p.max_distance, p.lower_limit,
                       p.lower_replacement, p.upper_limit, p.upper_replacement}),
              s.numbers)
        << s.answers;
  }
}

// A decimal answer is read as the C library's "%lf" reads it: the power
// takes what sscanf takes from the same text, and the maximum distance what
// sscanf then takes from the rest. Text that forms no number leaves the
// power at its default.
TEST(ReadParameters, DecimalAnswersReadLikeTheCLibrary) {
  for (const char* power :
       {"1.5",      "-2",    "+.5",   "5.",  "1e3", "1E-2",    "5e",  "5e+",
        "1.5ex",    "0x1p1", "0x1.8", "0x",  "0xg", "-0x1P-2", "inf", "-INF",
        "infinity", "infin", "nan",   "NaN", "x",   ".",       "-",   "1.2.3"}) {
    const std::string rest = std::string(power) + "\n8\n";
    double expected_power = 0.0;
    double expected_distance = 0.0;
    int used = 0;
    const bool read = std::sscanf(rest.c_str(), "%lf%n", &expected_power, &used) == 1;
    if (read) std::sscanf(rest.c_str() + used, "%lf", &expected_distance);
    const RunParameters p = answer("h\n\n\no\n9998 1 1 2000 2 1 2000\n" + rest + "0 0 10 10\n");
    EXPECT_TRUE(std::isnan(expected_power) ? std::isnan(p.power) : p.power == expected_power)
        << power << " read as " << p.power;
    if (read) {
      EXPECT_EQ(p.max_distance, expected_distance) << power;
    }
  }
}

// An answer longer than the limit ends the run with the memory code of its
// buffer: the four file names 8 to 11, a number that of the line buffer.
TEST(ReadParameters, AnswersUpToTheLimit) {
  const std::string fits(30, 'a'), beyond(31, 'a'), rest = "9998 1 1 2001 2 1 2001 2 10\n";
  const std::pair<std::string, int> cases[] = {
      {fits + "\n" + fits + "\n" + fits + "\n" + fits + "\n" + rest, 0},
      {beyond + "\n\n\no\n" + rest, 8},
      {"h\n" + beyond + "\n\no\n" + rest, 9},
      {"h\n\n" + beyond + "\no\n" + rest, 10},
      {"h\n\n\n" + beyond + "\n" + rest, 11},
      {"h\n\n\no\n" + std::string(31, '1') + "\n", 7},
  };
  for (const auto& [answers, code] : cases) {
    std::istringstream in(answers);
    std::ostringstream out;
    Console console{in, out};
    RunParameters params;
    int failure = 0;
    try {
      read_parameters(console, params, 30);
    } catch (const RunError& error) {
      failure = error.code;
    }
    EXPECT_EQ(failure, code) << answers;
    if (code == 0) {
      EXPECT_EQ(params.result_file, fits);
    }
  }
}

// Start day, month, year, then end day, month, year.
using Dates = std::array<int, 6>;

TEST(CorrectDates, YearsMonthsAndDays) {
  const std::pair<Dates, Dates> cases[] = {
      {{1, 1, 95, 1, 1, 3}, {1, 1, 1995, 1, 1, 1903}},
      {{1, 0, 2003, 1, 13, 2003}, {1, 1, 2003, 1, 12, 2003}},
      {{0, 13, 2003, 31, 4, 2003}, {1, 12, 2003, 30, 4, 2003}},
      {{31, 1, 2003, 31, 12, 2003}, {31, 1, 2003, 31, 12, 2003}},
      // Each day is limited by February of its own year.
      {{29, 2, 2004, 30, 2, 2000}, {29, 2, 2004, 29, 2, 2000}},
      {{31, 2, 1900, 30, 2, 2001}, {28, 2, 1900, 28, 2, 2001}},
      {{30, 2, 2000, 30, 2, 1900}, {29, 2, 2000, 28, 2, 1900}},
      {{1, 1, 2004, 30, 2, 4}, {1, 1, 2004, 29, 2, 1904}},
  };
  for (const auto& [entered, expected] : cases) {
    RunParameters p;
    std::tie(p.start.day, p.start.month, p.start.year, p.end.day, p.end.month, p.end.year) =
        std::tuple_cat(entered);
    correct_dates(p);
    EXPECT_EQ((Dates{p.start.day, p.start.month, p.start.year, p.end.day, p.end.month, p.end.year}),
              expected)
        << testing::PrintToString(entered);
  }
}

}  // namespace
}  // namespace rumo
