// rumo: interpolates hourly precipitation onto climate and collector stations.
#include <iostream>

#include "cli/command_line.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "run/run.hpp"

int main(int argc, char** argv) {
  try {
    const auto invocation = rumo::parse_command_line(argc, argv, std::cout);
    if (!invocation) return rumo::exit_code::success;
    std::ostream silent(nullptr);
    rumo::Console console{std::cin, invocation->options.quiet ? silent : std::cout, std::cerr,
                          std::cout};
    rumo::DiskFiles files;
    rumo::run(console, files, *invocation);
  } catch (const rumo::RunError& error) {
    (error.stream == rumo::Stream::out ? std::cout : std::cerr) << error.message << std::flush;
    return error.code;
  }
  return rumo::exit_code::success;
}
