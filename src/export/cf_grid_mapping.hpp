// A planar CRS as the CF conventions describe it to the tools that place
// data on a map: a grid mapping variable `crs` for the coordinates x and y,
// with the name and parameters of the projection where CF names it, and a
// second one, `crs_wgs84`, for the latitude and longitude computed in WGS84.
// For every NetCDF writer that places its data so: the station series and
// the grids.
#pragma once

#include <ostream>
#include <string>

#include "core/projection.hpp"
#include "export/netcdf_check.hpp"

namespace rumo {

struct GridMappings {
  // The data variables' `grid_mapping`: "crs: x y crs_wgs84: lat lon".
  std::string attribute;
  // The units of x and y: "m", or metres times the CRS's unit ("0.3048 m").
  std::string xy_units;
  int crs_var = -1;
  int wgs84_var = -1;
};

// Defines both variables in a file in define mode. `crs` names the CRS as
// the user gave it. Where CF names no grid mapping for the projection, `crs`
// describes it by its WKT alone, and `warnings` is told so, with `file`.
GridMappings define_grid_mappings(const NetcdfCheck& check, int ncid, const Projection& projection,
                                  const std::string& crs, std::ostream& warnings,
                                  const std::string& file);
// Gives both variables their value, a 0 that no reader uses (data mode).
void write_grid_mappings(const NetcdfCheck& check, int ncid, const GridMappings& mappings);

}  // namespace rumo
