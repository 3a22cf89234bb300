#include "core/projection.hpp"

#include <proj.h>

#include <cmath>
#include <cstdio>

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

std::string utm_zone_crs(double lon, bool south) {
  int zone = static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1;
  if (zone < 1) zone = 1;
  if (zone > 60) zone = 60;
  char text[16];
  std::snprintf(text, sizeof text, "EPSG:%d%02d", south ? 327 : 326, zone);
  return text;
}

}  // namespace rumo
