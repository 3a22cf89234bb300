#include "input/dialogue.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <istream>
#include <optional>

#include "core/calendar.hpp"
#include "core/error.hpp"
#include "core/window.hpp"
#include "input/numbers.hpp"

namespace rumo {

namespace {

// The answers are read the way formatted input reads them: a word or a number
// first skips white space (line ends included) and then takes the longest run
// that forms its item; text that forms no number stays in the input, so every
// later number read fails on it too.
//
// An answer longer than `max_length` ends the run as memory that cannot be
// had: a file name with the code of its buffer, a number with that of the
// line buffer.
class Answers {
 public:
  Answers(std::istream& in, std::size_t max_length) : in_(in), max_length_(max_length) {}

  // A word: up to the next white space. Nothing at the end of the input.
  std::optional<std::string> word(int memory_code) {
    if (!skip_space()) return std::nullopt;
    std::string text;
    std::streambuf& input = *in_.rdbuf();
    int c = input.sgetc();
    for (; c != EOF && !is_space(static_cast<char>(c)); c = input.snextc()) {
      add(text, c, memory_code);
    }
    if (c == EOF) in_.setstate(std::ios::eofbit);
    return text;
  }

  // The end of the first answer's line. A carriage return before the line
  // feed belongs to the line end.
  void drop_line_end() {
    if (in_.peek() == '\r') {
      in_.get();
      if (in_.peek() == '\n') in_.get();
      return;
    }
    if (in_.peek() != EOF) in_.get();
  }

  // The rest of the current line without its line end.
  std::optional<std::string> rest_of_line(int memory_code) {
    if (in_.peek() == EOF) return std::nullopt;
    std::string text;
    std::streambuf& input = *in_.rdbuf();
    int c = input.sbumpc();
    for (; c != EOF && c != '\n'; c = input.sbumpc()) add(text, c, memory_code);
    if (c == EOF) in_.setstate(std::ios::eofbit);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
  }

  std::optional<double> decimal() {
    const std::string text = number_text(true);
    if (text.empty()) return std::nullopt;
    return parse_double_token(text);
  }

  std::optional<int> integer() {
    const std::string text = number_text(false);
    if (text.empty()) return std::nullopt;
    const auto value = parse_int_token(text);
    if (value) return value;
    // Digits beyond the range of an integer are held at its limits.
    const long long wide = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(wide, INT32_MIN, INT32_MAX));
  }

 private:
  // Names are read straight from the stream's buffer, so that a long one
  // costs no flush of the console per character; they grow to at most
  // max_length characters.
  void add(std::string& text, int c, int memory_code) const {
    if (text.size() == max_length_) fail_memory(memory_code);
    take_memory(memory_code, [&] {
      if (text.size() == text.capacity()) {
        text.reserve(std::min(max_length_, std::max<std::size_t>(64, 2 * text.capacity())));
      }
      text.push_back(static_cast<char>(c));
    });
  }

  bool skip_space() {
    while (in_.peek() != EOF && is_space(static_cast<char>(in_.peek()))) in_.get();
    return in_.peek() != EOF;
  }

  bool take_if(bool (*accept)(int)) {
    const int c = in_.peek();
    if (c == EOF || !accept(c)) return false;
    if (text_.size() == max_length_) fail_memory(exit_code::memory_text);
    text_.push_back(static_cast<char>(in_.get()));
    return true;
  }

  static bool is_digit(int c) { return c >= '0' && c <= '9'; }
  static bool is_sign(int c) { return c == '+' || c == '-'; }

  // The characters that form a number at the front of the input; empty if
  // none does. Consumed characters that end up forming no number are lost,
  // as with the C library's formatted input.
  std::string number_text(bool decimal) {
    text_.clear();
    if (!skip_space()) return {};
    take_if(is_sign);
    if (decimal && take_if([](int c) { return c == '0'; })) {
      if (take_if([](int c) { return c == 'x' || c == 'X'; })) return hexadecimal_text();
      return decimal_text(1);
    }
    if (decimal) {
      if (take_word("infinity") || take_word("nan")) return text_;
      return decimal_text(0);
    }
    std::size_t digits = 0;
    while (take_if(is_digit)) ++digits;
    return digits == 0 ? std::string{} : text_;
  }

  // Digits with an optional point and exponent; an exponent without digits
  // is dropped, and the number read without it.
  std::string decimal_text(std::size_t digits) {
    while (take_if(is_digit)) ++digits;
    if (take_if([](int c) { return c == '.'; })) {
      while (take_if(is_digit)) ++digits;
    }
    if (digits == 0) return {};
    take_exponent([](int c) { return c == 'e' || c == 'E'; });
    return text_;
  }

