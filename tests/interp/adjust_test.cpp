// The run's passes over a day: which slots and readings each station's
// periods take, and what an unusable sum makes of them.
#include "interp/adjust.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;
constexpr double kMarker = -9999.0;

// One hourly (1), one climate (2) and one collector station (3), all at the
// same place, power 0: every interpolated hour is the hourly value itself,
// so a test sets the interpolated course directly, and the readings: the
// climate station's in slots 1 and 13, the collector's in slot 1.
struct Day {
  StationTable table;
  StationCounts counts{1, 1, 1};
  IdwSettings settings{0.0, 1.0, kNodata, -1e300, 0.0, 1e300, 0.0};
  HourWindow window{3};

  Day(double (*course)(int), double morning, double evening, double daily) {
    table.make_room(3);
    window.fill(kMarker);
    for (int slot = 1; slot <= 24; ++slot) window.field(slot)[1] = course(slot);
    window.field(1)[2] = morning;
    window.field(13)[2] = evening;
    window.field(1)[3] = daily;
  }
  void adjust() {
    IdwEngine engine(table, counts, settings);
    adjust_to_totals(window, counts, kNodata, engine);
  }
  // Station `station`'s values in slots first..last.
  std::vector<double> at(int station, int first, int last) const {
    std::vector<double> values;
    for (int slot = first; slot <= last; ++slot) values.push_back(window.field(slot)[station]);
    return values;
  }
};

using Values = std::vector<double>;

TEST(Adjust, HandWorkedDays) {
  const auto morning_rain = [](int slot) { return slot <= 2 ? 0.5 : 0.0; };
  Day day(morning_rain, 6.0, 0.0, 0.0);
  day.adjust();
  EXPECT_EQ(day.at(2, 1, 12), Values({3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  // A dry half stays 0 whatever the reading.
  Day dry([](int) { return 0.0; }, 5.0, 7.0, 12.0);
  dry.adjust();
  EXPECT_EQ(dry.at(2, 1, 24), Values(24, 0.0));
  EXPECT_EQ(dry.at(3, 1, 24), Values(24, 0.0));

  // A negative sum makes its half missing, and the collector's day -N.
  Day negative([](int slot) { return slot == 3 ? -20.0 : 0.5; }, 4.0, 4.0, 4.0);
  negative.adjust();
  EXPECT_EQ(negative.at(2, 1, 12), Values(12, kMarker));
  EXPECT_EQ(negative.at(2, 13, 24), Values(12, 4.0 / 6.0 * 0.5));
  EXPECT_EQ(negative.at(3, 1, 24), Values(24, -kNodata));

  // An hour replaced by -N stays missing and is summed; a negative reading
  // flips the signs.
  Day replaced([](int slot) { return slot == 5 ? -0.5 : 1.0; }, 2.0, -3.0, 1.0);
  replaced.settings.lower_limit = 0.0;
  replaced.settings.lower_replacement = -kNodata;
  replaced.adjust();
  EXPECT_EQ(replaced.at(2, 5, 5), Values{kMarker});
  EXPECT_EQ(replaced.at(2, 13, 13), Values{-3.0 / 12.0});
  EXPECT_EQ(replaced.at(3, 1, 1), Values{-kNodata});

  // Hourly stations and empty groups are left alone.
  Day alone([](int slot) { return 0.1 * slot; }, 123.0, 0.0, 0.0);
  alone.counts = {1, 0, 0};
  const HourWindow before = alone.window;
  alone.adjust();
  for (int slot = 0; slot <= 24; ++slot) EXPECT_EQ(alone.window.field(slot), before.field(slot));
}

}  // namespace
}  // namespace rumo
