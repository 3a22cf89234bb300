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
  std::string file;  // the table that lists it, and its line there
  long line = 0;
};

struct StationList {
  std::string file;  // the table's name, or the names of merged tables
  bool planar = false;
  std::vector<StationRecord> stations;
  std::unordered_map<std::string, int> by_id;
  // Stations that a merged table places elsewhere: the index of the one
  // kept and the other's record.
  std::vector<std::pair<int, StationRecord>> elsewhere;

  // The index of a station by its id as written anywhere, or -1.
  int find(std::string_view id) const;
};

// Reads the whole table. Fails with the import's codes: a header without an
// id or coordinates, a line whose fields cannot be read, an id listed twice.
StationList read_station_list(std::string_view text, const std::string& file);

// Adds the stations of `more` that `list` does not hold yet; a station both
// hold is kept as `list` has it, and noted in `elsewhere` where the two place
// it more than 100 m apart. Fails (exit_code::import_bad_stations) where one
// table is planar and the other is not.
void merge_station_list(StationList& list, const StationList& more);
// Fails (exit_code::import_bad_stations) where two tables place `station`
// more than 100 m apart, naming both lines.
void check_one_place(const StationList& list, int station);

}  // namespace rumo
