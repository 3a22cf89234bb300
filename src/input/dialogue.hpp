// The start-up dialogue: 17 questions on the console that fix the whole run.
#pragma once

#include "core/console.hpp"
#include "core/params.hpp"

namespace rumo {

// Asks the 17 questions, reads the answers into `params`, sets the start hour
// to 1 and corrects the dates. An answer that cannot be read keeps its field.
void read_parameters(Console& console, RunParameters& params);

// Two-digit years, months out of range and days past the end of their month.
void correct_dates(RunParameters& params);

}  // namespace rumo
