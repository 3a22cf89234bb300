// The console of a run: the answers come in, prompts and messages go out.
#pragma once

#include <istream>
#include <ostream>

namespace rumo {

struct Console {
  std::istream& in;
  std::ostream& out;
};

}  // namespace rumo
