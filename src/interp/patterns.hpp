// The patterns: how a period's interpolated hours are shaped before they are
// scaled to its reading. Averaging many neighbours places the rain well in
// time but spreads it over too many hours at too low an intensity; the
// patterns other than idw give the hours back some of the intensity the
// hourly stations measured. Their parameters are fixed:
// - sharpen: each hour's share in proportion to its estimate to the power
//   kSharpenExponent;
// - peak-add: the largest hour's share n1 raised to t = min(f, n1 + δ / R),
//   where f is the mean peak share (largest hour / sum) of the nearest wet
//   hourly stations, R the reading and δ kPeakAddDay for a period of 24 hours
//   (a collector day) or kPeakAddHalf for one of 12 (a climate half), in the
//   data's unit (meant as mm); every other hour's share times
//   (1 - t) / (1 - n1), so that the shares still add up to 1;
// - peak-align: the same with t = n1 + (f - n1) (n1 / f)^kPeakAlignExponent.
#pragma once

#include <span>

#include "core/params.hpp"

namespace rumo {

inline constexpr double kSharpenExponent = 1.2;
inline constexpr double kPeakAddDay = 0.8;
inline constexpr double kPeakAddHalf = 0.5;
inline constexpr double kPeakAlignExponent = 1.5;
// How many of the nearest wet hourly stations give the peak share f.
inline constexpr int kPeakNeighbours = 3;

// A callable asked only when its answer is needed, held by reference (it
// must outlive the calls). Empty: the answer `Result{}`.
template <typename Result>
class Lookup {
 public:
  Lookup() = default;
  template <typename Find>
  explicit Lookup(const Find& find)
      : find_(&find),
        call_([](const void* f) { return Result((*static_cast<const Find*>(f))()); }) {}
  Result operator()() const { return call_ != nullptr ? call_(find_) : Result{}; }

 private:
  const void* find_ = nullptr;
  Result (*call_)(const void*) = nullptr;
};

// Shapes a period's `estimates` (their sum `sum`) under `pattern` into
// `shaped` (as many), which are then scaled to `reading` as the estimates
// would be. `peak_share` gives f, NaN where no hourly station qualifies.
// Returns false, leaving `shaped` undefined, where the pattern leaves the
// estimates as they are: under idw; where the reading is missing or not
// above 0, an estimate below 0 or not finite, or the sum not above 0; and
// under the peak patterns where the largest share is 1 already, f is not a
// number or t would not lie above n1.
bool shape_hours(Pattern pattern, std::span<const double> estimates, double sum, double reading,
                 double nodata, const Lookup<double>& peak_share, std::span<double> shaped);

// The peak share of one hourly station's period: its largest hour over its
// sum (above 0).
double peak_share(std::span<const double> hours, double sum);

}  // namespace rumo
