// The station map: the run's network as one self-contained SVG picture, each
// station filled by the share of what it observed that reached the result.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/files.hpp"
#include "core/params.hpp"
#include "core/periods.hpp"
#include "core/run_addition.hpp"
#include "core/stations.hpp"

namespace rumo {

// The picture: every station at its coordinates (equal scale, the second
// coordinate upwards), hourly stations as circles, climate stations as
// squares, collector stations as triangles, each with a tooltip; a title,
// a scale bar and a legend with the colour scale and the maximum distance.
std::string station_map_svg(const RunTally& tally, const StationTable& table,
                            const StationCounts& counts, const RunParameters& params);

// Writes the picture to the map file and closes it; a failure ends the run
// with exit_code::added_file_not_written.
void write_station_map(std::unique_ptr<OutputSink> sink, const std::string& name,
                       const RunTally& tally, const StationTable& table,
                       const StationCounts& counts, const RunParameters& params);

// The map as an addition of the run: it tallies the periods of every day
// and the hourly stations' present hours among those the result file holds,
// and writes the picture when the run is finished. `no_data_hours` tells
// which readings of no-hourly-data periods reached the result.
class StationMap : public RunAddition {
 public:
  StationMap(std::unique_ptr<OutputSink> sink, std::string name, const StationTable& table,
             const StationCounts& counts, const RunParameters& params,
             NoDataHours no_data_hours = NoDataHours::zero);
  void hour_as_read(const HourStamp& stamp, const HourField& field) override;
  void day(const DayContext& day) override;
  void finish() override;

 private:
  std::unique_ptr<OutputSink> sink_;
  std::string name_;
  const StationTable& table_;
  StationCounts counts_;
  const RunParameters& params_;
  RunTally tally_;
};

// Text for XML: markup characters as entities, valid UTF-8 as it is, any
// other byte as the Latin-1 character of its value, control characters as '?'.
std::string xml_escaped(std::string_view text);

}  // namespace rumo
