#include "import/importer.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>

#include "core/number_text.hpp"
#include "core/projection.hpp"
#include "core/stamp_text.hpp"
#include "import/import_codes.hpp"
#include "import/stamps.hpp"
#include "import/text_table.hpp"
#include "output/result_writer.hpp"

namespace rumo {

namespace {

namespace fs = std::filesystem;

constexpr long kMostDays = 36525;
constexpr const char* kFileNames[3] = {"hourly.txt", "climate.txt", "collector.txt"};
constexpr const char* kTitles[3] = {
    "hourly precipitation [mm]", "climate stations' precipitation [mm], readings at hours 7 and 19",
    "collector stations' precipitation [mm], daily sums at hour 7"};

// "hour 5 of 2023-06-03", "the reading at hour 19 of 2023-06-03".
std::string landing_words(Kind kind, Landing at) {
  if (kind == Kind::hourly)
    return "hour " + std::to_string(at.slot + 1) + " of " + iso_date(at.day);
  return std::string("the reading at hour ") + (at.slot == 0 ? "7" : "19") + " of " +
         iso_date(at.day);
}

struct Duplicate {
  int station;
  Landing at;
  std::string file;
  long line;
  std::string text;
};

// A station's days with a value: the first, and the last of the program's
// days (hour 7 to hour 6) with one; `rows` whether it has rows at all.
struct Span {
  long first = std::numeric_limits<long>::max();
  long last = std::numeric_limits<long>::min();
  bool rows = false;
  bool valued() const { return first <= last; }
};

// Keeps the values of the period in the store and what the summary tells.
class StoreSink : public ValueSink {
 public:
  StoreSink(SeriesStore& store, Kind kind, long first_day, long last_day, std::size_t stations)
      : spans(stations), store_(store), kind_(kind), first_day_(first_day), last_day_(last_day) {}
  void take(int station, Landing at, bool present, double value, std::string_view file, long line,
            std::string_view text) override {
    // Hours 1 to 6 close the program's day before (hour 7 to hour 6), so
    // they do not make a last day of their own.
    const long day = kind_ == Kind::hourly && at.slot < 6 ? at.day - 1 : at.day;
    Span& span = spans[station];
    span.rows = true;
    if (present) {
      span.first = std::min(span.first, at.day);
      span.last = std::max(span.last, day);
    }
    if (at.day < first_day_ || at.day > last_day_) {
      ++skipped;
      return;
    }
    // Downloads that overlap repeat rows; only a different value is an error.
    const SeriesStore::Put put = store_.put(station, at, present, value);
    if (put == SeriesStore::Put::same) ++repeated;
    if (put == SeriesStore::Put::different)
      throw Duplicate{station, at, std::string(file), line, std::string(text)};
    if (present) {
      first_value_day = std::min(first_value_day, at.day);
      last_value_day = std::max(last_value_day, day);
    }
  }
  // Of every row read, in the period or not.
  std::vector<Span> spans;
  long skipped = 0;
  long repeated = 0;
  long first_value_day = std::numeric_limits<long>::max();
  long last_value_day = std::numeric_limits<long>::min();

 private:
  SeriesStore& store_;
  Kind kind_;
  long first_day_;
  long last_day_;
};

// Finds the first row that lands on one station's place.
class LocateSink : public ValueSink {
 public:
  struct Found {
    std::string file;
    long line;
  };
  LocateSink(int station, Landing at) : station_(station), at_(at) {}
  void take(int station, Landing at, bool, double, std::string_view file, long line,
            std::string_view) override {
    if (station == station_ && at.day == at_.day && at.slot == at_.slot)
      throw Found{std::string(file), line};
  }

