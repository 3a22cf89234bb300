// rumo: interpolates hourly precipitation onto climate and collector stations.
#include <iostream>

#include "core/error.hpp"
#include "core/files.hpp"
#include "run/run.hpp"

int main() {
  rumo::Console console{std::cin, std::cout};
  rumo::DiskFiles files;
  try {
    rumo::run(console, files);
  } catch (const rumo::RunError& error) {
    (error.stream == rumo::Stream::out ? std::cout : std::cerr) << error.message << std::flush;
    return error.code;
  }
  return 0;
}
