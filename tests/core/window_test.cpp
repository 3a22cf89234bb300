#include "core/window.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

namespace rumo {
namespace {

constexpr int kStations = 2000;

TEST(HourWindow, CreatedUndatedAndRefilledWithTheEnteredMarker) {
  HourWindow window(kStations);
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    ASSERT_EQ(window.field(slot).size(), station_entries(kStations));
    EXPECT_EQ(window.field(slot)[kStations], -9999.0);
    EXPECT_EQ(window.stamp(slot), (HourStamp{-9999, -9999, -9999, -9999}));
    EXPECT_FALSE(window.hour_read(slot));
  }
  window.fill(missing_marker(998.0));
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    EXPECT_EQ(window.field(slot)[0], -9999.0);
    EXPECT_EQ(window.field(slot)[1], -999.0);
    EXPECT_EQ(window.field(slot)[kStations], -999.0);
  }
}

TEST(HourWindow, RotationMovesFieldStampAndReadMarkTogether) {
  HourWindow window(kStations);
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    window.field(slot)[1] = slot;
    window.stamp(slot).hour = slot;
  }
  window.set_hour_read(5, true);
  window.set_hour_read(0, true);
  rotate_window(window);
  // Slots 1..24 move down one; the pair of slot 0 stands in slots 24 and 25,
  // and the pair created for slot 25 is gone.
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    const int from = slot < 24 ? slot + 1 : 0;
    EXPECT_EQ(window.field(slot)[1], from) << slot;
    EXPECT_EQ(window.stamp(slot).hour, from) << slot;
    EXPECT_EQ(window.hour_read(slot), from == 5 || from == 0) << slot;
  }
}

TEST(HourWindow, TwentyFiveRotationsBringEverySlotBack) {
  HourWindow window(kStations);
  rotate_window(window);
  for (int slot = 0; slot < 25; ++slot) window.stamp(slot).hour = slot;
  for (int step = 1; step <= 25; ++step) {
    rotate_window(window);
    EXPECT_EQ(window.stamp(0).hour, step % 25) << step;
    // Slot 25 is slot 24: what is written there is seen through both.
    EXPECT_EQ(&window.field(25), &window.field(24)) << step;
    EXPECT_EQ(&window.stamp(25), &window.stamp(24)) << step;
  }
  for (int slot = 0; slot < 25; ++slot) EXPECT_EQ(window.stamp(slot).hour, slot) << slot;
}

TEST(Nodata, PresenceAndMarker) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const double missing : {-9999.0, -9998.0, -12000.0, nan, -nan}) {
    EXPECT_FALSE(is_present(missing, 9998.0)) << missing;
  }
  for (const double present : {-9997.5, 0.0, 9998.0, 12000.0}) {
    EXPECT_TRUE(is_present(present, 9998.0)) << present;
  }
  EXPECT_FALSE(is_present(-998.0, 998.0));
  EXPECT_TRUE(is_present(-997.9, 998.0));
  EXPECT_FALSE(is_present(0.0, nan));

  EXPECT_EQ(missing_marker(9998.0), -9999.0);
  EXPECT_EQ(missing_marker(998.0), -999.0);
  // A nodata value that is not a number: the marker is its negation.
  EXPECT_TRUE(std::isnan(missing_marker(nan)) && std::signbit(missing_marker(nan)));
  EXPECT_FALSE(std::signbit(missing_marker(-nan)));
}

TEST(Nodata, YearsBelow100AreOf1900) {
  for (const auto& [read, stored] :
       {std::pair{99, 1999}, std::pair{0, 1900}, std::pair{100, 100}, std::pair{2003, 2003}}) {
    EXPECT_EQ(correct_year(read), stored) << read;
  }
}

}  // namespace
}  // namespace rumo
