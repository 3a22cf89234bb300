#include "input/station_header.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.hpp"

namespace rumo {
namespace {

// One call of the header reader on a file held in memory, with what it wrote
// to the console and the code, stream and message it failed with.
struct Header {
  MemoryFiles files;
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  StationTable table;
  int count = -1;
  std::optional<TextReader> reader;
  std::tuple<int, Stream, std::string> failure{0, Stream::out, ""};

  explicit Header(const std::string& text, int first_number = 1, bool located = false) {
    files.inputs["stations.txt"] = text;
    Console console{in, out, err};
    try {
      reader.emplace(
          read_station_header(console, files, "stations.txt", first_number, count, table, located));
    } catch (const RunError& error) {
      failure = {error.code, error.stream, error.message};
    }
  }
  int code() const { return std::get<0>(failure); }
};

const std::string kLabel = "YY\tMM\tDD\tHH";

// Names keep 7 characters of UTF-8 (Osnabrück), 7 bytes of other text (München).
TEST(ReadStationHeader, ReadsTheStationsOfOneFile) {
  for (const std::string end : {"\n", "\r\n"}) {
    Header h("Korim stations" + end + kLabel + "\t100\t250.5\t-3" + end + kLabel +
                 "\t3500\t3600.4\t3700" + end + kLabel + "\t5300\t5400\t5500" + end + kLabel +
                 "\tOsnabr\xc3\xbc\x63k\tBonnStadt1\tM\xfcnchen-Ost\tSurplus" + end +
                 "2003\t1\t1\t1\t0\t0.5\t1" + end,
             5);
    ASSERT_EQ(h.code(), 0);
    EXPECT_EQ(h.out.str(),
              "Station  0, Hoehe   100.0000\nStation  1, Hoehe   250.5000\n"
              "Station  2, Hoehe    -3.0000\n*anzahl 3\n");
    const StationTable& t = h.table;
    EXPECT_EQ((std::vector<double>{t.height[4], t.height[6], t.first[6], t.second[7]}),
              (std::vector<double>{0.0, 250.5, 3600.4, 5500.0}));
    EXPECT_EQ((std::vector<std::string>{t.name[5], t.name[6], t.name[7]}),
              (std::vector<std::string>{"Osnabr\xc3\xbc", "BonnSta", "M\xfcnchen"}));
    EXPECT_EQ(t.name.size(), 8u);
    std::string line;  // the file comes back at its first line
    ASSERT_TRUE(h.reader->read_line(line));
    EXPECT_EQ(line, "Korim stations");
  }
}

TEST(ReadStationHeader, HeightsLine) {
  const std::pair<const char*, std::vector<double>> cases[] = {
      {"YY\tMM\tDD\tHH", {}},                         // the label alone
      {"10 20", {10, 20}},                            // too short for a label
      {"  5\t 6 ", {5, 6}},                           // leading blanks, no label
      {"YYYY\tMM\tDD\tHH\t100\t200", {0, 100, 200}},  // "HH" becomes a height
      {"YY\tMM\tDD\tHH \t  1\t\t2   3 \t", {1, 2, 3}},
      {"YY\tMM\tDD\tHH\t1.5e2\tabc\t7x\t-.5", {150, 0, 7, -0.5}},
  };
  for (const auto& [line2, heights] : cases) {
    std::string entries = kLabel;
    for (std::size_t i = 0; i < heights.size(); ++i) entries += "\t5";
    Header h(std::string("title\n") + line2 + "\n" + entries + "\n" + entries + "\n" + entries);
    ASSERT_EQ(h.count, static_cast<int>(heights.size())) << '"' << line2 << '"';
    for (std::size_t i = 0; i < heights.size(); ++i) {
      EXPECT_EQ(h.table.height[i + 1], heights[i]) << '"' << line2 << '"';
    }
  }
}

TEST(ReadStationHeader, EntriesAreOneStreamOfTokens) {
  // A missing first coordinate shifts every later token by one.
  const Header h("title\n" + kLabel +
                 "\t10\t20\nYY MM DD HH 1\nYY MM DD HH 3 4\nYY MM DD HH A B\n2003 1 1 1 5 6\n");
  EXPECT_EQ((std::vector<double>{h.table.first[1], h.table.first[2], h.table.second[1]}),
            (std::vector<double>{1.0, 0.0, 4.0}));  // "YY" reads as 0
  EXPECT_EQ(h.table.name[2], "2003");

  // The header cut after any token fails with the code of what is missing;
  // the whole header needs no line end after its last name.
  for (const char* text : {"", "title\n", "t\n\nYY MM DD\n"}) EXPECT_EQ(Header(text).code(), 301);
  const std::string entries = "YY MM DD HH 1 \t2\nYY MM DD HH 3 4\nYY MM DD HH A B";
  const int codes[] = {301, 301, 301, 301, 302, 302, 303, 303, 303, 303,
                       304, 304, 305, 305, 305, 305, 306, 306, 0};
  int kept = 0;
  for (std::size_t end = 0; end <= entries.size(); ++end) {
    if (end < entries.size() && !std::isspace(static_cast<unsigned char>(entries[end]))) continue;
    if (end > 0 && !std::isspace(static_cast<unsigned char>(entries[end - 1]))) ++kept;
    const Header cut("title\n" + kLabel + "\t10\t20\n" + entries.substr(0, end));
    EXPECT_EQ(cut.code(), codes[kept]) << kept;
    EXPECT_EQ(std::get<1>(cut.failure), cut.code() == 0 ? Stream::out : Stream::err);
  }
}

TEST(ReadStationHeader, LocatedWarnings) {
  const std::string lines[] = {kLabel + "\t10\t20\t30", kLabel + "\t1\t2\t3", kLabel + "\t4\t5\t6",
                               kLabel + "\tA\tB\tC"};
  const auto header = [&](int changed, const std::string& line) {
    std::string text = "title\n";
    for (int i = 0; i < 4; ++i) text += (i == changed ? line : lines[i]) + "\n";
    return text + "2003 1 1 1 0 0 0\n";
  };
  const auto shifted = [](const std::string& what) {
    return "rumo: warning: stations.txt, " + what +
           "; the entries are taken in turn, so those after the extra or missing one go to the "
           "wrong stations\n";
  };
  // Decimal commas, a name with a blank and a label of 13 characters (whose
  // warning stands for the counts it puts out of step) show in end-to-end cases.
  const std::pair<std::string, std::string> cases[] = {
      {header(0, kLabel + "\t10\t20m\t30"),
       "rumo: warning: stations.txt, line 2: \"20m\" was read as 20\n"},
      {header(2, kLabel + "\t4\t6"),
       shifted("line 4: 2 second coordinates after the label, but line 2 has 3 heights")},
      {header(0, kLabel + "\t10\t20"),
       shifted("lines 3 to 5: 3 entries each after the label, but line 2 has 2 heights")},
      // Entries run on over the lines: read as one stream, nothing to count.
      {"title\n" + lines[0] + "\nYY MM DD HH 1 2\n3 YY MM DD HH 4 5\n6 YY MM DD HH A B C\n", ""},
  };
  for (const auto& [text, warnings] : cases) {
    Header h(text, 1, true);
    EXPECT_EQ(h.code(), 0) << text;
    EXPECT_EQ(h.err.str(), warnings) << text;
    EXPECT_TRUE(Header(text).err.str().empty()) << text;  // only with run options
    std::string line;                                     // the file comes back at its first line
    EXPECT_TRUE(h.reader->read_line(line) && line == "title");
  }
}

TEST(ReadStationHeader, At100000StationsInAll) {
  std::string text = "title\n" + kLabel;
  for (int i = 0; i < 12; ++i) text.append("\t").append(std::to_string(100 + i));
  for (int line = 3; line <= 5; ++line) {
    text.append("\n").append(kLabel);
    for (int i = 0; i < 12; ++i) text.append("\tx").append(std::to_string(i));
  }
  const Header fits(text, 99989);
  EXPECT_EQ(fits.count, 12);
  EXPECT_EQ(fits.table.name[100000], "x11");
  EXPECT_EQ(fits.table.height.size(), 100001u);
  EXPECT_EQ(Header(text, 99990).failure,
            std::tuple(109, Stream::out, "Zu viele Stationen (100001), hoechstens 100000 !\n"));

  // A line of far too many heights is refused with the number it holds,
  // after the first station beyond the limit; the rest is only counted.
  std::string flood = "title\n" + kLabel;
  for (int i = 0; i < 150000; ++i) flood.append(" ").push_back(static_cast<char>('0' + i % 10));
  const Header flooded(flood);
  EXPECT_EQ(std::get<2>(flooded.failure), "Zu viele Stationen (150000), hoechstens 100000 !\n");
  const std::string console = flooded.out.str();
  EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 100001);
}

}  // namespace
}  // namespace rumo
