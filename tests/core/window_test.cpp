#include "core/window.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace rumo {
namespace {

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
