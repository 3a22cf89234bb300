// Numbers as text for the tables and messages the run adds: the shortest
// form that reads back exactly, and short forms for people to read.
#pragma once

#include <string>

namespace rumo {

// Writes a whole number; returns its end. Needs room for 24 characters.
char* write_integer(char* out, long value);

// Writes the shortest text that reads back to the same double
// (std::to_chars without a format); returns its end. Needs room for 48
// characters.
char* write_shortest(char* out, double value);

// The same as a string.
std::string shortest_text(double value);

// Six significant digits, for amounts in sentences ("%g").
std::string six_digits(double value);

// x (|x| < 2^51) rounded to the nearest whole number, ties to even, as
// nearbyint rounds it, without a call: x + 1.5 * 2^52 has no bits below 1.
inline double nearest_whole(double x) {
  constexpr double kShift = 6755399441055744.0;
  return (x + kShift) - kShift;
}

// "1 period", "3 periods".
std::string counted(long count, const char* one, const char* many);

}  // namespace rumo
