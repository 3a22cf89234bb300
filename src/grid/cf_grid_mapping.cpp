#include "grid/cf_grid_mapping.hpp"

#include <proj.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace rumo {

namespace {

constexpr double kRadiansPerDegree = 0.0174532925199433;

// An angle in degrees: a value in degrees as it stands (a round trip
// through radians would cost its last bits), any other converted.
double degrees(double value, double radians_per_unit) {
  if (std::abs(radians_per_unit - kRadiansPerDegree) < 1e-15) return value;
  return value * radians_per_unit / kRadiansPerDegree;
}

// PROJ's objects, released with the context they came from.
struct Context {
  PJ_CONTEXT* context = proj_context_create();
  ~Context() { proj_context_destroy(context); }
};
struct Object {
  PJ* object;
  ~Object() {
    if (object) proj_destroy(object);
  }
};

// The EPSG projection methods CF names.
struct Method {
  int code;
  const char* name;
};
constexpr Method kMethods[] = {
    {9807, "transverse_mercator"},
    {9801, "lambert_conformal_conic"},
    {9802, "lambert_conformal_conic"},
    {9820, "lambert_azimuthal_equal_area"},
    {9822, "albers_conical_equal_area"},
    {9804, "mercator"},
    {9805, "mercator"},
    {9810, "polar_stereographic"},
    {9829, "polar_stereographic"},
    {9809, "oblique_stereographic"},
};

// The CF attribute of an EPSG parameter; a method of 0 stands for any.
struct Parameter {
  int method;
  int code;
  const char* name;
};
constexpr Parameter kParameters[] = {
    {9807, 8802, "longitude_of_central_meridian"},
    {9801, 8802, "longitude_of_central_meridian"},
    {9810, 8802, "straight_vertical_longitude_from_pole"},
    {0, 8802, "longitude_of_projection_origin"},
    {9801, 8801, "standard_parallel"},  // and the origin, below
    {0, 8801, "latitude_of_projection_origin"},
    {9807, 8805, "scale_factor_at_central_meridian"},
    {0, 8805, "scale_factor_at_projection_origin"},
    {0, 8806, "false_easting"},
    {0, 8807, "false_northing"},
    {0, 8821, "latitude_of_projection_origin"},
    {0, 8822, "longitude_of_central_meridian"},
    {0, 8823, "standard_parallel"},
    {0, 8824, "standard_parallel"},
    {0, 8826, "false_easting"},
    {0, 8827, "false_northing"},
    {0, 8832, "standard_parallel"},
    {0, 8833, "straight_vertical_longitude_from_pole"},
};

void add(CfGridMapping& mapping, const std::string& name, double value) {
  for (auto& [attribute, values] : mapping.parameters) {
    if (attribute == name) {
      values.push_back(value);
      return;
    }
  }
  mapping.parameters.push_back({name, {value}});
}

// The ellipsoid and prime meridian of `crs`.
void add_earth(PJ_CONTEXT* context, const PJ* crs, CfGridMapping& mapping) {
  const Object ellipsoid{proj_get_ellipsoid(context, crs)};
  double a = 0.0, b = 0.0, inverse_flattening = 0.0;
  int computed = 0;
  if (ellipsoid.object && proj_ellipsoid_get_parameters(context, ellipsoid.object, &a, &b,
                                                        &computed, &inverse_flattening)) {
    if (inverse_flattening == 0.0) {
      add(mapping, "earth_radius", a);
    } else {
      add(mapping, "semi_major_axis", a);
      add(mapping, "inverse_flattening", inverse_flattening);
    }
  }
  const Object meridian{proj_get_prime_meridian(context, crs)};
  double longitude = 0.0, factor = 0.0;
  if (meridian.object &&
      proj_prime_meridian_get_parameters(context, meridian.object, &longitude, &factor, nullptr)) {
    add(mapping, "longitude_of_prime_meridian", degrees(longitude, factor));
  }
}

}  // namespace

CfGridMapping cf_grid_mapping(const std::string& text) {
  CfGridMapping mapping;
  const Context context;
  PJ_CONTEXT* const c = context.context;
  proj_log_level(c, PJ_LOG_NONE);
  Object crs{proj_create(c, text.c_str())};
  // A CRS bound to a transformation, or the horizontal part of a compound one.
  while (crs.object && (proj_get_type(crs.object) == PJ_TYPE_BOUND_CRS ||
                        proj_get_type(crs.object) == PJ_TYPE_COMPOUND_CRS)) {
    PJ* inner = proj_get_type(crs.object) == PJ_TYPE_BOUND_CRS
                    ? proj_get_source_crs(c, crs.object)
                    : proj_crs_get_sub_crs(c, crs.object, 0);
    proj_destroy(crs.object);
    crs.object = inner;
  }
  if (!crs.object) return mapping;
  const PJ_TYPE type = proj_get_type(crs.object);
  if (type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS) {
    mapping.name = "latitude_longitude";
    add_earth(c, crs.object, mapping);
    return mapping;
  }
  if (type != PJ_TYPE_PROJECTED_CRS) return mapping;
  const Object conversion{proj_crs_get_coordoperation(c, crs.object)};
  const char* code_text = nullptr;
  if (!conversion.object ||
      !proj_coordoperation_get_method_info(c, conversion.object, nullptr, nullptr, &code_text) ||
      code_text == nullptr) {
    return mapping;
  }
  const int method = std::atoi(code_text);
  for (const Method& known : kMethods) {
    if (known.code == method) mapping.name = known.name;
  }
  if (mapping.name.empty()) return mapping;
  const int count = proj_coordoperation_get_param_count(c, conversion.object);
  for (int i = 0; i < count; ++i) {
    const char* parameter_code = nullptr;
    const char* category = nullptr;
    double value = 0.0, factor = 1.0;
    if (!proj_coordoperation_get_param(c, conversion.object, i, nullptr, nullptr, &parameter_code,
                                       &value, nullptr, &factor, nullptr, nullptr, nullptr,
                                       &category) ||
        parameter_code == nullptr) {
      continue;
    }
    const int code = std::atoi(parameter_code);
    // Angles in degrees, lengths in metres, scales as they are.
    const bool angle = category != nullptr && std::strcmp(category, "angular") == 0;
    value = angle ? degrees(value, factor) : value * factor;
    for (const Parameter& known : kParameters) {
      if (known.code == code && (known.method == method || known.method == 0)) {
        add(mapping, known.name, value);
        // One standard parallel at the origin: the origin's latitude too.
        if (method == 9801 && code == 8801) add(mapping, "latitude_of_projection_origin", value);
        // A polar projection by its standard parallel: the pole of its hemisphere.
        if (method == 9829 && code == 8832)
          add(mapping, "latitude_of_projection_origin", value < 0.0 ? -90.0 : 90.0);
        break;
      }
    }
  }
  add_earth(c, crs.object, mapping);
  return mapping;
}

}  // namespace rumo
