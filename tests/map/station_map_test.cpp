// The station map: well-formed, one tooltip per station, every station inside
// the picture whatever the coordinates, and small for large networks.
#include "map/station_map.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace rumo {
namespace {

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// A small XML check: tags that nest and close under one root, attributes
// in quotes, and '&' only as a named or numeric entity. Returns what is
// wrong, or nothing.
std::string xml_fault(const std::string& xml) {
  const auto npos = std::string::npos;
  for (std::size_t at = xml.find('&'); at != npos; at = xml.find('&', at + 1)) {
    const std::string name = xml.substr(at + 1, xml.find(';', at) - at - 1);
    if (name != "lt" && name != "gt" && name != "amp" && name != "quot" && name != "apos" &&
        (name.size() < 2 || name[0] != '#' || name.find_first_not_of("0123456789", 1) != npos)) {
      return "bad entity &" + name.substr(0, 10);
    }
  }
  std::vector<std::string> open;
  int roots = 0;
  for (std::size_t start = xml.find('<'); start != npos; start = xml.find('<', start + 1)) {
    const std::size_t end = xml.find('>', start);
    if (end == npos) return "unterminated tag";
    const std::string tag = xml.substr(start + 1, end - start - 1);
    if (tag[0] == '?') continue;
    const auto quotes = static_cast<std::size_t>(std::count(tag.begin(), tag.end(), '"'));
    if (quotes % 2 != 0 || count(tag, "=\"") * 2 != quotes) return "bad attributes in <" + tag;
    const std::size_t closing = tag[0] == '/' ? 1 : 0;
    const std::string name = tag.substr(closing, tag.find_first_of(" /", 1) - closing);
    if (closing == 1) {
      if (open.empty() || open.back() != name) return "</" + name + "> closes nothing open";
      open.pop_back();
    } else {
      roots += open.empty() ? 1 : 0;
      if (tag.back() != '/') open.push_back(name);
    }
  }
  if (!open.empty()) return "<" + open.back() + "> is not closed";
  const bool outside = xml.find_first_not_of(" \n") != xml.find('<') ||
                       xml.find_first_not_of(" \n", xml.rfind('>') + 1) != npos;
  return roots == 1 && !outside ? "" : "not one root element";
}

// The numbers of one attribute wherever it occurs.
std::vector<double> attribute_values(const std::string& svg, const std::string& name) {
  std::vector<double> values;
  const std::string key = " " + name + "=\"";
  for (std::size_t at = svg.find(key); at != std::string::npos; at = svg.find(key, at + 1)) {
    values.push_back(std::stod(svg.substr(at + key.size())));
  }
  return values;
}

// The opening tag of the station whose tooltip starts with `prefix`.
std::string station_tag(const std::string& svg, const std::string& prefix) {
  const std::size_t title = svg.find("<title>" + prefix);
  if (title == std::string::npos) return "";
  const std::size_t start = svg.rfind('<', title - 1);
  return svg.substr(start, title - start);
}

struct Network {
  StationCounts counts;
  StationTable table;
  RunTally tally;
  RunParameters params;

