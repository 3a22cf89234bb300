// rumo: interpolates hourly precipitation onto climate and collector stations.
#include <iostream>
#include <string_view>

#include "cli/command_line.hpp"
#include "cli/export_command.hpp"
#include "cli/import_command.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "run/run.hpp"

int main(int argc, char** argv) {
  try {
    if (argc > 1 && std::string_view(argv[1]) == "export")
      return rumo::export_main(argc - 1, argv + 1);
    if (argc > 1 && std::string_view(argv[1]) == "import")
      return rumo::import_main(argc - 1, argv + 1);
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
