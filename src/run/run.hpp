// The run driver: the whole run, step by step.
#pragma once

#include "core/console.hpp"
#include "core/files.hpp"

namespace rumo {

// Runs the program's dialogue and its whole job on the given console and
// files. Returns normally after a complete run; every failure throws RunError.
void run(Console& console, FileSystem& files);

}  // namespace rumo
