#include "core/error.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>

#include "core/files.hpp"

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

// The first cells of the table of messages and exit codes (docs/messages.md).
std::set<std::string> table_code_cells() {
  std::ifstream readme(RUMO_CODES_TABLE);
  std::string line;
  while (std::getline(readme, line) && line != "## Messages and exit codes") {
  }
  std::set<std::string> cells;
  while (std::getline(readme, line) && line.rfind("## ", 0) != 0) {
    if (line.rfind("| ", 0) != 0) continue;
    cells.insert(line.substr(2, line.find(" |", 2) - 2));
  }
  return cells;
}

TEST(ExitCodes, TableListsEveryCodeAsTheShellSeesIt) {
  const std::set<std::string> cells = table_code_cells();
  ASSERT_FALSE(cells.empty()) << RUMO_CODES_TABLE;
  const std::string memory =
      std::to_string(exit_code::memory_first) + " to " + std::to_string(exit_code::memory_last);
  std::set<int> codes;
  for (const int code : exit_code::all) {
    EXPECT_TRUE(codes.insert(code).second) << code << " is named twice";
    std::string cell = std::to_string(code);
    if (code >= exit_code::memory_first && code <= exit_code::memory_last) cell = memory;
    if (code > 255) cell += " (" + std::to_string(code % 256) + ")";
    EXPECT_TRUE(cells.count(cell)) << "the codes table has no row \"" << cell << "\"";
  }
  // The command line's code is the only one a shell sees as its value.
  for (const int code : exit_code::all) {
    if (code != exit_code::usage) {
      EXPECT_NE(code % 256, exit_code::usage % 256) << code;
    }
  }
  // And the table names no code the program does not have.
  for (const std::string& cell : cells) {
    if (cell == memory || cell.find_first_not_of("0123456789 ()") != std::string::npos) continue;
    EXPECT_TRUE(codes.count(std::stoi(cell))) << "the codes table lists " << cell;
  }
}

// Whether an output can be created is found without changing any file: an
// existing one keeps its text, a new name leaves nothing behind.
TEST(DiskFiles, CannotCreateTouchesNoFile) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / "rumo_cannot_create_test";
  fs::remove_all(folder);
  fs::create_directories(folder);
  const std::string kept = (folder / "kept.txt").string();
  std::ofstream(kept) << "an earlier result\n";
  DiskFiles disk;
  EXPECT_EQ(disk.cannot_create(kept), "");
  EXPECT_EQ(fs::file_size(kept), 18u);
  EXPECT_EQ(disk.cannot_create((folder / "new.txt").string()), "");
  EXPECT_FALSE(fs::exists(folder / "new.txt"));
  EXPECT_EQ(disk.cannot_create((folder / "missing" / "r.txt").string()), "no such folder");
  EXPECT_EQ(disk.cannot_create(folder.string()), "is a folder");
  fs::remove_all(folder);
}

}  // namespace
}  // namespace rumo
