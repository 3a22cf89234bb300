// Checks shared by the fuzz targets: what counts as a finding, and the fixed
// form of the program's failure messages.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/error.hpp"

namespace rumo::fuzz {

// Ends the process on a finding, so that the fuzzing engine keeps the input
// and the replay program fails.
[[noreturn]] inline void finding(const std::string& what) {
  std::fprintf(stderr, "FUZZ FINDING: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void expect(bool holds, const std::string& what) {
  if (!holds) finding(what);
}

// Allocation failures (1 to 17) and unreadable values (301 to 322) go to
// standard error with a fixed text that carries the code; every other
// failure goes to standard output with a message of its own.
inline bool is_memory_code(int code) {
  return code >= 1 && code <= 17;
}
inline bool is_read_code(int code) {
  return code >= 301 && code <= 322;
}

// A located run may follow a read failure's fixed text with one line that
// says where.
inline void expect_message_form(const RunError& error, bool located = false) {
  const std::string code = std::to_string(error.code);
  if (is_memory_code(error.code) || is_read_code(error.code)) {
    const std::string text =
        (is_memory_code(error.code) ? "Speicherbelegungsfehler ! (" : "Dateilesefehler ! (") +
        code + ")\n";
    expect(error.stream == Stream::err, "code " + code + " reported on standard output");
    const std::string where = error.message.substr(std::min(text.size(), error.message.size()));
    const bool one_more_line = !where.empty() && where.find('\n') == where.size() - 1 &&
                               where.find(", line ") != std::string::npos;
    expect(error.message.compare(0, text.size(), text) == 0 &&
               (where.empty() || (located && is_read_code(error.code) && one_more_line)),
           "code " + code + " with the message \"" + error.message + "\"");
  } else {
    expect(error.stream == Stream::out, "code " + code + " reported on standard error");
    expect(
        !error.message.empty() && error.message.back() == '\n',
        "code " + code + " with a message that does not end its line: \"" + error.message + "\"");
  }
}

}  // namespace rumo::fuzz
