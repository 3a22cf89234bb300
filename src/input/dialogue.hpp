// The start-up dialogue: 17 questions on the console that fix the whole run.
#pragma once

#include "core/console.hpp"
#include "core/params.hpp"
#include "input/text_reader.hpp"

namespace rumo {

// Asks the 17 questions, reads the answers into `params`, sets the start hour
// to 1 and corrects the dates. An answer that cannot be read keeps its field.
// An answer longer than `max_answer` characters ends the run with the memory
// code of its buffer.
void read_parameters(Console& console, RunParameters& params,
                     std::size_t max_answer = kMaxTextLength);

// Two-digit years, months out of range and days past the end of their month.
void correct_dates(RunParameters& params);

}  // namespace rumo
