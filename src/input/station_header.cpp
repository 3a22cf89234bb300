#include "input/station_header.hpp"

#include <array>
#include <optional>
#include <vector>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "core/window.hpp"
#include "input/numbers.hpp"
#include "input/records.hpp"

namespace rumo {

namespace {

// Line 2 starts with an 11-character label ("YY\tMM\tDD\tHH") in front of
// the heights; a shorter line has no label and is all heights.
constexpr std::size_t kLabelLength = 11;

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// The heights of line 2 after its label, one token at a time; only blanks
// and tabs separate them.
class HeightTokens {
 public:
  explicit HeightTokens(std::string_view line) : line_(line) {
    if (line_.size() >= kLabelLength) line_.remove_prefix(kLabelLength);
  }
  std::optional<std::string_view> next() {
    while (at_ < line_.size() && is_blank(line_[at_])) ++at_;
    if (at_ == line_.size()) return std::nullopt;
    const std::size_t start = at_;
    while (at_ < line_.size() && !is_blank(line_[at_])) ++at_;
    return line_.substr(start, at_ - start);
  }

 private:
  std::string_view line_;
  std::size_t at_ = 0;
};

bool starts_number(std::string_view token) {
  std::size_t at = 0;
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) ++at;
  if (at < token.size() && token[at] == '.') ++at;
  return at < token.size() && token[at] >= '0' && token[at] <= '9';
}

// Header numbers that go on with something else after the number ("9,6381"
// is read as 9), gathered by line, so that each line is told once.
class NumberRests {
 public:
  double read(std::string_view token, std::size_t line) {
    const HeaderNumber number = read_header_number(token);
    if (number.length > 0 && number.length < token.size()) {
      if (lines_.empty() || lines_.back().line != line) {
        lines_.push_back({line, std::string(token), number.value, 0});
      }
      ++lines_.back().count;
    }
    return number.value;
  }

  std::string warnings(const std::string& name) const {
    std::string text;
    for (const Line& line : lines_) {
      text +=
          message_format("rumo: warning: %s, line %zu: %s was read as %s", name.c_str(), line.line,
                         quoted(line.first).c_str(), shortest_text(line.value).c_str());
      if (line.first.find(',') != std::string::npos) text += " (decimal comma?)";
      if (line.count > 1) {
        text += "; the same holds for " + counted(line.count - 1, "more entry", "more entries") +
                " of this line";
      }
      text += "\n";
    }
    return text;
  }

 private:
  struct Line {
    std::size_t line;
    std::string first;
    double value;
    int count;
  };
  std::vector<Line> lines_;
};

using HeaderLine = exit_code::HeaderLineCodes;

// Failures of lines 3 to 5 mean the file ended early; a located one says
// after how many of the entries line 2 announces.
[[noreturn]] void fail_labels(TextReader& reader, const HeaderLine& line) {
  if (!reader.located) fail_read(line.labels);
  fail_read(
      line.labels,
      located_line(reader.name, reader.token_line(),
                   message_format("the file ends before the four labels of line %d", line.line)));
}

[[noreturn]] void fail_entries(TextReader& reader, const HeaderLine& line, int read, int count) {
  if (!reader.located) fail_read(line.entries);
  fail_read(line.entries,
            located_line(reader.name, reader.token_line(),
                         message_format("the file ends after %d of the %d %s that line 2 announces",
                                        read, count, line.entries_are)));
}

std::string_view read_entry(TextReader& reader, const HeaderLine& line, int read, int count) {
  const auto token = reader.read_token();
  if (!token) fail_entries(reader, line, read, count);
  return *token;
}

void read_labels(TextReader& reader, const HeaderLine& line) {
  for (int label = 0; label < 4; ++label) {
    if (!reader.read_token()) fail_labels(reader, line);
  }
}

// The entries after the four labels of each of lines 3 to 5 as the file
// lays them out, read word by word as the header is; nothing when a line
// does not begin with a label of its own (a word that is no number) and its
// four, as where entries run on over the lines.
std::optional<std::array<int, 3>> entries_by_line(TextReader& reader) {
  std::string line;
  reader.read_line(line);  // the title and the heights, read before
  reader.read_line(line);
  std::array<int, 3> words{};
  std::array<bool, 3> labelled{};
  while (const auto token = reader.read_token()) {
    const std::size_t at = reader.token_line();
    if (at > 5) break;
    if (words[at - 3]++ == 0) labelled[at - 3] = !starts_number(*token);
  }
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (!labelled[i] || words[i] < 4) return std::nullopt;
    words[i] -= 4;
  }
  return words;
}

