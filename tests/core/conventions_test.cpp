// The time base and CRS a title line states, the texts of dates and hours,
// and the projection of degrees.
#include <gtest/gtest.h>

#include "core/projection.hpp"
#include "core/stamp_text.hpp"
#include "core/time_base.hpp"

namespace rumo {
namespace {

TEST(UtcOffset, ReadsAndWritesFixedOffsets) {
  struct Case {
    const char* text;
    std::optional<int> minutes;
    const char* written;
  };
  for (const Case& c :
       {Case{"+01:00", 60, "+01:00"}, Case{"-03:30", -210, "-03:30"}, Case{"Z", 0, "+00:00"},
        Case{"+14:00", 840, "+14:00"}, Case{"+15:00", {}, ""}, Case{"+01:60", {}, ""},
        Case{"01:00", {}, ""}, Case{"+1:00", {}, ""}, Case{"+01:00x", {}, ""}}) {
    const auto offset = parse_utc_offset(c.text);
    ASSERT_EQ(offset.has_value(), c.minutes.has_value()) << c.text;
    if (!offset) continue;
    EXPECT_EQ(offset->minutes, *c.minutes) << c.text;
    EXPECT_EQ(format_utc_offset(*offset), c.written);
  }
}

TEST(TitleConventions, WhatTheImporterWritesReadsBack) {
  const std::string title =
      conventions_title("hourly precipitation [mm]", UtcOffset{60}, "EPSG:25832");
  EXPECT_EQ(title,
            "hourly precipitation [mm]; time UTC+01:00, hour h ends at h:00; crs EPSG:25832");
  const auto read = read_title_conventions(title + "\r\n");
  ASSERT_TRUE(read.offset);
  EXPECT_EQ(read.offset->minutes, 60);
  EXPECT_EQ(read.crs, "EPSG:25832");
  EXPECT_FALSE(read.ids);
  // The ids travel without blanks or semicolons, one word each, and are no
  // part of what the file holds.
  const std::string listed = conventions_title("daily", UtcOffset{}, "", {"02667", "K 1;2", "x"});
  EXPECT_EQ(listed, "daily; time UTC+00:00, hour h ends at h:00; ids 02667 K12 x");
  const auto ids = read_title_conventions(listed + " \r\n").ids;
  ASSERT_TRUE(ids);
  EXPECT_EQ(*ids, (std::vector<std::string>{"02667", "K12", "x"}));
  EXPECT_EQ(title_subject(listed), "daily");
  EXPECT_EQ(title_without_ids(listed + "; crs X"),
            "daily; time UTC+00:00, hour h ends at h:00; crs X");
  EXPECT_EQ(title_without_ids("free;  text "), "free;  text ");
  EXPECT_EQ(read_title_conventions("daily; ids").ids, std::vector<std::string>{});
  // A title of free text states nothing.
  const auto none = read_title_conventions("Stundenwerte Korim 2001 (generated)");
  EXPECT_FALSE(none.offset);
  EXPECT_EQ(none.crs, "");
  EXPECT_FALSE(read_title_conventions("x; time UTC+1").offset);
}

TEST(StampText, IsoDatesAndHoursAndTheTabbedStamp) {
  EXPECT_EQ(iso_date(Date{.year = 987, .month = 1, .day = 2}), "0987-01-02");
  EXPECT_EQ(iso_date(-1L), "1969-12-31");
  EXPECT_EQ(iso_minute(-60), "1969-12-31 23:00");
  EXPECT_EQ(iso_minute(19511LL * 1440 + 330), "2023-06-03 05:30");
  EXPECT_EQ(iso_hour(Date{.year = 2001, .month = 7, .day = 24}, 5, UtcOffset{-210}),
            "2001-07-24T05:00:00-03:30");
  char text[kStampRoom];
  const HourStamp stamp{.year = 2001, .month = 7, .day = 4, .hour = 24};
  EXPECT_EQ(std::string(text, write_stamp(text, stamp)), "2001\t7\t4\t24");
}

TEST(Projection, DegreesToPlanarEastingFirstWithinAMillimetre) {
  // References from PROJ's cs2cs on the same point (50.5 N, 9.7 E).
  struct Case {
    const char* crs;
    double x, y;
  };
  for (const Case& c : {Case{"EPSG:25832", 549644.5094, 5594459.4037},
                        // Gauss-Krueger declares northing first; x stays the easting.
                        Case{"EPSG:31467", 3549738.8287, 5596258.4872}}) {
    std::string reason;
    const auto projection = Projection::create(c.crs, reason);
    ASSERT_TRUE(projection) << reason;
    const auto planar = projection->forward({50.5, 9.7});
    ASSERT_TRUE(planar);
    EXPECT_NEAR(planar->x, c.x, 1e-3) << c.crs;
    EXPECT_NEAR(planar->y, c.y, 1e-3) << c.crs;
    const auto back = projection->inverse(*planar);
    ASSERT_TRUE(back);
    EXPECT_NEAR(back->lat, 50.5, 1e-9);
    EXPECT_NEAR(back->lon, 9.7, 1e-9);
    EXPECT_NE(projection->wkt().find("PROJCRS"), std::string::npos);
  }
  std::string reason;
  EXPECT_FALSE(Projection::create("EPSG:nonsense", reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(utm_zone_crs(9.7, false), "EPSG:32632");
  EXPECT_EQ(utm_zone_crs(-70.6, true), "EPSG:32719");
}

}  // namespace
}  // namespace rumo
