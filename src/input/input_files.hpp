// The three input files of a run; a group without a file has none.
#pragma once

#include <optional>

#include "input/text_reader.hpp"

namespace rumo {

struct InputFiles {
  std::optional<TextReader> hourly;
  std::optional<TextReader> climate;
  std::optional<TextReader> collector;
};

}  // namespace rumo
