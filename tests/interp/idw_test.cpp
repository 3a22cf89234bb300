// The plain interpolation on hand-worked cases.
#include "interp/idw.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace rumo {
namespace {

constexpr double kNodata = 9998.0;
constexpr int kStations = 2000;

// Hourly stations 1..hourly, targets after them; coordinates set per test.
struct Scene {
  StationTable table;
  HourField field = HourField(station_entries(kStations), -9999.0);
  IdwSettings settings;
  int hourly = 0;

  Scene() {
    table.make_room(kStations);
    settings.nodata = kNodata;
    settings.power = 2.0;
    settings.max_distance = 1000.0;
    settings.lower_limit = -1e300;
    settings.upper_limit = 1e300;
  }
  void place(int station, double x, double y) {
    table.first[station] = x;
    table.second[station] = y;
  }
  double run(int target) {
    idw_interpolate(field, target, target, table, hourly, settings);
    return field[target];
  }
};

TEST(Idw, SourceAtTheTargetsPlaceCountsAsOneTenthSquaredAway) {
  Scene s;
  s.hourly = 2;
  s.settings.max_distance = 1.0;
  s.place(1, 5.0, 5.0);
  s.place(2, 5.0, 5.5);
  s.place(3, 5.0, 5.0);
  s.field[1] = 6.0;  // weight 1 / 0.1 = 10
  s.field[2] = 2.0;  // weight 1 / 0.25 = 4
  EXPECT_DOUBLE_EQ(s.run(3), (10.0 * 6.0 + 4.0 * 2.0) / 14.0);
  EXPECT_NEAR(s.run(3), 4.857, 0.001);

  // With power 1 the coinciding source weighs 1 / sqrt(0.1).
  s.settings.power = 1.0;
  const double w1 = 1.0 / std::sqrt(0.1);
  const double w2 = 1.0 / 0.5;
  EXPECT_DOUBLE_EQ(s.run(3), w1 / (w1 + w2) * 6.0 + w2 / (w1 + w2) * 2.0);
}

TEST(Idw, SourceAtExactlyTheMaximumDistanceIsIncluded) {
  Scene s;
  s.hourly = 2;
  s.settings.max_distance = 5.0;
  s.place(1, 3.0, 4.0);  // squared distance 25
  s.place(2, 3.0, 4.001);
  s.place(3, 0.0, 0.0);
  s.field[1] = 7.0;
  s.field[2] = 100.0;  // just beyond reach
  EXPECT_EQ(s.run(3), 7.0);
  // A negative distance reaches as far as its absolute value.
  s.settings.max_distance = -5.0;
  EXPECT_EQ(s.run(3), 7.0);
  // A distance of 0 reaches nothing, not even a source at the same place.
  s.settings.max_distance = 0.0;
  s.place(1, 0.0, 0.0);
  EXPECT_EQ(s.run(3), 0.0);
}

TEST(Idw, PowersChooseTheirWeightForm) {
  EXPECT_EQ(weight_form(1.0), WeightForm::inverse_distance);
  EXPECT_EQ(weight_form(0.9995), WeightForm::inverse_distance);
  EXPECT_EQ(weight_form(1.0004), WeightForm::inverse_distance);
  EXPECT_EQ(weight_form(1.0005), WeightForm::general);
  EXPECT_EQ(weight_form(0.9994), WeightForm::general);
  EXPECT_EQ(weight_form(2.0), WeightForm::inverse_square);
  EXPECT_EQ(weight_form(1.9995), WeightForm::inverse_square);
  EXPECT_EQ(weight_form(2.0005), WeightForm::general);
  EXPECT_EQ(weight_form(0.0), WeightForm::general);
  EXPECT_EQ(weight_form(-2.0), WeightForm::general);

  // Power 1.0004 weighs by exactly 1/d, 1.0005 through the exponential.
  EXPECT_EQ(weight(16.0, weight_form(1.0004), 1.0004), 0.25);
  EXPECT_EQ(weight(16.0, weight_form(1.0005), 1.0005),
            1.0 / std::exp(1.0005 * std::log(std::sqrt(16.0))));
  EXPECT_NE(weight(16.0, weight_form(1.0005), 1.0005), 0.25);
}

TEST(Idw, PowerZeroIsThePlainMeanOfThePresentValues) {
  Scene s;
  s.hourly = 4;
  s.settings.power = 0.0;
  s.place(1, 0, 10);
  s.place(2, 0, 500);
  s.place(3, 0, 900);
  s.place(4, 0, 20);
  s.place(5, 0, 0);
  s.field[1] = 1.0;
  s.field[2] = 2.0;
  s.field[3] = 6.0;
  s.field[4] = -9998.0;  // equal to -N: absent
  EXPECT_DOUBLE_EQ(s.run(5), 3.0);
  s.field[4] = -9997.5;  // just above -N: present
  EXPECT_DOUBLE_EQ(s.run(5), 0.25 * 1.0 + 0.25 * 2.0 + 0.25 * 6.0 + 0.25 * -9997.5);
}

TEST(Idw, NoPresentSourceGivesZeroBeforeTheLimits) {
  Scene s;
  s.hourly = 3;
  s.place(4, 0, 0);
  s.field[1] = -9999.0;
  s.field[2] = std::numeric_limits<double>::quiet_NaN();
  s.field[3] = -1e9;
  EXPECT_EQ(s.run(4), 0.0);
  s.settings.lower_limit = 0.5;
  s.settings.lower_replacement = -1.0;
  EXPECT_EQ(s.run(4), -1.0);
}

TEST(Idw, LimitsAreStrictAndTheLowerOneIsTestedFirst) {
  Scene s;
  s.hourly = 1;
  s.place(2, 0, 0);
  s.field[1] = 2.0;
  s.settings.lower_limit = 2.0;
  s.settings.lower_replacement = -5.0;
  s.settings.upper_limit = 2.0;
  s.settings.upper_replacement = 99.0;
  EXPECT_EQ(s.run(2), 2.0);  // equal to both limits: kept
  s.field[1] = 2.5;
  EXPECT_EQ(s.run(2), 99.0);
  s.field[1] = 1.5;
  EXPECT_EQ(s.run(2), -5.0);
  // A lower limit above the upper one: values below it take the lower
  // replacement even when they are above the upper limit.
  s.settings.lower_limit = 10.0;
  s.settings.upper_limit = 1.0;
  s.field[1] = 5.0;
  EXPECT_EQ(s.run(2), -5.0);
}

TEST(Idw, TouchesOnlyItsTargets) {
  Scene s;
  s.hourly = 2;
  s.field[1] = 1.0;
  s.field[2] = 3.0;
  s.field[3] = 111.0;
  s.field[4] = 222.0;
  s.field[5] = 333.0;
  idw_interpolate(s.field, 4, 4, s.table, s.hourly, s.settings);
  EXPECT_EQ(s.field[1], 1.0);
  EXPECT_EQ(s.field[2], 3.0);
  EXPECT_EQ(s.field[3], 111.0);
  EXPECT_NE(s.field[4], 222.0);
  EXPECT_EQ(s.field[5], 333.0);
  const HourField before = s.field;
  idw_interpolate(s.field, 5, 4, s.table, s.hourly, s.settings);  // an empty range
  EXPECT_EQ(s.field, before);
}

TEST(Idw, AbsurdPowersNeverWriteNaN) {
  Scene s;
  s.hourly = 2;
  s.settings.max_distance = 1e6;
  s.place(1, 1000, 0);
  s.place(2, 0, 2000);
  s.place(3, 0, 0);
  s.field[1] = 4.0;
  s.field[2] = std::numeric_limits<double>::infinity();
  // Every weight underflows to 0, or overflows to infinity: no usable sum,
  // as if no source were in reach.
  for (const double power : {500.0, -500.0, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()}) {
    s.settings.power = power;
    EXPECT_EQ(s.run(3), 0.0) << "power " << power;
  }
  // One source's share underflows beside an infinite value: no 0 x infinity.
  s.settings.power = 100.0;
  s.place(1, 1, 0);
  s.place(2, 0, 1e4);
  EXPECT_EQ(s.run(3), 4.0);
}

}  // namespace
}  // namespace rumo
