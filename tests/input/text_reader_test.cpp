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
  Lines lines() {
    Lines all;
    for (std::string line; read_line(line);) all.push_back(line);
    return all;
  }
};

TEST(TextReader, LinesOfAnyLengthAcrossBlocks) {
  const std::string long_line(100, 'x');
  // A carriage return before the line feed belongs to the line end, also
  // where the two stand in different blocks; a lone one does not.
  const std::pair<std::string, Lines> cases[] = {
      {"title\n" + long_line + "\n\nlast", {"title", long_line, "", "last"}},
      {"ab\r\ncdefg\r\n\r\nh\ri\r\nend\r", {"ab", "cdefg", "", "h\ri", "end\r"}},
      {"", {}},
  };
  for (const std::size_t block : kBlocks) {
    for (const auto& [text, lines] : cases) EXPECT_EQ(Reader(text, block).lines(), lines) << block;
  }
}

// Each token, its line, and how many tokens its line holds behind it,
// whatever the blocks; line reads and a rewind keep the count, and a line
// read after a token takes the rest of that line.
TEST(TextReader, TokensAndTheirLines) {
  const std::string long_token(50, '7');
  for (const std::size_t block : kBlocks) {
    Reader reader("head x\r\nline two\n2003 1\t2\r\n\n\v\f  7 " + long_token + " -9 1e5\n\nlast ",
                  block);
    std::string line;
    reader.read_line(line);
    const std::tuple<std::string, std::size_t, std::size_t> expected[] = {
        {"line", 2, 1}, {"two", 2, 0},      {"2003", 3, 2}, {"1", 3, 1},   {"2", 3, 0},
        {"7", 5, 3},    {long_token, 5, 2}, {"-9", 5, 1},   {"1e5", 5, 0}, {"last", 7, 0}};
    for (const auto& [token, at, behind] : expected) {
      EXPECT_EQ(reader.read_token(), token) << block;
      EXPECT_EQ(reader.token_line(), at) << block << ": " << token;
      EXPECT_EQ(reader.tokens_to_line_end(), behind) << block << ": " << token;
    }
    EXPECT_TRUE(reader.at_end());
    reader.rewind();
    EXPECT_EQ(reader.read_token(), "head");
    EXPECT_EQ(reader.token_line(), 1u);
    EXPECT_EQ(reader.lines(), (Lines{" x", "line two", "2003 1\t2", "",
                                     "\v\f  7 " + long_token + " -9 1e5", "", "last "}));
  }
}

TEST(TextReader, NumbersAreWholeTokensAndTheEndIsOnlyWhiteSpace) {
  Reader reader("7x 12 1.5e -9999");
  EXPECT_EQ(reader.read_int(), std::nullopt);  // "7x" is consumed but no integer
  EXPECT_EQ(reader.read_int(), 12);
  EXPECT_EQ(reader.read_double(), std::nullopt);
  EXPECT_EQ(reader.read_double(), -9999.0);
  EXPECT_EQ(reader.read_double(), std::nullopt);
  for (const std::size_t block : kBlocks) {
    for (const auto& [text, ended] :
         {std::pair{"1 2 \r\n\n \t", true}, std::pair{"1 2\n\n  x", false}}) {
      Reader two(text, block);
      two.read_token();
      EXPECT_FALSE(two.at_end());
      two.read_token();
      EXPECT_EQ(two.at_end(), ended) << block << ": " << text;
      EXPECT_EQ(two.read_token().has_value(), !ended);
    }
  }
}

// A line or token longer than the limit ends the run as memory the line
// buffer cannot have (code 7), whatever the block size; one at the limit is
// read in full.
TEST(TextReader, LinesAndTokensUpToTheLimit) {
  const std::string fits(40, 'x');
  for (const std::size_t block : {std::size_t{1}, std::size_t{7}, std::size_t{64}}) {
    for (const bool token : {false, true}) {
      for (const auto& [text, code] :
           {std::pair{fits + "\nrest", 0}, std::pair{fits, 0}, std::pair{fits + "x\n", 7}}) {
        Reader reader(text, block, 40);
        std::string line;
        try {
          if (token) {
            EXPECT_EQ(reader.read_token(), fits);
          } else {
            EXPECT_TRUE(reader.read_line(line));
            EXPECT_EQ(line, fits);
          }
          EXPECT_EQ(code, 0);
        } catch (const RunError& error) {
          EXPECT_EQ(error.message, "Speicherbelegungsfehler ! (7)\n");
          EXPECT_EQ(error.code, code);
        }
      }
    }
  }
}

}  // namespace
}  // namespace rumo
