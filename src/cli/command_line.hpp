// The command line: run options checked strictly, or the dialogue as before.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "run/run.hpp"

namespace rumo {

// Reads the arguments. --help and --version print to `out` and give nothing
// (the program ends with exit_code::success); anything wrong throws RunError with
// exit_code::usage before a file is touched or standard input is read.
std::optional<Invocation> parse_command_line(int argc, const char* const* argv, std::ostream& out);

}  // namespace rumo
