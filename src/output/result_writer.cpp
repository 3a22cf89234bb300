#include "output/result_writer.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <tuple>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "core/stamp_text.hpp"
#include "output/number_format.hpp"

namespace rumo {

namespace {

// A result line appended to `line`.
void format_result_line(LineText& line, const HourStamp& stamp, const HourField& field, int total,
                        double nodata, int decimals) {
  char* out = write_stamp(line.room(kStampRoom), stamp);
  line.advance(out);
  for (int i = 1; i <= total; ++i) {
    const double value = field[i];
    out = line.room(kMaxNumberText + 1);
    *out++ = '\t';
    if (value == 0.0 || value <= -nodata) {
      out = format_general(out, value);
    } else {
      out = format_decimals(out, value, decimals);
    }
    line.advance(out);
  }
  out = line.room(1);
  *out++ = '\n';
  line.advance(out);
}

}  // namespace

void ResultFile::write_stamp(const HourStamp& stamp) {
  out_.commit(rumo::write_stamp(out_.room(kStampRoom), stamp));
}

void ResultFile::write_general(double value) {
  char* out = out_.room(kMaxNumberText + 1);
  *out = '\t';
  out_.commit(format_general(out + 1, value));
}

void ResultFile::write_exact(double value) {
  char* out = out_.room(kMaxNumberText + 1);
  *out = '\t';
  out_.commit(write_shortest(out + 1, value));
}

void ResultFile::write_no_decimals(double value) {
  char* out = out_.room(kMaxNumberText + 1);
  *out = '\t';
  out_.commit(format_no_decimals(out + 1, value));
}

void ResultFile::end_line() {
  out_.append('\n');
}

void write_station_header(ResultFile& file, std::string_view title, const StationTable& table,
                          int total, bool exact) {
  file.write_text(title);
  const std::vector<double>* columns[] = {&table.height, &table.first, &table.second};
  for (const auto* column : columns) {
    file.write_text("\nYY\tMM\tDD\tHH");
    for (int i = 1; i <= total; ++i) {
      if (exact) {
        file.write_exact((*column)[i]);
      } else {
        file.write_no_decimals((*column)[i]);
      }
    }
  }
  file.write_text("\nYY\tMM\tDD\tHH");
  for (int i = 1; i <= total; ++i) {
    file.write_text("\t");
    file.write_text(exact ? std::string_view(table.name[i]) : kept_name(table.name[i]));
  }
  file.write_text("\n");
}

void write_result_header(ResultFile& file, const StationTable& table, int total) {
  write_station_header(file, "interpolierte Stationswerte", table, total, false);
}

char* LineText::room(std::size_t size) {
  if (buffer_.size() - used_ < size) {
    // Text buffers count as the line buffer's memory.
    take_memory(exit_code::memory_text,
                [&] { buffer_.resize(std::max(buffer_.size() * 2, used_ + size)); });
  }
  return buffer_.data() + used_;
}

void write_result_line(ResultFile& file, const HourStamp& stamp, const HourField& field, int total,
                       double nodata, int decimals) {
  LineText line;
  format_result_line(line, stamp, field, total, nodata, decimals);
  file.write_text(line.text());
}

void write_raw_line(ResultFile& file, const HourStamp& stamp, const HourField& field, int total) {
  file.write_stamp(stamp);
  for (int i = 1; i <= total; ++i) file.write_general(field[i]);
  file.end_line();
}

DayWritten write_day(ResultFile& file, const HourWindow& window, const HourStamp& last, int total,
                     double nodata, int decimals, WorkerPool* pool) {
  // Which slots are written: up to the end date's last hour, or up to a slot
  // that holds no hour read or an hour after the end date.
  DayWritten day;
  for (int slot = 1; slot <= 24; ++slot) {
    const HourStamp& stamp = window.stamp(slot);
    if (!window.hour_read(slot) || stamp > last) {
      day.end_missed = true;
      break;
    }
    ++day.slots;
    if (stamp == last) {
      day.end_reached = true;
      break;
    }
  }
  const int lines = day.slots;
  std::array<LineText, 24>& texts = file.day_lines();
  auto format = [&](std::size_t index, int) {
    const int slot = static_cast<int>(index) + 1;
    texts[index].clear();
    format_result_line(texts[index], window.stamp(slot), window.field(slot), total, nodata,
                       decimals);
  };
  if (pool != nullptr) {
    pool->run(static_cast<std::size_t>(lines), format);
  } else {
    for (std::size_t index = 0; index < static_cast<std::size_t>(lines); ++index) format(index, 0);
  }
  for (std::size_t index = 0; index < static_cast<std::size_t>(lines); ++index) {
    file.write_text(texts[index].text());
  }
  return day;
}

}  // namespace rumo
