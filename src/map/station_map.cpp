#include "map/station_map.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "core/stamp_text.hpp"
#include "core/window.hpp"

namespace rumo {

namespace {

// Pixels of the picture.
constexpr double kSide = 640.0;      // the map's longer side
constexpr double kMinWidth = 220.0;  // of the map's frame
constexpr double kMinPictureWidth = 760.0;
constexpr double kPad = 12.0;  // room around the outermost stations
constexpr double kMargin = 20.0;
constexpr double kTitleHeight = 88.0;
constexpr double kLegendGap = 30.0;
constexpr double kLegendWidth = 250.0;
constexpr double kBarWidth = 200.0;
constexpr int kNamedStations = 60;  // up to this many, names stand beside the stations

const char* const kNoRainGrey = "#bdbdbd";

// Classes of the share that reached the result, finest near 100 % where a
// loss of a few percent already matters; filled from matplotlib's viridis at
// seven even steps (perceptually uniform, readable with the common colour
// vision deficiencies and in grey). A class holds the shares from its
// per-mille bound up to the next class's.
struct ShareClass {
  long from_permille;
  const char* fill;
  const char* label;
};
constexpr std::array<ShareClass, 7> kClasses = {{{1000, "#fde725", "100 %"},
                                                 {990, "#8fd744", "99 to 100 %"},
                                                 {950, "#35b779", "95 to 99 %"},
                                                 {900, "#21908c", "90 to 95 %"},
                                                 {750, "#31688e", "75 to 90 %"},
                                                 {500, "#443a83", "50 to 75 %"},
                                                 {0, "#440154", "below 50 %"}}};

// Appends each part in turn.
template <class... Parts>
void put(std::string& out, const Parts&... parts) {
  (out.append(std::string_view(parts)), ...);
}

// A share from 0 to 1 in thousandths, rounded down, so that a share shown
// as 99.9 % is never drawn in the class of 100 %.
long permille(double share) {
  return static_cast<long>(std::floor(std::clamp(share, 0.0, 1.0) * 1000.0));
}

// The class colour of a share; no share (NaN) in grey.
const char* colour(double share) {
  if (std::isnan(share)) return kNoRainGrey;
  const long p = permille(share);
  for (const ShareClass& c : kClasses) {
    if (p >= c.from_permille) return c.fill;
  }
  return kClasses.back().fill;
}

// Pixel positions to a tenth, without a trailing ".0".
std::string px(double value) {
  const double rounded = std::round(value * 10.0) / 10.0;
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof digits, rounded == 0.0 ? 0.0 : rounded,
                                    std::chars_format::fixed, 1);
  std::string text(digits, result.ptr);
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  return text;
}

// A share in percent to a tenth, rounded down like its class.
std::string percent(double share) {
  const long p = permille(share);
  return std::to_string(p / 10) + "." + std::to_string(p % 10) + " %";
}

// The largest of 1, 2 and 5 times a power of ten that is at most `limit`.
double nice_length(double limit) {
  double power = std::pow(10.0, std::floor(std::log10(limit)));
  for (const double step : {5.0, 2.0, 1.0}) {
    if (step * power <= limit) return step * power;
  }
  return power / 2.0;
}

// Where the coordinates land in the picture. Coordinates are taken in
// halves, so that extents near the largest doubles do not overflow.
struct Frame {
  double min_x2 = 0.0;  // half the first coordinate of the frame's left edge
  double max_y2 = 0.0;  // half the second coordinate of its top edge
  double half = 1.0;    // half the longer extent, in the coordinates' unit
  double scale = 1.0;   // pixels per unit
  double left = 0.0;    // pixels of the frame
  double top = 0.0;
  double width = 0.0;
  double height = 0.0;

