// The state of one run, in a few plain structs handed to the procedures that
// need them.
#pragma once

#include <optional>
#include <vector>

#include "input/dialogue.hpp"
#include "input/station_header.hpp"
#include "input/text_reader.hpp"
#include "output/result_writer.hpp"
#include "run/window.hpp"

namespace rumo {

// Stations are numbered hourly first (1..H), then climate (H+1..H+C), then
// collector (H+C+1..T).
struct StationCounts {
  int hourly = 0;
  int climate = 0;
  int collector = 0;

  int total() const { return hourly + climate + collector; }
  int first_climate() const { return hourly + 1; }
  int last_climate() const { return hourly + climate; }
  int first_collector() const { return hourly + climate + 1; }
};

// The three input files; a group without a file has none.
struct InputFiles {
  std::optional<TextReader> hourly;
  std::optional<TextReader> climate;
  std::optional<TextReader> collector;
};

}  // namespace rumo
