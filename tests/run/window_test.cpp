#include "run/window.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <cmath>

namespace rumo {
namespace {

TEST(HourWindow, CreatedUndatedAndRefilledWithTheEnteredMarker) {
  HourWindow window;
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    ASSERT_EQ(window.field(slot).size(), kStationEntries);
    EXPECT_EQ(window.field(slot)[1999], -9999.0);
    EXPECT_EQ(window.stamp(slot), (HourStamp{-9999, -9999, -9999, -9999}));
    EXPECT_FALSE(window.hour_read(slot));
  }
  window.fill(missing_marker(998.0));
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    EXPECT_EQ(window.field(slot)[0], -9999.0);
    EXPECT_EQ(window.field(slot)[1], -999.0);
    EXPECT_EQ(window.field(slot)[kMaxStations], -999.0);
  }
}

TEST(HourWindow, RotationMovesFieldStampAndReadMarkTogether) {
  HourWindow window;
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    window.field(slot)[1] = slot;
    window.stamp(slot).hour = slot;
  }
  window.set_hour_read(5, true);
  window.set_hour_read(0, true);
  rotate_window(window);

  for (int slot = 0; slot < 24; ++slot) {
    EXPECT_EQ(window.field(slot)[1], slot + 1);
    EXPECT_EQ(window.stamp(slot).hour, slot + 1);
    EXPECT_EQ(window.hour_read(slot), slot == 4) << slot;
  }
  // The oldest pair, from slot 0, now stands in slots 24 and 25; the pair
  // created for slot 25 is gone.
  for (int slot : {24, 25}) {
    EXPECT_EQ(window.field(slot)[1], 0);
    EXPECT_EQ(window.stamp(slot).hour, 0);
    EXPECT_TRUE(window.hour_read(slot));
  }
  window.field(24)[7] = 12.5;
  window.stamp(24).day = 3;
  EXPECT_EQ(window.field(25)[7], 12.5);
  EXPECT_EQ(window.stamp(25).day, 3);
}

TEST(HourWindow, TwentyFiveRotationsBringEverySlotBack) {
  HourWindow window;
  rotate_window(window);
  const HourField* fields[25];
  const HourStamp* stamps[25];
  for (int slot = 0; slot < 25; ++slot) {
    fields[slot] = &window.field(slot);
    stamps[slot] = &window.stamp(slot);
  }
  for (int step = 1; step <= 25; ++step) {
    rotate_window(window);
    if (step < 25) {
      EXPECT_NE(&window.field(0), fields[0]) << step;
    }
  }
  for (int slot = 0; slot < 25; ++slot) {
    EXPECT_EQ(&window.field(slot), fields[slot]) << slot;
    EXPECT_EQ(&window.stamp(slot), stamps[slot]) << slot;
  }
  EXPECT_EQ(&window.field(25), &window.field(24));
}

TEST(Nodata, PresenceAndMarker) {
  EXPECT_EQ(missing_marker(9998.0), -9999.0);
  EXPECT_FALSE(is_present(-9999.0, 9998.0));
  EXPECT_FALSE(is_present(-9998.0, 9998.0));
  EXPECT_FALSE(is_present(std::nan(""), 9998.0));
  EXPECT_FALSE(is_present(-std::nan(""), 9998.0));
  EXPECT_TRUE(is_present(-9997.5, 9998.0));
  EXPECT_TRUE(is_present(0.0, 9998.0));
  EXPECT_TRUE(is_present(9998.0, 9998.0));
  EXPECT_TRUE(is_present(12000.0, 9998.0));

  EXPECT_EQ(missing_marker(998.0), -999.0);
  EXPECT_FALSE(is_present(-999.0, 998.0));
  EXPECT_FALSE(is_present(-998.0, 998.0));
  EXPECT_TRUE(is_present(-997.9, 998.0));

  // A nodata value that is not a number: nothing is present, and the marker
  // is its negation in every build.
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(missing_marker(nan)));
  EXPECT_TRUE(std::signbit(missing_marker(nan)));
  EXPECT_FALSE(std::signbit(missing_marker(-nan)));
  EXPECT_FALSE(is_present(0.0, nan));
}

TEST(Nodata, YearCorrection) {
  EXPECT_EQ(correct_year(99), 1999);
  EXPECT_EQ(correct_year(0), 1900);
  EXPECT_EQ(correct_year(100), 100);
  EXPECT_EQ(correct_year(2003), 2003);
}

}  // namespace
}  // namespace rumo