  double x(double first) const { return left + kPad + (first / 2.0 - min_x2) / half * kSide; }
  double y(double second) const { return top + kPad + (max_y2 - second / 2.0) / half * kSide; }
};

bool placed(const StationTable& table, int station) {
  const auto at = static_cast<std::size_t>(station);
  return std::isfinite(table.first[at]) && std::isfinite(table.second[at]);
}

Frame frame_of(const StationTable& table, int total, double max_distance) {
  double low_x = std::numeric_limits<double>::infinity();
  double low_y = low_x;
  double high_x = -low_x;
  double high_y = -low_x;
  for (int m = 1; m <= total; ++m) {
    if (!placed(table, m)) continue;
    const auto at = static_cast<std::size_t>(m);
    low_x = std::min(low_x, table.first[at]);
    high_x = std::max(high_x, table.first[at]);
    low_y = std::min(low_y, table.second[at]);
    high_y = std::max(high_y, table.second[at]);
  }
  if (low_x > high_x) low_x = high_x = low_y = high_y = 0.0;
  Frame frame;
  double half_x = high_x / 2.0 - low_x / 2.0;
  double half_y = high_y / 2.0 - low_y / 2.0;
  frame.half = std::max(half_x, half_y);
  frame.min_x2 = low_x / 2.0;
  frame.max_y2 = high_y / 2.0;
  if (!(frame.half > 0.0)) {
    // All stations at one place: a square around it as wide as twice the
    // maximum distance, so that the reach shows against it.
    const double reach = std::fabs(max_distance);
    frame.half = reach > 0.0 && std::isfinite(reach) ? reach : 1.0;
    if (!std::isfinite(std::fabs(low_x) + frame.half) ||
        !std::isfinite(std::fabs(low_y) + frame.half)) {
      frame.half = std::max(std::fabs(low_x), std::fabs(low_y)) / 4.0;
    }
    frame.min_x2 -= frame.half / 2.0;
    frame.max_y2 += frame.half / 2.0;
    half_x = half_y = frame.half;
  }
  frame.scale = kSide / frame.half / 2.0;
  frame.width = half_x / frame.half * kSide + 2.0 * kPad;
  frame.height = half_y / frame.half * kSide + 2.0 * kPad;
  if (frame.width < kMinWidth) {
    // A narrow network is centred in a frame wide enough for the scale bar.
    frame.min_x2 -= (kMinWidth - frame.width) / 2.0 / kSide * frame.half;
    frame.width = kMinWidth;
  }
  frame.left = kMargin;
  frame.top = kTitleHeight;
  return frame;
}

enum class Kind { hourly, climate, collector };

Kind kind_of(int station, const StationCounts& counts) {
  if (station <= counts.hourly) return Kind::hourly;
  return station <= counts.last_climate() ? Kind::climate : Kind::collector;
}

// Half the width of a marker in pixels: large for a few stations, small for
// thousands so that neighbours stay apart; in half pixels, which keep the
// numbers of every shape short.
double marker_size(int stations) {
  const double fitting = 110.0 / std::sqrt(static_cast<double>(std::max(stations, 1)));
  return std::clamp(std::round(2.0 * fitting) / 2.0, 2.0, 6.0);
}

// A station's shape of half width `size` at (x, y), without its closing tag.
void open_shape(std::string& svg, Kind kind, double x, double y, double size, const char* fill) {
  switch (kind) {
    case Kind::hourly:
      // A little smaller than the others, so that a climate or collector
      // station at the same place still shows its fill around the circle.
      put(svg, "<circle cx=\"", px(x), "\" cy=\"", px(y), "\" r=\"", px(std::max(0.8 * size, 2.0)),
          "\"");
      break;
    case Kind::climate:
      put(svg, "<rect x=\"", px(x - size), "\" y=\"", px(y - size), "\" width=\"", px(2.0 * size),
          "\" height=\"", px(2.0 * size), "\"");
      break;
    case Kind::collector: {
      // About the area of the circle, its widest part below (x, y).
      const double k = size / 3.5;
      put(svg, "<path d=\"M", px(x), " ", px(y - 5.0 * k), "l", px(4.5 * k), " ", px(8.0 * k), "h",
          px(-9.0 * k), "z\"");
      break;
    }
  }
  put(svg, " fill=\"", fill, "\">");
}

const char* closing(Kind kind) {
  switch (kind) {
    case Kind::hourly:
      return "</circle>\n";
    case Kind::climate:
      return "</rect>\n";
    case Kind::collector:
      break;
  }
  return "</path>\n";
}

// The share that colours a station, and its tooltip.
double share_of(const StationTally& s, Kind kind, long written_hours) {
  const double none = std::numeric_limits<double>::quiet_NaN();
  if (kind == Kind::hourly) {
    return written_hours > 0 ? static_cast<double>(s.present_hours) / written_hours : none;
  }
  if (!(s.observed > 0.0)) return none;
  return (s.observed - s.not_distributed - s.unusable - s.no_data_lost) / s.observed;
}

std::string tooltip(int station, const std::string& name, Kind kind, const StationTally& s,
                    double share, long written_hours) {
  std::string text = std::to_string(station) + " " + name;
  if (kind == Kind::hourly) {
    text += ": hourly station, " + std::to_string(s.present_hours) + " of " +
            std::to_string(written_hours) + " hours present";
    if (!std::isnan(share)) text += " (" + percent(share) + ")";
    return text;
  }
  text += kind == Kind::climate ? ": climate station, " : ": collector station, ";
  text += counted(s.periods, "period", "periods") + ", " + std::to_string(s.missing_readings) +
          " without a reading; ";
  if (std::isnan(share)) return text + "observed no rain";
  text += "observed " + six_digits(s.observed) + ", not distributed " +
          six_digits(s.not_distributed) + " in " +
          counted(s.not_distributed_periods, "period", "periods");
  if (s.unusable_periods > 0) {
    text += ", unusable sums " + six_digits(s.unusable) + " in " +
            counted(s.unusable_periods, "period", "periods");
  }
  // Rain spread by the dry fallback reaches the result.
  if (s.spread_periods > 0) {
    text += ", spread " + six_digits(s.spread) + " in " +
            counted(s.spread_periods, "period", "periods");
  }
  if (s.no_data_periods > 0) {
    text += ", without hourly data " + six_digits(s.no_data) + " in " +
            counted(s.no_data_periods, "period", "periods") + " (lost " +
            six_digits(s.no_data_lost) + ")";
  }
  return text + "; " + percent(share) + " reached the result";
}

void text_line(std::string& svg, double x, double y, std::string_view text,
               std::string_view attributes = {}) {
  put(svg, "<text x=\"", px(x), "\" y=\"", px(y), "\"");
  if (!attributes.empty()) {
    svg += ' ';
    svg += attributes;
  }
  put(svg, ">", xml_escaped(text), "</text>\n");
}

// How the reach of the maximum distance shows: a circle in the legend when
// it fits there, else a dashed circle on the map around the station that
// lost the largest share, unless that circle holds the whole map.
struct Reach {
  double radius = 0.0;  // pixels
  bool in_legend = false;
  bool on_map = false;
  double x = 0.0;  // the centre on the map
  double y = 0.0;
  std::string around;
};

Reach reach_of(const Frame& frame, const RunTally& tally, const StationTable& table,
               const StationCounts& counts, double max_distance) {
  Reach reach;
  if (!std::isfinite(max_distance)) return reach;
  // The run compares squared distances, so a negative maximum reaches as
  // far as its size.
  reach.radius = std::fabs(max_distance) * frame.scale;
  reach.in_legend = 2.0 * reach.radius <= kLegendWidth - 10.0;
  if (reach.in_legend) return reach;

  // The first of the climate and collector stations that lost the largest
  // share; with none on the map, the middle of the network.
  int centre = 0;
  double largest_loss = 0.0;
  for (int m = counts.hourly + 1; m <= counts.total(); ++m) {
    if (!placed(table, m)) continue;
    const double share = share_of(tally.stations[static_cast<std::size_t>(m)], Kind::climate, 0);
    const double loss = std::isnan(share) ? 0.0 : 1.0 - share;
    if (centre == 0 || loss > largest_loss) {
      centre = m;
      largest_loss = loss;
    }
  }
  if (centre > 0) {
    const auto at = static_cast<std::size_t>(centre);
    reach.x = frame.x(table.first[at]);
    reach.y = frame.y(table.second[at]);
    reach.around = table.name[at].empty() ? "station " + std::to_string(centre) : table.name[at];
  } else {
    reach.x = frame.left + frame.width / 2.0;
    reach.y = frame.top + frame.height / 2.0;
    reach.around = "the middle of the network";
  }
  const double far_x = std::max(reach.x - frame.left, frame.left + frame.width - reach.x);
  const double far_y = std::max(reach.y - frame.top, frame.top + frame.height - reach.y);
  reach.on_map = reach.radius < std::hypot(far_x, far_y);
  return reach;
}

struct Extent {
  double width;
  double bottom;
};

// The legend, from its top left corner.
Extent draw_legend(std::string& svg, double x, double y, double size, const Reach& reach,
                   double max_distance) {
  text_line(svg, x, y + 12, "Share that reached the result", "font-weight=\"bold\"");
  y += 24;
  svg += "<g stroke=\"#000\" stroke-width=\".5\">\n";
  for (std::size_t i = 0; i <= kClasses.size(); ++i) {
    const char* const fill = i < kClasses.size() ? kClasses[i].fill : kNoRainGrey;
    put(svg, "<rect x=\"", px(x), "\" y=\"", px(y + 16.0 * i), "\" width=\"18\" height=\"12\" ",
        "fill=\"", fill, "\"/>\n");
  }
  svg += "</g>\n";
  for (std::size_t i = 0; i <= kClasses.size(); ++i) {
    text_line(svg, x + 26, y + 16.0 * i + 10.5,
              i < kClasses.size() ? kClasses[i].label : "observed no rain");
  }
  y += 16.0 * (kClasses.size() + 1) + 14;
  text_line(svg, x, y, "climate, collector: of the observed total");
  text_line(svg, x, y + 16, "hourly: of the hours present");
  y += 38;
  const double shape = std::max(size, 4.0);
  svg += "<g stroke=\"#000\" stroke-width=\".7\">\n";
  int row = 0;
  for (const Kind kind : {Kind::hourly, Kind::climate, Kind::collector}) {
    open_shape(svg, kind, x + 6, y - 4 + 20 * row++, shape, "#fff");
    svg += closing(kind);
  }
  svg += "</g>\n";
  text_line(svg, x + 18, y, "hourly station");
  text_line(svg, x + 18, y + 20, "climate station");
  text_line(svg, x + 18, y + 40, "collector station");
  y += 64;

  const std::string distance = shortest_text(max_distance);
  if (std::isnan(max_distance)) {
    text_line(svg, x, y, "maximum distance nan: no hourly station");
    text_line(svg, x, y + 16, "is in reach of any target");
    return {kLegendWidth, y + 16};
  }
  if (!std::isfinite(max_distance)) {
    text_line(svg, x, y, "no maximum distance: every hourly");
    text_line(svg, x, y + 16, "station counts for every target");
    return {kLegendWidth, y + 16};
  }
  if (!reach.in_legend) {
    const std::string around = "maximum distance " + distance + " around " + reach.around;
    text_line(svg, x, y,
              reach.on_map ? "dashed: the reach of the" : "a circle with the radius of the");
    text_line(svg, x, y + 16, around);
    if (!reach.on_map) text_line(svg, x, y + 32, "holds the whole map");
    // About the width of the longest line at this font size.
    const double width = 7.0 * static_cast<double>(shown_length(around)) + 10.0;
    return {std::max(kLegendWidth, width), y + (reach.on_map ? 16 : 32)};
  }
  const double r = std::max(reach.radius, 0.5);
  const double centre = std::max(r, kBarWidth / 2.0);
  put(svg, "<circle cx=\"", px(x + centre), "\" cy=\"", px(y + r), "\" r=\"", px(r),
      "\" fill=\"none\" stroke=\"#000\" stroke-dasharray=\"4 3\"/>\n");
  text_line(svg, x, y + 2.0 * r + 18, "radius: maximum distance " + distance);
  return {kLegendWidth, y + 2.0 * r + 18};
}

}  // namespace

