#include "run/netcdf_addition.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <fstream>
#include <random>
#include <sstream>

#include "core/error.hpp"
#include "core/params.hpp"
#include "netcdf_content.hpp"
#include "run/export_file.hpp"
#include "run/run.hpp"

namespace rumo {
namespace {

// A station file of `count` stations with records every `step` hours from
// hour `first` of 30 December 2003 to hour 6 of 2 January 2004. Values have
// up to three decimals, so that the result file rounds them.
std::string station_file(const std::string& title, int count, int first, int step,
                         std::mt19937& rng, std::vector<double>& heights) {
  std::ostringstream text;
  text << title << "\nYY\tMM\tDD\tHH";
  for (int i = 0; i < count; ++i) {
    heights.push_back(100.5 + i);
    text << '\t' << heights.back();
  }
  text << "\nYY\tMM\tDD\tHH";
  for (int i = 0; i < count; ++i) text << '\t' << 500000 + 9000 * i - 20000 * (i % 2);
  text << "\nYY\tMM\tDD\tHH";
  for (int i = 0; i < count; ++i) text << '\t' << 5540000 + 7000 * i;
  text << "\nYY\tMM\tDD\tHH";
  for (int i = 0; i < count; ++i) text << "\tS" << heights.size() - count + i;
  text << '\n';
  HourStamp stamp{.year = 2003, .month = 12, .day = 30, .hour = first};
  for (int k = 0; stamp.year < 2004 || stamp.day < 2 || stamp.hour <= 6; ++k) {
    text << stamp.year << '\t' << stamp.month << '\t' << stamp.day << '\t' << stamp.hour;
    for (int i = 0; i < count; ++i) {
      const unsigned r = rng() % 20;
      text << '\t' << (r == 0 ? "-9999" : r < 8 ? "0" : std::to_string(rng() % 5000 / 1000.0));
    }
    text << '\n';
    for (int h = 0; h < step; ++h) stamp = next_hour(stamp);
  }
  return text.str();
}

// The values of the result file's data lines, as the text says.
std::vector<std::vector<double>> result_values(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<double>> lines;
  std::string line;
  for (int i = 0; i < 5; ++i) std::getline(in, line);
  while (std::getline(in, line)) {
    std::vector<double>& values = lines.emplace_back();
    std::istringstream cells(line);
    std::string cell;
    for (int field = 0; std::getline(cells, cell, '\t'); ++field) {
      double value = 0.0;
      std::from_chars(cell.data(), cell.data() + cell.size(), value);
      if (field >= 4) values.push_back(value);
    }
  }
  return lines;
}

// A run across a month and a year end with --netcdf: every value the
// result file writes comes back exactly (missing ones as the fill value),
// the stations as their headers give them with their kinds, the hours as
// the hourly file's title states them, latitude and longitude through its
// CRS; exporting the result file gives the same values, also with its hours
// moved to another offset.
TEST(NetcdfAddition, TheRunsValuesStationsAndHoursComeBack) {
  ScratchFolder folder("rumo-netcdf-run");
  std::mt19937 rng(11);
  std::vector<double> heights;
  const char* title =
      "hourly precipitation [mm]; time UTC+01:00, hour h ends at h:00; crs EPSG:25832";
  const std::string files[] = {station_file(title, 4, 1, 1, rng, heights),
                               station_file("climate; ids 9", 2, 7, 12, rng, heights),
                               station_file("collector; ids 40101 40102", 2, 7, 24, rng, heights)};
  const char* names[] = {"h.txt", "c.txt", "s.txt"};
  for (int i = 0; i < 3; ++i) std::ofstream(folder / names[i]) << files[i];

  Invocation invocation;
  RunParameters& p = invocation.parameters.emplace();
  p.hourly_file = folder / "h.txt";
  p.climate_file = folder / "c.txt";
  p.collector_file = folder / "s.txt";
  p.result_file = folder / "r.txt";
  p.start = Date{.year = 2003, .month = 12, .day = 30}, p.start_hour = 1;
  p.end = Date{.year = 2004, .month = 1, .day = 1};
  p.power = 2.0, p.max_distance = 1e6, p.upper_limit = 1e300;
  invocation.options.located = true;
  invocation.options.threads = 2;
  invocation.options.netcdf_file = folder / "r.nc";
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out, out, out};
  DiskFiles disk;
  run(console, disk, invocation);
  EXPECT_NE(out.str().find("c.txt lists 1 ids in its title for its 2 stations; their ids in the "
                           "source are not known"),
            std::string::npos);

