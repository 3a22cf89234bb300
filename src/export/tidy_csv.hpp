// Station series as a tidy table: one line per station and record, with the
// station's number, its series id (unique in the file), name, kind, place
// and height, the end of the record's period as ISO 8601 with its offset,
// and the value (empty where missing).
//
//   station,id,name,kind,x,y,height,time,value
//   1,H0001,0001,hourly,4416202,5545828,286,2001-07-24T01:00:00+01:00,0
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/files.hpp"
#include "export/series.hpp"

namespace rumo {

class TidyCsv {
 public:
  // Writes the header line. Write failures are told by finish().
  TidyCsv(std::unique_ptr<OutputSink> sink, const SeriesLayout& layout);

  // One line per station for the record of `stamp`.
  void add(const HourStamp& stamp, std::span<const double> values);

  // Writes what is buffered and closes the file; false if any of it failed.
  bool finish();

 private:
  BufferedSink out_;
  // Per station, the text before the time:
  // "1,H0001,0001,hourly,4416202,5545828,286,".
  std::vector<std::string> leads_;
  std::chrono::year_month_day start_;
  UtcOffset offset_;
  int period_hours_;
  double nodata_;
};

}  // namespace rumo
