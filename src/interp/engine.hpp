// The interpolation as the run uses it: the geometry is fixed for the whole
// run, so the weight of every source for every target is computed once.
#pragma once

#include <cstdint>
#include <vector>

#include "core/stations.hpp"
#include "core/window.hpp"
#include "interp/idw.hpp"

namespace rumo {

class IdwEngine {
 public:
  IdwEngine(const StationTable& table, const StationCounts& counts, const IdwSettings& settings);

  // Interpolates the hourly stations onto stations first..last in each of
  // the slots first_slot..last_slot. The targets must be one of the run's two
  // groups (climate or collector stations).
  void interpolate(HourWindow& window, int first_slot, int last_slot, int first, int last);

 private:
  // The weights of one group of targets, stored by source. A source that
  // reaches many of the targets has a full row of weights (0 where it does not
  // reach), the others a list of the targets they reach, in ascending order.
  struct Reach {
    int target;  // index within the group
    double weight;
  };
  static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

  // Weight sums of a group's targets for one set of present sources.
  struct WeightSums {
    std::vector<std::uint64_t> present;  // one bit per hourly station
    std::vector<double> sum;             // per target
    std::vector<char> usable;            // per target: a source in reach and a usable sum
    // The sums before each word of 64 sources: a set that agrees with this
    // one in its first words starts from there.
    std::vector<double> before_word;
    // Each weight divided by its target's sum, for full rows and lists alike;
    // worked out for the sets that come back often.
    std::vector<double> row_shares;
    std::vector<double> list_shares;
    int uses = 0;
    std::uint64_t last_used = 0;
  };

  struct Group {
    int first = 0;
    int last = -1;
    std::size_t targets = 0;
    std::vector<std::size_t> row;    // per source: its row in rows, or kNoRow
    std::vector<double> rows;        // full rows, targets entries each
    std::vector<std::size_t> start;  // per source, into reach; one entry more
    std::vector<Reach> reach;
    std::vector<WeightSums> sums_cache;
  };

  Group build_group(int first, int last) const;
  WeightSums& weight_sums(Group& group, const std::vector<std::uint64_t>& present);
  void share_out(Group& group, WeightSums& sums);
  void interpolate_field(Group& group, HourField& field);

  const StationTable& table_;
  StationCounts counts_;
  IdwSettings settings_;
  Group climate_;
  Group collector_;
  std::uint64_t clock_ = 0;
  // Scratch per field: the present sources, and those with a value other
  // than zero, which are the only ones that move a mean.
  std::vector<std::uint64_t> present_;
  std::vector<int> active_;
  std::vector<double> values_;
};

}  // namespace rumo
