// How a source's weight follows from its distance to a target, and what
// becomes of an estimate: the parts of inverse-distance weighting that every
// estimate of the program shares.
#pragma once

#include <cmath>

#include "core/params.hpp"

namespace rumo {

struct IdwSettings {
  double power = 0.0;
  double max_distance = 0.0;
  double nodata = 9998.0;
  double lower_limit = 0.0;
  double lower_replacement = 0.0;
  double upper_limit = 0.0;
  double upper_replacement = 0.0;
  int neighbours = 0;  // the nearest sources with a value an estimate uses; 0: all

  static IdwSettings from(const RunParameters& params);
};

// How a source's weight follows from its squared distance: powers within half
// a thousandth of 1 or 2 weigh exactly by 1/d or 1/d², every other power
// through the exponential.
enum class WeightForm { inverse_distance, inverse_square, general };
WeightForm weight_form(double power);

// The squared distance of two stations; a source at the target's own place
// counts as 0.1 squared distance away, so it weighs most but never infinitely.
inline double squared_distance(double x1, double y1, double x2, double y2) {
  const double dx = x1 - x2;
  const double dy = y1 - y2;
  const double d2 = dx * dx + dy * dy;
  return d2 == 0.0 ? 0.1 : d2;
}

double weight(double squared_distance, WeightForm form, double power);

// Applies the value limits: below the lower limit the lower replacement,
// otherwise above the upper limit the upper replacement.
inline double limit_value(double value, const IdwSettings& settings) {
  if (value < settings.lower_limit) return settings.lower_replacement;
  if (value > settings.upper_limit) return settings.upper_replacement;
  return value;
}

// A weight sum that is 0, infinite or not a number (powers far outside any
// practical range make weights underflow or overflow) cannot normalise the
// weights: such a target is treated as one with no source in reach.
inline bool usable_weight_sum(double sum) {
  return sum > 0.0 && sum < HUGE_VAL;
}

}  // namespace rumo
