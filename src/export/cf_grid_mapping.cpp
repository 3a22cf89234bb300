#include "export/cf_grid_mapping.hpp"

#include <netcdf.h>

#include <array>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "core/number_text.hpp"

namespace rumo {

namespace {

// A parameter of a projection by its EPSG code, and the attribute CF gives
// it; none where CF has no name for it and takes it as 0.
struct CfParameter {
  int epsg = 0;
  const char* attribute = nullptr;
};

// The projections both PROJ (by the EPSG code of the method) and CF name,
// with every parameter PROJ gives them.
struct CfProjection {
  int method;
  const char* name;
  std::array<CfParameter, 6> parameters;
};

// The conic projections with two standard parallels name their parameters alike.
constexpr std::array<CfParameter, 6> kConic = {{{8821, "latitude_of_projection_origin"},
                                                {8822, "longitude_of_central_meridian"},
                                                {8823, "standard_parallel"},
                                                {8824, "standard_parallel"},
                                                {8826, "false_easting"},
                                                {8827, "false_northing"}}};

constexpr CfProjection kProjections[] = {
    {9807,
     "transverse_mercator",
     {{{8801, "latitude_of_projection_origin"},
       {8802, "longitude_of_central_meridian"},
       {8805, "scale_factor_at_central_meridian"},
       {8806, "false_easting"},
       {8807, "false_northing"}}}},
    {9802, "lambert_conformal_conic", kConic},
    {9822, "albers_conical_equal_area", kConic},
    {9820,
     "lambert_azimuthal_equal_area",
     {{{8801, "latitude_of_projection_origin"},
       {8802, "longitude_of_projection_origin"},
       {8806, "false_easting"},
       {8807, "false_northing"}}}},
    {9804,
     "mercator",
     {{{8801, nullptr},
       {8802, "longitude_of_projection_origin"},
       {8805, "scale_factor_at_projection_origin"},
       {8806, "false_easting"},
       {8807, "false_northing"}}}},
    {9805,
     "mercator",
     {{{8823, "standard_parallel"},
       {8802, "longitude_of_projection_origin"},
       {8806, "false_easting"},
       {8807, "false_northing"}}}},
    {9810,
     "polar_stereographic",
     {{{8801, "latitude_of_projection_origin"},
       {8802, "straight_vertical_longitude_from_pole"},
       {8805, "scale_factor_at_projection_origin"},
       {8806, "false_easting"},
       {8807, "false_northing"}}}},
    // Its pole, which CF names, is the one on the side of the standard parallel.
    {9829,
     "polar_stereographic",
     {{{8832, "standard_parallel"},
       {8833, "straight_vertical_longitude_from_pole"},
       {8806, "false_easting"},
       {8807, "false_northing"}}}},
};

// CF's name and attributes of the projection, in PROJ's order; no name where
// CF names no such projection or has no attribute for one of its parameters.
std::pair<const char*, std::vector<std::pair<const char*, std::vector<double>>>> cf_projection(
    const CrsDescription& crs) {
  std::vector<std::pair<const char*, std::vector<double>>> attributes;
  for (const CfProjection& projection : kProjections) {
    if (projection.method != crs.method) continue;
    for (const auto& [code, value] : crs.parameters) {
      const CfParameter* known = nullptr;
      for (const CfParameter& parameter : projection.parameters) {
        if (parameter.epsg == code && code != 0) known = &parameter;
      }
      if (known == nullptr || (known->attribute == nullptr && value != 0.0)) return {};
      if (known->attribute == nullptr) continue;
      if (attributes.empty() || attributes.back().first != std::string_view(known->attribute)) {
        attributes.push_back({known->attribute, {}});
      }
      attributes.back().second.push_back(value);
    }
    double pole = 0.0;
    for (const auto& [attribute, values] : attributes) {
      if (std::string_view(attribute) == "standard_parallel") pole = std::copysign(90.0, values[0]);
    }
    if (projection.method == 9829) attributes.push_back({"latitude_of_projection_origin", {pole}});
    return {projection.name, attributes};
  }
  return {};
}

// The ellipsoid, the prime meridian and the names of a CRS and its datum.
void describe_geodesy(const NetcdfCheck& check, int ncid, int var, const CrsDescription& crs) {
  if (crs.inverse_flattening == 0.0) {
    double_attribute(check, ncid, var, "earth_radius", {crs.semi_major_axis});
  } else {
    double_attribute(check, ncid, var, "semi_major_axis", {crs.semi_major_axis});
    double_attribute(check, ncid, var, "inverse_flattening", {crs.inverse_flattening});
  }
  double_attribute(check, ncid, var, "longitude_of_prime_meridian", {crs.prime_meridian_longitude});
  const std::pair<const char*, const std::string*> names[] = {
      {"reference_ellipsoid_name", &crs.ellipsoid},
      {"prime_meridian_name", &crs.prime_meridian},
      {"horizontal_datum_name", &crs.datum},
      {"geographic_crs_name", &crs.geographic_name}};
  for (const auto& [attribute, name] : names) {
    // PROJ calls what a PROJ string leaves unnamed "unknown".
    if (!name->empty() && *name != "unknown") text_attribute(check, ncid, var, attribute, *name);
  }
}

}  // namespace

GridMappings define_grid_mappings(const NetcdfCheck& check, int ncid, const Projection& projection,
                                  const std::string& crs, std::ostream& warnings,
                                  const std::string& file) {
  GridMappings mappings;
  const CrsDescription described = projection.describe();
  mappings.xy_units =
      described.unit_metres == 1.0 ? "m" : shortest_text(described.unit_metres) + " m";
  mappings.attribute = "crs: x y crs_wgs84: lat lon";

  const int var = mappings.crs_var = [&] {
    int id = -1;
    check(nc_def_var(ncid, "crs", NC_INT, 0, nullptr, &id));
    return id;
  }();
  text_attribute(check, ncid, var, "long_name", "coordinate reference system " + crs);
  const auto [name, attributes] = cf_projection(described);
  if (name != nullptr) {
    text_attribute(check, ncid, var, "grid_mapping_name", name);
    for (const auto& [attribute, values] : attributes) {
      double_attribute(check, ncid, var, attribute, values);
    }
    describe_geodesy(check, ncid, var, described);
    if (described.name != "unknown") {
      text_attribute(check, ncid, var, "projected_crs_name", described.name);
    }
  } else {
    warnings << "rumo: warning: " << file << ": CF names no grid mapping for the projection \""
             << described.method_name << "\" of " << crs
             << "; the file describes the CRS by its WKT alone (crs_wkt)\n";
  }
  text_attribute(check, ncid, var, "crs_wkt", projection.wkt());

  // Latitude and longitude are computed in WGS84, whatever the datum of x and y.
  check(nc_def_var(ncid, "crs_wgs84", NC_INT, 0, nullptr, &mappings.wgs84_var));
  const int wgs84_var = mappings.wgs84_var;
  text_attribute(check, ncid, wgs84_var, "long_name", "WGS 84 of lat and lon");
  text_attribute(check, ncid, wgs84_var, "grid_mapping_name", "latitude_longitude");
  std::string reason;
  // PROJ knew WGS84 to place the stations in it.
  if (const auto wgs84 = Projection::create("EPSG:4326", reason)) {
    describe_geodesy(check, ncid, wgs84_var, wgs84->describe());
    text_attribute(check, ncid, wgs84_var, "crs_wkt", wgs84->wkt());
  }
  return mappings;
}

void write_grid_mappings(const NetcdfCheck& check, int ncid, const GridMappings& mappings) {
  const int zero = 0;
  check(nc_put_var_int(ncid, mappings.crs_var, &zero));
  check(nc_put_var_int(ncid, mappings.wgs84_var, &zero));
}

}  // namespace rumo
