#include "input/station_header.hpp"

#include <optional>

#include "core/error.hpp"
#include "core/window.hpp"
#include "input/numbers.hpp"
#include "input/records.hpp"

namespace rumo {

namespace {

// Line 2 starts with an 11-character label ("YY\tMM\tDD\tHH") in front of
// the heights; a shorter line has no label and is all heights.
constexpr std::size_t kLabelLength = 11;
constexpr std::size_t kNameLength = 7;

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
  if (located) console.err << label_warning(name, line);
  HeightTokens tokens(line);
  // The heights are counted first, so that the table grows once.
  for (HeightTokens counting = tokens; counting.next() && first_number + count <= kMaxStations;) {
    ++count;
  }
  table.make_room(first_number + count - 1);
  count = 0;
  while (const auto token = tokens.next()) {
    const double height = parse_header_number(*token);
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
    table.first[i] = parse_header_number(read_entry(reader, lines[0], i - first_number, count));
  }
  read_labels(reader, lines[1]);
  for (int i = first_number; i <= last; ++i) {
    table.second[i] = parse_header_number(read_entry(reader, lines[1], i - first_number, count));
  }
  read_labels(reader, lines[2]);
  for (int i = first_number; i <= last; ++i) {
    table.name[i] =
        std::string(read_entry(reader, lines[2], i - first_number, count).substr(0, kNameLength));
  }

  reader.rewind();
  return reader;
}

void skip_header(TextReader& reader) {
  std::string line;
  for (int i = 0; i < 5; ++i) reader.read_line(line);
}

}  // namespace rumo
