#include "interp/patterns.hpp"

#include <algorithm>
#include <cmath>

#include "core/window.hpp"

namespace rumo {

namespace {

// The largest share n1 (the first largest hour) raised to t, the others
// scaled down so that the shares add up to 1 again.
void raise_peak(std::span<const double> estimates, double sum, std::size_t peak, double n1,
                double t, std::span<double> shaped) {
  const double rest = (1.0 - t) / (1.0 - n1);
  for (std::size_t k = 0; k < estimates.size(); ++k) {
    shaped[k] = k == peak ? t : estimates[k] / sum * rest;
  }
}

}  // namespace

double peak_share(std::span<const double> hours, double sum) {
  return *std::max_element(hours.begin(), hours.end()) / sum;
}

bool shape_hours(Pattern pattern, std::span<const double> estimates, double sum, double reading,
                 double nodata, const Lookup<double>& peak_share_of_neighbours,
                 std::span<double> shaped) {
  if (pattern == Pattern::idw || estimates.empty()) return false;
  if (!is_present(reading, nodata) || !(reading > 0.0) || !(sum > 0.0) || !std::isfinite(sum)) {
    return false;
  }
  for (const double estimate : estimates) {
    if (!(estimate >= 0.0) || !std::isfinite(estimate)) return false;
  }
  if (pattern == Pattern::sharpen) {
    double shaped_sum = 0.0;
    for (std::size_t k = 0; k < estimates.size(); ++k) {
      shaped[k] = std::pow(estimates[k], kSharpenExponent);
      shaped_sum += shaped[k];
    }
    // Hours so small that their powers all vanish keep their shape.
    return shaped_sum > 0.0 && std::isfinite(shaped_sum);
  }
  const auto peak = static_cast<std::size_t>(std::max_element(estimates.begin(), estimates.end()) -
                                             estimates.begin());
  const double n1 = estimates[peak] / sum;
  if (!(n1 < 1.0)) return false;
  const double f = peak_share_of_neighbours();
  if (!(f > n1)) return false;
  const double delta = estimates.size() == 24 ? kPeakAddDay : kPeakAddHalf;
  const double t = pattern == Pattern::peak_add
                       ? std::min(f, n1 + delta / reading)
                       : n1 + (f - n1) * std::pow(n1 / f, kPeakAlignExponent);
  if (!(t > n1)) return false;
  raise_peak(estimates, sum, peak, n1, t, shaped);
  return true;
}

}  // namespace rumo
