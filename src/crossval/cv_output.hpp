// What a cross-validation shows and writes: the table of the pairs on the
// console and as tab-separated text, and every estimate.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "core/stations.hpp"
#include "core/window.hpp"
#include "crossval/cross_validation.hpp"
#include "crossval/disaggregation.hpp"

namespace rumo {

// Writes every estimate as a tab-separated line: power, distance (the
// neighbour limit where the grid names it), station, name, year, month, day,
// hour, observed, estimated, after a header line.
// A write that fails ends the run with exit_code::added_file_not_written at
// close.
class DetailsWriter {
 public:
  DetailsWriter(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
                int hourly_count, const CrossValidationGrid& grid);
  ~DetailsWriter();
  DetailsWriter(const DetailsWriter&) = delete;
  DetailsWriter& operator=(const DetailsWriter&) = delete;

  void write(std::size_t pair, int station, const HourStamp& stamp, double observed,
             double estimated);
  // Writes what is buffered and closes the file.
  void close();

 private:
  BufferedSink out_;
  std::string name_;
  std::vector<std::string> pair_text_;     // "power\tdistance\t" per pair
  std::vector<std::string> station_text_;  // "station\tname\t" per station
  HourStamp stamp_;
  std::string stamp_text_;
};

// The pairs from the lowest hourly root mean square error to the highest; pairs
// without one come last, ties keep the grid's order.
std::vector<std::size_t> rank_pairs(const std::vector<PairFigures>& figures);

// The table, sorted by the hourly root mean square error, then the best pair
// and the rank of the run's own pair; the neighbour limits as a column where
// the grid names them.
void print_cross_validation(std::ostream& out, const std::vector<PairFigures>& figures,
                            const CrossValidationGrid& grid, int hourly_count, double run_power,
                            double run_distance, int run_neighbours = 0);

// The same table as tab-separated text with a header line, numbers as the
// shortest text that reads back to the same double, empty where a figure does
// not apply; the figures of the scaled hours (`ways`, in the grid's order of
// choices) follow as columns prefixed day_ and half_. A pair has one row per
// pattern of the grid; the neighbour limit and the pattern are columns after
// the distance where the grid names them.
std::string cross_validation_table(const std::vector<PairFigures>& figures,
                                   const std::vector<WayFigures>& ways,
                                   const CrossValidationGrid& grid);

}  // namespace rumo
