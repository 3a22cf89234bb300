#include "core/error.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>

namespace rumo {
namespace {

// The code, stream and message of the failure that `failing` ends with.
std::tuple<int, Stream, std::string> failure_of(void (*failing)()) {
  try {
    failing();
  } catch (const RunError& error) {
    return {error.code, error.stream, error.what()};
  }
  return {0, Stream::out, "no failure"};
}

TEST(RunError, EachFailureCarriesItsCodeStreamAndMessage) {
  EXPECT_EQ(failure_of([] { fail_read(304); }),
            std::tuple(304, Stream::err, "Dateilesefehler ! (304)\n"));
  EXPECT_EQ(failure_of([] { fail_memory(16); }),
            std::tuple(16, Stream::err, "Speicherbelegungsfehler ! (16)\n"));
  EXPECT_EQ(failure_of([] { take_memory(9, []() -> int { throw std::bad_alloc{}; }); }),
            std::tuple(9, Stream::err, "Speicherbelegungsfehler ! (9)\n"));
  EXPECT_EQ(failure_of([] { fail(101, "Fehler beim Oeffnen der Datei a b\n"); }),
            std::tuple(101, Stream::out, "Fehler beim Oeffnen der Datei a b\n"));
  // take_memory leaves values and other exceptions alone.
  EXPECT_EQ(take_memory(3, [] { return 42; }), 42);
  EXPECT_THROW(take_memory(9, []() -> int { throw std::length_error("x"); }), std::length_error);
}

TEST(MessageFormat, FormatsLikePrintfAtAnyLength) {
  EXPECT_EQ(message_format("%2d.%2d.%4d", 5, 12, 2003), " 5.12.2003");
  EXPECT_EQ(message_format("%s", ""), "");
  const std::string long_name(5000, 'n');
  EXPECT_EQ(message_format("<%s>", long_name.c_str()), "<" + long_name + ">");
}

}  // namespace
}  // namespace rumo
