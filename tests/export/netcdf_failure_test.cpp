// The library's writes, made to fail on demand: this test is linked with
// --wrap=nc_put_vara_double.
#include <netcdf.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
#include "export/netcdf_series.hpp"
#include "netcdf_content.hpp"

namespace {

// The first write of the block that begins at this record fails, once.
long fail_at = -1;

}  // namespace

extern "C" int __real_nc_put_vara_double(int ncid, int var, const size_t* start,
                                         const size_t* count, const double* values);

extern "C" int __wrap_nc_put_vara_double(int ncid, int var, const size_t* start,
                                         const size_t* count, const double* values) {
  char name[NC_MAX_NAME + 1] = {};
  nc_inq_varname(ncid, var, name);
  if (std::strcmp(name, "time") == 0 && static_cast<long>(start[0]) == fail_at) {
    fail_at = -1;
    return NC_EHDFERR;
  }
  return __real_nc_put_vara_double(ncid, var, start, count, values);
}

namespace rumo {
namespace {

// A block that cannot be written is reported at once, by the call that
// fills it (a whole block) or by finish() (the short last one), with the
// write code, the file's name and the library's words. The file left
// behind, closed when the series ends, holds the block before it, each
// hour in place, and nothing of the failed block: it is not tried again.
TEST(NetcdfSeries, AFailedBlockIsReportedAtOnceAndTheFileKeepsTheBlocksBefore) {
  SeriesLayout layout;
  const std::size_t stations = 3000;
  for (std::size_t s = 0; s < stations; ++s) {
    std::string name = "S";
    name += std::to_string(s);
    layout.stations.push_back({name, StationKind::hourly, static_cast<double>(s), 0.0, 0.0, ""});
  }
  layout.start = std::chrono::year_month_day{std::chrono::year{2003}, std::chrono::December,
                                             std::chrono::day{1}};
  const auto value = [](std::size_t s, long k) {
    return static_cast<double>(s) + static_cast<double>(k) / 1000.0;
  };
  for (const bool short_last : {false, true}) {
    ScratchFolder folder("rumo-netcdf-failure");
    const std::string path = folder / "f.nc";
    long chunk = 0, records = 0, stopped_at = -1;
    {
      auto file = NetcdfSeries::create(path, layout, exit_code::export_not_created,
                                       exit_code::export_not_written, std::cerr);
      chunk = file->chunk_hours();
      records = short_last ? chunk + 30 : 2 * chunk + 30;
      fail_at = chunk;
      std::vector<double> values(stations);
      HourStamp stamp{.year = 2003, .month = 12, .day = 1, .hour = 7};
      long k = 0;
      try {
        for (; k < records; ++k, stamp = next_hour(stamp)) {
          for (std::size_t s = 0; s < stations; ++s) values[s] = value(s, k);
          file->add(stamp, values);
        }
        file->finish();
        ADD_FAILURE() << "no error";
      } catch (const RunError& error) {
        stopped_at = k;
        EXPECT_EQ(error.code, exit_code::export_not_written);
        EXPECT_NE(error.message.find(path + ": " + nc_strerror(NC_EHDFERR)), std::string::npos)
            << error.message;
      }
    }
    EXPECT_EQ(stopped_at, short_last ? records : 2 * chunk - 1);
    const NetcdfContent back = read_netcdf(path);
    ASSERT_EQ(back.hours, static_cast<std::size_t>(chunk)) << short_last;
    for (long k = 0; k < chunk; ++k) {
      for (std::size_t s = 0; s < stations; ++s) {
        ASSERT_EQ(back.values[s * back.hours + static_cast<std::size_t>(k)], value(s, k))
            << "station " << s << ", record " << k;
      }
    }
  }
}

}  // namespace
}  // namespace rumo
