// The number forms of the result file, written with to_chars. Each gives the
// same text as the printf conversion it is named after.
#pragma once

#include <cstddef>
#include <span>

namespace rumo {

// Enough room for any one value in any of the forms below ("%.1lf" of the
// largest double has 311 digits before the point).
inline constexpr std::size_t kMaxNumberText = 352;

// Each writes at `out` (room for kMaxNumberText characters) and returns the
// end of what it wrote.
char* format_general(char* out, double value);      // "%lg"
char* format_no_decimals(char* out, double value);  // "%.0lf"
// "%.Nlf" for N = `decimals` in 0..6; one decimal takes a fast path.
char* format_decimals(char* out, double value, int decimals);

// The values the texts of `values` read back as, into `out` (as many), a
// whole record at a time: written with `decimals` decimals, or in "%lg"
// where `decimals` is negative. Not a number and the infinities stay as
// they are.
void values_as_written(std::span<const double> values, int decimals, std::span<double> out);

}  // namespace rumo
