// Fuzz target: the text reader under the station files, with small blocks so
// that lines and tokens cross block ends and make the buffer grow. The first
// input byte picks the block size (1 to 64 bytes), the second the order of
// line, token and end-of-file reads; the rest is the file. Every read is
// compared with a plain walk through the same text.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/files.hpp"
#include "fuzz_checks.hpp"
#include "input/text_reader.hpp"

namespace {

using rumo::fuzz::expect;
using rumo::fuzz::finding;

bool is_white(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The reads as the text defines them, on a cursor into the whole text.
class Walk {
 public:
  explicit Walk(std::string_view text) : text_(text) {}

  void skip_space() {
    while (at_ < text_.size() && is_white(text_[at_])) ++at_;
  }
  bool at_end() {
    skip_space();
    return at_ == text_.size();
  }
  std::optional<std::string> token() {
    if (at_end()) return std::nullopt;
    const std::size_t start = at_;
    while (at_ < text_.size() && !is_white(text_[at_])) ++at_;
    return std::string(text_.substr(start, at_ - start));
  }
  std::optional<std::string> line() {
    if (at_ == text_.size()) return std::nullopt;
    const std::size_t feed = text_.find('\n', at_);
    if (feed == std::string_view::npos) {
      const std::string rest(text_.substr(at_));
      at_ = text_.size();
      return rest;
    }
    std::string_view found = text_.substr(at_, feed - at_);
    if (!found.empty() && found.back() == '\r') found.remove_suffix(1);
    at_ = feed + 1;
    return std::string(found);
  }
  void rewind() { at_ = 0; }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

void compare_reads(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  const std::size_t block_size = 1 + data[0] % 64;
  const unsigned pattern = data[1];
  rumo::MemoryFiles files;
  files.inputs["f"] = std::string(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string& text = files.inputs["f"];
  rumo::TextReader reader(files.open_input("f"), block_size);
  Walk walk(text);

  // Enough reads to reach the end in any order, then a rewind and once more.
  const std::size_t steps = text.size() + 4;
  for (int round = 0; round < 2; ++round) {
    for (std::size_t step = 0; step < steps; ++step) {
      const std::string at = "read " + std::to_string(step) + " of round " + std::to_string(round) +
                             " (block " + std::to_string(block_size) + ")";
      switch ((pattern >> (2 * (step % 4))) & 3U) {
        case 0:
        case 1: {
          const auto expected = walk.token();
          const auto token = reader.read_token();
          expect(token.has_value() == expected.has_value(), at + ": token presence");
          if (token) {
            expect(std::string(*token) == *expected,
                   at + ": token \"" + std::string(*token) + "\", not \"" + *expected + "\"");
          }
          break;
        }
        case 2: {
          const auto expected = walk.line();
          std::string line = "stale";
          const bool read = reader.read_line(line);
          expect(read == expected.has_value(), at + ": line presence");
          if (read) {
            expect(line == *expected, at + ": line \"" + line + "\", not \"" + *expected + "\"");
          }
          break;
        }
        default:
          expect(reader.at_end() == walk.at_end(), at + ": end of file");
          break;
      }
    }
    reader.rewind();
    walk.rewind();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    compare_reads(data, size);
  } catch (const std::exception& error) {
    finding(std::string("unexpected exception: ") + error.what());
  } catch (...) {
    finding("unexpected exception of unknown type");
  }
  return 0;
}
