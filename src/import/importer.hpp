// `rumo import`: the values hydrologists download, as the program's station
// files, with their conventions stated in the title lines.
#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "import/value_file.hpp"

namespace rumo {

struct ImportRequest {
  // The station tables; a station listed in several is taken once.
  std::vector<std::string> stations;
  // The value files of the hourly, climate and collector kinds; a kind
  // without files is not written.
  std::array<std::vector<std::string>, 3> files;
  std::string out_dir;
  // How rows are read and placed; its kind and columns are set per kind.
  ValueRules rules;
  // The station, time and value columns' names of each kind; empty: the
  // usual names.
  std::array<std::vector<std::string>, 3> columns;
  // The CRS to project to, or to name planar coordinates by; empty: the UTM
  // zone of the stations' mean longitude (nothing for planar ones).
  std::string crs;
  // The written name: the station's name with blanks removed, or its id.
  bool names_from_table = false;
  // First and last day (days since 1970-01-01 in the written hours);
  // nothing: the first or last day with a value.
  std::optional<long> start;
  std::optional<long> end;
  double nodata = 9998.0;
};

// Reads, places and writes through `files`; prints a summary and the run
// command to `out`, warnings to `err`. A failure throws RunError and leaves
// no station file.
void import_stations(FileSystem& files, const ImportRequest& request, std::ostream& out,
                     std::ostream& err);

}  // namespace rumo
