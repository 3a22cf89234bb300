// The judgement of the scaled hours on the console and in the table file.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "crossval/disaggregation.hpp"

namespace rumo {

namespace {

struct Way {
  const char* title;
  const char* name;
  const char* prefix;
  DisaggregationFigures WayFigures::*figures;
};

constexpr Way kWays[] = {
    {"As collector days (hours 7 to 6 of the next day)", "collector days", "day_",
     &WayFigures::day},
    {"As climate halves (hours 7 to 18, hours 19 to 6 of the next day)", "climate halves", "half_",
     &WayFigures::half},
};

// A console figure in `format`, or "-" where it does not apply.
std::string cell(const char* format, int width, double value) {
  if (std::isnan(value)) return message_format("%*s", width, "-");
  return message_format(format, width, value);
}

std::string shortest(double value) {
  return std::isnan(value) ? std::string() : shortest_text(value);
}

// "power 2, maximum distance 50000", with the neighbour limit and the
// pattern where the grid names them.
std::string describe(const WayFigures& choice, const CrossValidationGrid& grid) {
  std::string text = message_format("power %g, maximum distance %g", choice.power, choice.distance);
  if (grid.names_neighbours) {
    text += ", " + neighbours_text(choice.neighbours) +
            (choice.neighbours == 1 ? " neighbour" : " neighbours");
  }
  if (grid.names_patterns) text += std::string(", pattern ") + pattern_name(choice.pattern);
  return text;
}

// Wet hours and peak both within 10 % of 1: the shape of the observed rain.
bool keeps_shape(const DisaggregationFigures& f) {
  return f.wet_hours >= 0.9 && f.wet_hours <= 1.1 && f.peak >= 0.9 && f.peak <= 1.1;
}

}  // namespace

std::string choice_header(const CrossValidationGrid& grid) {
  std::string text;
  if (grid.names_neighbours) text += "neighbours\t";
  if (grid.names_patterns) text += "pattern\t";
  return text;
}

std::string choice_cells(const CrossValidationGrid& grid, int neighbours, Pattern pattern) {
  std::string text;
  if (grid.names_neighbours) text += neighbours_text(neighbours) + '\t';
  if (grid.names_patterns) text += std::string(pattern_name(pattern)) + '\t';
  return text;
}

void print_disaggregation(std::ostream& out, const std::vector<WayFigures>& figures,
                          const CrossValidationGrid& grid, double wet_threshold,
                          const SpreadingChoices& spreading) {
  const bool choices = grid.names_neighbours || grid.names_patterns;
  out << message_format(
      "\nThe hourly series as the run delivers them: each station left out, its own\n"
      "hours summed to a reading, the other stations' estimates scaled to it as the\n"
      "run scales and compared with its hours over the wet periods (reading above 0).\n"
      "lost: share of the readings with no rain interpolated; wet hours: scaled hours\n"
      "at or above %g over observed ones; peak: mean largest scaled hour over mean\n"
      "largest observed hour; skill: 1 - rmse / rmse of an even spread; no data: share\n"
      "of the readings in periods with hours in which no other station in reach had a\n"
      "value (not counted as lost).\n",
      wet_threshold);
  if (spreading.dry_fallback != DryFallback::zero) {
    out << message_format(
        "Readings with no rain interpolated are spread as the run spreads them\n"
        "(--dry-fallback %s); lost counts what stays lost.\n",
        spreading.dry_fallback == DryFallback::uniform ? "uniform" : "nearest-wet");
  }
  if (spreading.no_data_hours != NoDataHours::zero) {
    constexpr const char* kHow[] = {"zero", "missing", "uniform", "nearest-wet"};
    out << message_format(
        "Periods with hours without data are written as the run writes them\n"
        "(--no-data-hours %s).\n",
        kHow[static_cast<int>(spreading.no_data_hours)]);
  }
  if (spreading.keep_totals) {
    out << message_format(
        "Each period's hours are rounded together to %d decimal%s as the run writes\n"
        "them (--keep-totals), and compared as written.\n",
        spreading.decimals, spreading.decimals == 1 ? "" : "s");
  }
  for (const Way& way : kWays) {
    std::vector<std::size_t> ranked(figures.size());
    std::iota(ranked.begin(), ranked.end(), std::size_t{0});
    std::stable_sort(ranked.begin(), ranked.end(), [&](std::size_t a, std::size_t b) {
      const double x = (figures[a].*way.figures).rmse;
      const double y = (figures[b].*way.figures).rmse;
      return std::isnan(y) ? !std::isnan(x) : x < y;
    });
    out << '\n' << way.title << ", sorted by rmse:\n";
    out << message_format("%4s %7s %11s", "rank", "power", "distance");
    if (grid.names_neighbours) out << message_format(" %10s", "neighbours");
    if (grid.names_patterns) out << message_format(" %10s", "pattern");
    out << message_format(" %8s %8s %10s %10s %8s %8s %8s %9s %8s %9s %8s\n", "periods", "wet",
                          "rmse", "mae", "corr", "lost", "no data", "wet hours", "peak",
                          "peak hits", "skill");
    for (std::size_t r = 0; r < ranked.size(); ++r) {
      const WayFigures& pair = figures[ranked[r]];
      const DisaggregationFigures& f = pair.*way.figures;
      out << message_format("%4zu %7g %11g", r + 1, pair.power, pair.distance);
      if (grid.names_neighbours)
        out << message_format(" %10s", neighbours_text(pair.neighbours).c_str());
      if (grid.names_patterns) out << message_format(" %10s", pattern_name(pair.pattern));
      out << message_format(" %8lld %8lld", f.periods, f.wet) << ' ' << cell("%*.4g", 10, f.rmse)
          << ' ' << cell("%*.4g", 10, f.mae) << ' ' << cell("%*.3f", 8, f.correlation) << ' '
          << cell("%*.3f", 8, f.lost) << ' ' << cell("%*.3f", 8, f.no_data) << ' '
          << cell("%*.3f", 9, f.wet_hours) << ' ' << cell("%*.3f", 8, f.peak) << ' '
          << cell("%*.3f", 9, f.peak_hits) << ' ' << cell("%*.3f", 8, f.skill) << '\n';
    }
    const char* what = choices ? "choice" : "pair";
    if (ranked.empty() || std::isnan((figures[ranked[0]].*way.figures).rmse)) {
      out << message_format("no %s ranks as %s: the period holds no wet one\n", what, way.name);
      continue;
    }
    const WayFigures& best = figures[ranked[0]];
    out << message_format("best %s as %s: %s (rmse %.4g)\n", what, way.name,
                          describe(best, grid).c_str(), (best.*way.figures).rmse);
    if (!choices) continue;
    // The ranking's first choice that keeps the rain's shape, for uses that
    // answer to the peaks rather than to the volumes.
    const auto shaped = std::find_if(ranked.begin(), ranked.end(), [&](std::size_t c) {
      return keeps_shape(figures[c].*way.figures);
    });
    if (shaped == ranked.end()) {
      out << message_format("no choice as %s has wet hours and peak within 10 %% of 1\n", way.name);
      continue;
    }
    const WayFigures& kept = figures[*shaped];
    const DisaggregationFigures& f = kept.*way.figures;
    out << message_format(
        "best choice as %s with wet hours and peak within 10 %% of 1: %s (rmse %.4g, wet hours "
        "%.3f, peak %.3f, skill %.3f)\n",
        way.name, describe(kept, grid).c_str(), f.rmse, f.wet_hours, f.peak, f.skill);
  }
}

std::string disaggregation_header() {
  std::string text;
  for (const Way& way : kWays) {
    for (const char* column : {"periods", "wet_periods", "rmse", "mae", "correlation", "lost",
                               "no_data", "wet_hours", "peak", "peak_hits", "skill"}) {
      ((text += '\t') += way.prefix) += column;
    }
  }
  return text;
}

std::string disaggregation_cells(const WayFigures& figures) {
  std::string text;
  for (const Way& way : kWays) {
    const DisaggregationFigures& f = figures.*way.figures;
    text += '\t' + std::to_string(f.periods) + '\t' + std::to_string(f.wet);
    for (const double value : {f.rmse, f.mae, f.correlation, f.lost, f.no_data, f.wet_hours, f.peak,
                               f.peak_hits, f.skill}) {
      text += '\t' + shortest(value);
    }
  }
  return text;
}

}  // namespace rumo