std::string xml_escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '&':
          out += "&amp;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&apos;";
          break;
        default:
          out += c < 0x20 ? '?' : static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // A well-formed UTF-8 sequence stays as it is.
    if (const std::size_t length = utf8_sequence(text, i); length > 0) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += "&#" + std::to_string(c) + ";";
      ++i;
    }
  }
  return out;
}

std::string station_map_svg(const RunTally& tally, const StationTable& table,
                            const StationCounts& counts, const RunParameters& params) {
  const int total = counts.total();
  const Frame frame = frame_of(table, total, params.max_distance);
  const double size = marker_size(total);
  const Reach reach = reach_of(frame, tally, table, counts, params.max_distance);

  std::string body;
  body.reserve(static_cast<std::size_t>(total) * 200 + 8192);
  const double legend_x = frame.left + frame.width + kLegendGap;
  const Extent legend = draw_legend(body, legend_x, frame.top, size, reach, params.max_distance);

  // The frame and the scale bar below it.
  put(body, "<rect x=\"", px(frame.left), "\" y=\"", px(frame.top), "\" width=\"", px(frame.width),
      "\" height=\"", px(frame.height), "\" fill=\"none\" stroke=\"#999\" stroke-width=\".5\"/>\n");
  const double bar = nice_length(frame.half / 2.0);
  const double bar_y = frame.top + frame.height + 20.0;
  const double bar_px = bar * frame.scale;
  put(body, "<path d=\"M", px(frame.left), " ", px(bar_y - 4), "v4h", px(bar_px), "v-4",
      "\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>\n");
  text_line(body, frame.left + bar_px + 6, bar_y + 1, shortest_text(bar) + " (coordinate units)");

  // The reach too wide for the legend, under the stations and cut at the
  // frame.
  if (reach.on_map) {
    put(body, "<clipPath id=\"map-frame\"><rect x=\"", px(frame.left), "\" y=\"", px(frame.top),
        "\" width=\"", px(frame.width), "\" height=\"", px(frame.height), "\"/></clipPath>\n");
    put(body, "<circle cx=\"", px(reach.x), "\" cy=\"", px(reach.y), "\" r=\"", px(reach.radius),
        "\" fill=\"none\" stroke=\"#444\" stroke-width=\"1.2\" stroke-dasharray=\"6 4\" "
        "clip-path=\"url(#map-frame)\"/>\n");
  }

  // Collectors first and hourly stations last, so that the small circles
  // stay on top. Stations whose coordinates are not finite numbers stand in
  // rows below the scale bar, one a line when names stand beside them.
  double bottom = bar_y + 10.0;
  const double row_step = 2.0 * size + 8.0;
  double row_x = frame.left + 6.0;
  const double row_end = frame.left + std::max(frame.width, 300.0);
  bool any_unplaced = false;
  const bool named = total <= kNamedStations;
  std::vector<std::pair<double, double>> where(static_cast<std::size_t>(total) + 1);
  put(body, "<g stroke=\"#000\" stroke-width=\"", px(std::min(0.2 * size, 1.0)), "\">\n");
  for (const Kind kind : {Kind::collector, Kind::climate, Kind::hourly}) {
    for (int m = 1; m <= total; ++m) {
      if (kind_of(m, counts) != kind) continue;
      const auto at = static_cast<std::size_t>(m);
      double x = 0.0;
      double y = 0.0;
      if (placed(table, m)) {
        x = frame.x(table.first[at]);
        y = frame.y(table.second[at]);
      } else {
        if (!any_unplaced) {
          text_line(body, frame.left, bottom + 20.0,
                    "not on the map (coordinates not finite):", "stroke=\"none\"");
          bottom += 34.0 + size;
          any_unplaced = true;
        } else if (named || row_x > row_end) {
          row_x = frame.left + 6.0;
          bottom += row_step;
        }
        x = row_x;
        y = bottom;
        row_x += row_step;
      }
      where[at] = {x, y};
      const StationTally& s = tally.stations[at];
      const double share = share_of(s, kind, tally.written_hours);
      open_shape(body, kind, x, y, size, colour(share));
      put(body, "<title>",
          xml_escaped(tooltip(m, table.name[at], kind, s, share, tally.written_hours)), "</title>");
      body += closing(kind);
    }
  }
  body += "</g>\n";
  if (any_unplaced) bottom += size + 4.0;

  // A small network carries its names beside the stations, left of those
  // near the frame's right edge; a name that would cover an earlier one (of
  // a station at the same place, say) moves down a line.
  if (named) {
    std::vector<std::pair<double, double>> taken;
    body += "<g font-size=\"10\">\n";
    for (int m = 1; m <= total; ++m) {
      const auto at = static_cast<std::size_t>(m);
      if (table.name[at].empty()) continue;
      const double station_x = where[at].first;
      const bool left = station_x > frame.left + frame.width - 70.0;
      const double x = left ? station_x - size - 3.0 : station_x + size + 3.0;
      double y = where[at].second + 3.5;
      const auto covers = [&](const std::pair<double, double>& other) {
        return std::fabs(other.first - x) < 30.0 && std::fabs(other.second - y) < 10.0;
      };
      while (std::any_of(taken.begin(), taken.end(), covers)) y += 11.0;
      taken.emplace_back(x, y);
      text_line(body, x, y, table.name[at], left ? "text-anchor=\"end\"" : "");
    }
    body += "</g>\n";
  }

  // Wide enough for the title lines of a narrow network.
  const double width = std::max(legend_x + legend.width + kMargin, kMinPictureWidth);
  const double height = std::max(bottom, legend.bottom + 10.0) + kMargin;
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  put(svg, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"", px(width), "\" height=\"",
      px(height), "\" viewBox=\"0 0 ", px(width), " ", px(height),
      "\" font-family=\"sans-serif\" font-size=\"12\">\n");
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
  // Years of two digits as the run reads them.
  const auto date = [](Date d) {
    d.year = correct_year(d.year);
    return iso_date(d);
  };
  text_line(svg, kMargin, 28,
            "Stations of the run " + date(params.start) + " to " + date(params.end) + ", power " +
                shortest_text(params.power) + ", maximum distance " +
                shortest_text(params.max_distance),
            "font-size=\"15\" font-weight=\"bold\"");
  text_line(svg, kMargin, 46, "hourly file: " + params.hourly_file);
  const auto or_none = [](const std::string& name) { return name.empty() ? "none" : name; };
  text_line(svg, kMargin, 62, "climate file: " + or_none(params.climate_file));
  text_line(svg, kMargin, 78, "collector file: " + or_none(params.collector_file));
  svg += body;
  svg += "</svg>\n";
  return svg;
}