  Network(int h, int c, int s, double max_distance) : counts{h, c, s}, tally(h + c + s) {
    params.hourly_file = "hourly.txt";
    params.climate_file = c > 0 ? "climate.txt" : "";
    params.collector_file = s > 0 ? "collector.txt" : "";
    params.start = Date{.year = 2001, .month = 7, .day = 1};
    params.end = Date{.year = 2001, .month = 7, .day = 31};
    params.power = 2.0;
    params.max_distance = max_distance;
    table.make_room(counts.total());
    for (int m = 1; m <= counts.total(); ++m)
      table.name[m] = std::string("S").append(std::to_string(m));
  }
  void place(int m, double x, double y) {
    table.first[m] = x;
    table.second[m] = y;
  }
};

TEST(StationMap, EveryStationInsideAWellFormedPicture) {
  // Each station takes the coordinates of the lists at its number, cycling.
  const struct {
    const char* what;
    int hourly, climate, collector;
    double max_distance;
    std::vector<double> x, y;
  } cases[] = {
      {"one station", 1, 0, 0, 10.0, {5.0}, {-5.0}},
      {"all at one place, unlimited", 3, 2, 2, HUGE_VAL, {1e7}, {-1e7}},
      {"1e7 either way", 20, 10, 10, 3e6, {-1e7, 1e7, 3.3e6, -5.5e6, 1.0}, {9e6, -1e7, 0, 4e6}},
      {"a north-south line", 4, 2, 2, 100.0, {3.0}, {0, 1e3, 2e3, 3e3, 4e3, 5e3, 6e3, 7e3}},
      {"ends of the doubles", 2, 1, 1, 1e300, {1.7e308, -1.7e308}, {1.7e308, -1e308, -1e308}},
      {"not numbers", 3, 2, 2, 10.0, {NAN, 1, NAN, 3, NAN, 5, NAN, 7}, {0, 0, 0, HUGE_VAL, 0}},
      {"reach as wide as the legend allows", 3, 1, 1, 2.0, {0, 1, 2, 3, 4, 5}, {0.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Network n(c.hourly, c.climate, c.collector, c.max_distance);
    for (int m = 1; m <= n.counts.total(); ++m) {
      n.place(m, c.x[static_cast<std::size_t>(m) % c.x.size()],
              c.y[static_cast<std::size_t>(m) % c.y.size()]);
    }
    const std::string svg = station_map_svg(n.tally, n.table, n.counts, n.params);
    EXPECT_EQ(xml_fault(svg), "");
    EXPECT_EQ(count(svg, "<title>"), static_cast<std::size_t>(n.counts.total()));
    const double size[] = {attribute_values(svg, "width").front(),
                           attribute_values(svg, "height").front()};
    for (const char* name : {"cx", "x", "cy", "y"}) {
      for (const double v : attribute_values(svg, name)) {
        EXPECT_TRUE(v >= 0.0 && v <= size[name[std::strlen(name) - 1] == 'y']) << name << " " << v;
      }
    }
    EXPECT_EQ(svg.find("=\"nan"), std::string::npos);
    EXPECT_EQ(svg.find("=\"inf"), std::string::npos);
  }
}

TEST(StationMap, FillShowsTheClassOfTheShareThatReachedTheResult) {
  // Collectors observing 100 that lose what the table says; the tooltip's
  // share is rounded down like its class.
  const struct {
    double lost;
    const char* fill;
    const char* share;
  } cases[] = {
      {0.0, "#fde725", "100.0 %"},  {0.04, "#8fd744", "99.9 %"}, {1.0, "#8fd744", "99.0 %"},
      {1.01, "#35b779", "98.9 %"},  {5.0, "#35b779", "95.0 %"},  {5.5, "#21908c", "94.5 %"},
      {10.5, "#31688e", "89.5 %"},  {25.5, "#443a83", "74.5 %"}, {50.0, "#443a83", "50.0 %"},
      {50.01, "#440154", "49.9 %"}, {100.0, "#440154", "0.0 %"},
  };
  const int rows = static_cast<int>(std::size(cases));
  Network n(2, 1, rows, 50.0);
  for (int m = 1; m <= n.counts.total(); ++m) n.place(m, 10.0 * m, 0.0);
  n.tally.written_hours = 336;
  n.tally.stations[1].present_hours = 330;  // 98.2 %
  n.tally.stations[3].observed = 0.0;       // no rain observed
  for (int i = 0; i < rows; ++i) {
    StationTally& s = n.tally.stations[4 + i];
    s.observed = 100.0;
    s.not_distributed = cases[i].lost;
  }
  const std::string svg = station_map_svg(n.tally, n.table, n.counts, n.params);
  for (int i = 0; i < rows; ++i) {
    const std::string tag = station_tag(svg, std::to_string(4 + i) + " S");
    EXPECT_NE(tag.find(std::string("fill=\"") + cases[i].fill), std::string::npos)
        << cases[i].lost << " " << tag;
    EXPECT_NE(svg.find(std::string("; ") + cases[i].share + " reached the result</title>"),
              std::string::npos)
        << cases[i].lost;
  }
  EXPECT_NE(station_tag(svg, "1 S1").find("fill=\"#35b779\""), std::string::npos);
  EXPECT_NE(station_tag(svg, "3 S3").find("fill=\"#bdbdbd\""), std::string::npos);
  // Shapes by kind, and names beside the stations of a small network.
  EXPECT_EQ(station_tag(svg, "1 S1").rfind("<circle", 0), 0u);
  EXPECT_EQ(station_tag(svg, "3 S3").rfind("<rect", 0), 0u);
  EXPECT_EQ(station_tag(svg, "4 S4").rfind("<path", 0), 0u);
  EXPECT_NE(svg.find(">S14</text>"), std::string::npos);
}

TEST(StationMap, ReachTooWideForTheLegendIsDrawnAroundTheStationThatLostMost) {
  const struct {
    const char* what;
    int hourly, climate;
    double max_distance;
    double lost3, lost4;  // of 10 observed at stations 3 and 4
    const char* legend;   // none: the circle stands in the legend
    int centre;           // the station in the middle of the dashed circle
  } cases[] = {
      {"the larger loss", 2, 2, 50.0, 0.5, 2.0, "maximum distance 50 around S4", 4},
      {"no loss: the first", 2, 2, 50.0, 0.0, 0.0, "maximum distance 50 around S3", 3},
      {"hourly only", 2, 0, 50.0, 0, 0, "around the middle of the network", 0},
      {"fits the legend", 2, 2, 5.0, 0.0, 2.0, nullptr, 0},
      {"larger than the map", 2, 2, 1e9, 0.0, 2.0, "holds the whole map", 0},
      {"unlimited", 2, 2, HUGE_VAL, 0.0, 2.0, "no maximum distance", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Network n(c.hourly, c.climate, 0, c.max_distance);
    for (int m = 1; m <= n.counts.total(); ++m) n.place(m, 100.0 * (m % 3), 80.0 * m);
    for (int m = 3; m <= n.counts.total(); ++m) {
      n.tally.stations[m].observed = 10.0;
      n.tally.stations[m].not_distributed = m == 3 ? c.lost3 : c.lost4;
    }
    const std::string svg = station_map_svg(n.tally, n.table, n.counts, n.params);
    EXPECT_EQ(xml_fault(svg), "");
    EXPECT_EQ(svg.find("radius: maximum distance") != std::string::npos, c.legend == nullptr);
    if (c.legend != nullptr) {
      EXPECT_NE(svg.find(c.legend), std::string::npos);
    }
    const std::size_t dashed = svg.find("clip-path=\"url(#map-frame)\"");
    EXPECT_EQ(dashed != std::string::npos, c.centre > 0 || c.climate == 0);
    if (c.centre > 0 && dashed != std::string::npos) {
      const std::string circle = svg.substr(svg.rfind("<circle", dashed));
      const std::string square = station_tag(svg, std::to_string(c.centre) + " S");
      EXPECT_DOUBLE_EQ(
          attribute_values(circle, "cx").front(),
          attribute_values(square, "x").front() + attribute_values(square, "width").front() / 2.0);
    }
  }
}

TEST(StationMap, ThousandsOfStationsCostFewBytesBeyondTheirTooltips) {
  Network n(500, 300, 1200, 30000.0);
  std::mt19937 random(5);
  std::uniform_real_distribution<double> place(3.4e6, 3.5e6);
  for (int m = 1; m <= 2000; ++m) n.place(m, place(random), place(random) + 2e6);
  const std::string svg = station_map_svg(n.tally, n.table, n.counts, n.params);
  EXPECT_EQ(xml_fault(svg), "");
  std::size_t tooltips = 0;
  for (std::size_t at = 0; (at = svg.find("<title>", at)) != std::string::npos; ++at) {
    tooltips += svg.find("</title>", at) + 8 - at;
  }
  const double per_station = static_cast<double>(svg.size() - tooltips) / 2000.0;
  EXPECT_LT(per_station, 70.0);
}

TEST(StationMap, TextIsEscapedForXml) {
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {"a<b>&\"c'", "a&lt;b&gt;&amp;&quot;c&apos;"},
      {"M\xc3\xbchle", "M\xc3\xbchle"},        // UTF-8 stays
      {"M\xfchle", "M&#252;hle"},              // Latin-1 byte
      {"end\xc3", "end&#195;"},                // a sequence cut short
      {"\xed\xa0\x80", "&#237;&#160;&#128;"},  // a surrogate
      {"\xe2\x82\xac \xf0\x9f\x8c\xa7", "\xe2\x82\xac \xf0\x9f\x8c\xa7"},
      {std::string("a\x01\x1f", 3) + "b", "a??b"},
  };
  for (const auto& c : cases) EXPECT_EQ(xml_escaped(c.text), c.escaped) << c.text;

  Network n(1, 0, 0, 1.0);
  n.table.name[1] = "<&\"'>";
  n.params.hourly_file = "a&b<c>.txt";
  const std::string svg = station_map_svg(n.tally, n.table, n.counts, n.params);
  EXPECT_EQ(xml_fault(svg), "");
  EXPECT_NE(svg.find("a&amp;b&lt;c&gt;.txt"), std::string::npos);
}

// The committed goldens (the example's map and an end-to-end case's) are
// compared byte for byte by their cases; here they are shown well-formed.
TEST(StationMap, CommittedMapsAreWellFormedWithATooltipPerStation) {
  const struct {
    const char* file;
    std::size_t stations;
  } maps[] = {{"/examples/map.svg", 12},
              {"/tests/e2e/cases/report_every_outcome/expected/map.svg", 5}};
  for (const auto& map : maps) {
    std::ifstream in(std::string(RUMO_SOURCE_DIR) + map.file);
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_FALSE(text.str().empty()) << map.file;
    EXPECT_EQ(xml_fault(text.str()), "") << map.file;
    EXPECT_EQ(count(text.str(), "<title>"), map.stations) << map.file;
  }
}

}  // namespace
}  // namespace rumo
