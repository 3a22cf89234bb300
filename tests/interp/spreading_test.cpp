// How a reading becomes hours: hand-worked periods, random periods against
// what must hold of any of them, and the choice of the nearest wet station.
#include "interp/spreading.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <vector>

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;
constexpr double kMarker = -9999.0;
constexpr double kInf = std::numeric_limits<double>::infinity();

using Values = std::vector<double>;

// A period spread with `choices`, with `without` hours without data, one
// under nearest-wet following `pattern` where it is given.
struct Spreading {
  Values hours;
  Spread spread;

  Spreading(double reading, const Values& estimates, const SpreadingChoices& choices,
            const Values& pattern = {}, double unusable = kMarker, int without = 0)
      : hours(estimates.size(), 77.0) {
    double pattern_sum = 0.0;
    for (const double value : pattern) pattern_sum += value;
    const auto find = [&] {
      return pattern.empty() ? DryPattern{} : DryPattern{pattern.data(), pattern_sum};
    };
    const PeriodToSpread period{reading,          estimates, kNodata, unusable, PatternLookup(find),
                                Lookup<double>(), without};
    spread = spread_reading(period, choices, hours);
  }
};

TEST(Spreading, HandWorkedPeriods) {
  using enum Outcome;
  const SpreadingChoices plain;
  const SpreadingChoices uniform{DryFallback::uniform};
  const SpreadingChoices nearest{DryFallback::nearest_wet};
  const auto kept = [](int decimals) {
    return SpreadingChoices{DryFallback::uniform, true, decimals};
  };
  // Choices for hours without data: written missing, spread evenly, after
  // the nearest wet station.
  const SpreadingChoices gone{DryFallback::zero, false, 1, Pattern::idw, NoDataHours::missing};
  const SpreadingChoices even{DryFallback::zero, false, 1, Pattern::idw, NoDataHours::uniform};
  const SpreadingChoices even_kept{DryFallback::zero, true, 1, Pattern::idw, NoDataHours::uniform};
  const SpreadingChoices follow{DryFallback::zero, false, 1, Pattern::idw,
                                NoDataHours::nearest_wet};
  const struct Row {
    const char* what;
    double reading;
    Values estimates;
    SpreadingChoices choices;
    Values pattern;
    double unusable;
    Values hours;
    Outcome outcome;
    int without = 0;  // hours without data
    double pattern_sum = 0.0;
  } rows[] = {
      // clang-format off
      {"in proportion", 6, {0.5, 0.5, 0, 0}, plain, {}, kMarker, {3, 3, 0, 0}, scaled},
      {"a negative reading flips the signs", -3, {1, 1, 1, 1}, plain, {}, kMarker,
       {-0.75, -0.75, -0.75, -0.75}, scaled},
      {"a missing estimate stays missing", 10002, {20000, -9998, 0, 0}, plain, {}, kMarker,
       {20000, kMarker, 0, 0}, scaled},
      {"an infinite reading meets a dry hour: missing", kInf, {0, 1}, plain, {}, kMarker,
       {kMarker, kInf}, scaled},
      {"reading missing", kMarker, {0.5, 0.5, 0, 0}, plain, {}, kMarker, Values(4, kMarker),
       reading_missing},
      {"a negative sum: a climate half missing", 4, {-20, 0.5, 0.5, 0.5}, plain, {}, kMarker,
       Values(4, kMarker), unusable_sum},
      {"a sum that is no number: a collector day -N", 4, {NAN, 1}, plain, {}, -kNodata,
       Values(2, -kNodata), unusable_sum},
      {"dry: the reading is lost", 5, {0, 0, 0, 0}, plain, {}, kMarker, {0, 0, 0, 0},
       no_rain_interpolated},
      {"dry with a reading of 0: nothing to spread", 0, {0, 0, 0, 0}, uniform, {}, kMarker,
       {0, 0, 0, 0}, no_rain_interpolated},
      {"dry, spread evenly", 6, {0, 0, 0, 0}, uniform, {}, kMarker, {1.5, 1.5, 1.5, 1.5},
       spread_uniform},
      {"dry, evenly over all hours; a missing one stays", 6, {9999, kMarker, 0, 0}, uniform, {},
       kMarker, {1.5, kMarker, 1.5, 1.5}, spread_uniform},
      {"dry, after the nearest wet station", 6, {0, 0, 0, 0}, nearest, {1, 0, 1, 2}, kMarker,
       {1.5, 0, 1.5, 3}, nearest_wet},
      {"dry, no wet station: evenly", 6, {0, 0, 0, 0}, nearest, {}, kMarker,
       {1.5, 1.5, 1.5, 1.5}, spread_uniform},
      // Kept totals: the hours rounded together to the reading as written.
      {"equal remainders: the earlier hours first", 3, {1, 1, 1, 1}, kept(0), {}, kMarker,
       {1, 1, 1, 0}, scaled},
      {"largest remainders first, zeros get nothing", 11, {1.375, 1.375, 1.375, 0, 2.75, 4.125},
       kept(0), {}, kMarker, {2, 1, 1, 0, 3, 4}, scaled},
      {"negative hours lose units at their most negative remainders", -2,
       {0.25, 0.25, 0, 0.5, 0.75, 0.25}, kept(0), {}, kMarker, {0, 0, 0, -1, -1, 0}, scaled},
      {"0.25 is written 0.2: two units", 0.25, {1, 1, 1, 1}, kept(1), {}, kMarker,
       {0.1, 0.1, 0, 0}, scaled},
      {"a spread period is rounded too", 1, {0, 0, 0, 0}, kept(1), {}, kMarker,
       {0.3, 0.3, 0.2, 0.2}, spread_uniform},
      {"hours beyond the rounding's reach stay", 3e15, {1, 1}, kept(0), {}, kMarker,
       {1.5e15, 1.5e15}, scaled},
      // Hours without data (here the last two, estimated 0).
      {"zero: into the other hours", 8, {1, 3, 0, 0}, plain, {}, kMarker, {2, 6, 0, 0},
       no_hourly_data, 2, 4},
      {"zero, no hour with data: lost", 8, {0, 0, 0, 0}, plain, {}, kMarker, {0, 0, 0, 0},
       no_hourly_data, 4},
      {"zero, no hour with data: the dry fallback spreads it", 8, {0, 0, 0, 0}, uniform, {},
       kMarker, {2, 2, 2, 2}, spread_uniform, 4},
      {"a missing reading stays one", kMarker, {1, 3, 0, 0}, even, {}, kMarker,
       Values(4, kMarker), reading_missing, 2},
      {"missing: every hour", 8, {1, 3, 0, 0}, gone, {}, kMarker, Values(4, kMarker),
       no_hourly_data, 2},
      {"uniform over all hours; a missing one stays", 6, {9999, kMarker, 0, 0}, even, {}, kMarker,
       {1.5, kMarker, 1.5, 1.5}, no_hourly_data, 2},
      {"nearest-wet: after the station", 8, {1, 3, 0, 0}, follow, {1, 0, 1, 2}, kMarker,
       {2, 0, 2, 4}, no_hourly_data, 2, 4},
      {"nearest-wet without a wet station: evenly", 8, {1, 3, 0, 0}, follow, {}, kMarker,
       {2, 2, 2, 2}, no_hourly_data, 2},
      {"uniform, kept totals", 1, {1, 3, 0, 0}, even_kept, {}, kMarker, {0.3, 0.3, 0.2, 0.2},
       no_hourly_data, 2},
      // clang-format on
  };
  for (const Row& row : rows) {
    const Spreading done(row.reading, row.estimates, row.choices, row.pattern, row.unusable,
                         row.without);
    EXPECT_EQ(done.hours, row.hours) << row.what;
    EXPECT_EQ(done.spread.outcome, row.outcome) << row.what;
    double sum = 0.0;
    for (const double value : row.estimates) sum += value;
    EXPECT_TRUE(done.spread.sum == sum || std::isnan(sum)) << row.what;
    EXPECT_EQ(done.spread.pattern_sum, row.outcome == nearest_wet ? 4.0 : row.pattern_sum)
        << row.what;
  }
}

