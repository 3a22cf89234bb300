// Coordinates between WGS84 latitude and longitude and a planar CRS, through
// PROJ. One context per projection; x is always the easting and y the
// northing, whatever axis order the CRS declares.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rumo {

struct Planar {
  double x = 0.0;  // easting
  double y = 0.0;  // northing
};

struct Geographic {
  double lat = 0.0;  // degrees north
  double lon = 0.0;  // degrees east
};

// A CRS as files describe it, in PROJ's words: its names, its ellipsoid and
// prime meridian, and for a projected CRS the method and parameters of its
// projection.
struct CrsDescription {
  std::string name;             // "ETRS89 / UTM zone 32N"
  std::string geographic_name;  // of the CRS it projects: "ETRS89"
  std::string datum;
  std::string ellipsoid;
  double semi_major_axis = 0.0;     // metres
  double inverse_flattening = 0.0;  // 0 for a sphere
  std::string prime_meridian;
  double prime_meridian_longitude = 0.0;  // degrees east of Greenwich
  // The projection's method by its EPSG code (0 where it has none) and
  // name, and each parameter by its EPSG code (0 where it has none): angles
  // in degrees, lengths in the unit of x and y, scale factors as numbers.
  int method = 0;
  std::string method_name;
  std::vector<std::pair<int, double>> parameters;
  double unit_metres = 1.0;  // metres in a unit of x and y
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
  // Whether its coordinates are latitude and longitude rather than planar.
  bool geographic() const;
  CrsDescription describe() const;

 private:
  struct Handles;
  Projection(std::string name, std::unique_ptr<Handles> handles);
  std::string name_;
  std::unique_ptr<Handles> handles_;
};

// Why a geographic CRS is no CRS of station coordinates, for messages:
// "a geographic CRS (...), not ...".
extern const char* const kGeographicCrs;

// Whether two texts name one CRS: the same text, or two CRSs PROJ takes as
// equivalent ("EPSG:25832" and "epsg:25832", or its WKT).
bool same_crs(const std::string& first, const std::string& second);

// The WGS84 UTM zone of a longitude: "EPSG:326zz" in the north, "EPSG:327zz"
// in the south.
std::string utm_zone_crs(double lon, bool south);

}  // namespace rumo
