#include "input/text_reader.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/error.hpp"
#include "core/files.hpp"

namespace rumo {
namespace {

using Lines = std::vector<std::string>;
const std::size_t kBlocks[] = {1, 4, 7, 1 << 20};

// A reader over `text` that sees the file through blocks of `block` bytes;
// it holds the file it reads.
struct Reader : MemoryFiles, TextReader {
  explicit Reader(std::string text, std::size_t block = 4, std::size_t max_length = kMaxTextLength)
      : TextReader(opened(*this, text), block, max_length) {}
  static std::unique_ptr<InputSource> opened(MemoryFiles& files, std::string& text) {
    files.inputs["f"] = std::move(text);
    return files.open_input("f");
  }
};

Lines all_lines(TextReader& reader) {
  Lines lines;
  std::string line;
  while (reader.read_line(line)) lines.push_back(line);
  return lines;
}

TEST(TextReader, LinesOfAnyLengthAcrossBlocks) {
  const std::string long_line(100, 'x');
  // A carriage return before the line feed belongs to the line end, also
  // where the two stand in different blocks; a lone one does not.
  const std::pair<std::string, Lines> cases[] = {
      {"title\n" + long_line + "\n\nlast", {"title", long_line, "", "last"}},
      {"ab\r\ncdefg\r\n\r\nh\ri\r\nend\r", {"ab", "cdefg", "", "h\ri", "end\r"}},
      {"one\ntwo\n", {"one", "two"}},
      {"", {}},
  };
  for (const std::size_t block : kBlocks) {
    for (const auto& [text, lines] : cases) {
      Reader reader(text, block);
      EXPECT_EQ(all_lines(reader), lines) << block << ": " << text;
    }
  }
}

TEST(TextReader, TokensAcrossBlocks) {
  const std::string long_token(50, '7');
  for (const std::size_t block : kBlocks) {
    Reader reader(" 2003\t1\r\n 1  " + long_token + "\n\n\v\f-9999\r\n1e5", block);
    Lines tokens;
    while (const auto token = reader.read_token()) tokens.emplace_back(*token);
    EXPECT_EQ(tokens, (Lines{"2003", "1", "1", long_token, "-9999", "1e5"})) << block;
  }
}

// Each token's line, and how many tokens its line holds from it on, whatever
// the blocks; line reads and a rewind keep the count.
TEST(TextReader, LinesOfTokens) {
  for (const std::size_t block : kBlocks) {
    Reader reader("head\r\nline two\n2003 1\t2\r\n\n\n  7 8 9 10\n\nlast ", block);
    std::string line;
    reader.read_line(line);
    // Each token, its line, and the tokens its line holds behind it.
    const std::tuple<std::string, std::size_t, std::size_t> expected[] = {
        {"line", 2, 1}, {"two", 2, 0}, {"2003", 3, 2}, {"1", 3, 1},  {"2", 3, 0},
        {"7", 6, 3},    {"8", 6, 2},   {"9", 6, 1},    {"10", 6, 0}, {"last", 8, 0}};
    for (const auto& [token, at, behind] : expected) {
      EXPECT_EQ(reader.read_token(), token) << block;
      EXPECT_EQ(reader.token_line(), at) << block << ": " << token;
      EXPECT_EQ(reader.tokens_to_line_end(), behind) << block << ": " << token;
    }
    reader.rewind();
    reader.read_token();
    EXPECT_EQ(reader.token_line(), 1u);
  }
}

TEST(TextReader, NumbersAreWholeTokens) {
  Reader reader("7x 12 1.5e -9999");
  EXPECT_EQ(reader.read_int(), std::nullopt);  // "7x" is consumed but no integer
  EXPECT_EQ(reader.read_int(), 12);
  EXPECT_EQ(reader.read_double(), std::nullopt);
  EXPECT_EQ(reader.read_double(), -9999.0);
  EXPECT_EQ(reader.read_int(), std::nullopt);
  EXPECT_EQ(reader.read_double(), std::nullopt);
}

TEST(TextReader, AtEndSkipsOnlyWhiteSpace) {
  for (const std::size_t block : kBlocks) {
    for (const auto& [text, ended] : {std::pair{"1 2", true}, std::pair{"1 2 \r\n\n \t", true},
                                      std::pair{"1 2\n\n  x", false}}) {
      Reader reader(text, block);
      EXPECT_FALSE(reader.at_end());
      reader.read_token();
      reader.read_token();
      EXPECT_EQ(reader.at_end(), ended) << block << ": " << text;
      EXPECT_EQ(reader.read_token().has_value(), !ended);
    }
  }
}

TEST(TextReader, RewindStartsAgainAtLineOne) {
  Reader reader("first line\nsecond\n3 4\n");
  EXPECT_EQ(all_lines(reader), (Lines{"first line", "second", "3 4"}));
  EXPECT_TRUE(reader.at_end());
  reader.rewind();
  EXPECT_EQ(reader.read_token(), "first");
  // After a token the line read takes the rest of that line.
  EXPECT_EQ(all_lines(reader), (Lines{" line", "second", "3 4"}));
  reader.rewind();
  EXPECT_EQ(reader.read_token(), "first");
}

// A line or token longer than the limit ends the run as memory the line
// buffer cannot have (code 7), whatever the block size; one at the limit is
// read in full.
TEST(TextReader, LinesAndTokensUpToTheLimit) {
  const std::size_t limit = 40;
  const std::string fits(limit, 'x');
  const std::string beyond(limit + 1, 'x');
  auto code = [&](const std::string& text, bool token, std::size_t block) {
    Reader reader(text, block, limit);
    std::string line;
    try {
      if (token) {
        EXPECT_EQ(reader.read_token(), fits);
      } else {
        EXPECT_TRUE(reader.read_line(line));
        EXPECT_EQ(line, fits);
      }
    } catch (const RunError& error) {
      EXPECT_EQ(error.message, "Speicherbelegungsfehler ! (7)\n");
      return error.code;
    }
    return 0;
  };
  for (const std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{64}}) {
    for (const bool token : {false, true}) {
      EXPECT_EQ(code(fits + "\nrest", token, block), 0) << block;
      EXPECT_EQ(code(fits, token, block), 0) << block;
      EXPECT_EQ(code(beyond + "\n", token, block), 7) << block;
    }
  }
}

}  // namespace
}  // namespace rumo