// A value as "%.Nf" writes it, in units of its last decimal ("-0.0": 0).
std::int64_t written_units(double value, int decimals) {
  char text[400];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  std::int64_t units = 0;
  for (const char* at = text; at != end.ptr; ++at) {
    if (*at >= '0' && *at <= '9') units = units * 10 + (*at - '0');
  }
  return text[0] == '-' ? -units : units;
}

// Random periods of 12 and 24 hours, with dry, missing and negative hours,
// readings missing, 0, negative and of a few steps (so that exact halves and
// equal remainders are common), under every choice: the outcome is the one
// the reading and the sum call for, and with kept totals the written hours
// of a scaled or spread period whose hours are all present add up to the
// reading as written, each less than a unit from its value without them.
TEST(Spreading, RandomPeriodsKeepTheirReadingAndTellTheirOutcome) {
  std::mt19937 random(34);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::map<Outcome, int> kept;
  for (int run = 0; run < 20000; ++run) {
    const bool dry = below(4) == 0;
    Values estimates(below(2) == 0 ? 12 : 24);
    for (double& value : estimates) {
      const int kind = below(20);
      value = dry || kind < 8 ? 0.0
              : kind < 9      ? kMarker
              : kind < 10     ? -below(40) / 80.0
                              : below(400) / (kind < 15 ? 160.0 : 7.0);
    }
    const int kind = below(10);
    const double reading = kind == 0   ? kMarker
                           : kind == 1 ? 0.0
                           : kind == 2 ? -below(100) / 8.0
                                       : below(4000) / std::array{10.0, 100.0, 8.0, 7.0}[below(4)];
    const SpreadingChoices choices{static_cast<DryFallback>(below(3)), below(3) != 0, below(4),
                                   Pattern::idw, static_cast<NoDataHours>(below(4))};
    const int without = below(3) == 0 ? 1 + below(3) : 0;
    Values pattern;
    if (below(2) == 0) {
      for (std::size_t k = 0; k < estimates.size(); ++k) pattern.push_back(below(3) * 0.5);
      pattern[0] = 1.0;
    }
    const Spreading done(reading, estimates, choices, pattern, kMarker, without);

    double sum = 0.0;
    for (const double value : estimates) sum += value;
    using enum Outcome;
    const Outcome plain =
        !(sum >= 0.0)                                                   ? unusable_sum
        : !(reading > -kNodata)                                         ? reading_missing
        : sum > 0.0                                                     ? scaled
        : choices.dry_fallback == DryFallback::zero || !(reading > 0.0) ? no_rain_interpolated
        : choices.dry_fallback == DryFallback::nearest_wet && !pattern.empty() ? nearest_wet
                                                                               : spread_uniform;
    // Hours without data: told apart where they make a difference, spread
    // by the choice unless it is zero.
    const NoDataHours how = choices.no_data_hours;
    const bool apart =
        without > 0 && plain != unusable_sum && plain != reading_missing &&
        (how != NoDataHours::zero || plain == scaled || plain == no_rain_interpolated);
    const Outcome outcome = apart ? no_hourly_data : plain;
    ASSERT_EQ(done.spread.outcome, outcome) << run;
    const bool spread_apart =
        apart && how != NoDataHours::missing && (how != NoDataHours::zero || sum > 0.0);
    if (!choices.keep_totals || (outcome != scaled && outcome != spread_uniform &&
                                 outcome != nearest_wet && !spread_apart)) {
      continue;
    }
    SpreadingChoices loose = choices;
    loose.keep_totals = false;
    const Spreading unrounded(reading, estimates, loose, pattern, kMarker, without);
    const double unit = std::pow(10.0, -choices.decimals);
    std::int64_t units = 0;
    bool all_present = true;
    for (std::size_t k = 0; k < estimates.size(); ++k) {
      if (!(done.hours[k] > -kNodata)) {
        all_present = false;
        ASSERT_EQ(done.hours[k], unrounded.hours[k]) << run;
        continue;
      }
      const std::int64_t written = written_units(done.hours[k], choices.decimals);
      ASSERT_LT(std::fabs(static_cast<double>(written) * unit - unrounded.hours[k]), unit) << run;
      units += written;
    }
    if (!all_present) continue;
    ASSERT_EQ(units, written_units(reading, choices.decimals)) << run;
    ++kept[outcome];
  }
  // Every kind of period must have been kept.
  EXPECT_GT(kept[Outcome::scaled], 2000);
  EXPECT_GT(kept[Outcome::spread_uniform], 200);
  EXPECT_GT(kept[Outcome::nearest_wet], 200);
  EXPECT_GT(kept[Outcome::no_hourly_data], 200);
}

