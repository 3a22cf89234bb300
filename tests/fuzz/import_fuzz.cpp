// Fuzz target: the importer's readers. The first byte picks the rules (kind,
// labels, offsets); the rest is read as a station table and as a value file
// of the stations "44", "K1" and "7". Each either fails with one of the
// import's codes and its one-line message, or gives rows that land on a slot
// of their kind; the same text cut into two pieces at any place gives the
// same rows.
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "fuzz_checks.hpp"
#include "import/import_codes.hpp"
#include "import/station_list.hpp"
#include "import/value_file.hpp"

namespace {

using rumo::fuzz::expect;

void expect_import_failure(const rumo::RunError& error) {
  const std::string& message = error.message;
  expect(error.code >= rumo::exit_code::import_file_not_read &&
             error.code <= rumo::exit_code::import_not_written,
         "code " + std::to_string(error.code) + " is not the import's");
  expect(error.stream == rumo::Stream::err && message.starts_with("rumo import: ") &&
             message.find('\n') == message.size() - 1,
         "not one line on standard error: " + message);
}

struct Row {
  int station;
  long day;
  int slot;
  bool present;
  double value;
  friend bool operator==(const Row&, const Row&) = default;
};

class Collect : public rumo::ValueSink {
 public:
  explicit Collect(int slots) : slots_(slots) {}
  void take(int station, rumo::Landing at, bool present, double value, std::string_view, long,
            std::string_view) override {
    expect(at.slot >= 0 && at.slot < slots_, "a slot outside the kind's day");
    expect(!present || value >= 0.0, "a negative value taken");
    rows.push_back({station, at.day, at.slot, present, value});
  }
  std::vector<Row> rows;

 private:
  int slots_;
};

// The rows of `text` fed in two pieces cut at `cut`; nothing where it fails.
std::optional<std::vector<Row>> read_values(const rumo::ValueRules& rules,
                                            const rumo::StationList& stations,
                                            std::string_view text, std::size_t cut) {
  Collect sink(rumo::slots_per_day(rules.kind));
  try {
    rumo::ValueParser parser(rules, stations, "v", sink);
    parser.feed(text.substr(0, cut));
    parser.feed(text.substr(cut));
    parser.finish();
  } catch (const rumo::RunError& error) {
    expect_import_failure(error);
    return std::nullopt;
  }
  return sink.rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t pick = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  rumo::fuzz::guarded([&] {
    try {
      const rumo::StationList list = rumo::read_station_list(text, "s");
      expect(!list.stations.empty(), "an empty station list read");
      for (const auto& [id, index] : list.by_id) {
        expect(list.find(id) == index, "a station not found by its own id");
      }
    } catch (const rumo::RunError& error) {
      expect_import_failure(error);
    }

    static const rumo::StationList stations =
        rumo::read_station_list("id;x;y\n44;0;0\nK1;1;1\n7;2;2\n", "s");
    rumo::ValueRules rules;
    rules.kind = static_cast<rumo::Kind>(pick % 3);
    rules.label_end = (pick & 4) == 0;
    rules.date_label_start = (pick & 8) == 0;
    rules.time_zone = {(pick & 16) ? 60 : 0};
    rules.utc_offset = {(pick & 32) ? -90 : 0};
    if (pick & 64) rules.columns = {"s", "t", "v"};
    const auto whole = read_values(rules, stations, text, text.size());
    const auto halves = read_values(rules, stations, text, text.size() / 2);
    expect(whole.has_value() == halves.has_value() && (!whole || *whole == *halves),
           "the text cut in two reads otherwise");
  });
  return 0;
}
