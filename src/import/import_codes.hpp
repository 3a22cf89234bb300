// How an import fails: its exit codes and the one message form
// "rumo import: FILE:LINE: what is wrong (the text)" on standard error.
// A failed import leaves none of its station files behind.
#pragma once

#include <string>
#include <string_view>

#include "core/error.hpp"

namespace rumo {

// A value file or the station table cannot be opened or read, or the output
// folder cannot be created.
inline constexpr int kImportFileNotRead = 120;
// A line cannot be understood: a header without the needed columns, a field
// missing, a stamp or value that cannot be read, a negative value that is not
// a missing marker.
inline constexpr int kImportBadLine = 121;
// A value names a station that the station table does not list.
inline constexpr int kImportUnknownStation = 122;
// Two values for the same station and written hour (or reading).
inline constexpr int kImportDuplicate = 123;
// A stamp that cannot be placed on the program's hours: minutes other than
// 00, or a reading whose period does not begin where a half or day begins.
inline constexpr int kImportNotPlaceable = 124;
// The station table cannot serve: an id listed twice, coordinates that
// cannot be read or projected, or two stations whose written names agree in
// their first 7 characters.
inline constexpr int kImportBadStations = 125;
// Nothing to write: no value in the period, or more stations than a run takes.
inline constexpr int kImportNothing = 126;
// A station file cannot be written, or renamed into place.
inline constexpr int kImportNotWritten = 127;

// "rumo import: FILE:LINE: WHAT (TEXT)\n"; `line` 0 leaves out the line,
// empty `text` the bracket. The text is cut after 80 characters.
[[noreturn]] inline void fail_import(int code, std::string_view file, long line,
                                     std::string_view what, std::string_view text = {}) {
  std::string message = "rumo import: ";
  message += file;
  if (line > 0) message += ":" + std::to_string(line);
  message += ": ";
  message += what;
  if (!text.empty()) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    message += " (";
    message += text.size() > 80 ? std::string(text.substr(0, 80)) + "..." : std::string(text);
    message += ")";
  }
  message += "\n";
  throw RunError{code, Stream::err, message};
}

}  // namespace rumo