  const auto lines = result_values(folder / "r.txt");
  ASSERT_EQ(lines.size(), 72u);
  const NetcdfContent nc = read_netcdf(folder / "r.nc");
  ASSERT_EQ(nc.stations, 8u);
  ASSERT_EQ(nc.hours, 72u);
  EXPECT_EQ(nc.time_units, "hours since 2003-12-30 00:00:00 +01:00");
  EXPECT_EQ(nc.conventions, "CF-1.8");
  EXPECT_EQ(nc.cell_methods, "time: sum");
  int present = 0;
  for (std::size_t k = 0; k < 72; ++k) {
    EXPECT_EQ(nc.time[k], k + 1.0);
    EXPECT_EQ(nc.bounds[2 * k], static_cast<double>(k));
    EXPECT_EQ(nc.bounds[2 * k + 1], k + 1.0);
    for (std::size_t s = 0; s < 8; ++s) {
      const double text = lines[k][s];
      const double expected = text > -9998.0 ? text : nc.fill;
      present += text > -9998.0 && text != std::floor(text);
      ASSERT_EQ(nc.values[s * 72 + k], expected) << "station " << s + 1 << ", line " << k + 1;
    }
  }
  EXPECT_GT(present, 100);  // values with decimals, rounded as the text has them
  const signed char kinds[] = {1, 1, 1, 1, 2, 2, 3, 3};
  for (std::size_t s = 0; s < 8; ++s) {
    const int i = static_cast<int>(s < 4 ? s : s < 6 ? s - 4 : s - 6);
    EXPECT_EQ(nc.names[s], "S" + std::to_string(s));
    // Only the collector file's title lists its stations' source ids.
    const std::string source = s < 6 ? "" : "4010" + std::to_string(s - 5);
    EXPECT_EQ(nc.sources[s], source);
    EXPECT_EQ(nc.ids[s], "HKS"[kinds[s] - 1] + (s < 6 ? nc.names[s] : source));
    EXPECT_EQ(nc.kinds[s], kinds[s]);
    EXPECT_EQ(nc.x[s], 500000.0 + 9000 * i - 20000 * (i % 2));
    EXPECT_EQ(nc.y[s], 5540000.0 + 7000 * i);
    EXPECT_EQ(nc.height[s], heights[s]);
  }
  // UTM zone 32's central meridian is 9 degrees east; 5540000 m north of
  // the equator lies near 50 degrees north.
  EXPECT_NEAR(nc.lon[0], 9.0, 1e-9);
  EXPECT_NEAR(nc.lat[0], 50.0, 0.05);
  EXPECT_NE(nc.crs_wkt.find("UTM zone 32N"), std::string::npos);

  ExportRequest request;
  request.input = folder / "r.txt";
  request.netcdf_file = folder / "e.nc";
  request.utc_offset = UtcOffset{60};
  export_station_file(console, disk, request);
  const NetcdfContent exported = read_netcdf(folder / "e.nc");
  EXPECT_EQ(exported.values, nc.values);
  EXPECT_EQ(exported.time, nc.time);
  EXPECT_EQ(exported.time_units, nc.time_units);
  EXPECT_EQ(exported.kinds, std::vector<signed char>(8, 0));
  // The same hours as UTC-02:00 counts them: three hours earlier, from the
  // day before.
  request.to_offset = UtcOffset{-120};
  export_station_file(console, disk, request);
  const NetcdfContent moved = read_netcdf(folder / "e.nc");
  EXPECT_EQ(moved.values, nc.values);
  EXPECT_EQ(moved.time_units, "hours since 2003-12-29 00:00:00 -02:00");
  for (std::size_t k = 0; k < 72; ++k) EXPECT_EQ(moved.time[k], nc.time[k] + 21.0);
}

// The file is created before any data is read: one that names a file of
// the run stops it with 111 before the result file gets a data line.
TEST(NetcdfAddition, ANameTheRunUsesStopsBeforeAnyData) {
  ScratchFolder folder("rumo-netcdf-taken");
  std::mt19937 rng(3);
  std::vector<double> heights;
  std::ofstream(folder / "h.txt") << station_file("t", 2, 1, 1, rng, heights);
  Invocation invocation;
  RunParameters& p = invocation.parameters.emplace();
  p.hourly_file = folder / "h.txt";
  p.result_file = folder / "r.txt";
  p.start = Date{.year = 2003, .month = 12, .day = 30};
  p.end = Date{.year = 2003, .month = 12, .day = 31}, p.max_distance = 1e6;
  invocation.options.located = true;
  invocation.options.netcdf_file = folder / "h.txt";
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out, out, out};
  DiskFiles disk;
  try {
    run(console, disk, invocation);
    ADD_FAILURE() << "no error";
  } catch (const RunError& error) {
    EXPECT_EQ(error.code, exit_code::added_file_not_created);
  }
  EXPECT_EQ(result_values(folder / "r.txt").size(), 0u);
}

}  // namespace
}  // namespace rumo
