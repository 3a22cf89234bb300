// Fuzz target: the station file header reader. The input bytes are one
// station file, read as the first file of a run and again 10 stations short of
// the limit. The header either fails with one of its documented codes and
// message forms, or gives one console line per station ending with the count,
// writes only the file's own entries, keeps names to 7 characters and gives
// the file back at its first line.
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>

#include "core/window.hpp"
#include "fuzz_checks.hpp"
#include "input/station_header.hpp"

namespace {

using rumo::fuzz::expect;

void check_header(const std::string& text, int first_number) {
  rumo::MemoryFiles files;
  files.inputs["s"] = text;
  std::istringstream in;
  std::ostringstream out;
  rumo::Console console{in, out};
  rumo::StationTable table;
  int count = -1;
  const std::string with = " (first station number " + std::to_string(first_number) + ")";
  try {
    rumo::TextReader reader =
        rumo::read_station_header(console, files, "s", first_number, count, table);
    expect(count >= 0 && first_number - 1 + count <= rumo::kMaxStations, "count" + with);
    const std::string tail = "*anzahl " + std::to_string(count) + "\n";
    const std::string& said = out.str();
    expect(said.size() >= tail.size() && said.ends_with(tail), "no count line" + with);
    std::size_t lines = 0;
    for (std::size_t at = said.find("Station "); at != std::string::npos;
         at = said.find("Station ", at + 1)) {
      ++lines;
    }
    expect(lines == static_cast<std::size_t>(count), "not one line per station" + with);
    for (int i = 0; i < static_cast<int>(table.name.size()); ++i) {
      const bool own = i >= first_number && i < first_number + count;
      expect(own || (table.height[i] == 0.0 && table.first[i] == 0.0 && table.second[i] == 0.0 &&
                     table.name[i].empty()),
             "entry " + std::to_string(i) + " of no station of the file written" + with);
      expect(rumo::kept_name(table.name[i]) == table.name[i], "a name past 7 characters" + with);
    }
    std::string line;
    const std::string first = text.substr(0, text.find('\n'));
    expect(reader.read_line(line) && (line == first || line + "\r" == first),
           "the file is not back at its first line" + with);
  } catch (const rumo::RunError& error) {
    rumo::fuzz::expect_message_form(error);
    expect(error.code == 109 || (error.code >= 301 && error.code <= 306),
           "code " + std::to_string(error.code) + " is not one of the header's" + with);
    expect((error.code == 109) == (out.str().find("*anzahl") == std::string::npos),
           "count line and code " + std::to_string(error.code) + " disagree" + with);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    check_header(text, 1);
    check_header(text, rumo::kMaxStations - 9);
  } catch (const std::exception& error) {
    rumo::fuzz::finding(std::string("unexpected exception: ") + error.what());
  }
  return 0;
}
