// The one way a run fails: an exit code, the stream the message goes to and
// the message itself. Any procedure may throw it; only main prints it.
#pragma once

#include <exception>
#include <new>
#include <string>

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

// printf-style text for console messages.
std::string message_format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace rumo
