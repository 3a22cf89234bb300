#include "input/text_reader.hpp"

#include <algorithm>
#include <cstring>

#include "core/error.hpp"
#include "input/numbers.hpp"

namespace rumo {

namespace {
// Growing the buffer for a line or token longer than a block is the one place
// where reading takes memory; it counts as the line buffer's.
}  // namespace

TextReader::TextReader(std::unique_ptr<InputSource> source, std::size_t block_size,
                       std::size_t max_length)
    : source_(std::move(source)),
      buffer_(take_memory(exit_code::memory_text, [&] { return std::vector<char>(block_size); })),
      max_length_(max_length) {}

void TextReader::rewind() {
  source_->rewind();
  begin_ = end_ = 0;
  exhausted_ = false;
  line_ = token_line_ = 1;
}

bool TextReader::read_more() {
  if (exhausted_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    // The buffer is full of one unfinished token.
    if (buffer_.size() > max_length_) fail_memory(exit_code::memory_text);
    take_memory(exit_code::memory_text,
                [&] { buffer_.resize(std::min(buffer_.size() * 2, max_length_ + 1)); });
  }
  const std::size_t count = source_->read(buffer_.data() + end_, buffer_.size() - end_);
  if (count == 0) {
    exhausted_ = true;
    return false;
  }
  end_ += count;
  return true;
}

bool TextReader::skip_space() {
  for (;;) {
    const std::size_t from = begin_;
    while (begin_ < end_ && is_space(buffer_[begin_])) ++begin_;
    line_ +=
        static_cast<std::size_t>(std::count(buffer_.data() + from, buffer_.data() + begin_, '\n'));
    if (begin_ < end_) return true;
    if (!read_more()) return false;
  }
}

bool TextReader::at_end() {
  return !skip_space();
}

// Appends to a line that may not grow beyond `max_length`; it takes no more
// memory than that.
void TextReader::append(std::string& line, const char* text, std::size_t size) const {
  if (size > max_length_ - line.size()) fail_memory(exit_code::memory_text);
  take_memory(exit_code::memory_text, [&] {
    if (line.size() + size > line.capacity()) {
      line.reserve(std::min(max_length_, std::max(line.size() + size, 2 * line.capacity())));
    }
    line.append(text, size);
  });
}

bool TextReader::read_line(std::string& line) {
  line.clear();
  if (begin_ == end_ && !read_more()) return false;
  for (;;) {
    const char* start = buffer_.data() + begin_;
    const auto* feed = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
    if (feed != nullptr) {
      const auto length = static_cast<std::size_t>(feed - start);
      append(line, start, length);
      begin_ += length + 1;
      ++line_;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    append(line, start, end_ - begin_);
    begin_ = end_;
    if (!read_more()) return true;
  }
}

std::optional<std::string_view> TextReader::read_token() {
  if (!skip_space()) return std::nullopt;
  token_line_ = line_;
  std::size_t stop = begin_;
  for (;;) {
    while (stop < end_ && !is_space(buffer_[stop])) ++stop;
    if (stop - begin_ > max_length_) fail_memory(exit_code::memory_text);
    if (stop < end_) break;
    // Reading more may move the unread text to the front of the buffer.
    const std::size_t scanned = stop - begin_;
    const bool more = read_more();
    stop = begin_ + scanned;
    if (!more) break;
  }
  const std::string_view token(buffer_.data() + begin_, stop - begin_);
  begin_ = stop;
  return token;
}

std::size_t TextReader::tokens_to_line_end(std::size_t limit) {
  std::size_t count = 0;
  bool in_token = false;
  std::size_t at = begin_;
  for (;;) {
    if (at == end_) {
      // Reading more may move the unread text to the front of the buffer.
      const std::size_t scanned = at - begin_;
      if (!read_more()) return count;
      at = begin_ + scanned;
      continue;
    }
    const char c = buffer_[at++];
    if (c == '\n') return count;
    const bool space = is_space(c);
    if (!space && !in_token && ++count == limit) return count;
    in_token = !space;
  }
}

std::optional<int> TextReader::read_int() {
  const auto token = read_token();
  if (!token) return std::nullopt;
  return parse_int_token(*token);
}

std::optional<double> TextReader::read_double() {
  const auto token = read_token();
  if (!token) return std::nullopt;
  return parse_double_token(*token);
}

}  // namespace rumo
