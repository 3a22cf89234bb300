#include "cli/command_line.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "core/stamp_text.hpp"
#include "random_run.hpp"
#include "run/run.hpp"

namespace rumo {
namespace {

// The invocation that `args` give. Usage errors, --help and --version are
// end-to-end cases (cli_usage_*, cli_help, cli_version).
Invocation parse(std::vector<std::string> args) {
  args.insert(args.begin(), "rumo");
  std::vector<const char*> argv;
  for (const auto& arg : args) argv.push_back(arg.c_str());
  std::ostringstream out;
  const auto invocation = parse_command_line(static_cast<int>(argv.size()), argv.data(), out);
  EXPECT_TRUE(invocation.has_value());
  return invocation.value_or(Invocation{});
}

TEST(CommandLine, ParametersAndTheirDefaults) {
  const Invocation run =
      parse({"--hourly", "h.txt", "-o", "out.txt", "--climate", "k t.txt", "--start", "2004-02-29",
             "--end", "2004-03-01", "--max-distance", "inf", "--threads", "3"});
  ASSERT_TRUE(run.parameters);
  const RunParameters& p = *run.parameters;
  EXPECT_TRUE(run.options.located);
  EXPECT_EQ(run.options.threads, 3);
  EXPECT_EQ(std::tie(p.climate_file, p.collector_file), std::tuple("k t.txt", ""));
  EXPECT_EQ(std::tie(p.nodata, p.power, p.lower_limit, p.lower_replacement, p.upper_limit,
                     p.upper_replacement, p.max_distance),
            std::tuple(9998.0, 2.0, 0.0, 0.0, HUGE_VAL, 0.0, HUGE_VAL));
  EXPECT_EQ(std::tie(p.start.day, p.start.month, p.start.year, p.start_hour, p.end.day, p.end.month,
                     p.end.year),
            std::tuple(29, 2, 2004, 1, 1, 3, 2004));

  // Options that only add to a run leave the dialogue on.
  const Invocation added = parse({"--report", "r.tsv", "-q", "--decimals", "3", "--dry-fallback",
                                  "nearest-wet", "--keep-totals"});
  EXPECT_TRUE(!added.options.located && !added.parameters);
  EXPECT_EQ(std::tie(added.options.report_file, added.options.decimals), std::tuple("r.tsv", 3));
  EXPECT_TRUE(added.options.dry_fallback == DryFallback::nearest_wet && added.options.keep_totals);
  EXPECT_TRUE(parse({"--dry-fallback", "uniform"}).options.dry_fallback == DryFallback::uniform);
  EXPECT_TRUE(run.options.dry_fallback == DryFallback::zero && !run.options.keep_totals);
  // The neighbour limit and the pattern, and their grids; all is 0.
  EXPECT_TRUE(run.options.neighbours == 0 && run.options.pattern == Pattern::idw);
  const Invocation chosen =
      parse({"--neighbours", "8", "--pattern", "peak-align", "--cross-validate",
             "--neighbour-counts", "all,3", "--patterns", "sharpen,all"});
  EXPECT_TRUE(chosen.options.neighbours == 8 && chosen.options.pattern == Pattern::peak_align);
  const CrossValidationRequest& cv = chosen.options.cross_validation;
  EXPECT_EQ(cv.neighbour_counts, (std::vector<int>{0, 3}));
  EXPECT_EQ(cv.patterns, (std::vector{Pattern::sharpen, Pattern::idw, Pattern::peak_add,
                                      Pattern::sharpen, Pattern::peak_align}));
}

struct Ran {
  int code = 0;
  std::string message, console, result;
};

Ran run_with(MemoryFiles files, const std::string& answers, const Invocation& invocation) {
  std::istringstream in(answers);
  std::ostringstream out, err;
  Console console{in, out, err, out};
  Ran ran;
  try {
    run(console, files, invocation);
  } catch (const RunError& error) {
    ran.code = error.code;
    ran.message = error.message;
  }
  ran.console = out.str();
  ran.result = files.outputs["o"];
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
    const testing::RandomRun r(seed);
    const RunParameters& p = r.params;
    std::vector<std::string> args = {"--hourly", "h", "-o", "o"};
    args.insert(args.end(), {"--start", iso_date(p.start), "--end", iso_date(p.end)});
    std::string answers = "h\n" + p.climate_file + "\n" + p.collector_file + "\no\n9998\n";
    if (r.climate > 0) args.insert(args.end(), {"--climate", "c"});
    if (r.collector > 0) args.insert(args.end(), {"--collector", "s"});
    for (const int number :
         {p.start.day, p.start.month, p.start.year, p.end.day, p.end.month, p.end.year}) {
      answers += std::to_string(number) + "\n";
    }
    const std::pair<const char*, double> numbers[] = {{"--power", p.power},
                                                      {"--max-distance", p.max_distance},
                                                      {"--lower-limit", p.lower_limit},
                                                      {"--lower-replacement", 0.0},
                                                      {"--upper-limit", p.upper_limit},
                                                      {"--upper-replacement", p.upper_replacement}};
    for (const auto& [option, value] : numbers) {
      args.insert(args.end(), {option, std::to_string(value)});
      answers += std::to_string(value) + "\n";
    }
    const Invocation options = parse(args);
    ASSERT_TRUE(options.parameters) << seed;
    Ran dialogue = run_with(r.files, answers, Invocation{});
    const Ran direct = run_with(r.files, "", options);
    const auto at = dialogue.console.find(prompts);
    ASSERT_NE(at, std::string::npos) << seed;
    dialogue.console.erase(at, prompts.size());
    // With options a failure adds a second line that says where (108 here).
    const std::string first_line = direct.message.substr(0, direct.message.find('\n') + 1);
    EXPECT_EQ(std::tie(direct.code, first_line, direct.console, direct.result),
              std::tie(dialogue.code, dialogue.message, dialogue.console, dialogue.result))
        << seed;
    EXPECT_GT(dialogue.result.size(), 0U) << seed;
    failed_runs += dialogue.code != 0;
  }
  // Both complete runs and runs that stop short are among the cases.
  EXPECT_GT(failed_runs, 0);
  EXPECT_LT(failed_runs, 30);
}

}  // namespace
}  // namespace rumo
