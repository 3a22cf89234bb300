#include "crossval/cv_output.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "core/stamp_text.hpp"

namespace rumo {

namespace {

// The shortest text that reads back to the same double; empty for a figure
// that does not apply.
std::string shortest(double value) {
  return std::isnan(value) ? std::string() : shortest_text(value);
}

void append_shortest(BufferedSink& out, double value) {
  out.commit(write_shortest(out.room(48), value));
}

// A console figure in `format`, or "-" where it does not apply.
std::string figure(const char* format, int width, double value) {
  if (std::isnan(value)) return message_format("%*s", width, "-");
  return message_format(format, width, value);
}

bool own_pair(const PairFigures& f, double run_power, double run_distance, int run_neighbours) {
  return f.power == run_power && f.distance == std::fabs(run_distance) &&
         f.neighbours == run_neighbours;
}

// ", 8 neighbours" where the grid names the limits.
std::string neighbours_part(const CrossValidationGrid& grid, int neighbours) {
  if (!grid.names_neighbours) return {};
  return ", " + neighbours_text(neighbours) + (neighbours == 1 ? " neighbour" : " neighbours");
}

}  // namespace

DetailsWriter::DetailsWriter(std::unique_ptr<OutputSink> sink, std::string name,
                             const StationTable& table, int hourly_count,
                             const CrossValidationGrid& grid)
    : out_(std::move(sink)), name_(std::move(name)) {
  for (std::size_t p = 0; p < grid.pairs(); ++p) {
    pair_text_.push_back(
        shortest(grid.power(p)) + '\t' + shortest(grid.distance(p)) + '\t' +
        (grid.names_neighbours ? neighbours_text(grid.neighbour_count(p)) + '\t' : std::string()));
  }
  station_text_.resize(static_cast<std::size_t>(hourly_count) + 1);
  for (int station = 1; station <= hourly_count; ++station) {
    station_text_[static_cast<std::size_t>(station)] =
        std::to_string(station) + '\t' + table.name[static_cast<std::size_t>(station)] + '\t';
  }
  out_.append(grid.names_neighbours ? "power\tdistance\tneighbours\t" : "power\tdistance\t");
  out_.append("station\tname\tyear\tmonth\tday\thour\tobserved\testimated\n");
}

DetailsWriter::~DetailsWriter() = default;

void DetailsWriter::write(std::size_t pair, int station, const HourStamp& stamp, double observed,
                          double estimated) {
  if (stamp_text_.empty() || !(stamp == stamp_)) {
    stamp_ = stamp;
    char text[kStampRoom + 1];
    char* const end = write_stamp(text, stamp);
    *end = '\t';
    stamp_text_.assign(text, end + 1);
  }
  out_.append(pair_text_[pair]);
  out_.append(station_text_[static_cast<std::size_t>(station)]);
  out_.append(stamp_text_);
  append_shortest(out_, observed);
  out_.append('\t');
  append_shortest(out_, estimated);
  out_.append('\n');
}

void DetailsWriter::close() {
  if (!out_.close())
    fail_added_file(exit_code::added_file_not_written, "cross-validation details", name_);
}

std::vector<std::size_t> rank_pairs(const std::vector<PairFigures>& figures) {
  std::vector<std::size_t> ranked(figures.size());
  std::iota(ranked.begin(), ranked.end(), std::size_t{0});
  std::stable_sort(ranked.begin(), ranked.end(), [&](std::size_t a, std::size_t b) {
    const double x = figures[a].hourly.rmse;
    const double y = figures[b].hourly.rmse;
    return std::isnan(y) ? !std::isnan(x) : x < y;
  });
  return ranked;
}

void print_cross_validation(std::ostream& out, const std::vector<PairFigures>& figures,
                            const CrossValidationGrid& grid, int hourly_count, double run_power,
                            double run_distance, int run_neighbours) {
  out << message_format(
      "Cross-validation of %d hourly stations for %zu %s%s:\n"
      "each present value estimated from the other stations present in its hour, and\n"
      "daily sums (hour 7 to hour 6) over the station-days with all 24 hours present.\n"
      "Sorted by the hourly root mean square error (rmse).\n\n",
      hourly_count, figures.size(), figures.size() == 1 ? "pair" : "pairs",
      grid.names_neighbours ? " of power, maximum distance and neighbour limit"
                            : " of power and maximum distance");
  out << message_format("%4s %7s %11s", "rank", "power", "distance");
  if (grid.names_neighbours) out << message_format(" %10s", "neighbours");
  out << message_format(" %10s %9s %10s %10s %10s %8s %7s %10s %10s %10s %8s\n", "estimates",
                        "no source", "mae", "rmse", "bias", "corr", "days", "day mae", "day rmse",
                        "day bias", "day corr");
  const std::vector<std::size_t> ranked = rank_pairs(figures);
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    const PairFigures& f = figures[ranked[r]];
    out << message_format("%4zu %7g %11g", r + 1, f.power, f.distance);
    if (grid.names_neighbours)
      out << message_format(" %10s", neighbours_text(f.neighbours).c_str());
    out << message_format(" %10lld %9lld", f.hourly.count, f.no_source);
    for (const ErrorFigures* e : {&f.hourly, &f.daily}) {
      if (e == &f.daily) out << message_format(" %7lld", e->count);
      out << ' ' << figure("%*.4g", 10, e->mae) << ' ' << figure("%*.4g", 10, e->rmse) << ' '
          << figure("%*.4g", 10, e->bias) << ' ' << figure("%*.3f", 8, e->correlation);
    }
    out << '\n';
  }
  out << '\n';
  if (ranked.empty() || std::isnan(figures[ranked[0]].hourly.rmse)) {
    out << "no pair ranks: the period holds no value to estimate\n";
    return;
  }
  const PairFigures& best = figures[ranked[0]];
  out << message_format("best pair: power %g, maximum distance %g%s (hourly rmse %.4g)\n",
                        best.power, best.distance, neighbours_part(grid, best.neighbours).c_str(),
                        best.hourly.rmse);
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    const PairFigures& f = figures[ranked[r]];
    if (!own_pair(f, run_power, run_distance, run_neighbours)) continue;
    out << message_format(
        "the run's own pair: power %g, maximum distance %g%s, rank %zu of %zu (hourly rmse "
        "%.4g)\n",
        f.power, f.distance, neighbours_part(grid, f.neighbours).c_str(), r + 1, ranked.size(),
        f.hourly.rmse);
    return;
  }
  out << message_format("the run's own pair (power %g, maximum distance %g%s) is not in the grid\n",
                        run_power, std::fabs(run_distance),
                        neighbours_part(grid, run_neighbours).c_str());
}

