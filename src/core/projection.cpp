#include "core/projection.hpp"

#include <proj.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace rumo {

struct Projection::Handles {
  PJ_CONTEXT* context = nullptr;
  PJ* transform = nullptr;
  PJ* target = nullptr;
  ~Handles() {
    if (target) proj_destroy(target);
    if (transform) proj_destroy(transform);
    if (context) proj_context_destroy(context);
  }
};

Projection::Projection(std::string name, std::unique_ptr<Handles> handles)
    : name_(std::move(name)), handles_(std::move(handles)) {}

Projection::~Projection() = default;

std::unique_ptr<Projection> Projection::create(const std::string& crs, std::string& reason) {
  auto handles = std::make_unique<Handles>();
  handles->context = proj_context_create();
  if (!handles->context) {
    reason = "PROJ could not start";
    return nullptr;
  }
  // PROJ's own messages would go to standard error; the caller says what failed.
  proj_log_level(handles->context, PJ_LOG_NONE);
  handles->target = proj_create(handles->context, crs.c_str());
  PJ* raw = handles->target
                ? proj_create_crs_to_crs(handles->context, "EPSG:4326", crs.c_str(), nullptr)
                : nullptr;
  if (raw) {
    handles->transform = proj_normalize_for_visualization(handles->context, raw);
    proj_destroy(raw);
  }
  if (!handles->target || !handles->transform) {
    const int code = proj_context_errno(handles->context);
    reason = code != 0 ? proj_context_errno_string(handles->context, code) : "unknown CRS";
    return nullptr;
  }
  return std::unique_ptr<Projection>(new Projection(crs, std::move(handles)));
}

std::optional<Planar> Projection::forward(Geographic point) const {
  // After normalisation the geographic side takes longitude first.
  proj_errno_reset(handles_->transform);
  const PJ_COORD out =
      proj_trans(handles_->transform, PJ_FWD, proj_coord(point.lon, point.lat, 0.0, 0.0));
  if (proj_errno(handles_->transform) != 0 || !std::isfinite(out.xy.x) ||
      !std::isfinite(out.xy.y)) {
    return std::nullopt;
  }
  return Planar{out.xy.x, out.xy.y};
}

std::optional<Geographic> Projection::inverse(Planar point) const {
  proj_errno_reset(handles_->transform);
  const PJ_COORD out =
      proj_trans(handles_->transform, PJ_INV, proj_coord(point.x, point.y, 0.0, 0.0));
  if (proj_errno(handles_->transform) != 0 || !std::isfinite(out.lp.lam) ||
      !std::isfinite(out.lp.phi)) {
    return std::nullopt;
  }
  return Geographic{out.lp.phi, out.lp.lam};
}

std::string Projection::wkt() const {
  const char* text = proj_as_wkt(handles_->context, handles_->target, PJ_WKT2_2019, nullptr);
  return text ? text : "";
}

bool same_crs(const std::string& first, const std::string& second) {
  if (first == second) return true;
  const std::unique_ptr<PJ_CONTEXT, PJ_CONTEXT* (*)(PJ_CONTEXT*)> context(proj_context_create(),
                                                                          proj_context_destroy);
  if (!context) return false;
  proj_log_level(context.get(), PJ_LOG_NONE);
  using Crs = std::unique_ptr<PJ, PJ* (*)(PJ*)>;
  const Crs a(proj_create(context.get(), first.c_str()), proj_destroy);
  const Crs b(proj_create(context.get(), second.c_str()), proj_destroy);
  return a && b &&
         proj_is_equivalent_to_with_ctx(context.get(), a.get(), b.get(), PJ_COMP_EQUIVALENT) != 0;
}

const char* const kGeographicCrs =
    "a geographic CRS (latitude and longitude in degrees), not the planar CRS of station "
    "coordinates in metres, such as a UTM zone (EPSG:25832)";

namespace {

// The CRS whose axes x and y are: the projected CRS of a CRS bound to a
// transformation (a PROJ string with +towgs84), the horizontal part of a
// compound one. Null where it is the CRS itself; else the caller owns it.
PJ* horizontal_crs(PJ_CONTEXT* context, const PJ* crs) {
  const PJ_TYPE type = proj_get_type(crs);
  if (type == PJ_TYPE_BOUND_CRS) return proj_get_source_crs(context, crs);
  if (type == PJ_TYPE_COMPOUND_CRS) return proj_crs_get_sub_crs(context, crs, 0);
  return nullptr;
}

// PROJ's objects, released with the holder.
struct Held {
  PJ* object;
  ~Held() {
    if (object) proj_destroy(object);
  }
};

std::string name_of(const PJ* object) {
  const char* name = object ? proj_get_name(object) : nullptr;
  return name ? name : "";
}

// PROJ's degree, so that values given in degrees come out as they are.
constexpr double kDegree = 0.017453292519943295;

}  // namespace

