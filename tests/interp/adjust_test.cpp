// The scaling of interpolated hours to the observed totals.
#include "interp/adjust.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;
constexpr double kMarker = -9999.0;

// One hourly station (1) and one climate (2) and one collector station (3),
// all at the same place, power 0: every interpolated hour is the hourly
// value itself, so a test sets the interpolated course directly.
struct Day {
  StationTable table;
  StationCounts counts{1, 1, 1};
  IdwSettings settings;
  HourWindow window{3};
  std::vector<double> sums = std::vector<double>(station_entries(3), 0.0);

  Day() {
    table.make_room(3);
    settings.nodata = kNodata;
    settings.power = 0.0;
    settings.max_distance = 1.0;
    settings.lower_limit = -1e300;
    settings.upper_limit = 1e300;
    window.fill(kMarker);
  }
  void hourly(int slot, double value) { window.field(slot)[1] = value; }
  void adjust() {
    IdwEngine engine(table, counts, settings);
    adjust_to_totals(window, sums, counts, kNodata, engine);
  }
  double at(int slot, int station) const { return window.field(slot)[station]; }
};

// Hours 7 and 8 interpolate to 0.5, hours 9 to 18 to 0.
Day climate_morning(double reading) {
  Day day;
  for (int slot = 1; slot <= 24; ++slot) day.hourly(slot, slot <= 2 ? 0.5 : 0.0);
  day.window.field(1)[2] = reading;
  day.window.field(13)[2] = 0.0;
  day.window.field(1)[3] = 0.0;
  return day;
}

TEST(Adjust, ClimateHalfIsScaledToItsReading) {
  Day day = climate_morning(6.0);
  day.adjust();
  EXPECT_EQ(day.at(1, 2), 3.0);
  EXPECT_EQ(day.at(2, 2), 3.0);
  for (int slot = 3; slot <= 12; ++slot) EXPECT_EQ(day.at(slot, 2), 0.0) << slot;
  // The reading is kept in slot 0 while its own slot is overwritten.
  EXPECT_EQ(day.at(0, 2), 0.0);  // the second half's reading came last
}

TEST(Adjust, ReadingOfZeroOrMissing) {
  Day zero = climate_morning(0.0);
  zero.adjust();
  for (int slot = 1; slot <= 12; ++slot) EXPECT_EQ(zero.at(slot, 2), 0.0) << slot;

  Day missing = climate_morning(kMarker);
  missing.adjust();
  for (int slot = 1; slot <= 12; ++slot) EXPECT_EQ(missing.at(slot, 2), kMarker) << slot;
}

TEST(Adjust, DryHalfStaysZeroWhateverTheReading) {
  Day day;
  for (int slot = 1; slot <= 24; ++slot) day.hourly(slot, 0.0);
  day.window.field(1)[2] = 5.0;
  day.window.field(13)[2] = 7.0;
  day.window.field(1)[3] = 12.0;
  day.adjust();
  for (int slot = 1; slot <= 24; ++slot) {
    EXPECT_EQ(day.at(slot, 2), 0.0) << slot;
    EXPECT_EQ(day.at(slot, 3), 0.0) << slot;
  }
}

TEST(Adjust, NegativeSumsMakeTheWholeHalfOrDayMissing) {
  Day day;
  for (int slot = 1; slot <= 24; ++slot) day.hourly(slot, slot == 3 ? -2.0 : 0.5);
  day.window.field(1)[2] = 4.0;
  day.window.field(13)[2] = 4.0;
  day.window.field(1)[3] = 4.0;
  for (int slot = 1; slot <= 12; ++slot) day.hourly(slot, slot == 3 ? -20.0 : 0.5);
  day.adjust();
  for (int slot = 1; slot <= 12; ++slot) EXPECT_EQ(day.at(slot, 2), kMarker) << slot;
  // The second half sums to 6 and is scaled to its own reading.
  for (int slot = 13; slot <= 24; ++slot) EXPECT_DOUBLE_EQ(day.at(slot, 2), 4.0 / 6.0 * 0.5);
  // The collector's day sums to a negative number too: it becomes -N, not -N-1.
  for (int slot = 1; slot <= 24; ++slot) EXPECT_EQ(day.at(slot, 3), -kNodata) << slot;
}

TEST(Adjust, MissingInterpolatedHourStaysMissingAndNegativeReadingFlipsSigns) {
  Day day;
  for (int slot = 1; slot <= 24; ++slot) day.hourly(slot, 1.0);
  day.settings.lower_limit = 0.0;
  day.settings.lower_replacement = -kNodata;  // a replacement that counts as missing
  day.hourly(5, -0.5);                        // replaced by -N, then summed
  day.window.field(1)[2] = 2.0;
  day.window.field(13)[2] = -3.0;
  day.window.field(1)[3] = 1.0;
  day.adjust();
  EXPECT_EQ(day.at(5, 2), kMarker);
  EXPECT_EQ(day.at(13, 2), -3.0 / 12.0);
  // The collector's sum includes -N: negative, so the whole day is -N.
  EXPECT_EQ(day.at(1, 3), -kNodata);
}

TEST(Adjust, HourlyStationsAndEmptyGroupsAreLeftAlone) {
  Day day;
  day.counts = {1, 0, 0};
  for (int slot = 1; slot <= 24; ++slot) day.hourly(slot, 0.1 * slot);
  day.window.field(1)[2] = 123.0;
  const HourWindow before = day.window;
  day.adjust();
  for (int slot = 0; slot <= 24; ++slot) {
    EXPECT_EQ(day.window.field(slot), before.field(slot)) << slot;
  }
}

TEST(Adjust, ScaledHoursAddUpToTheirReading) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> rain(0.0, 30.0);
  for (int trial = 0; trial < 500; ++trial) {
    Day day;
    day.counts = {1, 1, 1};
    for (int slot = 1; slot <= 24; ++slot) {
      day.hourly(slot, rng() % 3 == 0 ? 0.0 : std::round(rain(rng) * 10) / 10);
    }
    day.hourly(1 + static_cast<int>(rng() % 12), 0.3);  // every half has rain
    day.hourly(13 + static_cast<int>(rng() % 12), 0.3);
    const double morning = rain(rng), evening = rain(rng), daily = rain(rng);
    day.window.field(1)[2] = morning;
    day.window.field(13)[2] = evening;
    day.window.field(1)[3] = daily;
    const HourWindow hourly_before = day.window;
    day.adjust();

    double first = 0, second = 0, whole = 0;
    for (int slot = 1; slot <= 24; ++slot) {
      (slot <= 12 ? first : second) += day.at(slot, 2);
      whole += day.at(slot, 3);
      ASSERT_EQ(day.at(slot, 1), hourly_before.field(slot)[1]);
    }
    ASSERT_NEAR(first, morning, 1e-12 * (1 + morning));
    ASSERT_NEAR(second, evening, 1e-12 * (1 + evening));
    ASSERT_NEAR(whole, daily, 1e-12 * (1 + daily));
  }
}

}  // namespace
}  // namespace rumo
