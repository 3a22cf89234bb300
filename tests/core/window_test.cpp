#include "core/window.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace rumo {
namespace {

TEST(HourWindow, RefilledWithTheMarkerAndRotatedWithFieldStampAndReadMark) {
  HourWindow window(2000);
  window.fill(missing_marker(998.0));
  EXPECT_EQ(window.field(25)[2000], -999.0);
  EXPECT_EQ(window.stamp(3), (HourStamp{-9999, -9999, -9999, -9999}));
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    window.field(slot)[1] = slot;
    window.stamp(slot).hour = slot;
  }
  window.set_hour_read(5, true);
  window.set_hour_read(0, true);
  rotate_window(window);
  // Slots 1..24 move down one; the pair of slot 0 stands in slots 24 and 25,
  // which then share one field and stamp.
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    const int from = slot < 24 ? slot + 1 : 0;
    EXPECT_EQ(window.field(slot)[1], from) << slot;
    EXPECT_EQ(window.stamp(slot).hour, from) << slot;
    EXPECT_EQ(window.hour_read(slot), from == 5 || from == 0) << slot;
  }
  EXPECT_EQ(&window.field(25), &window.field(24));
  for (int step = 1; step < 25; ++step) rotate_window(window);
  for (int slot = 0; slot < 25; ++slot) EXPECT_EQ(window.stamp(slot).hour, slot) << slot;
}

TEST(Nodata, PresenceMarkerAndYears) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const double missing : {-9999.0, -9998.0, -12000.0, nan}) {
    EXPECT_FALSE(is_present(missing, 9998.0)) << missing;
  }
  for (const double present : {-9997.5, 0.0, 12000.0}) EXPECT_TRUE(is_present(present, 9998.0));
  EXPECT_FALSE(is_present(0.0, nan));
  EXPECT_EQ(missing_marker(998.0), -999.0);
  // A nodata value that is not a number: the marker is its negation.
  EXPECT_TRUE(std::signbit(missing_marker(nan)) && !std::signbit(missing_marker(-nan)));
  for (const auto& [read, stored] :
       {std::pair{99, 1999}, std::pair{0, 1900}, std::pair{100, 100}}) {
    EXPECT_EQ(correct_year(read), stored) << read;
  }
}

}  // namespace
}  // namespace rumo