// The warnings for lines 3 to 5 whose count of entries after the four
// labels differs from the heights of line 2: a name with a blank, a missing
// coordinate. Empty when they agree.
std::string entry_count_warnings(const std::string& name, const std::array<int, 3>& entries,
                                 int heights) {
  static const char* const kEntries[][2] = {{"first coordinate", "first coordinates"},
                                            {"second coordinate", "second coordinates"},
                                            {"name", "names"}};
  const std::string but = ", but line 2 has " + counted(heights, "height", "heights") +
                          "; the entries are taken in turn, so those after the extra or missing "
                          "one go to the wrong stations";
  if (entries[0] != heights && entries[0] == entries[1] && entries[1] == entries[2]) {
    return "rumo: warning: " + name + ", lines 3 to 5: " + counted(entries[0], "entry", "entries") +
           " each after the label" + but + "\n";
  }
  std::string text;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == heights) continue;
    text += "rumo: warning: " + name + ", line " + std::to_string(i + 3) + ": " +
            counted(entries[i], kEntries[i][0], kEntries[i][1]) + " after the label" + but;
    if (i == 2 && entries[i] > heights) text += " (a name with a blank?)";
    text += "\n";
  }
  return text;
}

}  // namespace

std::string label_warning(const std::string& name, std::string_view line) {
  if (line.size() <= kLabelLength) return {};
  const bool cut_inside = !is_blank(line[kLabelLength - 1]) && !is_blank(line[kLabelLength]);
  HeightTokens tokens(line);
  const auto first = tokens.next();
  if (!first || (!cut_inside && starts_number(*first))) return {};
  // The label is what comes before the heights: four fields, as on lines 3 to 5.
  std::size_t end = 0;
  for (int field = 0; field < 4 && end < line.size(); ++field) {
    while (end < line.size() && is_blank(line[end])) ++end;
    while (end < line.size() && !is_blank(line[end])) ++end;
  }
  return message_format(
      "rumo: warning: %s, line 2: the label before the heights is %zu characters long, not 11; "
      "the first station's height was taken from \"%.*s\"\n",
      name.c_str(), end, static_cast<int>(first->size()), first->data());
}

TextReader read_station_header(Console& console, FileSystem& files, const std::string& name,
                               int first_number, int& count, StationTable& table, bool located) {
  auto source = files.open_input(name);
  if (!source) {
    std::string message = message_format("Fehler beim Oeffnen der Datei %s\n", name.c_str());
    if (located) message += name + ": cannot be opened: " + files.open_failure() + "\n";
    fail(exit_code::station_file_not_opened, message);
  }
  TextReader reader(std::move(source));
  reader.located = located;
  reader.name = name;

  std::string line;
  reader.read_line(line);  // the title
  line.clear();
  reader.read_line(line);
  count = 0;
  const std::string label = located ? label_warning(name, line) : std::string();
  console.err << label;
  NumberRests rests;
  HeightTokens tokens(line);
  // The heights are counted first, so that the table grows once.
  for (HeightTokens counting = tokens; counting.next() && first_number + count <= kMaxStations;) {
    ++count;
  }
  table.make_room(first_number + count - 1);
  count = 0;
  while (const auto token = tokens.next()) {
    const double height = rests.read(*token, 2);
    const int number = first_number + count;
    console.out << message_format("Station %2d, Hoehe %10.4lf\n", count, height);
    ++count;
    if (number > kMaxStations) break;
    table.height[number] = height;
  }
  // More stations than a run can hold would put every later entry and every
  // data value in the wrong place, so such a run is refused here; the rest
  // of the line is only counted for the message.
  if (first_number - 1 + count > kMaxStations) {
    while (tokens.next()) ++count;
    fail(exit_code::too_many_stations, message_format("Zu viele Stationen (%d), hoechstens %d !\n",
                                                      first_number - 1 + count, kMaxStations));
  }
  console.out << message_format("*anzahl %d\n", count);

  const int last = first_number + count - 1;
  const auto& lines = exit_code::header_lines;
  read_labels(reader, lines[0]);
  for (int i = first_number; i <= last; ++i) {
    const auto token = read_entry(reader, lines[0], i - first_number, count);
    table.first[i] = rests.read(token, reader.token_line());
  }
  read_labels(reader, lines[1]);
  for (int i = first_number; i <= last; ++i) {
    const auto token = read_entry(reader, lines[1], i - first_number, count);
    table.second[i] = rests.read(token, reader.token_line());
  }
  read_labels(reader, lines[2]);
  for (int i = first_number; i <= last; ++i) {
    table.name[i] = std::string(kept_name(read_entry(reader, lines[2], i - first_number, count)));
  }

  reader.rewind();
  if (located) {
    console.err << rests.warnings(name);
    // The label's warning already accounts for a count of heights that the
    // other lines do not share.
    if (label.empty()) {
      if (const auto entries = entries_by_line(reader)) {
        console.err << entry_count_warnings(name, *entries, count);
      }
      reader.rewind();
    }
  }
  return reader;
}

void skip_header(TextReader& reader) {
  std::string line;
  for (int i = 0; i < 5; ++i) reader.read_line(line);
}

}  // namespace rumo
