#include "input/records.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "core/error.hpp"
#include "core/files.hpp"

namespace rumo {
namespace {

// A located reader over `text` seen through blocks of `block` bytes; the
// text stands for data lines from line 1 on.
struct Reader : MemoryFiles, TextReader {
  Reader(std::string text, std::size_t block) : TextReader(opened(*this, text), block) {
    located = true;
    name = "h.txt";
  }
  static std::unique_ptr<InputSource> opened(MemoryFiles& files, std::string& text) {
    files.inputs["h.txt"] = std::move(text);
    return files.open_input("h.txt");
  }
};

// Reads records of three stations to the end; what the first failure said,
// or "" when every record was read.
std::string read_all(const std::string& text, std::size_t block) {
  Reader reader(text, block);
  HourField field(station_entries(3));
  try {
    while (!reader.at_end()) read_record(reader, field, 1, 3, exit_code::hourly_run);
  } catch (const RunError& error) {
    return std::to_string(error.code) + " " + error.message;
  }
  return "";
}

TEST(Records, LocatedFailuresAndWrappedRecords) {
  const std::string fail317 = "317 Dateilesefehler ! (317)\nh.txt, line ";
  const std::string fail318 = "318 Dateilesefehler ! (318)\nh.txt, line ";
  const std::pair<std::string, std::string> cases[] = {
      // Records may wrap over lines, and stand behind each other on one.
      {"2005 11 2 1 1 2 3\n2005 11 2\n2\n0 0\n0\n2005 11 2 3 1 1 1 2005 11 2 4\n0 0 0\n", ""},
      {"2005 11 2 1 1 2 3\n2005 11 2 2\n0 0 0\n", ""},
      {"2005 11 2 1 1 2 3\n2005 11 2 2 1 2\n2005 11 2 3 1 2 3\n",
       fail318 + "2: the record holds 2 values, the header names 3 stations\n"},
      {"2005 11 2 1 1 2 3\n2005 11 2 2 1 2",
       fail318 + "2: the record holds 2 values, the header names 3 stations\n"},
      {"2005 11 2 1 1 2 3 4\n2005 11 2 2 1 2 3\n",
       fail317 + "1: the record holds 4 values, the header names 3 stations\n"},
      {"2005 11 2 1 1 2 3 0.5\n2005 11 2 2 1 2 3\n",
       fail317 + "1: the record holds 4 values, the header names 3 stations\n"},
      {"2005 11 2 1 1 2 3 4",
       fail317 + "1: the record holds 4 values, the header names 3 stations\n"},
      {"2005 11 2 1 1 2 3\n2005 11 2 2 1 1,5 3\n",
       fail318 + "2: \"1,5\" is not a number (decimal comma?)\n"},
      {"2005 11 2 1 1 2 3\n2005 11 2.0 2 1 1 3\n",
       fail317 +
           "2: \"2.0\" is not a whole number (a record begins with year, month, day and hour)\n"},
      {"2005 11 2 1 1 2 3\n\n2005 11",
       fail317 + "3: the file ends inside the date and hour of a record\n"},
  };
  for (const std::size_t block : {1, 5, 1 << 20}) {
    for (const auto& [text, said] : cases)
      EXPECT_EQ(read_all(text, block), said) << block << ": " << text;
  }
}

}  // namespace
}  // namespace rumo
