#include "input/station_header.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "run/error.hpp"

namespace rumo {
namespace {

// One call of the header reader on a file held in memory.
struct Header {
  MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  Console console{in, out};
  StationTable table;
  int count = -1;
  std::optional<TextReader> reader;

  // Without a text the file does not exist.
  void read(const std::optional<std::string>& text, int first_number = 1) {
    if (text) files.inputs["stations.txt"] = *text;
    reader.emplace(read_station_header(console, files, "stations.txt", first_number, count, table));
  }

  // The failure that reading `text` ends with.
  RunError failure(const std::optional<std::string>& text, int first_number = 1) {
    try {
      read(text, first_number);
    } catch (const RunError& error) {
      return error;
    }
    ADD_FAILURE() << "accepted: " << text.value_or("(no file)");
    return RunError{0, Stream::out, ""};
  }
};

const std::string kLabel = "YY\tMM\tDD\tHH";

// A header of `stations` stations with heights 100, 101, ... and names x0, x1, ...
std::string header_with(int stations) {
  std::string text = "title\n" + kLabel;
  for (int i = 0; i < stations; ++i) text.append("\t").append(std::to_string(100 + i));
  for (int line = 3; line <= 5; ++line) {
    text.append("\n").append(kLabel);
    for (int i = 0; i < stations; ++i) text.append("\tx").append(std::to_string(i));
  }
  return text + "\n";
}

TEST(ReadStationHeader, ReadsTheStationsOfOneFile) {
  Header h;
  h.read("Korim stations\n" + kLabel + "\t100\t250.5\t-3\n" + kLabel + "\t3500\t3600.4\t3700\n" +
             kLabel + "\t5300\t5400\t5500\n" + kLabel + "\tAachen\tBonnStadt1\tKoeln\tSurplus\n" +
             "2003\t1\t1\t1\t0\t0.5\t1\n",
         5);
  EXPECT_EQ(h.count, 3);
  EXPECT_EQ(h.out.str(),
            "Station  0, Hoehe   100.0000\n"
            "Station  1, Hoehe   250.5000\n"
            "Station  2, Hoehe    -3.0000\n"
            "*anzahl 3\n");
  EXPECT_EQ(h.table.height[5], 100.0);
  EXPECT_EQ(h.table.height[6], 250.5);
  EXPECT_EQ(h.table.height[7], -3.0);
  EXPECT_EQ(h.table.first[6], 3600.4);
  EXPECT_EQ(h.table.second[7], 5500.0);
  EXPECT_EQ(h.table.name[5], "Aachen");
  EXPECT_EQ(h.table.name[6], "BonnSta");
  EXPECT_EQ(h.table.name[7], "Koeln");
  // Entries of other station numbers stay untouched.
  EXPECT_EQ(h.table.height[4], 0.0);
  EXPECT_EQ(h.table.name[8], "");

  // The file comes back at its first line.
  std::string line;
  ASSERT_TRUE(h.reader->read_line(line));
  EXPECT_EQ(line, "Korim stations");
}

struct HeightsCase {
  const char* line2;
  std::vector<double> heights;
};

TEST(ReadStationHeader, HeightsLine) {
  const HeightsCase cases[] = {
      {"YY\tMM\tDD\tHH", {}},                         // the label alone
      {"", {}},                                       // an empty line
      {"10 20", {10, 20}},                            // too short for a label
      {"  5\t 6 ", {5, 6}},                           // leading blanks, no label
      {"YYYY\tMM\tDD\tHH\t100\t200", {0, 100, 200}},  // "HH" becomes a height
      {"YY\tMM\tDD\tHH \t  1\t\t2   3 \t", {1, 2, 3}},
      {"YY\tMM\tDD\tHH\t1.5e2\tabc\t7x\t-.5", {150, 0, 7, -0.5}},
  };
  for (const HeightsCase& c : cases) {
    std::string rest;
    for (int line = 3; line <= 5; ++line) {
      rest += kLabel;
      for (std::size_t i = 0; i < c.heights.size(); ++i) {
        rest.append("\t").append(std::to_string(line));
      }
      rest += "\n";
    }
    Header h;
    h.read(std::string("title\n") + c.line2 + "\n" + rest);
    ASSERT_EQ(h.count, static_cast<int>(c.heights.size())) << '"' << c.line2 << '"';
    for (std::size_t i = 0; i < c.heights.size(); ++i) {
      EXPECT_EQ(h.table.height[i + 1], c.heights[i]) << '"' << c.line2 << '"';
      EXPECT_EQ(h.table.name[i + 1], "5");
    }
    EXPECT_EQ(h.out.str().substr(h.out.str().rfind('*')),
              "*anzahl " + std::to_string(h.count) + "\n");
  }
}

TEST(ReadStationHeader, CarriageReturnsBelongToTheLineEnds) {
  std::string text;
  for (const char c : header_with(2)) {
    if (c == '\n') text += '\r';
    text += c;
  }
  Header h;
  h.read(text);
  EXPECT_EQ(h.count, 2);
  EXPECT_EQ(h.table.height[2], 101.0);
  EXPECT_EQ(h.table.name[2], "x1");
  std::string line;
  ASSERT_TRUE(h.reader->read_line(line));
  EXPECT_EQ(line, "title");
}

TEST(ReadStationHeader, EntriesAreOneStreamOfTokens) {
  // A missing first coordinate shifts every later token by one.
  const std::string shifted =
      "title\n" + kLabel + "\t10\t20\nYY MM DD HH 1\nYY MM DD HH 3 4\nYY MM DD HH A B\n";
  Header h;
  h.read(shifted + "2003 1 1 1 5 6\n");
  EXPECT_EQ(h.table.first[1], 1.0);
  EXPECT_EQ(h.table.first[2], 0.0);  // "YY"
  EXPECT_EQ(h.table.second[1], 4.0);
  EXPECT_EQ(h.table.second[2], 0.0);
  EXPECT_EQ(h.table.name[1], "B");
  EXPECT_EQ(h.table.name[2], "2003");
  // Without a data line the shift runs out of tokens at the last name.
  Header at_end;
  EXPECT_EQ(at_end.failure(shifted).code, 306);

  // The header cut after any token fails with the code of what is missing;
  // the whole header needs no line end after its last name.
  const std::vector<std::string> tokens = {"YY", "MM", "DD", "HH", "1",  "2",  "YY", "MM", "DD",
                                           "HH", "3",  "4",  "YY", "MM", "DD", "HH", "A",  "B"};
  for (std::size_t kept = 0; kept <= tokens.size(); ++kept) {
    std::string text = "title\n" + kLabel + "\t10\t20\n";
    for (std::size_t i = 0; i < kept; ++i) {
      if (i > 0) text += (i % 3 == 0 ? "\n" : " \t");
      text += tokens[i];
    }
    Header cut;
    if (kept == tokens.size()) {
      cut.read(text);
      EXPECT_EQ(cut.table.second[2], 4.0);
      EXPECT_EQ(cut.table.name[2], "B");
      continue;
    }
    const int expected = kept < 4    ? 301
                         : kept < 6  ? 302
                         : kept < 10 ? 303
                         : kept < 12 ? 304
                         : kept < 16 ? 305
                                     : 306;
    const RunError error = cut.failure(text);
    EXPECT_EQ(error.code, expected) << kept;
    EXPECT_EQ(error.stream, Stream::err);
    EXPECT_EQ(error.message, "Dateilesefehler ! (" + std::to_string(expected) + ")\n");
  }
}

TEST(ReadStationHeader, ShortAndMissingFiles) {
  for (const char* text : {"", "title\n", "title\nYY\tMM\tDD\tHH\t1\n", "t\n\nYY MM DD\n"}) {
    Header h;
    EXPECT_EQ(h.failure(text).code, 301) << '"' << text << '"';
  }
  Header missing;
  const RunError error = missing.failure(std::nullopt);
  EXPECT_EQ(error.code, 101);
  EXPECT_EQ(error.stream, Stream::out);
  EXPECT_EQ(error.message, "Fehler beim Oeffnen der Datei stations.txt\n");
}

TEST(ReadStationHeader, AtMost2000StationsInAll) {
  Header fits;
  fits.read(header_with(11), 1990);
  EXPECT_EQ(fits.count, 11);
  EXPECT_EQ(fits.table.height[2000], 110.0);
  EXPECT_EQ(fits.table.name[2000], "x10");

  Header too_many;
  const RunError error = too_many.failure(header_with(12), 1990);
  EXPECT_EQ(error.code, 109);
  EXPECT_EQ(error.stream, Stream::out);
  EXPECT_EQ(error.message, "Zu viele Stationen (2001), hoechstens 2000 !\n");

  // A line of far too many heights is refused with the number it holds,
  // after the first station beyond the limit; the rest is only counted.
  Header flood;
  const RunError refused = flood.failure(header_with(50000), 1);
  EXPECT_EQ(refused.message, "Zu viele Stationen (50000), hoechstens 2000 !\n");
  const std::string console = flood.out.str();
  EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 2001);
  EXPECT_NE(console.find("Station 2000, Hoehe  2100.0000\n"), std::string::npos);
}

}  // namespace
}  // namespace rumo
