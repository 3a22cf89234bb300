// The library's writes of the values, made to fail on demand: this test is
// linked with --wrap=nc_put_vara_double.
#include <netcdf.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
#include "core/workers.hpp"
#include "export/netcdf_series.hpp"
#include "netcdf_content.hpp"

namespace {

std::atomic<bool> fail_first_block{false};
std::atomic<bool> release{false};

}  // namespace

extern "C" int __real_nc_put_vara_double(int ncid, int var, const size_t* start,
                                         const size_t* count, const double* values);

// The first group of stations of the first block fails, once `release` is
// set: until then the write hangs, as a slow disk would.
extern "C" int __wrap_nc_put_vara_double(int ncid, int var, const size_t* start,
                                         const size_t* count, const double* values) {
  char name[NC_MAX_NAME + 1] = {};
  nc_inq_varname(ncid, var, name);
  if (fail_first_block && std::strcmp(name, "precipitation") == 0 && start[0] == 0 &&
      start[1] == 0) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return NC_EHDFERR;
  }
  return __real_nc_put_vara_double(ncid, var, start, count, values);
}

namespace rumo {
namespace {

// A block whose writing fails while the next one fills: finish() reports it
// with the write code, and the file left behind, closed when the series
// ends, still holds the later hours each where it belongs.
TEST(NetcdfSeries, AFailedBlockIsReportedAndTheHoursAfterItStayInPlace) {
  ScratchFolder folder("rumo-netcdf-failure");
  SeriesLayout layout;
  const std::size_t stations = 3000;
  for (std::size_t s = 0; s < stations; ++s) {
    std::string name = "S";
    name += std::to_string(s);
    layout.stations.push_back({name, StationKind::hourly, static_cast<double>(s), 0.0, 0.0});
  }
  layout.start = std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::December,
                                             std::chrono::day{1}};
  const auto value = [](std::size_t s, long k) {
    return static_cast<double>(s) + static_cast<double>(k) / 1000.0;
  };
  WorkerPool pool(2);
  long records = 0;
  release = false;
  fail_first_block = true;
  {
    auto file = NetcdfSeries::create(folder / "f.nc", layout, exit_code::export_not_created,
                                     exit_code::export_not_written, &pool);
    records = file->chunk_hours() + 30;
    std::vector<double> values(stations);
    HourStamp stamp{.year = 2003, .month = 12, .day = 1, .hour = 7};
    for (long k = 0; k < records; ++k, stamp = next_hour(stamp)) {
      for (std::size_t s = 0; s < stations; ++s) values[s] = value(s, k);
      file->add(stamp, values);
    }
    release = true;
    try {
      file->finish();
      ADD_FAILURE() << "no error";
    } catch (const RunError& error) {
      EXPECT_EQ(error.code, exit_code::export_not_written);
      EXPECT_NE(error.message.find("could not write the NetCDF file"), std::string::npos);
    }
  }
  fail_first_block = false;
  const NetcdfContent back = read_netcdf(folder / "f.nc");
  ASSERT_EQ(back.hours, static_cast<std::size_t>(records));
  for (long k = records - 30; k < records; ++k) {
    for (std::size_t s = 0; s < stations; ++s) {
      ASSERT_EQ(back.values[s * back.hours + static_cast<std::size_t>(k)], value(s, k))
          << "station " << s << ", record " << k;
    }
  }
}

// With one thread the block is written when it is full, and its failure
// stops the caller at the next records, not at the end.
TEST(NetcdfSeries, AFailedBlockStopsTheNextRecords) {
  ScratchFolder folder("rumo-netcdf-failure-early");
  SeriesLayout layout;
  layout.stations = {{"A", StationKind::hourly, 0.0, 0.0, 0.0}};
  layout.start = std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::December,
                                             std::chrono::day{1}};
  WorkerPool pool(1);
  fail_first_block = true;
  release = true;
  auto file = NetcdfSeries::create(folder / "f.nc", layout, exit_code::export_not_created,
                                   exit_code::export_not_written, &pool);
  const std::vector<double> values{1.5};
  HourStamp stamp{.year = 2003, .month = 12, .day = 1, .hour = 7};
  long stopped_at = -1;
  for (long k = 0; k < file->chunk_hours() + 30 && stopped_at < 0; ++k, stamp = next_hour(stamp)) {
    try {
      file->add(stamp, values);
    } catch (const RunError& error) {
      EXPECT_EQ(error.code, exit_code::export_not_written);
      stopped_at = k;
    }
  }
  EXPECT_EQ(stopped_at, file->chunk_hours());
  fail_first_block = false;
}

}  // namespace
}  // namespace rumo