// The rounding done the plain way, to check the fast one against: every
// present value cut towards 0, then a unit each for the hours in the order of
// their remainders in the shortfall's direction, largest first and the
// earlier first among equal ones.
bool plain_rounding(const std::vector<double>& values, std::int64_t total, int decimals,
                    std::vector<double>& units) {
  const double scales[] = {1.0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  std::vector<double> remainders(values.size(), 0.0);
  units.assign(values.size(), 0.0);
  std::int64_t shortfall = total;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (!(values[k] > -kNodata)) continue;
    const double scaled = values[k] * scales[decimals];
    if (!(std::fabs(scaled) < 1e15)) return false;
    units[k] = std::trunc(scaled);
    remainders[k] = scaled - std::trunc(scaled);
    shortfall -= static_cast<std::int64_t>(units[k]);
  }
  const int unit = shortfall > 0 ? 1 : -1;
  std::vector<std::size_t> order;
  for (std::size_t k = 0; k < values.size(); ++k) {
    if (remainders[k] * unit > 0.0) order.push_back(k);
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return remainders[a] * unit > remainders[b] * unit;
  });
  const auto wanted = static_cast<std::size_t>(shortfall * unit);
  if (wanted > order.size()) return false;
  for (std::size_t i = 0; i < wanted; ++i) units[order[i]] += unit;
  return true;
}

