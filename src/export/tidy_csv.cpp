#include "export/tidy_csv.hpp"

#include "core/number_text.hpp"

namespace rumo {

namespace {

// A name with a comma, a quote or a line end is quoted, its quotes doubled.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

TidyCsv::TidyCsv(std::unique_ptr<OutputSink> sink, const SeriesLayout& layout)
    : out_(std::move(sink)),
      start_(layout.start),
      offset_(layout.offset),
      period_hours_(layout.period_hours),
      nodata_(layout.nodata) {
  const std::vector<std::string> ids = series_ids(layout.stations);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const SeriesStation& station = layout.stations[i];
    leads_.push_back(std::to_string(i + 1) + "," + csv_field(ids[i]) + "," +
                     csv_field(station.name) + "," + csv_field(station.source_id) + "," +
                     kind_name(station.kind) + "," + shortest_text(station.x) + "," +
                     shortest_text(station.y) + "," + shortest_text(station.height) + ",");
  }
  out_.append("station,id,name,source_id,kind,x,y,height,time,value\n");
}

void TidyCsv::add(const HourStamp& stamp, std::span<const double> values) {
  const long end = hours_since(start_, stamp) + period_hours_ - 1;
  const std::string time = iso_time(start_, end, offset_) + ",";
  for (std::size_t s = 0; s < leads_.size(); ++s) {
    out_.append(leads_[s]);
    out_.append(time);
    if (values[s] > -nodata_) out_.commit(write_shortest(out_.room(48), values[s]));
    out_.append('\n');
  }
}

bool TidyCsv::finish() {
  return out_.close();
}

}  // namespace rumo
