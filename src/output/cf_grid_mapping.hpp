// A CRS as the CF conventions describe it to the tools that place data on a
// map: a grid mapping variable `crs` for the coordinates x and y, with the
// name and parameters of the projection where CF names it, the ellipsoid and
// prime meridian, and the WKT, and a second variable, `crs_wgs84`, for the
// latitude and longitude computed in WGS84. The station files also name the
// CRS, its datum, ellipsoid and prime meridian. For every NetCDF file the
// program writes that places its data: the station series and the grids.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/projection.hpp"
#include "output/netcdf_writer.hpp"

namespace rumo {

// The projection of the planar CRS of a file's x and y; a CRS PROJ does not
// know, or a geographic one, throws RunError with exit_code::export_bad_crs.
std::unique_ptr<Projection> planar_projection(const std::string& crs);

// CF's words for a CRS, read from its definition through PROJ.
struct CfGridMapping {
  // Empty where CF has no name for the projection method, or no attribute
  // for one of its parameters (the WKT alone then describes it, and the
  // other members are empty).
  std::string name;
  // Each attribute with one value or, as `standard_parallel`, two: the
  // projection's (angles in degrees, lengths in the unit of x and y), then
  // the ellipsoid's and the prime meridian's.
  std::vector<std::pair<std::string, std::vector<double>>> parameters;
  // The names PROJ gives the ellipsoid, prime meridian, datum, geographic
  // CRS and, for a projected one, the CRS itself.
  std::vector<std::pair<std::string, std::string>> names;
};

// A projected CRS by Transverse Mercator, Lambert Conic Conformal (2SP),
// Albers Equal Area, Lambert Azimuthal Equal Area, Mercator (1SP at the
// equator, 2SP) or Polar Stereographic (A, B), or a geographic CRS, gets its
// CF name and parameters; any other none.
CfGridMapping cf_grid_mapping(const Projection& projection);

// What a file says of its CRS beyond CF's numbers and the WKT: the station
// files give the names, the grid files none.
enum class CrsDetail { numbers, named };

struct GridMappings {
  // The data variables' `grid_mapping`: "crs: x y crs_wgs84: lat lon".
  std::string attribute;
  // The units of x and y: "m", or metres times the CRS's unit ("0.3048 m").
  std::string xy_units;
  int crs_var = -1;
  int wgs84_var = -1;
};

// Defines the variables in a file in define mode, for the projection of a
// planar CRS (planar_projection). `crs` names the CRS as the user gave it.
// Where CF names no grid mapping for the projection, `crs` describes it by
// its WKT alone, and `warnings` is told so, with the file's name.
GridMappings define_grid_mappings(NetcdfWriter& file, const Projection& projection,
                                  const std::string& crs, CrsDetail detail, std::ostream& warnings);
// Gives the variables their value, a 0 that no reader uses (data mode).
void write_grid_mappings(NetcdfWriter& file, const GridMappings& mappings);

}  // namespace rumo
