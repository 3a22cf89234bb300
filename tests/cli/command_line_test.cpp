#include "cli/command_line.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/calendar.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "run/run.hpp"

namespace rumo {
namespace {

struct Outcome {
  int code = 0;
  std::string message;
};

Outcome parse(std::vector<std::string> args, std::string* printed = nullptr) {
  args.insert(args.begin(), "rumo");
  std::vector<const char*> argv;
  for (const auto& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  try {
    const auto invocation = parse_command_line(static_cast<int>(argv.size()), argv.data(), out);
    if (printed != nullptr) *printed = out.str();
    EXPECT_EQ(invocation.has_value(), out.str().empty());
  } catch (const RunError& error) {
    EXPECT_EQ(error.stream, Stream::err);
    return {error.code, error.message};
  }
  return {};
}

const std::vector<std::string> kRun = {"--hourly",       "h.txt",      "-o",    "out.txt",
                                       "--start",        "2001-07-24", "--end", "2001-07-26",
                                       "--max-distance", "50000"};

// The valid run with `extra` added; an option of the run given again in
// `extra` takes the new value instead.
std::vector<std::string> with(std::vector<std::string> extra) {
  std::vector<std::string> args = kRun;
  for (std::size_t i = 0; i < extra.size(); ++i) {
    const auto same = std::find(args.begin(), args.end(), extra[i]);
    if (same != args.end() && i + 1 < extra.size()) {
      *(same + 1) = extra[++i];
    } else {
      args.push_back(extra[i]);
    }
  }
  return args;
}

TEST(CommandLine, BadInvocationsAreUsageErrorsNamingTheProblem) {
  const struct {
    std::vector<std::string> args;
    const char* names;
  } cases[] = {
      {with({"--bogus"}), "--bogus"},
      {with({"stray"}), "stray"},
      {with({"--power"}), "--power"},
      {with({"--power", "x"}), "--power \"x\""},
      {with({"--power", "-1"}), "--power \"-1\""},
      {with({"--power", "inf"}), "--power \"inf\""},
      {with({"--power", "2,5"}), "--power \"2,5\""},
      {with({"--nodata", "nan"}), "--nodata \"nan\""},
      {with({"--nodata", "0"}), "--nodata \"0\""},
      {with({"--lower-limit", "inf"}), "--lower-limit \"inf\""},
      {with({"--lower-replacement", "-inf"}), "--lower-replacement \"-inf\""},
      {with({"--upper-replacement", "nan"}), "--upper-replacement \"nan\""},
      {with({"--upper-limit", "-inf"}), "--upper-limit \"-inf\""},
      {with({"--max-distance", "0"}), "--max-distance \"0\""},
      {with({"--max-distance", "-5"}), "--max-distance \"-5\""},
      {with({"--start", "2001-02-29"}), "--start \"2001-02-29\""},
      {with({"--start", "2001-13-01"}), "--start \"2001-13-01\""},
      {with({"--start", "01-07-24"}), "--start \"01-07-24\""},
      {with({"--end", "2001-07-23"}), "--end \"2001-07-23\" lies before --start"},
      {with({"--threads", "0"}), "--threads \"0\""},
      {with({"--decimals", "7"}), "--decimals \"7\""},
      {with({"--report", ""}), "--report"},
      {with({"--powers", "1,2"}), "--powers goes with --cross-validate"},
      {with({"--cross-validate", "--powers", ""}), "--powers \"\""},
      {with({"--cross-validate", "--powers", "1,,2"}), "--powers \"1,,2\""},
      {with({"--cross-validate", "--powers", "1,-2"}), "--powers \"-2\""},
      {with({"--cross-validate", "--distances", "10,0"}), "--distances \"0\""},
      {with({"--cross-validate", "--distances", "10,x"}), "--distances \"x\""},
      {with({"--cross-validate", "--report", "r.tsv"}), "--report does not go"},
      {{"--hourly", "h.txt", "--start", "2001-07-24", "--end", "2001-07-26", "--max-distance", "1"},
       "--output is required"},
      {{"-o", "out.txt", "--start", "2001-07-24", "--end", "2001-07-26", "--max-distance", "1"},
       "--hourly is required"},
      {{"--power", "2"}, "--hourly is required"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = parse(c.args);
    EXPECT_EQ(outcome.code, kUsageError) << c.names;
    EXPECT_EQ(outcome.message.rfind("rumo: ", 0), 0U) << outcome.message;
    EXPECT_NE(outcome.message.find(c.names), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("--help"), std::string::npos) << outcome.message;
    EXPECT_EQ(outcome.message.find('\n'), outcome.message.size() - 1) << outcome.message;
  }
}

TEST(CommandLine, HelpListsEveryOptionAndVersionNamesTheProgram) {
  std::string help;
  EXPECT_EQ(parse({"--help"}, &help).code, 0);
  for (const char* option : {"--hourly",
                             "--climate",
                             "--collector",
                             "--output",
                             "--nodata N=9998",
                             "--start",
                             "--end",
                             "--power P=2",
                             "--max-distance",
                             "--lower-limit L=0",
                             "--lower-replacement R=0",
                             "--upper-limit U=inf",
                             "--upper-replacement R=0",
                             "--decimals N=1",
                             "--report",
                             "--map",
                             "--cross-validate",
                             "--powers",
                             "--distances",
                             "--cv-table",
                             "--cv-details",
                             "--threads",
                             "--quiet",
                             "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  std::string version;
  EXPECT_EQ(parse({"--version"}, &version).code, 0);
  EXPECT_EQ(version.rfind("rumo ", 0), 0U);
}

TEST(CommandLine, RunOptionsGiveTheParametersWithTheirDefaults) {
  std::vector<const char*> argv = {"rumo",       "--hourly",  "h.txt",      "--climate",
                                   "k t.txt",    "-o",        "out.txt",    "--start",
                                   "2004-02-29", "--end",     "2004-03-01", "--max-distance",
                                   "inf",        "--threads", "3"};
  std::ostringstream out;
  const auto invocation = parse_command_line(static_cast<int>(argv.size()), argv.data(), out);
  ASSERT_TRUE(invocation && invocation->parameters);
  const RunParameters& p = *invocation->parameters;
  EXPECT_FALSE(invocation->options.dialogue);
  EXPECT_EQ(invocation->options.threads, 3);
  EXPECT_EQ(p.climate_file, "k t.txt");
  EXPECT_EQ(p.collector_file, "");
  EXPECT_EQ(p.nodata, 9998.0);
  EXPECT_EQ(p.power, 2.0);
  EXPECT_EQ(p.max_distance, HUGE_VAL);
  EXPECT_EQ(p.upper_limit, HUGE_VAL);
  EXPECT_EQ(std::tie(p.start_day, p.start_month, p.start_year, p.start_hour),
            std::make_tuple(29, 2, 2004, 1));
  EXPECT_EQ(std::tie(p.end_day, p.end_month, p.end_year), std::make_tuple(1, 3, 2004));

  // Options that only add to a run leave the dialogue on.
  std::vector<const char*> added = {"rumo", "--report", "r.tsv", "-q", "--decimals", "3"};
  const auto dialogue = parse_command_line(static_cast<int>(added.size()), added.data(), out);
  ASSERT_TRUE(dialogue);
  EXPECT_TRUE(dialogue->options.dialogue);
  EXPECT_FALSE(dialogue->parameters);
  EXPECT_EQ(dialogue->options.report_file, "r.tsv");
  EXPECT_EQ(dialogue->options.decimals, 3);
}

// A small random network and run: files in memory, the parameters as both
// the dialogue's answers and the run options.
struct RandomRun {
  MemoryFiles files;
  std::string answers;
  std::vector<std::string> args;
};

struct Day {
  int year, month, day;
  Day next() const {
    if (day < days_in_month(month, year)) return {year, month, day + 1};
    return month < 12 ? Day{year, month + 1, 1} : Day{year + 1, 1, 1};
  }
  std::string iso() const {
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
  }
};

std::string station_file(std::mt19937& random, int stations, char kind) {
  std::uniform_real_distribution<double> place(0.0, 100.0);
  std::string lines[4] = {"YY\tMM\tDD\tHH", "YY MM DD HH", "YY MM DD HH", "YY MM DD HH"};
  for (int s = 0; s < stations; ++s) {
    lines[0].append("\t").append(std::to_string(100 + s));
    lines[1].append(" ").append(std::to_string(place(random)));
    lines[2].append(" ").append(std::to_string(place(random)));
    lines[3].append(" ").push_back(kind);
    lines[3].append(std::to_string(s));
  }
  std::string file = "title\n";
  for (const auto& line : lines) file.append(line).append("\n");
  return file;
}

void add_record(std::mt19937& random, std::string& file, const Day& day, int hour, int stations) {
  std::uniform_real_distribution<double> rain(-0.5, 3.0);
  for (const int number : {day.year, day.month, day.day, hour}) {
    file.append(std::to_string(number)).append(" ");
  }
  for (int s = 0; s < stations; ++s) {
    const double value = rain(random);
    file.append(" ").append(value < -0.3 ? "-9999" : value < 0.5 ? "0" : std::to_string(value));
  }
  file += "\n";
}

RandomRun random_run(unsigned seed) {
  std::mt19937 random(seed);
  const auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  RandomRun r;
  const int hourly = pick(1, 5);
  const int climate = pick(0, 3);
  const int collector = pick(0, 3);
  const Day start{pick(1999, 2004), pick(1, 12), 27 + pick(0, 1)};
  const int days = pick(1, 4);
  // Now and then the hourly file stops at noon of the end date.
  const bool short_file = pick(0, 4) == 0;
  std::string files[3] = {station_file(random, hourly, 'H'), station_file(random, climate, 'K'),
                          station_file(random, collector, 'S')};
  Day day = start;
  Day end = start;
  for (int d = 0; d <= days; ++d, day = day.next()) {
    if (d < days) end = day;
    const int last_hour = !short_file ? 24 : d < days - 1 ? 24 : d == days - 1 ? 12 : 0;
    for (int hour = 1; hour <= last_hour; ++hour) add_record(random, files[0], day, hour, hourly);
    add_record(random, files[1], day, 7, climate);
    add_record(random, files[1], day, 19, climate);
    add_record(random, files[2], day, 7, collector);
  }
  r.files.inputs["h.txt"] = files[0];
  r.args = {"--hourly", "h.txt", "-o", "out.txt", "--start", start.iso(), "--end", end.iso()};
  std::string names = "h.txt\n";
  if (climate > 0) {
    r.files.inputs["k.txt"] = files[1];
    r.args.insert(r.args.end(), {"--climate", "k.txt"});
  }
  if (collector > 0) {
    r.files.inputs["s.txt"] = files[2];
    r.args.insert(r.args.end(), {"--collector", "s.txt"});
  }
  names.append(climate > 0 ? "k.txt\n" : "\n").append(collector > 0 ? "s.txt\n" : "\n");
  const double power = pick(0, 8) * 0.5;
  const double distance = pick(5, 150);
  const double lower = pick(-1, 1) * 0.1;
  const double upper = pick(1, 4);
  r.answers = names + "out.txt\n9998\n";
  for (const double number : {start.day, start.month, start.year, end.day, end.month, end.year}) {
    r.answers.append(std::to_string(static_cast<int>(number))).append("\n");
  }
  for (const double number : {power, distance, lower, 0.0, upper, upper}) {
    r.answers.append(std::to_string(number)).append("\n");
  }
  r.args.insert(r.args.end(),
                {"--power", std::to_string(power), "--max-distance", std::to_string(distance),
                 "--lower-limit", std::to_string(lower), "--upper-limit", std::to_string(upper),
                 "--upper-replacement", std::to_string(upper)});
  return r;
}

struct Ran {
  Outcome outcome;
  std::string console;
  std::string result;
};

Ran run_with(MemoryFiles files, const std::string& answers, const Invocation& invocation) {
  std::istringstream in(answers);
  std::ostringstream out;
  std::ostringstream err;
  Console console{in, out, err, out};
  Ran ran;
  try {
    run(console, files, invocation);
  } catch (const RunError& error) {
    ran.outcome = {error.code, error.message};
  }
  ran.console = out.str();
  ran.result = files.outputs["out.txt"];
  return ran;
}

TEST(CommandLine, RunOptionsRunAsTheDialogueWithTheSameAnswers) {
  const std::string prompts =
      "hourly data         : konventional data (2 or 3 values a day): daily sums (e.g. of "
      "prec.): output file:  nodata value (e.g. 998: all values <-998 or > 998 will be "
      "interpreted as nodata values)\nstarting day   : staring month  : staring year   : end "
      "day   : end month : end year  : weighting of the inverse distance (power) : maximum "
      "distance of e station to the interpolation cell: lower limit of values: values below "
      "replacing with...: upper limit: values grater than upper limit replacing with: ";
  int failed_runs = 0;
  for (unsigned seed = 1; seed <= 60; ++seed) {
    const RandomRun r = random_run(seed);
    std::vector<const char*> argv = {"rumo"};
    for (const auto& arg : r.args) argv.push_back(arg.c_str());
    std::ostringstream printed;
    const auto options = parse_command_line(static_cast<int>(argv.size()), argv.data(), printed);
    ASSERT_TRUE(options && options->parameters) << seed;
    Ran dialogue = run_with(r.files, r.answers, Invocation{});
    const Ran direct = run_with(r.files, "", *options);
    const auto at = dialogue.console.find(prompts);
    ASSERT_NE(at, std::string::npos) << seed;
    dialogue.console.erase(at, prompts.size());
    EXPECT_EQ(direct.outcome.code, dialogue.outcome.code) << seed;
    EXPECT_EQ(direct.outcome.message, dialogue.outcome.message) << seed;
    EXPECT_EQ(direct.console, dialogue.console) << seed;
    EXPECT_EQ(direct.result, dialogue.result) << seed;
    EXPECT_GT(dialogue.result.size(), 0U) << seed;
    failed_runs += dialogue.outcome.code != 0;
  }
  // Both complete runs and runs that stop short are among the cases.
  EXPECT_GT(failed_runs, 0);
  EXPECT_LT(failed_runs, 30);
}

}  // namespace
}  // namespace rumo
