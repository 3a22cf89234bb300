// The stations of a run: how many of each kind, and what the headers say of
// each one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rumo {

// Stations are numbered hourly first (1..H), then climate (H+1..H+C), then
// collector (H+C+1..T).
struct StationCounts {
  int hourly = 0;
  int climate = 0;
  int collector = 0;

  int total() const { return hourly + climate + collector; }
  int first_climate() const { return hourly + 1; }
  int last_climate() const { return hourly + climate; }
  int first_collector() const { return hourly + climate + 1; }
};

// Per-station data, indexed by station number (entry 0 unused). The arrays
// grow with the headers read, so that a run holds what its stations need.
struct StationTable {
  std::vector<double> height{0.0};
  std::vector<double> first{0.0};   // first coordinate
  std::vector<double> second{0.0};  // second coordinate
  std::vector<std::string> name{std::string()};

  // Makes room for station numbers up to `last` (a failure ends the run with
  // the code of each array).
  void make_room(int last);
};

// How many characters of a station's name a run keeps.
inline constexpr std::size_t kNameLength = 7;

// The length of the well-formed UTF-8 sequence that begins at `at` (1 for an
// ASCII character), or 0 where none does: a stray continuation byte, a cut
// sequence, an overlong form, a surrogate or a code point beyond U+10FFFF.
std::size_t utf8_sequence(std::string_view text, std::size_t at);

// The name a run keeps of the name in a header: the first 7 characters of a
// name in valid UTF-8 (so that the name stays valid), the first 7 bytes of
// any other. Keeping a kept name changes nothing.
std::string_view kept_name(std::string_view name);

// How many characters the text shows: its code points when it is valid
// UTF-8, its bytes otherwise.
std::size_t shown_length(std::string_view text);

}  // namespace rumo
