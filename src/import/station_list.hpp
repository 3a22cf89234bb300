// The station table of an import: a delimited table with columns found by
// name, or the German weather service's fixed-width station list.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rumo {

struct StationRecord {
  std::string id;    // as compared (see canonical_id)
  std::string name;  // plain ASCII, as listed
  double height = 0.0;
  // Latitude and longitude in degrees, or easting and northing where the
  // table is planar.
  double first = 0.0;
  double second = 0.0;
  long line = 0;
};

struct StationList {
  std::string file;
  bool planar = false;
  std::vector<StationRecord> stations;
  std::unordered_map<std::string, int> by_id;

  // The index of a station by its id as written anywhere, or -1.
  int find(std::string_view id) const;
};

// Reads the whole table. Fails with the import's codes: a header without an
// id or coordinates, a line whose fields cannot be read, an id listed twice.
StationList read_station_list(std::string_view text, const std::string& file);

}  // namespace rumo
