#include "core/number_text.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace rumo {

char* write_integer(char* out, long value) {
  // Months, days and hours are the most of them.
  if (value >= 0 && value < 100) {
    if (value >= 10) *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
  }
  return std::to_chars(out, out + 24, value).ptr;
}

char* write_stamp(char* out, const HourStamp& stamp) {
  out = write_integer(out, stamp.year);
  for (const int part : {stamp.month, stamp.day, stamp.hour}) {
    *out++ = '\t';
    out = write_integer(out, part);
  }
  return out;
}

namespace {

__extension__ using Wide = unsigned __int128;

constexpr std::array<std::uint64_t, 20> kPowers = [] {
  std::array<std::uint64_t, 20> powers{};
  std::uint64_t power = 1;
  for (std::uint64_t& p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}();

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void put_pair(char* out, std::uint32_t pair) {
  std::memcpy(out, kPairs + 2 * pair, 2);
}

void put_eight(char* out, std::uint32_t eight) {
  const std::uint32_t high = eight / 10000;
  const std::uint32_t low = eight % 10000;
  put_pair(out, high / 100);
  put_pair(out + 2, high % 100);
  put_pair(out + 4, low / 100);
  put_pair(out + 6, low % 100);
}

// The digits of a value below 10^19 with leading zeros, in a fixed block of
// 19 followed by room, so that they are copied in pieces of a fixed size.
struct Digits {
  char text[48] = {};

  explicit Digits(std::uint64_t value) {
    const std::uint64_t upper = value / 100000000;
    const auto top = static_cast<std::uint32_t>(upper / 100000000);
    text[0] = static_cast<char>('0' + top / 100);
    put_pair(text + 1, top % 100);
    put_eight(text + 3, static_cast<std::uint32_t>(upper % 100000000));
    put_eight(text + 11, static_cast<std::uint32_t>(value % 100000000));
  }
  // The last `count` of the 19.
  const char* last(int count) const { return text + 19 - count; }
};

// The shortest decimal that reads back to a positive double v = m * 2^e in
// [2^-16, 2^53), found with exact integer arithmetic: with V = v * 10^j in
// [10^17, 2 * 10^18), the doubles' rounding interval around V is measured in
// units of 2^-k, its whole numbers are the decimals of 18 or 19 digits that
// read back to v, and the multiples of the largest power of ten among them
// are the shortest. Of those, the one nearest V wins, a tie going to the
// even one. The text is then the fixed or the scientific form, whichever is
// shorter, as std::to_chars writes it. Returns nullptr outside the range,
// which keeps V and the interval within 128 bits.
char* write_shortest_exact(char* out, double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const auto biased = static_cast<int>(bits >> 52);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const int binary = biased - 1023;  // v lies in [2^binary, 2^(binary + 1))
  if (biased == 0 || binary < -16 || binary > 52) return nullptr;
  const std::uint64_t m = fraction | (std::uint64_t{1} << 52);
  const int k = 1075 - biased + 1;  // v = m * 2^(1 - k)
  // 10^lead <= 2^binary < 10^(lead + 1)
  const int lead = (binary * 315653) >> 20;
  const int j = 17 - lead;  // 2 .. 22
  const Wide power = j <= 19 ? Wide{kPowers[static_cast<std::size_t>(j)]}
                             : Wide{kPowers[19]} * kPowers[static_cast<std::size_t>(j - 19)];
  // In units of 2^-k: V, and half the gap to each neighbouring double (the
  // gap below a power of two is half as wide).
  const Wide v = (Wide{m} * power) << 1;
  const Wide up_gap = power;
  const Wide down_gap = fraction == 0 && biased > 1 ? power >> 1 : power;
  const Wide upper = v + up_gap;
  const Wide lower = v - down_gap;
  const Wide mask = (Wide{1} << k) - 1;
  const bool even = (m & 1) == 0;  // a tie reads back to the even one
  std::uint64_t hi = static_cast<std::uint64_t>(upper >> k);
  if ((upper & mask) == 0 && !even) --hi;
  std::uint64_t lo = static_cast<std::uint64_t>(lower >> k);
  if ((lower & mask) != 0 || !even) ++lo;

  // The largest power of ten 10^s with a multiple in [lo, hi]: dropping s
  // digits leaves the multiples from lo_digits + 1 to hi_digits. V loses the
  // same digits, and is rounded by the last one dropped and whether any
  // before it (or its part below 1) was not zero.
  std::uint64_t hi_digits = hi;
  std::uint64_t below_digits = lo - 1;
  const auto whole = static_cast<std::uint64_t>(v >> k);
  std::uint64_t d = whole;
  const Wide rest = v & mask;
  int s = 0;
  unsigned last = 0;
  bool exact_below = true;
  // Eight digits at a time while whole groups go, as they do for a value
  // with few digits, then one at a time.
  while (hi_digits / 100000000 > below_digits / 100000000) {
    hi_digits /= 100000000;
    below_digits /= 100000000;
    const std::uint64_t dropped = d % 100000000;
    d /= 100000000;
    exact_below = exact_below && last == 0 && dropped % 10000000 == 0;
    last = static_cast<unsigned>(dropped / 10000000);
    s += 8;
  }
  while (hi_digits / 10 > below_digits / 10) {
    hi_digits /= 10;
    below_digits /= 10;
    exact_below = exact_below && last == 0;
    last = static_cast<unsigned>(d % 10);
    d /= 10;
    ++s;
  }
  // The interval is always more than ten units wide, so a digit always goes;
  // should none, the library decides.
  if (s == 0) return nullptr;
  const bool beyond_half = !exact_below || rest != 0;
  const bool round_up = last > 5 || (last == 5 && (beyond_half || (d & 1) != 0));
  if (round_up) ++d;
  d = std::clamp(d, below_digits + 1, hi_digits);

  int n = 18 - s + (whole >= kPowers[18] ? 1 : 0);
  if (d >= kPowers[static_cast<std::size_t>(n)]) ++n;
  if (d < kPowers[static_cast<std::size_t>(n) - 1]) --n;
  const int exponent = n - 1 + s - j;  // of the first digit
  const int scientific = n + (n > 1 ? 1 : 0) + 4;
  const int fixed = exponent >= 0 ? (n <= exponent + 1 ? exponent + 1 : n + 1) : n + 1 - exponent;
  // The digits are copied 24 at a time; what lies beyond the number is
  // written over or left beyond its end.
  const Digits digits(d);
  const char* first = digits.last(n);
  if (fixed <= scientific && exponent < 0) {
    std::memcpy(out, "0.000000", 8);
    std::memcpy(out + 1 - exponent, first, 24);
    return out + 1 - exponent + n;
  }
  if (fixed <= scientific && n <= exponent + 1) {
    std::memcpy(out, first, 24);
    std::memcpy(out + n, "0000000000000000", 16);
    return out + exponent + 1;
  }
  if (fixed <= scientific) {
    std::memcpy(out, first, 24);
    out[exponent + 1] = '.';
    std::memcpy(out + exponent + 2, first + exponent + 1, 24);
    return out + n + 1;
  }
  out[0] = first[0];
  out[1] = '.';
  std::memcpy(out + 2, first + 1, 24);
  out += n > 1 ? n + 1 : 1;
  *out++ = 'e';
  *out++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  *out++ = static_cast<char>('0' + magnitude / 10);
  *out++ = static_cast<char>('0' + magnitude % 10);
  return out;
}

// Readings are mostly whole or have one decimal. Below 1e5 such a value has
// a binary fraction that ends in zeros or, below its first 32 bits, repeats
// the four bits of a fifth; the few other values that look so are told
// apart by the exact test.
bool may_be_tenths(double value) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  const std::uint64_t middle = (bits >> 4) & 0xFFFF;
  return (bits & 0xFFFFF) == 0 || middle == 0x3333 || middle == 0x6666 || middle == 0x9999 ||
         middle == 0xCCCC;
}

}  // namespace

