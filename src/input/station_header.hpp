// The station file's header: a title, the heights, two coordinates and the
// names of the file's stations.
#pragma once

#include <string>
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
TextReader read_station_header(Console& console, FileSystem& files, const std::string& name,
                               int first_number, int& count, StationTable& table);

// Skips the five header lines of a rewound station file.
void skip_header(TextReader& reader);

}  // namespace rumo
