#include "core/number_text.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace rumo {
namespace {

// Against the library's search: whole numbers and tenths (the quick form),
// and for the exact search every kind of double it takes or leaves to the
// library: any bits over its binary range and beyond, few-digit decimals and
// their neighbours, powers of two and of ten with theirs (where the gap to
// the next double changes), large whole numbers, and sums like the
// interpolated ones.
TEST(WriteShortest, SameTextAsToChars) {
  std::vector<double> values = {0.0,  -0.0,  0.05,   99999.9, 1e5,    -9999., 2.675,
                                1e15, 1e300, 5e-324, 0x1p-16, 0x1p53, NAN,    -INFINITY};
  std::mt19937_64 random(11);
  const auto with_neighbours = [&](double value) {
    values.insert(values.end(), {value, std::nextafter(value, 0.0), std::nextafter(value, 1e300)});
  };
  for (int i = 0; i < 100000; ++i) {
    const double whole = static_cast<double>(static_cast<long>(random() % 2000001) - 1000000);
    values.insert(values.end(), {whole / 10.0, whole, std::ldexp(double(random() >> 11), -40)});
    const std::uint64_t exponent = 1000 + random() % 80;
    const double bits = std::bit_cast<double>((random() >> 12) | (exponent << 52));
    values.insert(values.end(), {bits, -bits});
    const int digits = 1 + static_cast<int>(random() % 17);
    const auto count = random() % static_cast<std::uint64_t>(std::pow(10.0, digits));
    with_neighbours(static_cast<double>(count) /
                    std::pow(10.0, static_cast<double>(random() % 25)));
    with_neighbours(std::ldexp(1.0, static_cast<int>(random() % 80) - 20));
    values.push_back(static_cast<double>(random() >> (11 + random() % 50)));
    values.push_back(double(random() % 1000) * 0.1 + double(random() % 1000) * 0.01 +
                     std::ldexp(double(random() >> 11), -60));
  }
  for (int exponent = -20; exponent < 20; ++exponent) with_neighbours(std::pow(10.0, exponent));
  for (const double value : values) {
    char fast[64], plain[64];
    char* end = std::to_chars(plain, plain + sizeof plain, value).ptr;
    ASSERT_EQ(std::string(fast, write_shortest(fast, value)), std::string(plain, end)) << value;
  }
}

}  // namespace
}  // namespace rumo