TEST(Spreading, RoundingAgreesWithThePlainWayOverRandomPeriods) {
  // Values from a few steps, so that equal remainders are common, with dry,
  // missing and negative hours; totals near the sum and beyond reach.
  std::mt19937 random(26);
  const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  int rounded = 0;
  for (int run = 0; run < 20000; ++run) {
    const int decimals = below(4);
    std::vector<double> values(static_cast<std::size_t>(1 + below(24)));
    for (double& v : values) {
      const int kind = below(10);
      v = kind < 3   ? 0.0
          : kind < 4 ? -9999.0
          : kind < 5 ? -below(40) / 80.0
                     : below(400) / (kind < 8 ? 160.0 : 7.0);
    }
    double sum = 0.0;
    for (const double v : values) sum += v > -kNodata ? v : 0.0;
    const std::int64_t total = written_units(sum, decimals) + below(5) - 2;
    std::vector<double> expected;
    std::vector<double> units(values.size());
    const bool plain = plain_rounding(values, total, decimals, expected);
    ASSERT_EQ(round_keeping_total(values, total, decimals, kNodata, units), plain) << run;
    if (plain) {
      ASSERT_EQ(units, expected) << run;
      // A unit of 0 is +0, which "%.Nf" never writes as "-0".
      for (const double u : units) ASSERT_FALSE(u == 0.0 && std::signbit(u)) << run;
      ++rounded;
    }
  }
  EXPECT_GT(rounded, 10000);
  std::vector<double> units(25);
  EXPECT_FALSE(round_keeping_total(std::vector<double>(25, 0.0), 0, 1, kNodata, units));
}

TEST(Spreading, NearestWetStationAtAnyDistance) {
  // Station 4 is the target at (0, 0); 1 and 3 are equally near, 2 nearer
  // but dry.
  StationTable table;
  table.make_room(4);
  const double coordinates[][2] = {{0, 0}, {300, 400}, {3, 4}, {-500, 0}, {0, 0}};
  for (int m = 1; m <= 4; ++m) {
    table.first[m] = coordinates[m][0];
    table.second[m] = coordinates[m][1];
  }
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 2.0, 0.0, 5.0}), 1);
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 0.0, 5.0}), 3);
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 1.0, 5.0}), 2);
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 0.0, 0.0}), 0);
  // The nearest three, nearest first.
  std::array<int, 3> three{};
  EXPECT_EQ(nearest_wet_stations(table, 4, 3, {0.0, 2.0, 1.0, 5.0}, three), 3U);
  EXPECT_EQ(three, (std::array{2, 1, 3}));
  EXPECT_EQ(nearest_wet_stations(table, 4, 3, {0.0, 0.0, 1.0, 5.0}, three), 2U);
  EXPECT_EQ(three[1], 3);
  table.first[2] = std::nan("");
  EXPECT_EQ(nearest_wet_station(table, 4, 3, {0.0, 0.0, 1.0, 0.0}), 0);
}

TEST(Spreading, WetSumsNeedEveryHourPresentAndRain) {
  HourWindow window(3);
  for (int slot = 1; slot <= 12; ++slot) {
    HourField& field = window.field(slot);
    field[1] = slot == 5 ? 2.0 : 0.0;      // wet
    field[2] = slot == 6 ? -9999.0 : 1.0;  // a missing hour
    field[3] = 0.0;                        // dry
  }
  std::vector<double> sums;
  wet_sums(window, 1, 12, 3, kNodata, sums);
  EXPECT_EQ(sums, (std::vector<double>{0.0, 2.0, 0.0, 0.0}));
}

}  // namespace
}  // namespace rumo
