#include "input/text_reader.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "run/files.hpp"

namespace rumo {
namespace {

// A reader over `text` that sees the file through blocks of `block` bytes.
class Reader {
 public:
  Reader(std::string text, std::size_t block) {
    files_.inputs["f"] = std::move(text);
    reader_.emplace(files_.open_input("f"), block);
  }
  TextReader* operator->() { return &*reader_; }

 private:
  MemoryFiles files_;
  std::optional<TextReader> reader_;
};

std::vector<std::string> all_lines(Reader& reader) {
  std::vector<std::string> lines;
  std::string line;
  while (reader->read_line(line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> all_tokens(Reader& reader) {
  std::vector<std::string> tokens;
  while (const auto token = reader->read_token()) tokens.emplace_back(*token);
  return tokens;
}

using Lines = std::vector<std::string>;

TEST(TextReader, LinesOfAnyLengthAcrossBlocks) {
  const std::string long_line(100, 'x');
  for (const std::size_t block : {1u, 4u, 7u, 1u << 20}) {
    Reader lf("title\n" + long_line + "\n\nlast", block);
    EXPECT_EQ(all_lines(lf), (Lines{"title", long_line, "", "last"})) << block;

    // A carriage return before the line feed belongs to the line end, also
    // where the two stand in different blocks; a lone one does not.
    Reader crlf("ab\r\ncdefg\r\n\r\nh\ri\r\nend\r", block);
    EXPECT_EQ(all_lines(crlf), (Lines{"ab", "cdefg", "", "h\ri", "end\r"})) << block;

    Reader ending("one\ntwo\n", block);
    EXPECT_EQ(all_lines(ending), (Lines{"one", "two"})) << block;

    Reader empty("", block);
    EXPECT_EQ(all_lines(empty), Lines{}) << block;
  }
}

TEST(TextReader, TokensAcrossBlocks) {
  const std::string long_token(50, '7');
  for (const std::size_t block : {1u, 4u, 7u, 1u << 20}) {
    Reader reader(" 2003\t1\r\n 1  " + long_token + "\n\n\v\f-9999\r\n1e5", block);
    EXPECT_EQ(all_tokens(reader), (Lines{"2003", "1", "1", long_token, "-9999", "1e5"})) << block;
  }
}

TEST(TextReader, NumbersAreWholeTokens) {
  Reader reader("2003 12 1.5 -9999 7x 1.5e 12", 4);
  EXPECT_EQ(reader->read_int(), 2003);
  EXPECT_EQ(reader->read_int(), 12);
  EXPECT_EQ(reader->read_double(), 1.5);
  EXPECT_EQ(reader->read_double(), -9999.0);
  EXPECT_EQ(reader->read_int(), std::nullopt);     // "7x" is consumed but no integer
  EXPECT_EQ(reader->read_double(), std::nullopt);  // "1.5e"
  EXPECT_EQ(reader->read_int(), 12);
  EXPECT_EQ(reader->read_int(), std::nullopt);
  EXPECT_EQ(reader->read_double(), std::nullopt);
}

TEST(TextReader, AtEndSkipsOnlyWhiteSpace) {
  for (const std::size_t block : {1u, 4u, 1u << 20}) {
    Reader bare("1 2", block);
    EXPECT_FALSE(bare->at_end());
    bare->read_token();
    bare->read_token();
    EXPECT_TRUE(bare->at_end()) << block;

    Reader trailing("1 2 \r\n\n \t", block);
    trailing->read_token();
    trailing->read_token();
    EXPECT_TRUE(trailing->at_end()) << block;

    Reader more("1\n\n  x", block);
    more->read_token();
    EXPECT_FALSE(more->at_end()) << block;
    EXPECT_EQ(more->read_token(), "x");
  }
}

TEST(TextReader, RewindStartsAgainAtLineOne) {
  Reader reader("first line\nsecond\n3 4\n", 4);
  std::string line;
  reader->read_line(line);
  reader->read_line(line);
  EXPECT_EQ(reader->read_token(), "3");
  EXPECT_EQ(reader->read_token(), "4");
  EXPECT_TRUE(reader->at_end());

  reader->rewind();
  ASSERT_TRUE(reader->read_line(line));
  EXPECT_EQ(line, "first line");
  EXPECT_EQ(reader->read_token(), "second");

  // After a token the line read takes the rest of that line.
  ASSERT_TRUE(reader->read_line(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(reader->read_line(line));
  EXPECT_EQ(line, "3 4");
  EXPECT_FALSE(reader->read_line(line));
  reader->rewind();
  EXPECT_EQ(all_lines(reader), (Lines{"first line", "second", "3 4"}));
}

}  // namespace
}  // namespace rumo
