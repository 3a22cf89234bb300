#include "run/error.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace rumo {
namespace {

template <class Fail>
RunError caught(Fail&& failing) {
  try {
    failing();
  } catch (const RunError& error) {
    return error;
  }
  ADD_FAILURE() << "no RunError thrown";
  return RunError{0, Stream::out, ""};
}

TEST(RunError, ReadAndMemoryFailuresGoToStandardErrorWithTheirCode) {
  const RunError read = caught([] { fail_read(304); });
  EXPECT_EQ(read.code, 304);
  EXPECT_EQ(read.stream, Stream::err);
  EXPECT_EQ(read.message, "Dateilesefehler ! (304)\n");
  EXPECT_STREQ(read.what(), "Dateilesefehler ! (304)\n");

  const RunError memory = caught([] { fail_memory(16); });
  EXPECT_EQ(memory.code, 16);
  EXPECT_EQ(memory.stream, Stream::err);
  EXPECT_EQ(memory.message, "Speicherbelegungsfehler ! (16)\n");
}

TEST(RunError, OtherFailuresGoToStandardOutputUnchanged) {
  const RunError error = caught([] { fail(101, "Fehler beim Oeffnen der Datei a b\n"); });
  EXPECT_EQ(error.code, 101);
  EXPECT_EQ(error.stream, Stream::out);
  EXPECT_EQ(error.message, "Fehler beim Oeffnen der Datei a b\n");
}

TEST(RunError, TakeMemoryMapsOnlyAllocationFailures) {
  EXPECT_EQ(take_memory(3, [] { return 42; }), 42);

  const RunError error = caught([] { take_memory(9, []() -> int { throw std::bad_alloc{}; }); });
  EXPECT_EQ(error.code, 9);
  EXPECT_EQ(error.stream, Stream::err);
  EXPECT_EQ(error.message, "Speicherbelegungsfehler ! (9)\n");

  EXPECT_THROW(take_memory(9, []() -> int { throw std::length_error("x"); }), std::length_error);
}

TEST(MessageFormat, FormatsLikePrintfAtAnyLength) {
  EXPECT_EQ(message_format("%2d.%2d.%4d", 5, 12, 2003), " 5.12.2003");
  EXPECT_EQ(message_format("no arguments"), "no arguments");
  EXPECT_EQ(message_format("%s", ""), "");
  const std::string long_name(5000, 'n');
  EXPECT_EQ(message_format("<%s>", long_name.c_str()), "<" + long_name + ">");
}

}  // namespace
}  // namespace rumo
