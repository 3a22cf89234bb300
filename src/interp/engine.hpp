// The interpolation as the run uses it: the geometry is fixed for the whole
// run, so the weight of every source for every target is computed once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "core/stations.hpp"
#include "core/window.hpp"
#include "core/workers.hpp"
#include "interp/idw.hpp"
#include "interp/nearest.hpp"

namespace rumo {

class IdwEngine {
 public:
  // With a pool, each group's targets are cut into as many parts as it has
  // threads, and each part is interpolated whole by one thread with sums of
  // its own; a target's numbers are the same in any part.
  IdwEngine(const StationTable& table, const StationCounts& counts, const IdwSettings& settings,
            WorkerPool* pool = nullptr);

  // Interpolates the hourly stations onto stations first..last in each of
  // the slots first_slot..last_slot. The targets must be one of the run's two
  // groups (climate or collector stations). Where `then` is given, it is
  // called with each run of targets a..b once all their slots are done, on
  // the thread that did them, so that what follows for a target (its
  // scaling) needs no second round of the pool.
  void interpolate(HourWindow& window, int first_slot, int last_slot, int first, int last,
                   const std::function<void(int, int)>& then = {});

  // The stations whose geometry the engine holds.
  const StationTable& table() const { return table_; }

 private:
  // The weights of one group of targets, stored by source. A source that
  // reaches many of the targets has a full row of weights (0 where it does not
  // reach), the others a list of the targets they reach, in ascending order.
  struct Reach {
    int target;  // index within the group
    double weight;
  };
  // The same weights stored by target, for groups without full rows.
  struct Source {
    int source;
    double weight;
  };
  static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

  // Weight sums of a group's targets for one set of present sources.
  struct WeightSums {
    std::vector<std::uint64_t> present;  // one bit per hourly station
    std::vector<double> sum;             // per target
    std::vector<char> usable;            // per target: a source in reach and a usable sum
    // The sums before each word of 64 sources, for groups with full rows: a
    // set that agrees with this one in its first words starts from there.
    std::vector<double> before_word;
    std::uint64_t last_used = 0;
  };

  // What never changes during the run: the weights of a group's targets.
  struct Group {
    int first = 0;
    int last = -1;
    std::size_t targets = 0;
    std::vector<std::size_t> row;    // per source: its row in rows, or kNoRow
    std::vector<double> rows;        // full rows, targets entries each
    std::vector<std::size_t> start;  // per source, into reach; one entry more
    std::vector<Reach> reach;
    // Without full rows: per target, into by_target; one entry more.
    bool lists_only = false;
    std::vector<std::size_t> target_start;
    std::vector<Source> by_target;
  };

  // What a part of a group keeps between fields: its remembered sums, and
  // the scratch of one field.
  struct State {
    std::vector<WeightSums> sums_cache;
    std::uint64_t clock = 0;
    // The present sources, and those with a value other than zero, which are
    // the only ones that move a mean.
    std::vector<std::uint64_t> present;
    std::vector<int> active;
    std::vector<double> values;
    // Targets whose sums must be worked out again (groups without full rows).
    std::vector<char> dirty;
    std::vector<int> dirty_targets;
    // Groups without full rows: the sources present in the last two new sets
    // and the sums of those present in any of the last three.
    std::vector<std::uint64_t> earlier[2];
    std::vector<std::uint64_t> recent;
    WeightSums base;
  };

  struct Part {
    Group group;
    State state;
  };

  std::vector<Part> build_parts(int first, int last, std::size_t parts) const;
  Group build_group(int first, int last) const;
  WeightSums& weight_sums(const Group& group, State& state);
  void sums_by_word(const Group& group, const std::vector<std::uint64_t>& present, WeightSums& sums,
                    const WeightSums* closest, std::size_t agreeing) const;
  void sums_by_target(const Group& group, State& state, const std::vector<std::uint64_t>& present,
                      WeightSums& sums, const WeightSums* closest) const;
  void interpolate_field(const Group& group, State& state, HourField& field);

  const StationTable& table_;
  StationCounts counts_;
  IdwSettings settings_;
  WorkerPool* pool_;
  std::vector<Part> climate_;
  std::vector<Part> collector_;
  // Under a neighbour limit, the run's interpolation instead of the parts.
  std::optional<NearestInterpolation> nearest_;
};

}  // namespace rumo