  // After "0x": hexadecimal digits with an optional point and binary
  // exponent. Without digits nothing is read.
  std::string hexadecimal_text() {
    std::size_t digits = 0;
    while (take_if(is_hex_digit)) ++digits;
    if (take_if([](int c) { return c == '.'; })) {
      while (take_if(is_hex_digit)) ++digits;
    }
    if (digits == 0) return {};
    take_exponent([](int c) { return c == 'p' || c == 'P'; });
    return text_;
  }

  void take_exponent(bool (*is_mark)(int)) {
    const std::size_t mantissa = text_.size();
    if (!take_if(is_mark)) return;
    take_if(is_sign);
    std::size_t digits = 0;
    while (take_if(is_digit)) ++digits;
    if (digits == 0) text_.resize(mantissa);
  }

  static bool is_hex_digit(int c) { return std::isxdigit(c) != 0; }

  // "inf", "infinity" or "nan" in any case. Letters that begin the word but
  // do not complete one of these forms are read and lost.
  bool take_word(const char* word) {
    std::size_t matched = 0;
    while (word[matched] != '\0' &&
           std::tolower(in_.peek()) == static_cast<unsigned char>(word[matched])) {
      text_.push_back(static_cast<char>(in_.get()));
      ++matched;
    }
    return matched == 3 || matched == std::char_traits<char>::length(word);
  }

  // The text of a number is held as the line buffer would hold it.

  std::istream& in_;
  std::size_t max_length_;
  std::string text_;
};

template <class T>
void ask_number(Console& console, Answers& answers, const char* prompt, T& field) {
  console.out << prompt << std::flush;
  std::optional<T> value;
  if constexpr (std::is_same_v<T, int>) {
    value = answers.integer();
  } else {
    value = answers.decimal();
  }
  if (value) field = *value;
}

}  // namespace

void correct_dates(RunParameters& params) {
  params.start.year = correct_year(params.start.year);
  params.end.year = correct_year(params.end.year);
  params.start.month = std::clamp(params.start.month, 1, 12);
  params.end.month = std::clamp(params.end.month, 1, 12);
  // Each day is limited by its own month in its own year, so a date entered
  // as valid stays as entered.
  params.end.day = std::clamp(params.end.day, 1, days_in_month(params.end.month, params.end.year));
  params.start.day =
      std::clamp(params.start.day, 1, days_in_month(params.start.month, params.start.year));
}

void read_parameters(Console& console, RunParameters& params, std::size_t max_answer) {
  Answers answers(console.in, max_answer);
  auto& out = console.out;

  out << "hourly data         : " << std::flush;
  if (auto name = answers.word(exit_code::memory_hourly_name))
    params.hourly_file = std::move(*name);
  answers.drop_line_end();
  out << "konventional data (2 or 3 values a day): " << std::flush;
  if (auto name = answers.rest_of_line(exit_code::memory_climate_name))
    params.climate_file = std::move(*name);
  out << "daily sums (e.g. of prec.): " << std::flush;
  if (auto name = answers.rest_of_line(exit_code::memory_collector_name))
    params.collector_file = std::move(*name);
  out << "output file: " << std::flush;
  if (auto name = answers.word(exit_code::memory_result_name))
    params.result_file = std::move(*name);

  ask_number(console, answers,
             " nodata value (e.g. 998: all values <-998 or > 998 will be interpreted as nodata "
             "values)\n",
             params.nodata);
  params.start_hour = 1;
  ask_number(console, answers, "starting day   : ", params.start.day);
  ask_number(console, answers, "staring month  : ", params.start.month);
  ask_number(console, answers, "staring year   : ", params.start.year);
  ask_number(console, answers, "end day   : ", params.end.day);
  ask_number(console, answers, "end month : ", params.end.month);
  ask_number(console, answers, "end year  : ", params.end.year);
  ask_number(console, answers, "weighting of the inverse distance (power) : ", params.power);
  ask_number(console, answers,
             "maximum distance of e station to the interpolation cell: ", params.max_distance);
  ask_number(console, answers, "lower limit of values: ", params.lower_limit);
  ask_number(console, answers, "values below replacing with...: ", params.lower_replacement);
  ask_number(console, answers, "upper limit: ", params.upper_limit);
  ask_number(console, answers,
             "values grater than upper limit replacing with: ", params.upper_replacement);

  correct_dates(params);
}

}  // namespace rumo
