#include "input/station_header.hpp"

#include <optional>

#include "core/error.hpp"
#include "core/window.hpp"
#include "input/numbers.hpp"

namespace rumo {

namespace {

// Line 2 starts with an 11-character label ("YY\tMM\tDD\tHH") in front of
// the heights; a shorter line has no label and is all heights.
constexpr std::size_t kLabelLength = 11;
constexpr std::size_t kNameLength = 7;

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
  static bool is_blank(char c) { return c == ' ' || c == '\t'; }
  std::string_view line_;
  std::size_t at_ = 0;
};

std::string_view read_header_token(TextReader& reader, int code) {
  const auto token = reader.read_token();
  if (!token) fail_read(code);
  return *token;
}

void read_labels(TextReader& reader, int code) {
  for (int label = 0; label < 4; ++label) read_header_token(reader, code);
}

}  // namespace

TextReader read_station_header(Console& console, FileSystem& files, const std::string& name,
                               int first_number, int& count, StationTable& table) {
  auto source = files.open_input(name);
  if (!source) fail(101, message_format("Fehler beim Oeffnen der Datei %s\n", name.c_str()));
  TextReader reader(std::move(source));

  std::string line;
  reader.read_line(line);  // the title
  line.clear();
  reader.read_line(line);
  count = 0;
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
    fail(109, message_format("Zu viele Stationen (%d), hoechstens %d !\n", first_number - 1 + count,
                             kMaxStations));
  }
  console.out << message_format("*anzahl %d\n", count);

  const int last = first_number + count - 1;
  read_labels(reader, 301);
  for (int i = first_number; i <= last; ++i) {
    table.first[i] = parse_header_number(read_header_token(reader, 302));
  }
  read_labels(reader, 303);
  for (int i = first_number; i <= last; ++i) {
    table.second[i] = parse_header_number(read_header_token(reader, 304));
  }
  read_labels(reader, 305);
  for (int i = first_number; i <= last; ++i) {
    table.name[i] = std::string(read_header_token(reader, 306).substr(0, kNameLength));
  }

  reader.rewind();
  return reader;
}

void skip_header(TextReader& reader) {
  std::string line;
  for (int i = 0; i < 5; ++i) reader.read_line(line);
}

}  // namespace rumo
