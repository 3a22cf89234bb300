// The command line: run options checked strictly, or the dialogue as before.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "run/run.hpp"

namespace CLI {
class App;
}

namespace rumo {

// Reads the arguments. --help and --version print to `out` and give nothing
// (the program ends with exit_code::success); anything wrong throws RunError with
// exit_code::usage before a file is touched or standard input is read.
std::optional<Invocation> parse_command_line(int argc, const char* const* argv, std::ostream& out);

// The one line of a command line that cannot be understood, on standard
// error with exit_code::usage: "rumo: WHAT (HELP lists the options)", where
// HELP is the command that lists them ("rumo --help", "rumo import --help").
[[noreturn]] void fail_usage(const std::string& what, const char* help);

// Parses the arguments into `app`: false where they asked for the help or
// the version, which went to `out`; an argument it cannot take ends in
// `usage_error`.
bool parse_arguments(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                     void (*usage_error)(const std::string&));

// `option "value": expected`, the same way.
[[noreturn]] void fail_bad_value(const std::string& option, const std::string& value,
                                 const std::string& expected, const char* help);

}  // namespace rumo
