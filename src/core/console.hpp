// The console of a run: the answers come in, prompts and messages go out.
#pragma once

#include <iostream>
#include <istream>
#include <ostream>

namespace rumo {

struct Console {
  std::istream& in;
  // The banner, prompts, station lines and progress: silent when quiet.
  std::ostream& out;
  // Warnings and the second line of located errors.
  std::ostream& err = std::cerr;
  // What a run adds after its own output when asked (the report's summary,
  // the cross-validation table): standard output even when quiet.
  std::ostream& summary = out;
};

}  // namespace rumo
