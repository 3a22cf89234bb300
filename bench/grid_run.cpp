// rumo_grid_run: the program with a neighbour limit, for the grid's
// workload until the run takes the limit as an option of its own:
//
//   rumo_grid_run K [rumo's options]
//
// runs as rumo does with the run's parameters' neighbour limit set to K.
#include <charconv>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/command_line.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "run/run.hpp"

int main(int argc, char** argv) {
  int neighbours = -1;
  const std::string_view first = argc > 1 ? argv[1] : "";
  std::from_chars(first.data(), first.data() + first.size(), neighbours);
  if (neighbours < 0) {
    std::cerr << "usage: rumo_grid_run K [rumo's options]\n";
    return 2;
  }
  std::vector<const char*> args(argv, argv + argc);
  args.erase(args.begin() + 1);
  try {
    auto invocation = rumo::parse_command_line(argc - 1, args.data(), std::cout);
    if (!invocation) return 0;
    if (invocation->parameters) invocation->parameters->neighbours = neighbours;
    std::ostream silent(nullptr);
    rumo::Console console{std::cin, invocation->options.quiet ? silent : std::cout, std::cerr,
                          std::cout};
    rumo::DiskFiles files;
    rumo::run(console, files, *invocation);
  } catch (const rumo::RunError& error) {
    (error.stream == rumo::Stream::out ? std::cout : std::cerr) << error.message << std::flush;
    return error.code;
  }
  return 0;
}