 private:
  int station_;
  Landing at_;
};

struct KindResult {
  bool wanted = false;
  std::unique_ptr<SeriesStore> store;
  long skipped = 0;
  long repeated = 0;
  std::vector<int> stations;  // in the order of their ids
  std::vector<Span> spans;    // of every station's rows, in the period or not
};

void read_kind(FileSystem& files, const ImportRequest& request, Kind kind, const StationList& list,
               KindResult& result, long& first_value_day, long& last_value_day) {
  const auto& names = request.files[static_cast<int>(kind)];
  ValueRules rules = request.rules;
  rules.kind = kind;
  rules.columns = request.columns[static_cast<int>(kind)];
  result.store = std::make_unique<SeriesStore>(kind, list.stations.size());
  // With a given period, values beyond it are skipped as they are read; the
  // hourly file reaches one day further, so that the last halves and days
  // are complete.
  const long extra = kind == Kind::hourly ? 1 : 0;
  StoreSink sink(*result.store, kind, request.start.value_or(std::numeric_limits<long>::min()),
                 request.end ? *request.end + extra : std::numeric_limits<long>::max(),
                 list.stations.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    try {
      read_value_file(files, names[i], rules, list, sink);
    } catch (const Duplicate& second) {
      // The first value is found again by reading the files up to here once more.
      LocateSink locate(second.station, second.at);
      for (std::size_t k = 0; k <= i; ++k) {
        try {
          read_value_file(files, names[k], rules, list, locate);
        } catch (const LocateSink::Found& first) {
          fail_import(exit_code::import_duplicate, second.file, second.line,
                      "a different value for station " + list.stations[second.station].id + ", " +
                          landing_words(kind, second.at) + "; the first is on " + first.file + ":" +
                          std::to_string(first.line),
                      second.text);
        }
      }
    }
  }
  result.skipped = sink.skipped;
  result.spans = std::move(sink.spans);
  result.repeated = sink.repeated;
  first_value_day = std::min(first_value_day, sink.first_value_day);
  last_value_day = std::max(last_value_day, sink.last_value_day);
  for (int s = 0; s < static_cast<int>(list.stations.size()); ++s) {
    if (result.store->has(s)) result.stations.push_back(s);
  }
  std::sort(result.stations.begin(), result.stations.end(),
            [&](int a, int b) { return id_before(list.stations[a].id, list.stations[b].id); });
}

struct Placed {
  Planar at;
  std::string name;
};

double to_millimetres(double metres) {
  return std::round(metres * 1000.0) / 1000.0;
}

// Planar coordinates of the stations used; returns the CRS they are in
// (empty for planar ones without --crs).
std::string place_stations(const ImportRequest& request, const StationList& list,
                           const std::vector<int>& used, std::map<int, Placed>& placed) {
  if (list.planar) {
    for (const int s : used) placed[s].at = {list.stations[s].first, list.stations[s].second};
    return request.crs;
  }
  std::string crs = request.crs;
  if (crs.empty()) {
    double lon = 0.0;
    double lat = 0.0;
    for (const int s : used) {
      lat += list.stations[s].first;
      lon += list.stations[s].second;
    }
    crs = utm_zone_crs(lon / used.size(), lat < 0.0);
  }
  std::string reason;
  const auto projection = Projection::create(crs, reason);
  if (!projection)
    fail_import(exit_code::import_bad_stations, list.file, 0, "--crs " + crs + ": " + reason);
  for (const int s : used) {
    const StationRecord& station = list.stations[s];
    const auto planar = projection->forward({station.first, station.second});
    if (!planar || !std::isfinite(planar->x) || !std::isfinite(planar->y)) {
      fail_import(exit_code::import_bad_stations, station.file, station.line,
                  "station " + station.id + ": latitude " + shortest_text(station.first) +
                      " and longitude " + shortest_text(station.second) +
                      " cannot be projected to " + crs);
    }
    placed[s].at = {to_millimetres(planar->x), to_millimetres(planar->y)};
  }
  return crs;
}

// The written names, unique in the 7 characters a run keeps.
void name_stations(const ImportRequest& request, const StationList& list,
                   const std::vector<int>& used, std::map<int, Placed>& placed) {
  std::map<std::string, int> kept;
  for (const int s : used) {
    const StationRecord& station = list.stations[s];
    std::string name;
    for (const char c : request.names_from_table ? station.name : station.id) {
      if (c != ' ' && c != '\t') name += c;
    }
    if (name.empty()) {
      fail_import(exit_code::import_bad_stations, station.file, station.line,
                  "station " + station.id + " has no name (--names id writes its id)");
    }
    const auto [at, added] = kept.emplace(name.substr(0, 7), s);
    if (!added) {
      const StationRecord& other = list.stations[at->second];
      fail_import(exit_code::import_bad_stations, station.file, station.line,
                  "stations " + other.id + " (" +
                      (other.file == station.file ? "" : other.file + " ") + "line " +
                      std::to_string(other.line) + ") and " + station.id + " are both named \"" +
                      at->first +
                      "\" in the 7 characters a run keeps; --names id or shorter names tell "
                      "them apart");
    }
    placed[s].name = std::move(name);
  }
}

void write_kind(ResultFile& file, Kind kind, const KindResult& result, const StationList& list,
                const std::map<int, Placed>& placed, long first_day, long last_day, double marker,
                const std::string& title) {
  StationTable table;
  for (const int s : result.stations) {
    table.height.push_back(list.stations[s].height);
    table.first.push_back(placed.at(s).at.x);
    table.second.push_back(placed.at(s).at.y);
    table.name.push_back(placed.at(s).name);
  }
  write_station_header(file, title, table, static_cast<int>(result.stations.size()), true);

  const int slots = result.store->slots();
  std::vector<const double*> days(result.stations.size());
  const long last = kind == Kind::hourly ? last_day + 1 : last_day;
  for (long day = first_day; day <= last; ++day) {
    for (std::size_t i = 0; i < days.size(); ++i)
      days[i] = result.store->day(result.stations[i], day);
    const Date date = calendar_date(day);
    for (int slot = 0; slot < slots; ++slot) {
      file.write_stamp(hour_of(date, kind == Kind::hourly ? slot + 1 : slot == 0 ? 7 : 19));
      for (const double* values : days) {
        const double value = values == nullptr ? marker : values[slot];
        file.write_exact(value == value ? value : marker);
      }
      file.end_line();
    }
  }
}

struct Counts {
  long written = 0;
  long absent = 0;
  std::vector<std::pair<long, int>> absent_by_station;  // (count, station)
};

Counts count_values(Kind kind, const KindResult& result, long first_day, long last_day) {
  Counts counts;
  const int slots = result.store->slots();
  const long last = kind == Kind::hourly ? last_day + 1 : last_day;
  for (const int s : result.stations) {
    long absent = 0;
    for (long day = first_day; day <= last; ++day) {
      const double* values = result.store->day(s, day);
      for (int slot = 0; slot < slots; ++slot) {
        if (values == nullptr || values[slot] != values[slot]) ++absent;
      }
    }
    counts.written += (last - first_day + 1) * slots - absent;
    counts.absent += absent;
    if (absent > 0) counts.absent_by_station.emplace_back(absent, s);
  }
  std::stable_sort(counts.absent_by_station.begin(), counts.absent_by_station.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  return counts;
}

std::string shell_word(const std::string& word) {
  const bool plain = !word.empty() && word.find_first_not_of(
                                          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789_./:+-=,") == std::string::npos;
  if (plain) return word;
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Two significant digits: a distance to begin the cross-validation's grid with.
double two_digits(double value) {
  if (!(value > 0.0)) return 1.0;
  const double scale = std::pow(10.0, std::floor(std::log10(value)) - 1.0);
  return std::round(value / scale) * scale;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void warn_far_stations(const StationList& list, const std::vector<int>& used,
                       const std::map<int, Placed>& placed, std::ostream& err) {
  std::vector<double> xs, ys;
  for (const int s : used) {
    xs.push_back(placed.at(s).at.x);
    ys.push_back(placed.at(s).at.y);
  }
  const double mx = median(xs);
  const double my = median(ys);
  for (const int s : used) {
    const double distance = std::hypot(placed.at(s).at.x - mx, placed.at(s).at.y - my);
    if (distance > 1.0e6) {
      err << "rumo import: warning: " << list.stations[s].file << ":" << list.stations[s].line
          << ": station " << list.stations[s].id << " lies " << std::lround(distance / 1000.0)
          << " km from the median of the stations; are its coordinates right?\n";
    }
  }
}

constexpr const char* kKindNames[3] = {"hourly", "climate", "collector"};

// The stations of a kind that have rows but none in the period, each with
// the days its values span.
void tell_left_out(const StationList& list, const KindResult& result, std::ostream& out) {
  std::vector<int> left;
  for (int s = 0; s < static_cast<int>(result.spans.size()); ++s) {
    if (result.spans[s].rows && !result.store->has(s)) left.push_back(s);
  }
  if (left.empty()) return;
  std::sort(left.begin(), left.end(),
            [&](int a, int b) { return id_before(list.stations[a].id, list.stations[b].id); });
  out << "    left out, without a value in the period:";
  for (std::size_t i = 0; i < left.size(); ++i) {
    const Span& span = result.spans[left[i]];
    out << (i == 0 ? " " : ", ") << list.stations[left[i]].id
        << (span.valued() ? " (values " + iso_date(span.first) + " to " + iso_date(span.last) + ")"
                          : std::string(" (no value at all)"));
  }
  out << "\n";
}

struct Period {
  long first;
  long last;
};

// "hour 5 of 2023-06-03" of an hour counted from 1970-01-01 hour 1.
std::string hour_words(long hour) {
  const long day = hour >= 0 ? hour / 24 : -((-hour + 23) / 24);
  return "hour " + std::to_string(hour - day * 24 + 1) + " of " + iso_date(day);
}

// Hours in which no hourly station has a value, within the period of the
// climate and collector readings: the run estimates them 0 and spreads the
// readings over the other hours, so the import tells them.
void tell_outages(const std::array<KindResult, 3>& kinds, Period written, std::ostream& out) {
  // Hours counted from 1970-01-01 hour 1; the hourly file runs to hour 24
  // of the day after the last day.
  long first = std::numeric_limits<long>::max();
  long last = std::numeric_limits<long>::min();
  const auto reach = [&](const KindResult& kind, long begin, long length) {
    for (const int s : kind.stations) {
      for (long day = written.first; day <= written.last + 1; ++day) {
        const double* values = kind.store->day(s, day);
        for (int slot = 0; values != nullptr && slot < kind.store->slots(); ++slot) {
          if (values[slot] != values[slot]) continue;
          const long start = day * 24 + begin + slot * length;
          first = std::min(first, start);
          last = std::max(last, start + length - 1);
        }
      }
    }
  };
  if (kinds[1].wanted) reach(kinds[1], 6, 12);
  if (kinds[2].wanted) reach(kinds[2], 6, 24);
  if (first > last) return;
  first = std::max(first, written.first * 24);
  last = std::min(last, written.last * 24 + 47);
  long count = 0, run = 0, longest = 0, longest_end = 0;
  for (long hour = first; hour <= last; ++hour) {
    const long day = hour >= 0 ? hour / 24 : -((-hour + 23) / 24);
    bool any = false;
    for (std::size_t i = 0; i < kinds[0].stations.size() && !any; ++i) {
      const double* values = kinds[0].store->day(kinds[0].stations[i], day);
      any = values != nullptr && values[hour - day * 24] == values[hour - day * 24];
    }
    run = any ? 0 : run + 1;
    count += any ? 0 : 1;
    if (run > longest) {
      longest = run;
      longest_end = hour;
    }
  }
  if (count == 0) return;
  out << "No hourly station has a value in " << counted(count, "hour", "hours") << " within the "
      << "climate and collector readings' period; the longest run: "
      << hour_words(longest_end - longest + 1) << " to " << hour_words(longest_end) << " ("
      << counted(longest, "hour", "hours") << ").\n";
}

// The period the run commands use where no --start or --end was given: the
// days of the largest group of stations whose periods overlap one another
// (on a tie the latest); a station outside it is told with its days.
Period shared_period(const StationList& list, const std::array<KindResult, 3>& kinds,
                     Period written, std::ostream& out) {
  struct Member {
    Span span;
    int kind;
    int station;
  };
  std::vector<Member> members;
  for (int k = 0; k < 3; ++k) {
    if (!kinds[k].wanted) continue;
    for (const int s : kinds[k].stations) {
      if (kinds[k].spans[s].valued()) members.push_back({kinds[k].spans[s], k, s});
    }
  }
  std::sort(members.begin(), members.end(),
            [](const Member& a, const Member& b) { return a.span.first < b.span.first; });
  std::size_t best_begin = 0, best_end = 0;
  for (std::size_t begin = 0; begin < members.size();) {
    std::size_t end = begin + 1;
    long reach = members[begin].span.last;
    for (; end < members.size() && members[end].span.first <= reach; ++end)
      reach = std::max(reach, members[end].span.last);
    if (end - begin >= best_end - best_begin) {
      best_begin = begin;
      best_end = end;
    }
    begin = end;
  }
  if (best_end - best_begin == members.size()) return written;
  Period shared{std::numeric_limits<long>::max(), std::numeric_limits<long>::min()};
  for (std::size_t i = best_begin; i < best_end; ++i) {
    shared.first = std::min(shared.first, members[i].span.first);
    shared.last = std::max(shared.last, members[i].span.last);
  }
  shared = {std::max(shared.first, written.first), std::min(shared.last, written.last)};
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i >= best_begin && i < best_end) continue;
    const Member& m = members[i];
    out << "Station " << list.stations[m.station].id << " (" << kKindNames[m.kind]
        << ") has values from " << iso_date(m.span.first) << " to " << iso_date(m.span.last)
        << " only, apart from the others' " << iso_date(shared.first) << " to "
        << iso_date(shared.last) << "; the run commands use the others' period.\n";
  }
  return shared;
}

}  // namespace

void import_stations(FileSystem& files, const ImportRequest& request, std::ostream& out,
                     std::ostream& err) {
  StationList list;
  for (const std::string& name : request.stations) {
    StationList more = read_station_list(read_text_file(files, name, "a station table"), name);
    if (list.stations.empty()) {
      list = std::move(more);
    } else {
      merge_station_list(list, more);
    }
  }

  // Every value file is read and placed before anything is written.
  std::array<KindResult, 3> kinds;
  long first_value_day = std::numeric_limits<long>::max();
  long last_value_day = std::numeric_limits<long>::min();
  for (int k = 0; k < 3; ++k) {
    kinds[k].wanted = !request.files[k].empty();
    if (kinds[k].wanted) {
      read_kind(files, request, static_cast<Kind>(k), list, kinds[k], first_value_day,
                last_value_day);
    }
  }
  // Values in hours 1 to 6 alone still make a day.
  const long first_day = request.start.value_or(first_value_day);
  const long last_day = request.end.value_or(std::max(last_value_day, first_value_day));
  const bool none = first_value_day == std::numeric_limits<long>::max();
  const std::string& first_file =
      request.files[0].empty() ? request.stations.front() : request.files[0].front();
  if (none || first_day > last_day) {
    fail_import(exit_code::import_nothing, first_file, 0, "no value lies in the period to import");
  }
  // A mistyped year would otherwise fill the disk with missing markers.
  if (last_day - first_day >= kMostDays) {
    fail_import(exit_code::import_nothing, first_file, 0,
                "the values span " + iso_date(first_day) + " to " + iso_date(last_day) +
                    ", more than 100 years; --start and --end choose the period");
  }

  std::vector<int> used;
  for (const KindResult& kind : kinds)
    used.insert(used.end(), kind.stations.begin(), kind.stations.end());
  std::sort(used.begin(), used.end(),
            [&](int a, int b) { return id_before(list.stations[a].id, list.stations[b].id); });
  used.erase(std::unique(used.begin(), used.end()), used.end());
  for (const int s : used) check_one_place(list, s);
  std::map<int, Placed> placed;
  const std::string crs = place_stations(request, list, used, placed);
  name_stations(request, list, used, placed);
  warn_far_stations(list, used, placed, err);

  // Each file goes to a temporary name first; only when all are complete do
  // they take their names, so that a failure leaves none behind.
  const std::string unmade = files.make_folder(request.out_dir);
  if (!unmade.empty()) {
    fail_import(exit_code::import_not_written, request.out_dir, 0,
                "the folder cannot be created: " + unmade);
  }
  const double marker = -request.nodata - 1.0;
  std::vector<std::pair<std::string, std::string>> parts;
  try {
    for (int k = 0; k < 3; ++k) {
      if (!kinds[k].wanted) continue;
      const std::string name = (fs::path(request.out_dir) / kFileNames[k]).string();
      parts.emplace_back(name + ".part", name);
      auto sink = files.open_output(parts.back().first);
      if (!sink) {
        fail_import(exit_code::import_not_written, name, 0,
                    "cannot be written: " + files.open_failure());
      }
      ResultFile file(std::move(sink));
      // The title keeps the source's ids, which the written names may not be.
      std::vector<std::string> ids;
      for (const int s : kinds[k].stations) ids.push_back(list.stations[s].id);
      write_kind(file, static_cast<Kind>(k), kinds[k], list, placed, first_day, last_day, marker,
                 conventions_title(kTitles[k], request.rules.utc_offset, crs, ids));
      if (!file.close()) fail_import(exit_code::import_not_written, name, 0, "cannot be written");
    }
    for (const auto& [part, name] : parts) {
      const std::string failure = files.rename(part, name);
      if (!failure.empty())
        fail_import(exit_code::import_not_written, name, 0, "cannot be written: " + failure);
    }
  } catch (...) {
    for (const auto& [part, name] : parts) files.remove(part);
    throw;
  }

  out << "Imported into " << request.out_dir << " (hours in UTC"
      << format_utc_offset(request.rules.utc_offset) << ", hour h ends at h:00"
      << (crs.empty() ? std::string() : "; coordinates in " + crs) << "):\n";
  for (int k = 0; k < 3; ++k) {
    if (!kinds[k].wanted) continue;
    const Kind kind = static_cast<Kind>(k);
    const Counts counts = count_values(kind, kinds[k], first_day, last_day);
    out << "  " << kFileNames[k] << ": "
        << counted(static_cast<long>(kinds[k].stations.size()), "station", "stations") << ", "
        << iso_date(first_day);
    if (kind == Kind::hourly) {
      out << " hour 1 to " << iso_date(last_day + 1) << " hour 24";
    } else {
      out << " to " << iso_date(last_day)
          << (kind == Kind::climate ? " at hours 7 and 19" : " at hour 7");
    }
    out << "; " << counted(counts.written, "value", "values") << " written, " << counts.absent
        << " absent";
    if (counts.absent > 0) {
      out << " (written as " << shortest_text(marker) << "; most at";
      for (std::size_t i = 0; i < counts.absent_by_station.size() && i < 3; ++i) {
        out << (i == 0 ? " " : ", ") << placed.at(counts.absent_by_station[i].second).name << " ("
            << counts.absent_by_station[i].first << ")";
      }
      out << ")";
    }
    out << ", " << kinds[k].skipped << " outside the period skipped";
    if (kinds[k].repeated > 0) {
      out << ", " << counted(kinds[k].repeated, "row", "rows")
          << " repeated with the same value taken once";
    }
    out << "\n";
    if (request.start || request.end) tell_left_out(list, kinds[k], out);
  }
  if (kinds[0].wanted) tell_outages(kinds, {first_day, last_day}, out);
  const Period run = request.start || request.end
                         ? Period{first_day, last_day}
                         : shared_period(list, kinds, {first_day, last_day}, out);

  if (!kinds[0].wanted) {
    out << "A run needs the hourly stations as well: import them with --hourly.\n";
    return;
  }
  const auto path = [&](int k) {
    return shell_word((fs::path(request.out_dir) / kFileNames[k]).string());
  };
  std::string inputs = "--hourly " + path(0);
  if (kinds[1].wanted) inputs += " --climate " + path(1);
  if (kinds[2].wanted) inputs += " --collector " + path(2);
  const std::string period = " --start " + iso_date(run.first) + " --end " + iso_date(run.last);
  const std::string nodata =
      request.nodata == 9998.0 ? std::string() : " --nodata " + shortest_text(request.nodata);
  out << "Run (--max-distance inf uses every hourly station; choose a distance with "
         "--cross-validate):\n";
  out << "  rumo " << inputs << " -o "
      << shell_word((fs::path(request.out_dir) / "result.txt").string()) << period << nodata
      << " --max-distance inf\n";
  if (kinds[0].stations.size() >= 2) {
    // The median distance to the nearest other hourly station, from at most
    // about 2000 of them.
    const std::vector<int>& hourly = kinds[0].stations;
    const std::size_t stride = hourly.size() / 2000 + 1;
    std::vector<double> nearest;
    for (std::size_t i = 0; i < hourly.size(); i += stride) {
      const int a = hourly[i];
      double best = std::numeric_limits<double>::infinity();
      for (const int b : kinds[0].stations) {
        if (a == b) continue;
        best = std::min(best, std::hypot(placed.at(a).at.x - placed.at(b).at.x,
                                         placed.at(a).at.y - placed.at(b).at.y));
      }
      nearest.push_back(best);
    }
    out << "  rumo --hourly " << path(0) << period << nodata << " --max-distance "
        << shortest_text(two_digits(2.0 * median(nearest))) << " --cross-validate\n";
  }
}

}  // namespace rumo
