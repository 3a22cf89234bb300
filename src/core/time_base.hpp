// The time base and coordinate system a station file states in its title
// line. Inside, the run counts hours 1 to 24 in one fixed offset from UTC:
// hour h of a day is the hour that ends at h o'clock. Files written by the
// importer say which offset and which CRS in their title line, so that the
// exporters need not guess; a title without them states nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rumo {

// A fixed offset from UTC in minutes, never daylight saving.
struct UtcOffset {
  int minutes = 0;
  friend bool operator==(const UtcOffset&, const UtcOffset&) = default;
};

// "+HH:MM" or "-HH:MM" (also "Z" for +00:00), HH at most 14, MM below 60.
std::optional<UtcOffset> parse_utc_offset(std::string_view text);
// "+01:00", "-03:30", "+00:00".
std::string format_utc_offset(UtcOffset offset);

struct TitleConventions {
  std::optional<UtcOffset> offset;  // nothing: the title does not say
  std::string crs;                  // empty: the title does not say
  // The stations' ids in their source, in the file's order (the written
  // names may be other names, or ids cut to 7 characters); nothing: the
  // title does not list them.
  std::optional<std::vector<std::string>> ids;
};

// The title line the importer writes, for example
// "hourly precipitation [mm]; time UTC+01:00, hour h ends at h:00; crs EPSG:25832; ids 2667 1078".
// `what` must hold no ';'; an empty `crs` leaves the crs part out, and no
// `ids` the ids part. An id loses its blanks and semicolons.
std::string conventions_title(std::string_view what, UtcOffset offset, std::string_view crs,
                              const std::vector<std::string>& ids = {});
// What a title line states: "time UTC+HH:MM", "crs NAME" and "ids A B ..."
// parts between semicolons, wherever they stand.
TitleConventions read_title_conventions(std::string_view title);
// The title without its ids part, for a title that names the file; one
// without it comes back unchanged.
std::string title_without_ids(std::string_view title);
// The title without those parts: what the file holds, in its own words
// ("hourly precipitation [mm]").
std::string title_subject(std::string_view title);

}  // namespace rumo
