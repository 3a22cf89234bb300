#include "core/time_base.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace rumo {

namespace {

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

bool two_digits(std::string_view text, int& value) {
  if (text.size() != 2) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + 2, value);
  return ec == std::errc{} && end == text.data() + 2;
}

}  // namespace

std::optional<UtcOffset> parse_utc_offset(std::string_view text) {
  if (text == "Z" || text == "z") return UtcOffset{0};
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return {};
  int hours = 0;
  int minutes = 0;
  if (!two_digits(text.substr(1, 2), hours) || !two_digits(text.substr(4, 2), minutes)) return {};
  if (hours > 14 || minutes > 59) return {};
  const int total = hours * 60 + minutes;
  return UtcOffset{text[0] == '-' ? -total : total};
}

std::string format_utc_offset(UtcOffset offset) {
  const int size = std::abs(offset.minutes);
  std::string text = offset.minutes < 0 ? "-" : "+";
  const int hours = size / 60;
  const int minutes = size % 60;
  text += static_cast<char>('0' + hours / 10);
  text += static_cast<char>('0' + hours % 10);
  text += ':';
  text += static_cast<char>('0' + minutes / 10);
  text += static_cast<char>('0' + minutes % 10);
  return text;
}

std::string conventions_title(std::string_view what, UtcOffset offset, std::string_view crs,
                              const std::vector<std::string>& ids) {
  std::string title(what);
  title += "; time UTC" + format_utc_offset(offset) + ", hour h ends at h:00";
  if (!crs.empty()) {
    title += "; crs ";
    title += crs;
  }
  if (!ids.empty()) title += "; ids";
  for (const std::string& id : ids) {
    title += ' ';
    for (const char c : id) {
      if (c != ' ' && c != '\t' && c != ';') title += c;
    }
  }
  return title;
}

namespace {

enum class Part { subject, time, crs, ids };

// Calls `take` with each part of a title between semicolons, trimmed, and
// what it states.
template <class Take>
void title_parts(std::string_view title, Take take) {
  while (!title.empty()) {
    const auto cut = title.find(';');
    const std::string_view part = trim(title.substr(0, cut));
    title = cut == std::string_view::npos ? std::string_view{} : title.substr(cut + 1);
    if (part.starts_with("time UTC") && part.size() >= 14 && parse_utc_offset(part.substr(8, 6))) {
      take(part, Part::time);
    } else if (part.starts_with("crs ")) {
      take(part, Part::crs);
    } else if (part == "ids" || part.starts_with("ids ")) {
      take(part, Part::ids);
    } else {
      take(part, Part::subject);
    }
  }
}

}  // namespace

TitleConventions read_title_conventions(std::string_view title) {
  TitleConventions found;
  title_parts(title, [&](std::string_view part, Part what) {
    if (what == Part::time) found.offset = parse_utc_offset(part.substr(8, 6));
    if (what == Part::crs) found.crs = std::string(trim(part.substr(4)));
    if (what != Part::ids) return;
    std::vector<std::string>& ids = found.ids.emplace();
    part.remove_prefix(3);
    while (!(part = trim(part)).empty()) {
      const auto end = std::min(part.find(' '), part.find('\t'));
      ids.emplace_back(part.substr(0, end));
      part = end == std::string_view::npos ? std::string_view{} : part.substr(end);
    }
  });
  return found;
}

std::string title_without_ids(std::string_view title) {
  std::string kept;
  bool listed = false;
  title_parts(title, [&](std::string_view part, Part what) {
    listed = listed || what == Part::ids;
    if (what == Part::ids) return;
    if (!kept.empty()) kept += "; ";
    kept += part;
  });
  return listed ? kept : std::string(title);
}

std::string title_subject(std::string_view title) {
  std::string subject;
  title_parts(title, [&](std::string_view part, Part what) {
    if (what != Part::subject || part.empty()) return;
    if (!subject.empty()) subject += "; ";
    subject += part;
  });
  return subject;
}

}  // namespace rumo