std::string cross_validation_table(const std::vector<PairFigures>& figures,
                                   const std::vector<WayFigures>& ways,
                                   const CrossValidationGrid& grid) {
  std::string text = "rank\tpower\tdistance\t" + choice_header(grid) +
                     "estimates\tno_source\tmae\trmse\tbias\tcorrelation\tdays\t"
                     "daily_mae\tdaily_rmse\tdaily_bias\tdaily_correlation" +
                     disaggregation_header() + '\n';
  const std::vector<std::size_t> ranked = rank_pairs(figures);
  const std::size_t patterns = grid.patterns.size();
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    const PairFigures& f = figures[ranked[r]];
    std::string figures_text = std::to_string(f.hourly.count) + '\t' + std::to_string(f.no_source);
    for (const ErrorFigures* e : {&f.hourly, &f.daily}) {
      if (e == &f.daily) figures_text += '\t' + std::to_string(e->count);
      figures_text += '\t' + shortest(e->mae) + '\t' + shortest(e->rmse) + '\t' +
                      shortest(e->bias) + '\t' + shortest(e->correlation);
    }
    // One row per pattern, each with its pair's rank and hourly figures.
    for (std::size_t q = 0; q < patterns; ++q) {
      const WayFigures& way = ways[ranked[r] * patterns + q];
      text += std::to_string(r + 1) + '\t' + shortest(f.power) + '\t' + shortest(f.distance) +
              '\t' + choice_cells(grid, way.neighbours, way.pattern) + figures_text +
              disaggregation_cells(way) + '\n';
    }
  }
  return text;
}

}  // namespace rumo
