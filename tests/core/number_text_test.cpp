#include "core/number_text.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace rumo {
namespace {

// The quick form for whole numbers and tenths against the library's search.
TEST(WriteShortest, SameTextAsToChars) {
  std::vector<double> values = {0.0, -0.0, 0.05, 99999.9, 1e5, -9999., 2.675, 1e15, 1e300, NAN};
  std::mt19937_64 random(11);
  for (int i = 0; i < 200000; ++i) {
    const double whole = static_cast<double>(static_cast<long>(random() % 2000001) - 1000000);
    values.insert(values.end(), {whole / 10.0, whole, std::ldexp(double(random() >> 11), -40)});
  }
  for (const double value : values) {
    char fast[64], plain[64];
    char* end = std::to_chars(plain, plain + sizeof plain, value).ptr;
    ASSERT_EQ(std::string(fast, write_shortest(fast, value)), std::string(plain, end)) << value;
  }
}

}  // namespace
}  // namespace rumo
