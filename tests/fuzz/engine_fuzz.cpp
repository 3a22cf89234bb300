// Fuzz target: the run's interpolation engine against the plain form of the
// inverse-distance weighting. The input picks a network (up to 140 hourly
// stations, so that the presence sets span three words of 64, and up to 23
// climate and 23 collector stations), awkward settings and coordinates, and
// the hourly values of a few fields that the 24 slots of two days repeat in
// changing order. The engine's results must equal the plain form's to the
// bit; a NaN must at least keep its sign, which the result file shows.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <string>
#include <vector>

#include "core/stations.hpp"
#include "core/window.hpp"
#include "fuzz_checks.hpp"
#include "input/station_header.hpp"
#include "interp/engine.hpp"
#include "interp/idw.hpp"

namespace {

using rumo::fuzz::expect;
using rumo::fuzz::finding;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  std::size_t left() const { return size_ - at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

template <std::size_t N>
double pick(const double (&choices)[N], std::uint8_t byte) {
  return choices[byte % N];
}

double coordinate(std::uint8_t byte) {
  static constexpr double kOdd[] = {kNan, kInf, -kInf, 1e200,  -1e200, 0.5,  1e-160, 1e154,
                                    -0.0, 3e5,  7.25,  1e-320, 2e5,    13.0, 39.0,   1e100};
  return byte < 240 ? static_cast<double>(byte % 40) : kOdd[byte - 240];
}

double value(std::uint8_t byte, double nodata) {
  static constexpr double kOdd[] = {
      kInf,   -kInf,   kNan,  1e308, -0.0,   5e-324, 1e-300, 1e300, -1e308, 0.1, -kNan, 1e-310,
      3e307,  -5e-324, 2.5,   1e154, -1e154, 7e-10,  9e15,   1e-5,  42.0,   0.3, -0.3,  1e10,
      1e-100, 17.3,    1e200, 0.7,   0.05,   4e-320, 99.9,   1e-8,  8.8,    6.0, 1.5,   0.25};
  if (byte < 100) return 0.0;
  if (byte < 180) return (byte - 100) / 10.0;
  if (byte < 190) return -nodata - 1.0;
  if (byte < 200) return -nodata;
  if (byte < 220) return -(byte - 199) / 4.0;
  return kOdd[(byte - 220) % (sizeof(kOdd) / sizeof(kOdd[0]))];
}

bool same(double fast, double plain) {
  if (std::isnan(fast) || std::isnan(plain)) {
    return std::isnan(fast) && std::isnan(plain) && std::signbit(fast) == std::signbit(plain);
  }
  return std::memcmp(&fast, &plain, sizeof(double)) == 0;
}

void compare(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  rumo::StationCounts counts;
  counts.hourly = 1 + bytes.next() % 140;
  counts.climate = bytes.next() % 24;
  counts.collector = bytes.next() % 24;
  if (counts.climate + counts.collector == 0) counts.climate = 1;

  static constexpr double kPowers[] = {2.0,  1.0,   0.5,  3.0,  1.0004, 1.9996, 0.0,    -1.0,
                                       50.0, 400.0, kNan, kInf, 1e-300, 2.0005, 0.9994, 7.5};
  static constexpr double kDistances[] = {kInf, 0.0,  1.0, 5.0,   10.0,  20.0, 50.0, 1e300,
                                          kNan, -5.0, 3.5, 100.0, 1e155, 2.0,  7.0,  30.0};
  static constexpr double kNodata[] = {998.0, 9998.0, 0.0, -5.0, kInf, 1e-300, 5.0, 0.5};
  static constexpr double kLimits[][4] = {{0.0, 0.0, 1000.0, 1000.0}, {-kInf, 0.0, kInf, 0.0},
                                          {0.5, -1.0, 1.0, 99.0},     {kNan, 1.0, kNan, 2.0},
                                          {0.0, kNan, 5.0, kInf},     {1e-300, 0.0, 1e300, -0.0},
                                          {-1.0, 0.0, 0.2, 0.2},      {0.0, 0.0, 0.0, 0.0}};
  rumo::IdwSettings settings;
  settings.power = pick(kPowers, bytes.next());
  settings.max_distance = pick(kDistances, bytes.next());
  settings.nodata = pick(kNodata, bytes.next());
  const auto& limits = kLimits[bytes.next() % 8];
  settings.lower_limit = limits[0];
  settings.lower_replacement = limits[1];
  settings.upper_limit = limits[2];
  settings.upper_replacement = limits[3];

  rumo::StationTable table;
  table.make_room(counts.total());
  for (int i = 1; i <= counts.total(); ++i) {
    table.first[i] = coordinate(bytes.next());
    table.second[i] = coordinate(bytes.next());
  }

  // The hourly values of up to 24 different fields; the slots take them in
  // an order that brings presence sets back, as missing stations do.
  const auto hourly = static_cast<std::size_t>(counts.hourly);
  const std::size_t patterns =
      std::max<std::size_t>(1, std::min<std::size_t>(24, bytes.left() / hourly));
  std::vector<std::vector<double>> fields(patterns, std::vector<double>(hourly + 1, 0.0));
  for (auto& field : fields) {
    for (std::size_t i = 1; i <= hourly; ++i) field[i] = value(bytes.next(), settings.nodata);
  }

  rumo::IdwEngine engine(table, counts, settings);
  rumo::HourWindow window(counts.total());
  rumo::HourWindow plain(counts.total());
  const double marker = rumo::missing_marker(settings.nodata);
  for (std::size_t day = 0; day < 2; ++day) {
    for (int slot = 1; slot <= 24; ++slot) {
      const auto& field = fields[(static_cast<std::size_t>(slot) * (2 * day + 1)) % patterns];
      rumo::HourField& into = window.field(slot);
      std::fill(into.begin(), into.end(), marker);
      std::copy(field.begin() + 1, field.end(), into.begin() + 1);
      plain.field(slot) = into;
    }
    struct Pass {
      int first_slot, last_slot, first, last;
    };
    std::vector<Pass> passes;
    if (counts.climate >= 1) {
      passes.push_back({1, 12, counts.first_climate(), counts.last_climate()});
      passes.push_back({13, 24, counts.first_climate(), counts.last_climate()});
    }
    if (counts.collector >= 1) {
      passes.push_back({1, 24, counts.first_collector(), counts.total()});
    }
    for (const Pass& pass : passes) {
      engine.interpolate(window, pass.first_slot, pass.last_slot, pass.first, pass.last);
      for (int slot = pass.first_slot; slot <= pass.last_slot; ++slot) {
        rumo::idw_interpolate(plain.field(slot), pass.first, pass.last, table, counts.hourly,
                              settings);
        for (int i = 1; i <= counts.total(); ++i) {
          const double fast = window.field(slot)[i];
          const double slow = plain.field(slot)[i];
          expect(same(fast, slow), "day " + std::to_string(day) + " slot " + std::to_string(slot) +
                                       " station " + std::to_string(i) + ": engine " +
                                       std::to_string(fast) + ", plain form " +
                                       std::to_string(slow));
        }
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    compare(data, size);
  } catch (const std::exception& error) {
    finding(std::string("unexpected exception: ") + error.what());
  } catch (...) {
    finding("unexpected exception of unknown type");
  }
  return 0;
}
