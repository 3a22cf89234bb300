// Coordinates between WGS84 latitude and longitude and a planar CRS, through
// PROJ. One context per projection; x is always the easting and y the
// northing, whatever axis order the CRS declares.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace rumo {

struct Planar {
  double x = 0.0;  // easting
  double y = 0.0;  // northing
};

struct Geographic {
  double lat = 0.0;  // degrees north
  double lon = 0.0;  // degrees east
};

class Projection {
 public:
  // `crs`: anything PROJ accepts ("EPSG:25832", a PROJ string, WKT). Null,
  // with `reason` set to PROJ's words, where PROJ cannot build the
  // transformation from WGS84 degrees to it.
  static std::unique_ptr<Projection> create(const std::string& crs, std::string& reason);
  ~Projection();
  Projection(const Projection&) = delete;
  Projection& operator=(const Projection&) = delete;

  // Nothing where PROJ cannot transform the point.
  std::optional<Planar> forward(Geographic point) const;
  std::optional<Geographic> inverse(Planar point) const;

  // The CRS as given, and as WKT (WKT2:2019) for files that describe it.
  const std::string& name() const { return name_; }
  std::string wkt() const;

 private:
  struct Handles;
  Projection(std::string name, std::unique_ptr<Handles> handles);
  std::string name_;
  std::unique_ptr<Handles> handles_;
};

// Whether two texts name one CRS: the same text, or two CRSs PROJ takes as
// equivalent ("EPSG:25832" and "epsg:25832", or its WKT).
bool same_crs(const std::string& first, const std::string& second);

// The WGS84 UTM zone of a longitude: "EPSG:326zz" in the north, "EPSG:327zz"
// in the south.
std::string utm_zone_crs(double lon, bool south);

}  // namespace rumo
