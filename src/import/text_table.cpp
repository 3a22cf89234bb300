#include "import/text_table.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace rumo {

char detect_delimiter(std::string_view header) {
  char best = 0;
  long most = 0;
  for (const char candidate : {';', '\t', ','}) {
    const long count = std::count(header.begin(), header.end(), candidate);
    if (count > most) {
      most = count;
      best = candidate;
    }
  }
  return best;
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

void split_fields(std::string_view line, char delimiter, std::vector<std::string_view>& fields,
                  std::size_t limit) {
  fields.clear();
  std::size_t at = 0;
  while (fields.size() < limit) {
    std::size_t begin = at;
    while (begin < line.size() && (line[begin] == ' ' || line[begin] == '\t') &&
           line[begin] != delimiter) {
      ++begin;
    }
    std::size_t end;
    if (begin < line.size() && line[begin] == '"') {
      const std::size_t close = line.find('"', begin + 1);
      const std::size_t stop = close == std::string_view::npos ? line.size() : close;
      fields.push_back(line.substr(begin + 1, stop - begin - 1));
      end = line.find(delimiter, stop);
    } else {
      end = line.find(delimiter, begin);
      fields.push_back(trim_blanks(line.substr(
          begin, end == std::string_view::npos ? std::string_view::npos : end - begin)));
    }
    if (end == std::string_view::npos) break;
    at = end + 1;
  }
}

namespace {

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool all_digits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

int find_column(const std::vector<std::string_view>& header,
                const std::vector<std::string_view>& names) {
  for (std::size_t i = 0; i < header.size(); ++i) {
    for (const std::string_view name : names) {
      if (same_ignoring_case(header[i], name)) return static_cast<int>(i);
    }
  }
  return -1;
}

std::string canonical_id(std::string_view id) {
  id = trim_blanks(id);
  if (all_digits(id)) {
    while (id.size() > 1 && id.front() == '0') id.remove_prefix(1);
  }
  return std::string(id);
}

bool id_before(const std::string& a, const std::string& b) {
  const bool a_number = all_digits(a);
  const bool b_number = all_digits(b);
  if (a_number != b_number) return a_number;
  if (a_number && a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::optional<double> read_decimal(std::string_view text, char delimiter) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec == std::errc{} && end == text.data() + text.size()) {
    if (!std::isfinite(value)) return std::nullopt;
    return value;
  }
  const std::size_t comma = text.find(',');
  if (delimiter == ',' || comma == std::string_view::npos || text.size() > 64) return std::nullopt;
  char copy[64];
  std::copy(text.begin(), text.end(), copy);
  copy[comma] = '.';
  const auto again = std::from_chars(copy, copy + text.size(), value);
  if (again.ec != std::errc{} || again.ptr != copy + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

namespace {

// A Latin-1 code point (also one decoded from UTF-8) as ASCII.
void append_ascii(std::string& out, unsigned code) {
  switch (code) {
    case 0xE4:
      out += "ae";
      return;
    case 0xF6:
      out += "oe";
      return;
    case 0xFC:
      out += "ue";
      return;
    case 0xC4:
      out += "Ae";
      return;
    case 0xD6:
      out += "Oe";
      return;
    case 0xDC:
      out += "Ue";
      return;
    case 0xDF:
      out += "ss";
      return;
    default:
      out += code < 0x80 ? static_cast<char>(code) : '_';
  }
}

// The code points of `text` if it is well-formed UTF-8.
std::optional<std::vector<unsigned>> utf8_code_points(std::string_view text) {
  std::vector<unsigned> codes;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const int length = byte < 0x80             ? 1
                       : (byte & 0xE0) == 0xC0 ? 2
                       : (byte & 0xF0) == 0xE0 ? 3
                       : (byte & 0xF8) == 0xF0 ? 4
                                               : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    unsigned code = length == 1 ? byte : byte & (0x7Fu >> length);
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      code = (code << 6) | (next & 0x3Fu);
    }
    codes.push_back(code);
    i += length;
  }
  return codes;
}

}  // namespace

std::string ascii_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  if (const auto codes = utf8_code_points(text)) {
    for (const unsigned code : *codes) append_ascii(out, code);
  } else {
    for (const char c : text) append_ascii(out, static_cast<unsigned char>(c));
  }
  return out;
}

}  // namespace rumo
