// The CF description of a CRS: the grid mapping's name and parameters
// (`grid_mapping_name`, `longitude_of_central_meridian`, ...) that CF's
// grid mapping variables carry beside the WKT, for the map projections CF
// names, read from the CRS's own definition through PROJ.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rumo {

struct CfGridMapping {
  // Empty where CF has no name for the CRS's projection method (the WKT
  // alone then describes it).
  std::string name;
  // Each attribute with one value or, as `standard_parallel`, two.
  std::vector<std::pair<std::string, std::vector<double>>> parameters;
};

// `crs` as PROJ reads it ("EPSG:25832", WKT, a PROJ string). A projected CRS
// by Transverse Mercator, Lambert Conic Conformal, Lambert Azimuthal Equal
// Area, Albers Equal Area, Mercator, Polar or Oblique Stereographic, or a
// geographic CRS, gets its CF name and parameters (angles in degrees,
// lengths in the CRS's metres) with the ellipsoid and prime meridian; any
// other, and a CRS PROJ cannot read, none.
CfGridMapping cf_grid_mapping(const std::string& crs);

}  // namespace rumo
