#include "export/netcdf_series.hpp"

#include <gtest/gtest.h>

#include <iostream>
#include <random>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
#include "netcdf_content.hpp"

namespace rumo {
namespace {

using std::chrono::year_month_day;

SeriesLayout layout_of(std::size_t stations, int period_hours) {
  SeriesLayout layout;
  for (std::size_t s = 0; s < stations; ++s) {
    std::string name = "S";
    name += std::to_string(s);
    // Every third station's id in its source is known, and not its name.
    layout.stations.push_back({name, static_cast<StationKind>(s % 4),
                               1000.0 * static_cast<double>(s) + 0.25,
                               -2.5 * static_cast<double>(s), static_cast<double>(s % 700),
                               s % 3 == 0 ? std::to_string(10000 + s) : std::string()});
  }
  layout.start =
      year_month_day{std::chrono::year{2003}, std::chrono::December, std::chrono::day{1}};
  layout.offset = UtcOffset{-210};
  layout.period_hours = period_hours;
  return layout;
}

// Enough stations and hours for a whole block and a short last one, across a
// month and a year end, one record at a time or in runs of five that cross
// the blocks' ends; every record's values come back where they went,
// missing ones as the fill value, with the end of each record's period as
// its time and the period as its bounds.
TEST(NetcdfSeries, ValuesTimesAndStationsComeBackAsWritten) {
  const struct {
    std::size_t stations;
    int period_hours;
    long step;  // hours from one record's stamp to the next
    long run;   // records added in one call
  } cases[] = {{3000, 1, 1, 1}, {3000, 1, 1, 5}, {5, 12, 12, 1}, {2, 24, 24, 5}};
  for (const auto& c : cases) {
    ScratchFolder folder("rumo-netcdf-series");
    const SeriesLayout layout = layout_of(c.stations, c.period_hours);
    auto file = NetcdfSeries::create(folder / "s.nc", layout, exit_code::export_not_created,
                                     exit_code::export_not_written, std::cerr);
    const long records = file->chunk_hours() + 30;
    std::mt19937 rng(7);
    std::vector<std::vector<double>> written;
    std::vector<HourStamp> stamps;
    std::vector<double> held;
    HourStamp stamp{.year = 2003, .month = 12, .day = 1, .hour = 7};
    for (long k = 0; k < records; ++k) {
      std::vector<double>& values = written.emplace_back();
      for (std::size_t s = 0; s < c.stations; ++s) {
        values.push_back(rng() % 9 == 0 ? -9999.0 - (rng() % 3) : (rng() % 1000) / 10.0);
      }
      stamps.push_back(stamp);
      held.insert(held.end(), values.begin(), values.end());
      if (static_cast<long>(stamps.size()) == c.run || k + 1 == records) {
        file->add(stamps, held);
        stamps.clear();
        held.clear();
      }
      for (long h = 0; h < c.step; ++h) stamp = next_hour(stamp);
    }
    file->finish();

    const NetcdfContent back = read_netcdf(folder / "s.nc");
    ASSERT_EQ(back.hours, static_cast<std::size_t>(records));
    ASSERT_EQ(back.stations, c.stations);
    EXPECT_EQ(back.time_units, "hours since 2003-12-01 00:00:00 -03:30");
    EXPECT_EQ(back.fill, -9999.0);
    for (long k = 0; k < records; ++k) {
      const double end = 7.0 + static_cast<double>(k * c.step + c.period_hours - 1);
      EXPECT_EQ(back.time[k], end) << k;
      EXPECT_EQ(back.bounds[2 * k], end - c.period_hours);
      EXPECT_EQ(back.bounds[2 * k + 1], end);
      for (std::size_t s = 0; s < c.stations; ++s) {
        const double expected = written[k][s] > -9998.0 ? written[k][s] : -9999.0;
        ASSERT_EQ(back.values[s * back.hours + k], expected) << "station " << s << ", record " << k;
      }
    }
    for (std::size_t s = 0; s < c.stations; ++s) {
      EXPECT_EQ(back.names[s], layout.stations[s].name);
      EXPECT_EQ(back.sources[s], layout.stations[s].source_id);
      EXPECT_EQ(back.kinds[s], static_cast<signed char>(layout.stations[s].kind));
      EXPECT_EQ(back.x[s], layout.stations[s].x);
      EXPECT_EQ(back.y[s], layout.stations[s].y);
      EXPECT_EQ(back.height[s], layout.stations[s].height);
    }
    EXPECT_TRUE(back.lat.empty());
  }
}

// A file that is not finished (the run failed) is closed with the records
// it was given, readable; a CRS PROJ cannot use, or a geographic one, leaves
// no file at all.
TEST(NetcdfSeries, UnfinishedFilesAreReadableAndBadCrsMakesNone) {
  ScratchFolder folder("rumo-netcdf-unfinished");
  const SeriesLayout layout = layout_of(4, 1);
  {
    auto file = NetcdfSeries::create(folder / "u.nc", layout, exit_code::export_not_created,
                                     exit_code::export_not_written, std::cerr);
    const std::vector<double> values{1.5, 0.0, -9999.0, 2.0};
    HourStamp stamp{.year = 2003, .month = 12, .day = 31, .hour = 24};
    for (int k = 0; k < 3; ++k, stamp = next_hour(stamp)) file->add(stamp, values);
  }
  const NetcdfContent back = read_netcdf(folder / "u.nc");
  EXPECT_EQ(back.hours, 3u);
  EXPECT_EQ(back.time[1], 31.0 * 24 + 1);  // hour 1 of 1 January 2004

  // Degrees are no planar coordinates either.
  for (const char* crs : {"EPSG:nonsense", "EPSG:4326"}) {
    SeriesLayout bad = layout;
    bad.crs = crs;
    try {
      NetcdfSeries::create(folder / "b.nc", bad, exit_code::export_not_created,
                           exit_code::export_not_written, std::cerr);
      ADD_FAILURE() << "no error";
    } catch (const RunError& error) {
      EXPECT_EQ(error.code, exit_code::export_bad_crs);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "b.nc"));
  }
}

}  // namespace
}  // namespace rumo