bool Projection::geographic() const {
  const Held inner{horizontal_crs(handles_->context, handles_->target)};
  const PJ_TYPE type = proj_get_type(inner.object ? inner.object : handles_->target);
  return type == PJ_TYPE_GEOGRAPHIC_CRS || type == PJ_TYPE_GEOGRAPHIC_2D_CRS ||
         type == PJ_TYPE_GEOGRAPHIC_3D_CRS || type == PJ_TYPE_GEODETIC_CRS;
}

CrsDescription Projection::describe() const {
  PJ_CONTEXT* const context = handles_->context;
  const Held inner{horizontal_crs(context, handles_->target)};
  const PJ* const crs = inner.object ? inner.object : handles_->target;
  CrsDescription d;
  d.name = name_of(crs);
  const Held geodetic{proj_crs_get_geodetic_crs(context, crs)};
  d.geographic_name = name_of(geodetic.object);
  const Held datum{proj_crs_get_datum_forced(context, crs)};
  d.datum = name_of(datum.object);
  const Held ellipsoid{proj_get_ellipsoid(context, crs)};
  d.ellipsoid = name_of(ellipsoid.object);
  if (ellipsoid.object) {
    double semi_minor = 0.0;
    int computed = 0;
    proj_ellipsoid_get_parameters(context, ellipsoid.object, &d.semi_major_axis, &semi_minor,
                                  &computed, &d.inverse_flattening);
  }
  const Held meridian{proj_get_prime_meridian(context, crs)};
  d.prime_meridian = name_of(meridian.object);
  if (meridian.object) {
    double factor = kDegree;
    proj_prime_meridian_get_parameters(context, meridian.object, &d.prime_meridian_longitude,
                                       &factor, nullptr);
    if (factor != kDegree) d.prime_meridian_longitude *= factor / kDegree;
  }
  const Held axes{proj_crs_get_coordinate_system(context, crs)};
  if (axes.object) {
    proj_cs_get_axis_info(context, axes.object, 0, nullptr, nullptr, nullptr, &d.unit_metres,
                          nullptr, nullptr, nullptr);
  }
  const Held conversion{proj_get_type(crs) == PJ_TYPE_PROJECTED_CRS
                            ? proj_crs_get_coordoperation(context, crs)
                            : nullptr};
  if (!conversion.object) return d;
  const char *method = nullptr, *authority = nullptr, *code = nullptr;
  proj_coordoperation_get_method_info(context, conversion.object, &method, &authority, &code);
  d.method_name = method ? method : "";
  const auto epsg = [](const char* authority, const char* code) {
    return authority && code && std::string_view(authority) == "EPSG" ? std::atoi(code) : 0;
  };
  d.method = epsg(authority, code);
  const int count = proj_coordoperation_get_param_count(context, conversion.object);
  for (int i = 0; i < count; ++i) {
    const char *category = nullptr, *param_authority = nullptr, *param_code = nullptr;
    double value = 0.0, factor = 1.0;
    proj_coordoperation_get_param(context, conversion.object, i, nullptr, &param_authority,
                                  &param_code, &value, nullptr, &factor, nullptr, nullptr, nullptr,
                                  &category);
    const std::string_view kind = category ? category : "";
    // A value in the unit asked for is taken as it is, so that 9 degrees
    // stay 9 and not the last bit of a conversion there and back.
    if (kind == "angular" && factor != kDegree) value *= factor / kDegree;
    if (kind == "linear" && factor != d.unit_metres) value *= factor / d.unit_metres;
    if (kind == "scale") value *= factor;
    d.parameters.emplace_back(epsg(param_authority, param_code), value);
  }
  return d;
}

std::string utm_zone_crs(double lon, bool south) {
  int zone = static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1;
  if (zone < 1) zone = 1;
  if (zone > 60) zone = 60;
  char text[16];
  std::snprintf(text, sizeof text, "EPSG:%d%02d", south ? 327 : 326, zone);
  return text;
}

}  // namespace rumo
