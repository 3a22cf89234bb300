// The one way a run fails: an exit code, the stream the message goes to and
// the message itself. Any procedure may throw it; only main prints it.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "core/exit_codes.hpp"

namespace rumo {

enum class Stream { out, err };

struct RunError : std::exception {
  int code;
  Stream stream;
  std::string message;

  RunError(int exit_code, Stream to, std::string text)
      : code(exit_code), stream(to), message(std::move(text)) {}
  const char* what() const noexcept override { return message.c_str(); }
};

// A value, label or name that cannot be read: "Dateilesefehler ! (code)" on
// standard error.
[[noreturn]] void fail_read(int code);
// The same, followed by `where`: a second line that says where and what.
[[noreturn]] void fail_read(int code, const std::string& where);

// Memory that cannot be had: "Speicherbelegungsfehler ! (code)" on standard
// error.
[[noreturn]] void fail_memory(int code);

// Every other failure: its message on standard output.
[[noreturn]] void fail(int code, std::string message);

// Runs `make` and turns an allocation failure into the failure with `code`,
// so that each item the run takes reports its own number.
template <class Make>
auto take_memory(int code, Make&& make) -> decltype(make()) {
  try {
    return make();
  } catch (const std::bad_alloc&) {
    fail_memory(code);
  }
}

// The files a run adds when asked (the report, the map, the cross-validation
// table and details): one that cannot be created stops the run before any
// data is read (exit_code::added_file_not_created), one whose writes fail
// ends it with exit_code::added_file_not_written, never with success.
// "rumo: cannot create the <what> NAME: <reason>" or "rumo: could not write
// the <what> NAME" on standard error; `what` is "report file", "map file",
// "cross-validation table" or "cross-validation details".
[[noreturn]] void fail_added_file(int code, const std::string& what, const std::string& name,
                                  const std::string& reason = {});

// printf-style text for console messages.
std::string message_format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace rumo
