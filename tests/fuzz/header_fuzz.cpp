// Fuzz target: the station file header reader. The input bytes are one
// station file; its header is read twice, once as the first file of a run
// (first station number 1) and once 10 stations short of the limit, so that
// the limit of stations is reached with short inputs too. The
// outcome is compared with the file's own tokens: the failure code of a
// short header or of too many stations, and otherwise every height,
// coordinate and name, the console's station lines and the rewound file.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "core/window.hpp"
#include "fuzz_checks.hpp"
#include "input/station_header.hpp"
#include "input/text_reader.hpp"

namespace {

using rumo::fuzz::expect;
using rumo::fuzz::finding;

const std::string kName = "station";

// Line 1 as a line read gives it back: up to the first line feed, without a
// carriage return right before it.
std::string first_line(std::string_view text) {
  const std::size_t feed = text.find('\n');
  if (feed == std::string_view::npos) return std::string(text);
  std::string_view line = text.substr(0, feed);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return std::string(line);
}

int count_occurrences(const std::string& text, const std::string& what) {
  int found = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++found;
  }
  return found;
}

bool is_white(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The tokens of line 2 after its label, and of lines 3 on, where any white
// space, line ends included, separates them.
struct HeaderTokens {
  std::vector<std::string> heights;
  std::vector<std::string> rest;
};

HeaderTokens header_tokens(std::string_view text) {
  HeaderTokens tokens;
  const std::size_t feed = text.find('\n');
  if (feed == std::string_view::npos) return tokens;
  std::string_view line = text.substr(feed + 1);
  const std::size_t end = line.find('\n');
  if (end != std::string_view::npos) {
    line = line.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  if (line.size() >= 11) line.remove_prefix(11);
  std::string token;
  for (const char c : line) {
    if (c == ' ' || c == '\t') {
      if (!token.empty()) tokens.heights.push_back(token);
      token.clear();
    } else {
      token.push_back(c);
    }
  }
  if (!token.empty()) tokens.heights.push_back(token);
  if (end == std::string_view::npos) return tokens;

  token.clear();
  for (const char c : text.substr(feed + 1 + end + 1)) {
    if (is_white(c)) {
      if (!token.empty()) tokens.rest.push_back(token);
      token.clear();
    } else {
      token.push_back(c);
    }
  }
  if (!token.empty()) tokens.rest.push_back(token);
  return tokens;
}

// The code with which reading the header fails, or 0: the four labels of a
// line and then one entry per station, line by line.
int expected_read_code(const HeaderTokens& tokens, int count) {
  const std::size_t have = tokens.rest.size();
  const std::size_t n = static_cast<std::size_t>(count);
  const std::size_t needed[] = {4, 4 + n, 8 + n, 8 + 2 * n, 12 + 2 * n, 12 + 3 * n};
  for (int part = 0; part < 6; ++part) {
    if (have < needed[part]) return 301 + part;
  }
  return 0;
}

// A header number as the C library's text-to-number conversion gives it.
double number(const std::string& token) {
  return std::strtod(token.c_str(), nullptr);
}

bool same_number(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

void check_table(const rumo::StationTable& table, const HeaderTokens& tokens, int first_number,
                 int count) {
  const int last = first_number + count - 1;
  const auto n = static_cast<std::size_t>(count);
  for (int i = 0; i < static_cast<int>(table.height.size()); ++i) {
    const std::string at = "station number " + std::to_string(i);
    if (i >= first_number && i <= last) {
      const auto k = static_cast<std::size_t>(i - first_number);
      expect(same_number(table.height[i], number(tokens.heights[k])), at + ": height");
      expect(same_number(table.first[i], number(tokens.rest[4 + k])), at + ": first coordinate");
      expect(same_number(table.second[i], number(tokens.rest[8 + n + k])),
             at + ": second coordinate");
      const std::string name = tokens.rest[12 + 2 * n + k].substr(0, 7);
      expect(table.name[i] == name, at + ": name \"" + table.name[i] + "\", not \"" + name + "\"");
    } else {
      expect(table.height[i] == 0.0 && table.first[i] == 0.0 && table.second[i] == 0.0 &&
                 table.name[i].empty(),
             at + " outside the file's stations was written");
    }
  }
}

void check_header(const std::string& text, int first_number) {
  rumo::MemoryFiles files;
  files.inputs[kName] = text;
  std::istringstream in;
  std::ostringstream out;
  rumo::Console console{in, out};
  rumo::StationTable table;
  int count = -1;
  const HeaderTokens tokens = header_tokens(text);
  const int heights = static_cast<int>(tokens.heights.size());
  const bool too_many = first_number - 1 + heights > rumo::kMaxStations;
  const std::string with = " (first station number " + std::to_string(first_number) + ")";

  try {
    rumo::TextReader reader =
        rumo::read_station_header(console, files, kName, first_number, count, table);
    expect(!too_many, "more stations than the limit accepted" + with);
    expect(count == heights, "count " + std::to_string(count) + " for " + std::to_string(heights) +
                                 " heights" + with);
    const std::string& console_text = out.str();
    expect(count_occurrences(console_text, "Station ") == count,
           "not one station line per height" + with);
    const std::string last_line = "*anzahl " + std::to_string(count) + "\n";
    expect(console_text.size() >= last_line.size() &&
               console_text.compare(console_text.size() - last_line.size(), last_line.size(),
                                    last_line) == 0,
           "console does not end with the count line" + with);
    expect(expected_read_code(tokens, count) == 0, "header read in full though it is short" + with);
    check_table(table, tokens, first_number, count);
    std::string line;
    expect(reader.read_line(line), "no line to read after the header" + with);
    expect(line == first_line(text), "the file is not back at its first line" + with);
  } catch (const rumo::RunError& error) {
    rumo::fuzz::expect_message_form(error);
    const std::string code = std::to_string(error.code);
    if (error.code == 109) {
      expect(too_many, "code 109 for " + std::to_string(heights) + " heights" + with);
      expect(out.str().find("*anzahl") == std::string::npos,
             "count line printed before code 109" + with);
    } else {
      expect(error.code >= 301 && error.code <= 306,
             "code " + code + " is not one of the header's codes" + with);
      expect(!too_many, "more stations than the limit read on to code " + code + with);
      const int expected = expected_read_code(tokens, heights);
      expect(error.code == expected,
             "code " + code + " where the header gives " + std::to_string(expected) + with);
      expect(out.str().find("*anzahl " + std::to_string(heights) + "\n") != std::string::npos,
             "code " + code + " before the count line" + with);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    check_header(text, 1);
    check_header(text, rumo::kMaxStations - 9);
  } catch (const std::exception& error) {
    finding(std::string("unexpected exception: ") + error.what());
  } catch (...) {
    finding("unexpected exception of unknown type");
  }
  return 0;
}