char* write_shortest(char* out, double value) {
  if (std::bit_cast<std::uint64_t>(value) == 0) {
    *out = '0';
    return out + 1;
  }
  // Tenths below 1e5 are written from their count of tenths, which needs no
  // search for the digits.
  if (may_be_tenths(value) && std::fabs(value) < 1e5) {
    const double scaled = value * 10.0;
    const long whole = static_cast<long>(scaled + (scaled < 0.0 ? -0.5 : 0.5));
    if (static_cast<double>(whole) / 10.0 == value && !(value == 0.0 && std::signbit(value))) {
      const long units = whole / 10;
      const long tenth = whole % 10;
      if (whole < 0) *out++ = '-';
      const long magnitude = units < 0 ? -units : units;
      if (magnitude < 10) {
        *out++ = static_cast<char>('0' + magnitude);
      } else {
        out = write_integer(out, magnitude);
      }
      if (tenth != 0) {
        *out++ = '.';
        *out++ = static_cast<char>('0' + (tenth < 0 ? -tenth : tenth));
      }
      return out;
    }
  }
  char* const start = out;
  if (std::signbit(value)) *out++ = '-';
  if (value != 0.0) {
    if (char* end = write_shortest_exact(out, std::fabs(value))) return end;
  }
  return std::to_chars(start, start + 48, value).ptr;
}

std::string shortest_text(double value) {
  char text[48];
  return std::string(text, write_shortest(text, value));
}

std::string six_digits(double value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, result.ptr);
}

std::string counted(long count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace rumo
