// The run driver: the whole run, step by step.
#pragma once

#include <optional>

#include "core/console.hpp"
#include "core/files.hpp"
#include "core/params.hpp"

namespace rumo {

// What a run is asked to do: its parameters when the command line gave them
// (otherwise the dialogue asks for them), and what it adds to the run.
struct Invocation {
  std::optional<RunParameters> parameters;
  RunOptions options;
};

// Runs the whole job on the given console and files. Returns normally after
// a complete run; every failure throws RunError.
void run(Console& console, FileSystem& files, const Invocation& invocation);

// The run as the dialogue has always driven it, with nothing added.
void run(Console& console, FileSystem& files);

}  // namespace rumo