void write_station_map(std::unique_ptr<OutputSink> sink, const std::string& name,
                       const RunTally& tally, const StationTable& table,
                       const StationCounts& counts, const RunParameters& params) {
  BufferedSink out(std::move(sink));
  out.append(station_map_svg(tally, table, counts, params));
  if (!out.close()) fail_added_file(exit_code::added_file_not_written, "map file", name);
}

StationMap::StationMap(std::unique_ptr<OutputSink> sink, std::string name,
                       const StationTable& table, const StationCounts& counts,
                       const RunParameters& params, NoDataHours no_data_hours)
    : sink_(std::move(sink)),
      name_(std::move(name)),
      table_(table),
      counts_(counts),
      params_(params),
      tally_(counts.total(), no_data_hours) {}

void StationMap::hour_as_read(const HourStamp& /*stamp*/, const HourField& field) {
  tally_hour(tally_, field, counts_.hourly, params_.nodata);
}

void StationMap::day(const DayContext& day) {
  tally_periods(tally_, day.periods, params_.nodata);
  for (int slot = 1; slot <= day.written_slots; ++slot) {
    hour_as_read(day.window.stamp(slot), day.window.field(slot));
  }
}

void StationMap::finish() {
  write_station_map(std::move(sink_), name_, tally_, table_, counts_, params_);
}

}  // namespace rumo
