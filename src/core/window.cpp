#include "core/window.hpp"

#include <algorithm>

#include "core/calendar.hpp"
#include "core/error.hpp"

namespace rumo {

HourStamp next_hour(const HourStamp& stamp) {
  HourStamp next = stamp;
  if (++next.hour <= 24) return next;
  next.hour = 1;
  // Stamps checked here follow a valid start date; a month outside 1..12
  // only must not index the table of month lengths.
  const int days = next.month >= 1 && next.month <= 12 ? days_in_month(next.month, next.year) : 31;
  if (++next.day <= days) return next;
  next.day = 1;
  if (++next.month <= 12) return next;
  next.month = 1;
  ++next.year;
  return next;
}

HourWindow::HourWindow(int stations) {
  for (int slot = 0; slot < kWindowSlots; ++slot) {
    fields_[slot] = take_memory(exit_code::memory_hour_fields,
                                [&] { return HourField(station_entries(stations), -9999.0); });
    stamps_[slot] = HourStamp{};
    ring_[slot] = slot;
  }
}

void HourWindow::clear_hour(int slot, int total, double marker) {
  HourField& values = field(slot);
  std::fill(values.begin() + 1, values.begin() + total + 1, marker);
  set_hour_read(slot, false);
}

void HourWindow::fill(double value) {
  for (auto& field : fields_) std::fill(field.begin() + 1, field.end(), value);
}

void HourWindow::rotate() {
  ring_[25] = ring_[0];
  for (int slot = 0; slot <= 24; ++slot) ring_[slot] = ring_[slot + 1];
}

void rotate_window(HourWindow& window) {
  window.rotate();
}

}  // namespace rumo
