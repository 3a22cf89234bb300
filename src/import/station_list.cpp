#include "import/station_list.hpp"

#include <algorithm>
#include <cmath>

#include "import/import_codes.hpp"
#include "import/text_table.hpp"

namespace rumo {

int StationList::find(std::string_view id) const {
  const auto found = by_id.find(canonical_id(id));
  return found == by_id.end() ? -1 : found->second;
}

namespace {

// Splits text into lines without their line ends; calls `take(line, number)`.
template <class Take>
void for_each_line(std::string_view text, Take&& take) {
  long number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    take(line, ++number);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

bool is_dash_line(std::string_view line) {
  return line.find('-') != std::string_view::npos &&
         line.find_first_not_of("- \t") == std::string_view::npos;
}

double number_field(const StationList& list, std::string_view field, long line, char delimiter,
                    const char* what, std::string_view text) {
  const auto value = read_decimal(field, delimiter);
  if (!value) {
    fail_import(exit_code::import_bad_stations, list.file, line,
                std::string(what) + " \"" + std::string(field) + "\" is not a number", text);
  }
  return *value;
}

void add_station(StationList& list, StationRecord record, std::string_view text) {
  record.file = list.file;
  if (record.id.empty())
    fail_import(exit_code::import_bad_stations, list.file, record.line, "no id", text);
  const auto [at, added] = list.by_id.emplace(record.id, static_cast<int>(list.stations.size()));
  if (!added) {
    fail_import(exit_code::import_bad_stations, list.file, record.line,
                "station " + record.id + " is listed twice, first on line " +
                    std::to_string(list.stations[at->second].line),
                text);
  }
  list.stations.push_back(std::move(record));
}

// The weather service's list: a header line, a line of dashes, then per
// station id, first and last date, height, latitude, longitude, a name that
// may hold blanks, the federal state and, where the header names it, a
// release column. The columns need not line up with the dashes, so the
// fields are taken as words from both ends.
void read_service_list(std::string_view text, StationList& list) {
  bool release = false;
  for_each_line(text, [&](std::string_view line, long number) {
    if (number == 1) {
      release = ascii_text(line).find("Abgabe") != std::string::npos;
      return;
    }
    if (number == 2 || trim_blanks(line).empty()) return;
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
      const std::size_t begin = line.find_first_not_of(" \t", at);
      if (begin == std::string_view::npos) break;
      const std::size_t end = std::min(line.find_first_of(" \t", begin), line.size());
      words.push_back(line.substr(begin, end - begin));
      at = end;
    }
    const std::size_t tail = release ? 2 : 1;
    if (words.size() < 7 + tail) {
      fail_import(exit_code::import_bad_stations, list.file, number,
                  "expected id, dates, height, latitude, longitude, name and state", line);
    }
    StationRecord record;
    record.line = number;
    record.id = canonical_id(words[0]);
    record.height = number_field(list, words[3], number, ' ', "the height", line);
    record.first = number_field(list, words[4], number, ' ', "the latitude", line);
    record.second = number_field(list, words[5], number, ' ', "the longitude", line);
    const char* name_begin = words[6].data();
    const char* name_end = words[words.size() - tail].data();
    record.name = ascii_text(trim_blanks(std::string_view(name_begin, name_end - name_begin)));
    add_station(list, std::move(record), line);
  });
}

void read_delimited_list(std::string_view text, StationList& list) {
  char delimiter = 0;
  int id = -1, name = -1, height = -1, first = -1, second = -1;
  std::size_t needed = 0;
  std::vector<std::string_view> fields;
  for_each_line(text, [&](std::string_view line, long number) {
    if (number == 1) {
      delimiter = detect_delimiter(line);
      split_fields(line, delimiter, fields);
      id = find_column(fields, {"id", "station", "station_id", "stations_id"});
      name = find_column(fields, {"name", "station_name", "stationsname"});
      height = find_column(fields, {"height", "elevation", "altitude", "stationshoehe"});
      first = find_column(fields, {"x", "easting"});
      second = find_column(fields, {"y", "northing"});
      list.planar = first >= 0 && second >= 0;
      if (!list.planar) {
        first = find_column(fields, {"lat", "latitude", "geobreite"});
        second = find_column(fields, {"lon", "longitude", "geolaenge"});
      }
      if (id < 0 || first < 0 || second < 0) {
        fail_import(exit_code::import_bad_stations, list.file, 1,
                    "the header names no id column, or neither lat and lon nor x and y", line);
      }
      needed = static_cast<std::size_t>(std::max({id, name, height, first, second})) + 1;
      return;
    }
    if (trim_blanks(line).empty()) return;
    split_fields(line, delimiter, fields, needed);
    if (fields.size() < needed) {
      fail_import(exit_code::import_bad_stations, list.file, number,
                  "the line holds " + std::to_string(fields.size()) + " fields, the header " +
                      std::to_string(needed) + " or more",
                  line);
    }
    StationRecord record;
    record.line = number;
    record.id = canonical_id(fields[id]);
    if (name >= 0) record.name = ascii_text(fields[name]);
    const bool blank_height = height < 0 || fields[height].empty();
    record.height = blank_height
                        ? 0.0
                        : number_field(list, fields[height], number, delimiter, "the height", line);
    const char* words[2] = {list.planar ? "x" : "the latitude",
                            list.planar ? "y" : "the longitude"};
    record.first = number_field(list, fields[first], number, delimiter, words[0], line);
    record.second = number_field(list, fields[second], number, delimiter, words[1], line);
    add_station(list, std::move(record), line);
  });
}

// How far apart two places of one station are, in metres: on the sphere of
// the earth's mean radius for latitude and longitude, which is within a
// metre at these distances.
double distance_apart(bool planar, const StationRecord& a, const StationRecord& b) {
  if (planar) return std::hypot(a.first - b.first, a.second - b.second);
  constexpr double kRadius = 6371008.8;
  constexpr double kRadian = 3.14159265358979323846 / 180.0;
  const double dlat = (b.first - a.first) * kRadian;
  const double dlon = (b.second - a.second) * kRadian;
  const double h = std::sin(dlat / 2) * std::sin(dlat / 2) +
                   std::cos(a.first * kRadian) * std::cos(b.first * kRadian) * std::sin(dlon / 2) *
                       std::sin(dlon / 2);
  return 2.0 * kRadius * std::asin(std::sqrt(std::min(1.0, h)));
}

}  // namespace

void merge_station_list(StationList& list, const StationList& more) {
  if (more.planar != list.planar) {
    fail_import(
        exit_code::import_bad_stations, more.file, 0,
        std::string(more.planar ? "lists planar x and y, " : "lists latitude and longitude, ") +
            list.file + (list.planar ? " planar x and y" : " latitude and longitude") +
            "; the station tables of one import must agree");
  }
  for (const StationRecord& station : more.stations) {
    const int held = list.find(station.id);
    if (held < 0) {
      list.by_id.emplace(station.id, static_cast<int>(list.stations.size()));
      list.stations.push_back(station);
      continue;
    }
    if (!(distance_apart(list.planar, list.stations[held], station) <= 100.0))
      list.elsewhere.emplace_back(held, station);
  }
  list.file += ", " + more.file;
}

void check_one_place(const StationList& list, int station) {
  for (const auto& [held, other] : list.elsewhere) {
    if (held != station) continue;
    const StationRecord& first = list.stations[held];
    fail_import(exit_code::import_bad_stations, other.file, other.line,
                "station " + other.id + " lies " +
                    std::to_string(std::lround(distance_apart(list.planar, first, other))) +
                    " m from where " + first.file + ":" + std::to_string(first.line) +
                    " places it; a station in two tables must be in one place");
  }
}

StationList read_station_list(std::string_view text, const std::string& file) {
  StationList list;
  list.file = file;
  const std::size_t first_end = text.find('\n');
  const std::string_view rest =
      first_end == std::string_view::npos ? std::string_view{} : text.substr(first_end + 1);
  std::string_view second_line = rest.substr(0, rest.find('\n'));
  if (!second_line.empty() && second_line.back() == '\r') second_line.remove_suffix(1);
  if (is_dash_line(second_line)) {
    read_service_list(text, list);
  } else {
    read_delimited_list(text, list);
  }
  if (list.stations.empty())
    fail_import(exit_code::import_bad_stations, list.file, 0, "no station is listed");
  return list;
}

}  // namespace rumo
