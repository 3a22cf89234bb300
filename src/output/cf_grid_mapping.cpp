#include "output/cf_grid_mapping.hpp"

#include <netcdf.h>

#include <array>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "core/error.hpp"
#include "core/exit_codes.hpp"
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

// CF's words for a CRS PROJ has described.
CfGridMapping cf_words(const CrsDescription& crs, bool geographic) {
  CfGridMapping mapping;
  if (geographic) {
    mapping.name = "latitude_longitude";
  } else {
    auto [name, attributes] = cf_projection(crs);
    if (name == nullptr) return mapping;
    mapping.name = name;
    for (auto& [attribute, values] : attributes) {
      mapping.parameters.emplace_back(attribute, std::move(values));
    }
  }
  if (crs.inverse_flattening == 0.0) {
    mapping.parameters.push_back({"earth_radius", {crs.semi_major_axis}});
  } else {
    mapping.parameters.push_back({"semi_major_axis", {crs.semi_major_axis}});
    mapping.parameters.push_back({"inverse_flattening", {crs.inverse_flattening}});
  }
  mapping.parameters.push_back({"longitude_of_prime_meridian", {crs.prime_meridian_longitude}});
  const std::pair<const char*, const std::string*> names[] = {
      {"reference_ellipsoid_name", &crs.ellipsoid},
      {"prime_meridian_name", &crs.prime_meridian},
      {"horizontal_datum_name", &crs.datum},
      {"geographic_crs_name", &crs.geographic_name}};
  for (const auto& [attribute, name] : names) {
    // PROJ calls what a PROJ string leaves unnamed "unknown".
    if (!name->empty() && *name != "unknown") mapping.names.push_back({attribute, *name});
  }
  if (!geographic && crs.name != "unknown")
    mapping.names.push_back({"projected_crs_name", crs.name});
  return mapping;
}

// A grid mapping variable: its CF name, parameters and (with `named`) names
// where CF names the projection, and the WKT where there is one.
int define_mapping(NetcdfWriter& file, const char* variable, const std::string& long_name,
                   const CfGridMapping& mapping, bool named, const std::string& wkt) {
  const int var = file.variable(variable, NC_INT, {});
  file.text(var, "long_name", long_name);
  if (!mapping.name.empty()) {
    file.text(var, "grid_mapping_name", mapping.name);
    for (const auto& [attribute, values] : mapping.parameters) {
      file.numbers(var, attribute.c_str(), values);
    }
    if (named) {
      for (const auto& [attribute, name] : mapping.names) file.text(var, attribute.c_str(), name);
    }
  }
  if (!wkt.empty()) file.text(var, "crs_wkt", wkt);
  return var;
}

}  // namespace

std::unique_ptr<Projection> planar_projection(const std::string& crs) {
  std::string reason;
  auto projection = Projection::create(crs, reason);
  if (projection && projection->geographic()) {
    reason = std::string("it is ") + kGeographicCrs +
             "; station files whose coordinates are degrees need importing again with a planar "
             "--crs";
  }
  if (!projection || projection->geographic()) {
    throw RunError{exit_code::export_bad_crs, Stream::err,
                   "rumo: the CRS \"" + crs + "\" cannot be used: " + reason + "\n"};
  }
  return projection;
}

CfGridMapping cf_grid_mapping(const Projection& projection) {
  return cf_words(projection.describe(), projection.geographic());
}

GridMappings define_grid_mappings(NetcdfWriter& file, const Projection& projection,
                                  const std::string& crs, CrsDetail detail,
                                  std::ostream& warnings) {
  GridMappings mappings;
  const CrsDescription described = projection.describe();
  const bool named = detail == CrsDetail::named;
  mappings.xy_units =
      described.unit_metres == 1.0 ? "m" : shortest_text(described.unit_metres) + " m";
  // Latitude and longitude are computed in WGS84, whatever the datum of x
  // and y: each pair names its own mapping.
  mappings.attribute = "crs: x y crs_wgs84: lat lon";
  const CfGridMapping mapping = cf_words(described, false);
  if (mapping.name.empty()) {
    warnings << "rumo: warning: " << file.name()
             << ": CF names no grid mapping for the projection \"" << described.method_name
             << "\" of " << crs << "; the file describes the CRS by its WKT alone (crs_wkt)\n";
  }
  mappings.crs_var = define_mapping(file, "crs", "coordinate reference system " + crs, mapping,
                                    named, projection.wkt());

  std::string reason;
  // PROJ knew WGS84 to place the stations in it.
  const auto wgs84 = Projection::create("EPSG:4326", reason);
  mappings.wgs84_var =
      define_mapping(file, "crs_wgs84", "WGS 84 of lat and lon",
                     wgs84 ? cf_grid_mapping(*wgs84) : CfGridMapping{"latitude_longitude", {}, {}},
                     true, wgs84 ? wgs84->wkt() : std::string());
  return mappings;
}

void write_grid_mappings(NetcdfWriter& file, const GridMappings& mappings) {
  const int zero = 0;
  file.check(nc_put_var_int(file.id(), mappings.crs_var, &zero));
  file.check(nc_put_var_int(file.id(), mappings.wgs84_var, &zero));
}

}  // namespace rumo
