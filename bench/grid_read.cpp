// rumo_grid_read: times the two ways a grid file is read, one hour's field
// (the middle hour) and one cell's whole series (the middle cell), each from
// a freshly opened file.
//
//   rumo_grid_read FILE
#include <netcdf.h>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {

std::size_t length(int ncid, const char* name) {
  int dim = -1;
  std::size_t value = 0;
  nc_inq_dimid(ncid, name, &dim);
  nc_inq_dimlen(ncid, dim, &value);
  return value;
}

// Seconds to read `count` values from `start` of the precipitation.
double read_seconds(const char* file, const std::size_t* start, const std::size_t* count,
                    std::size_t values) {
  const auto begin = std::chrono::steady_clock::now();
  int ncid = -1, var = -1;
  std::vector<float> read(values);
  if (nc_open(file, NC_NOWRITE, &ncid) != NC_NOERR ||
      nc_inq_varid(ncid, "precipitation", &var) != NC_NOERR ||
      nc_get_vara_float(ncid, var, start, count, read.data()) != NC_NOERR) {
    std::fprintf(stderr, "rumo_grid_read: cannot read %s\n", file);
    return -1.0;
  }
  nc_close(ncid);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

}  // namespace

int main(int argc, char** argv) {
  int ncid = -1;
  if (argc != 2 || nc_open(argv[1], NC_NOWRITE, &ncid) != NC_NOERR) {
    std::fputs("usage: rumo_grid_read FILE (a grid file of rumo --grid-netcdf)\n", stderr);
    return 2;
  }
  const std::size_t hours = length(ncid, "time"), rows = length(ncid, "y");
  const std::size_t columns = length(ncid, "x");
  nc_close(ncid);
  const std::size_t field_start[] = {hours / 2, 0, 0}, field_count[] = {1, rows, columns};
  const std::size_t series_start[] = {0, rows / 2, columns / 2}, series_count[] = {hours, 1, 1};
  const double field = read_seconds(argv[1], field_start, field_count, rows * columns);
  const double series = read_seconds(argv[1], series_start, series_count, hours);
  std::printf("one hour's field (%zu x %zu cells): %.3f s; one cell's series (%zu hours): %.3f s\n",
              columns, rows, field, hours, series);
  return field < 0.0 || series < 0.0 ? 1 : 0;
}
