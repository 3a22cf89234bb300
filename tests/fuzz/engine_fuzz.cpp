// Fuzz target: the run's interpolation engine against the plain form. The
// input picks a network (up to 140 hourly stations, so that the presence sets
// span three words of 64), awkward settings and coordinates, and the hourly
// values of each slot of two days. The results must be the same to the bit; a
// NaN must at least keep its sign, which the result file shows.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_checks.hpp"
#include "interp/engine.hpp"
#include "interp/idw.hpp"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kOdd[] = {kInf, -kInf, kNan, -kNan, 1e308, -0.0, 5e-324, 1e-300, 1e300,
                           0.5,  1e154, 1e-8, 7.25,  3e5,   2e5,  0.05,   -1e308, 1e-320};

struct Bytes {
  const std::uint8_t* data;
  std::size_t size, at = 0;
  std::uint8_t next() { return at < size ? data[at++] : 0; }
  double odd() { return kOdd[next() % std::size(kOdd)]; }
  // Mostly small whole numbers, so that places and values repeat.
  double number(double small_scale) {
    const std::uint8_t b = next();
    return b < 200 ? (b % 40) * small_scale : odd();
  }
};

bool same(double fast, double plain) {
  if (std::isnan(fast) || std::isnan(plain)) {
    return std::isnan(fast) && std::isnan(plain) && std::signbit(fast) == std::signbit(plain);
  }
  return std::memcmp(&fast, &plain, sizeof(double)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  Bytes in{data, size};
  rumo::StationCounts counts{1 + in.next() % 140, in.next() % 24, 1 + in.next() % 24};
  rumo::IdwSettings s;
  static constexpr double kPowers[] = {2.0, 1.0, 0.5, 3.0, 1.0004, 1.9996, 0.0, -1.0, 400.0};
  static constexpr double kNodata[] = {998.0, 9998.0, 0.0, -5.0, kInf, 5.0, kNan};
  s.power = in.next() % 2 ? kPowers[in.next() % std::size(kPowers)] : in.odd();
  s.max_distance = in.next() % 2 ? (in.next() % 60) + 0.5 : in.odd();
  s.nodata = kNodata[in.next() % std::size(kNodata)];
  s.lower_limit = in.number(0.1);
  s.lower_replacement = in.number(0.1);
  s.upper_limit = in.next() % 2 ? kInf : in.number(1.0);
  s.upper_replacement = in.number(1.0);
  rumo::StationTable table;
  table.make_room(counts.total());
  for (int i = 1; i <= counts.total(); ++i) {
    table.first[i] = in.number(1.0);
    table.second[i] = in.number(1.0);
  }
  rumo::IdwEngine engine(table, counts, s);
  rumo::HourWindow window(counts.total());
  window.fill(rumo::missing_marker(s.nodata));
  for (int day = 0; day < 2; ++day) {
    rumo::HourWindow plain = window;
    for (int slot = 1; slot <= 24; ++slot) {
      // A few value patterns, so that the sets of present stations come back.
      for (int i = 1; i <= counts.hourly; ++i) {
        const std::uint8_t b = data[(slot % 5 * 131 + i) % size];
        double& v = window.field(slot)[i];
        v = b < 120 ? 0.0 : (b - 120) / 10.0;
        if (b >= 180) v = b < 200 ? -s.nodata - 1.0 : kOdd[b % std::size(kOdd)];
      }
      plain.field(slot) = window.field(slot);
    }
    // The climate halves and the collector day, as a run does them.
    const int passes[3][4] = {{1, 12, counts.first_climate(), counts.last_climate()},
                              {13, 24, counts.first_climate(), counts.last_climate()},
                              {1, 24, counts.first_collector(), counts.total()}};
    for (const auto& g : passes) {
      if (g[2] > g[3]) continue;
      engine.interpolate(window, g[0], g[1], g[2], g[3]);
      for (int slot = g[0]; slot <= g[1]; ++slot) {
        rumo::idw_interpolate(plain.field(slot), g[2], g[3], table, counts.hourly, s);
        for (int i = 1; i <= counts.total(); ++i) {
          rumo::fuzz::expect(same(window.field(slot)[i], plain.field(slot)[i]),
                             "slot " + std::to_string(slot) + " station " + std::to_string(i) +
                                 ": engine " + std::to_string(window.field(slot)[i]) +
                                 ", plain form " + std::to_string(plain.field(slot)[i]));
        }
      }
    }
  }
  return 0;
}
