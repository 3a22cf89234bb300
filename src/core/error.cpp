#include "core/error.hpp"

#include <cstdarg>
#include <cstdio>

namespace rumo {

void fail_read(int code) {
  throw RunError{code, Stream::err, message_format("Dateilesefehler ! (%d)\n", code)};
}

void fail_read(int code, const std::string& where) {
  throw RunError{code, Stream::err, message_format("Dateilesefehler ! (%d)\n", code) + where};
}

void fail_memory(int code) {
  throw RunError{code, Stream::err, message_format("Speicherbelegungsfehler ! (%d)\n", code)};
}

void fail(int code, std::string message) {
  throw RunError{code, Stream::out, std::move(message)};
}

void fail_added_file(int code, const std::string& what, const std::string& name,
                     const std::string& reason) {
  std::string text = code == exit_code::added_file_not_created
                         ? "rumo: cannot create the " + what + " " + name
                         : "rumo: could not write the " + what + " " + name;
  if (!reason.empty()) text += ": " + reason;
  throw RunError{code, Stream::err, text + "\n"};
}

std::string message_format(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

}  // namespace rumo
