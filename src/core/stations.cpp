#include "core/stations.hpp"

#include <algorithm>
#include <optional>

#include "core/error.hpp"
#include "core/window.hpp"

namespace rumo {

void StationTable::make_room(int last) {
  const std::size_t entries = station_entries(last);
  if (height.size() >= entries) return;
  take_memory(exit_code::memory_heights, [&] { height.resize(entries); });
  take_memory(exit_code::memory_first_coordinates, [&] { first.resize(entries); });
  take_memory(exit_code::memory_second_and_names, [&] {
    second.resize(entries);
    name.resize(entries);
  });
}

std::size_t utf8_sequence(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char c = byte(at);
  if (c < 0x80) return 1;
  std::size_t length = 0;
  if (c >= 0xC2 && c <= 0xDF) length = 2;
  if (c >= 0xE0 && c <= 0xEF) length = 3;
  if (c >= 0xF0 && c <= 0xF4) length = 4;
  if (length == 0 || text.size() - at < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
  }
  // The second byte's range shuts out overlong forms, surrogates and what
  // lies beyond U+10FFFF.
  const unsigned char next = byte(at + 1);
  if ((c == 0xE0 && next < 0xA0) || (c == 0xED && next >= 0xA0) || (c == 0xF0 && next < 0x90) ||
      (c == 0xF4 && next >= 0x90)) {
    return 0;
  }
  return length;
}

namespace {

// The bytes of the first `characters` characters of valid UTF-8 text, or
// nothing when the text is not valid UTF-8.
std::optional<std::size_t> utf8_prefix(std::string_view text, std::size_t characters) {
  std::size_t end = text.size();
  std::size_t counted = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = utf8_sequence(text, at);
    if (length == 0) return std::nullopt;
    if (counted++ == characters) end = std::min(end, at);
    at += length;
  }
  return end;
}

}  // namespace

std::string_view kept_name(std::string_view name) {
  return name.substr(0, utf8_prefix(name, kNameLength).value_or(kNameLength));
}

std::size_t shown_length(std::string_view text) {
  std::size_t characters = 0;
  for (std::size_t at = 0; at < text.size(); ++characters) {
    const std::size_t length = utf8_sequence(text, at);
    if (length == 0) return text.size();
    at += length;
  }
  return characters;
}

}  // namespace rumo
