// How an import fails: the one message form
// "rumo import: FILE:LINE: what is wrong (the text)" on standard error.
// A failed import leaves none of its station files behind.
#pragma once

#include <string>
#include <string_view>

#include "core/error.hpp"
#include "core/exit_codes.hpp"

namespace rumo {

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
