// The station file's header: a title, the heights, two coordinates and the
// names of the file's stations.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/console.hpp"
#include "core/files.hpp"
#include "core/stations.hpp"
#include "input/text_reader.hpp"

namespace rumo {

// Opens the named station file, gives its stations the numbers
// first_number, first_number + 1, ... in the order of line 2, fills their
// entries of the table, stores their count and returns the file positioned
// at line 1. A file whose heights take the total past kMaxStations is refused.
// When `located`, failures say where they lie, the reader keeps the name for
// the data records, and the console's error stream is warned of a label on
// line 2 that is not 11 characters long, of heights and coordinates that go
// on after their number ("9,6381" is read as 9) and of lines 3 to 5 whose
// count of entries differs from line 2's. Names keep their first 7
// characters (kept_name).
TextReader read_station_header(Console& console, FileSystem& files, const std::string& name,
                               int first_number, int& count, StationTable& table,
                               bool located = false);

// The warning for a line 2 whose label is not 11 characters long, judged by
// what the cut after 11 characters leaves: a first height that is no number,
// or a number cut in two. Empty when the label looks right.
std::string label_warning(const std::string& name, std::string_view line);

// Skips the five header lines of a rewound station file.
void skip_header(TextReader& reader);

}  // namespace rumo
