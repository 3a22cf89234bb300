// Checks shared by the fuzz targets: what counts as a finding, and the fixed
// form of the program's failure messages.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
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

// Runs `check`; an exception that escapes it is a finding.
template <class Check>
void guarded(Check check) {
  try {
    check();
  } catch (const std::exception& error) {
    finding(std::string("unexpected exception: ") + error.what());
  } catch (...) {
    finding("unexpected exception of unknown type");
  }
}

// Allocation failures (1 to 17) and unreadable values (301 to 322) go to
// standard error with a fixed text that carries the code, which a located
// run may follow with one line that says where; every other failure goes to
// standard output with a message of its own. Every message ends its line.
inline void expect_message_form(const RunError& error, bool located = false) {
  const std::string& message = error.message;
  const bool memory = error.code >= 1 && error.code <= 17;
  const bool read = error.code >= 301 && error.code <= 322;
  const std::string what = "code " + std::to_string(error.code) + ": \"" + message + "\"";
  expect(!message.empty() && message.back() == '\n', what + " does not end its line");
  expect(error.stream == (memory || read ? Stream::err : Stream::out),
         what + " on the wrong stream");
  if (!memory && !read) return;
  const std::string text = std::string(memory ? "Speicherbelegungsfehler" : "Dateilesefehler") +
                           " ! (" + std::to_string(error.code) + ")\n";
  const std::string where = message.compare(0, text.size(), text) == 0 ? message.substr(text.size())
                                                                       : "not the fixed text";
  expect(where.empty() || (located && read && where.find('\n') == where.size() - 1 &&
                           where.find(", line ") != std::string::npos),
         what);
}

}  // namespace rumo::fuzz
