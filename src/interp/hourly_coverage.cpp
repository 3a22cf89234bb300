#include "interp/hourly_coverage.hpp"

#include "core/weighting.hpp"

namespace rumo {

namespace {

bool within(const StationTable& table, int source, int target, double reach) {
  const auto s = static_cast<std::size_t>(source);
  const auto t = static_cast<std::size_t>(target);
  return squared_distance(table.first[s], table.second[s], table.first[t], table.second[t]) <=
         reach;
}

}  // namespace

bool none_in_reach(const StationTable& table, int target, int in_reach, const HourSources& hour,
                   double reach) {
  if (in_reach == 0 || hour.absent.size() < static_cast<std::size_t>(in_reach)) return false;
  if (hour.present.size() <= hour.absent.size()) {
    for (const int source : hour.present) {
      if (source != target && within(table, source, target, reach)) return false;
    }
    return true;
  }
  int absent = 0;
  for (const int source : hour.absent) {
    absent += source != target && within(table, source, target, reach) ? 1 : 0;
  }
  return absent == in_reach;
}

int sources_in_reach(const StationTable& table, int target, int sources, double reach) {
  int count = 0;
  for (int source = 1; source <= sources; ++source) {
    count += source != target && within(table, source, target, reach) ? 1 : 0;
  }
  return count;
}

HourlyCoverage::HourlyCoverage(const StationTable& table, const StationCounts& counts,
                               double max_distance)
    : table_(table),
      hourly_(counts.hourly),
      reach_(max_distance * max_distance),
      in_reach_(station_entries(counts.total()), 0) {
  for (int m = counts.first_climate(); m <= counts.total(); ++m) {
    in_reach_[static_cast<std::size_t>(m)] = sources_in_reach(table, m, hourly_, reach_);
  }
}

void HourlyCoverage::note_slots(const HourWindow& window, int first_slot, int last_slot,
                                double nodata) {
  gap_count_ = 0;
  for (int slot = first_slot; slot <= last_slot; ++slot) {
    const HourField& field = window.field(slot);
    if (gaps_.size() <= gap_count_) gaps_.emplace_back();
    HourSources& hour = gaps_[gap_count_];
    hour.present.clear();
    hour.absent.clear();
    for (int s = 1; s <= hourly_; ++s) {
      (is_present(field[static_cast<std::size_t>(s)], nodata) ? hour.present : hour.absent)
          .push_back(s);
    }
    if (!hour.absent.empty()) ++gap_count_;
  }
}

int HourlyCoverage::hours_without_data(int target) const {
  const int in_reach = in_reach_[static_cast<std::size_t>(target)];
  int hours = 0;
  for (std::size_t k = 0; k < gap_count_; ++k) {
    hours += none_in_reach(table_, target, in_reach, gaps_[k], reach_) ? 1 : 0;
  }
  return hours;
}

}  // namespace rumo
