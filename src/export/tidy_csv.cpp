#include "export/tidy_csv.hpp"

#include "core/number_text.hpp"

namespace rumo {

namespace {

constexpr std::size_t kBufferSize = 1 << 20;

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
    : sink_(std::move(sink)),
      start_(layout.start),
      offset_(layout.offset),
      period_hours_(layout.period_hours),
      nodata_(layout.nodata) {
  long number = 0;
  for (const SeriesStation& station : layout.stations) {
    leads_.push_back(std::to_string(++number) + "," + csv_field(station.name) + "," +
                     kind_name(station.kind) + "," + shortest_text(station.x) + "," +
                     shortest_text(station.y) + "," + shortest_text(station.height) + ",");
  }
  buffer_.reserve(kBufferSize + 4096);
  write("station,name,kind,x,y,height,time,value\n");
}

TidyCsv::~TidyCsv() {
  if (sink_) flush();
}

void TidyCsv::write(std::string_view text) {
  buffer_ += text;
  if (buffer_.size() >= kBufferSize) flush();
}

void TidyCsv::flush() {
  if (!buffer_.empty() && !sink_->write(buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
}

void TidyCsv::add(const HourStamp& stamp, std::span<const double> values) {
  const long end = hours_since(start_, stamp) + period_hours_ - 1;
  const std::string time = iso_time(start_, end, offset_) + ",";
  for (std::size_t s = 0; s < leads_.size(); ++s) {
    buffer_ += leads_[s];
    buffer_ += time;
    if (values[s] > -nodata_) {
      char number[48];
      buffer_.append(number, write_shortest(number, values[s]));
    }
    buffer_ += '\n';
    if (buffer_.size() >= kBufferSize) flush();
  }
}

bool TidyCsv::finish() {
  flush();
  const bool closed = sink_->close();
  sink_.reset();
  return closed && !failed_;
}

}  // namespace rumo
