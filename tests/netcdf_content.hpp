// A NetCDF file of station series read back with the netCDF-C library, for
// the tests that check what the exporters wrote.
#pragma once

#include <netcdf.h>

#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace rumo {

struct NetcdfContent {
  std::size_t stations = 0, hours = 0;
  std::vector<std::string> names, ids, sources;
  std::vector<signed char> kinds;
  std::vector<double> x, y, height, lat, lon;  // lat and lon empty without a CRS
  std::vector<double> time, bounds;            // bounds: two per hour
  std::vector<double> values;                  // station-major: station s, hour k at s * hours + k
  std::string time_units, cell_methods, conventions, crs_wkt;
  double fill = 0.0;
};

inline NetcdfContent read_netcdf(const std::filesystem::path& path) {
  int ncid = -1;
  const auto check = [&](int status) {
    if (status != NC_NOERR) throw std::runtime_error(path.string() + ": " + nc_strerror(status));
  };
  check(nc_open(path.c_str(), NC_NOWRITE, &ncid));
  NetcdfContent c;
  const auto dim = [&](const char* name) {
    int id = -1;
    std::size_t length = 0;
    check(nc_inq_dimid(ncid, name, &id));
    check(nc_inq_dimlen(ncid, id, &length));
    return length;
  };
  const auto var = [&](const char* name) {
    int id = -1;
    check(nc_inq_varid(ncid, name, &id));
    return id;
  };
  const auto text = [&](int v, const char* name) {
    std::size_t length = 0;
    if (nc_inq_attlen(ncid, v, name, &length) != NC_NOERR) return std::string();
    std::string value(length, '\0');
    check(nc_get_att_text(ncid, v, name, value.data()));
    return value;
  };
  const auto doubles = [&](const char* name, std::size_t count) {
    std::vector<double> values(count);
    if (count > 0) check(nc_get_var_double(ncid, var(name), values.data()));
    return values;
  };
  c.stations = dim("station");
  c.hours = dim("time");
  const auto texts = [&](const char* name, const char* length_dim) {
    const std::size_t length = dim(length_dim);
    std::vector<char> rows(c.stations * length);
    check(nc_get_var_text(ncid, var(name), rows.data()));
    std::vector<std::string> values;
    for (std::size_t s = 0; s < c.stations; ++s) {
      const std::string row(rows.data() + s * length, length);
      values.push_back(row.substr(0, row.find('\0')));
    }
    return values;
  };
  c.names = texts("station_name", "name_strlen");
  c.ids = texts("station_id", "id_strlen");
  c.sources = texts("source_id", "source_id_strlen");
  c.kinds.resize(c.stations);
  check(nc_get_var_schar(ncid, var("station_kind"), c.kinds.data()));
  c.x = doubles("x", c.stations);
  c.y = doubles("y", c.stations);
  c.height = doubles("height", c.stations);
  int lat = -1;
  if (nc_inq_varid(ncid, "lat", &lat) == NC_NOERR) {
    c.lat = doubles("lat", c.stations);
    c.lon = doubles("lon", c.stations);
    c.crs_wkt = text(var("crs"), "crs_wkt");
  }
  c.time = doubles("time", c.hours);
  c.bounds = doubles("time_bnds", 2 * c.hours);
  c.values = doubles("precipitation", c.stations * c.hours);
  c.time_units = text(var("time"), "units");
  c.cell_methods = text(var("precipitation"), "cell_methods");
  c.conventions = text(NC_GLOBAL, "Conventions");
  check(nc_get_att_double(ncid, var("precipitation"), "_FillValue", &c.fill));
  check(nc_close(ncid));
  return c;
}

// A fresh folder for files the library writes to disk, removed with it.
struct ScratchFolder {
  std::filesystem::path path;
  explicit ScratchFolder(const std::string& name)
      : path(std::filesystem::temp_directory_path() / name) {
    path += std::to_string(::getpid());
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() { std::filesystem::remove_all(path); }
  std::string operator/(const std::string& file) const { return (path / file).string(); }
};

}  // namespace rumo
