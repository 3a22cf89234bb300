// Reads a station file in large blocks: whole lines for the header, and
// white-space separated tokens for everything after it.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/files.hpp"

namespace rumo {

// What one line, one token or one answer may take: far beyond any real file,
// yet a bound for an input that never ends a line, such as /dev/zero.
inline constexpr std::size_t kMaxTextLength = std::size_t{64} << 20;

class TextReader {
 public:
  // A line or token longer than `max_length` ends the run as memory the line
  // buffer cannot have.
  explicit TextReader(std::unique_ptr<InputSource> source, std::size_t block_size = 1 << 20,
                      std::size_t max_length = kMaxTextLength);

  // Back to the first line of the file.
  void rewind();

  // The rest of the current line, of any length, without its line end (a line
  // feed, or a carriage return and a line feed). False at the end of the file.
  bool read_line(std::string& line);

  // The next token, after any white space; it stays valid until the next
  // read. Nothing at the end of the file.
  std::optional<std::string_view> read_token();

  std::optional<int> read_int();
  std::optional<double> read_double();

  // Skips white space and tells whether the file has ended: nothing but white
  // space followed the last token read.
  bool at_end();

  bool close() { return source_->close(); }

  // The line, counted from 1, that the last token read stands on; that of
  // the read position before any token.
  std::size_t token_line() const { return token_line_; }
  // How many tokens the current line holds from the read position on, up to
  // `limit`, without reading them.
  std::size_t tokens_to_line_end(std::size_t limit = SIZE_MAX);

  // Whether faults are located: messages then say where they lie, in the
  // file of `name` (the file's name as given).
  bool located = false;
  std::string name;

  // What the records read so far hold, for warnings and messages after them:
  // the stamp of the last record (as written) and its line when located, and
  // the values below 0 that are not missing (above -nodata), which would be
  // taken as rain.
  std::array<int, 4> last_stamp{};
  std::size_t last_stamp_line = 0;
  double nodata = HUGE_VAL;
  struct Negatives {
    long count = 0;
    double smallest = 0.0;
    bool one_value = true;  // all of them equal
    std::size_t first_line = 0;
  } negatives;
  void note_negative(double value) {
    if (!(value > -nodata)) return;
    if (negatives.count == 0) {
      negatives.smallest = value;
      negatives.first_line = token_line_;
    } else {
      negatives.one_value = negatives.one_value && value == negatives.smallest;
      negatives.smallest = std::min(negatives.smallest, value);
    }
    ++negatives.count;
  }

 private:
  // Reads more of the file behind what the buffer holds, moving the unread
  // part to the front first. False when the file has nothing more.
  bool read_more();
  bool skip_space();
  void append(std::string& line, const char* text, std::size_t size) const;

  std::unique_ptr<InputSource> source_;
  std::vector<char> buffer_;
  std::size_t max_length_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool exhausted_ = false;
  std::size_t line_ = 1;
  std::size_t token_line_ = 1;
};

}  // namespace rumo
