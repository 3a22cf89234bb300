// `rumo export`: a station file (a result or an input) as CF-NetCDF, as a
// tidy table and as a station file in another offset; and the time base and
// CRS the titles of station files state, for the export and the run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/console.hpp"
#include "core/files.hpp"
#include "core/time_base.hpp"
#include "export/series.hpp"

namespace rumo {

struct ExportRequest {
  std::string input;
  std::string netcdf_file;   // empty: none
  std::string csv_file;      // empty: none
  std::string station_file;  // empty: none
  // The kind of every station of a single-kind file; unknown for a result
  // file, whose header does not say.
  StationKind kind = StationKind::unknown;
  // Used where the file's title line does not state them. A file whose
  // hours are in no stated offset is not exported.
  std::optional<UtcOffset> utc_offset;
  std::string crs;
  // The offset the outputs count their hours in; nothing: the file's own.
  std::optional<UtcOffset> to_offset;
  double nodata = 9998.0;
  std::string command_line;
};

// Reads the file and writes what is asked. Every failure throws RunError
// with a code of export_codes.hpp or a station file's header code.
void export_station_file(Console& console, FileSystem& files, const ExportRequest& request);

// What the title line states, with the options as fallback; an option that
// contradicts the title is warned of on `warnings` and not used.
struct TimeAndPlace {
  std::optional<UtcOffset> offset;  // nothing: neither states it
  std::string crs;                  // empty: neither states it
};
TimeAndPlace title_or_options(std::ostream& warnings, const std::string& file,
                              const std::string& title, std::optional<UtcOffset> offset,
                              const std::string& crs);

// The stations' ids in their source, as the title lists them (the importer
// does): one per station, or all empty (not known) where the title lists
// none, or not `count`, which is warned of on `warnings`.
std::vector<std::string> title_source_ids(std::ostream& warnings, const std::string& file,
                                          const std::string& title, int count);

// The first line of a file, empty where it cannot be read.
std::string title_line(FileSystem& files, const std::string& name);

// The files of one run must count their hours in one time base and place
// their stations in one CRS: two titles that state different ones stop it
// with exit_code::titles_disagree, naming both. A title that states
// nothing agrees with every other; empty names are skipped.
void check_titles_agree(FileSystem& files, const std::vector<std::string>& names);

}  // namespace rumo
