#include "import/value_file.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>

#include "core/stamp_text.hpp"
#include "import/archive.hpp"
#include "import/import_codes.hpp"
#include "import/stamps.hpp"
#include "import/text_table.hpp"

namespace rumo {

namespace {

constexpr long kBlockDays = 32;
constexpr std::size_t kReadBlock = 4 << 20;

long floor_div(long long value, long divisor) {
  const long long quotient = value / divisor;
  return static_cast<long>(quotient * divisor > value ? quotient - 1 : quotient);
}

std::string quoted(std::string_view text) {
  std::string out(1, '"');
  out.append(text);
  out += '"';
  return out;
}

// Two NaNs that no number read from text can be: a place never filled, and
// one filled with a missing value.
constexpr std::uint64_t kAbsentBits = 0x7FF8'0000'0000'A65Eull;
constexpr std::uint64_t kMissingBits = 0x7FF8'0000'0000'B1A4ull;
const double kAbsent = std::bit_cast<double>(kAbsentBits);
const double kMissing = std::bit_cast<double>(kMissingBits);

// "a", "a or b", "a, b or c".
std::string listed(const std::vector<std::string>& items, const char* last) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? last : ", ";
    text += items[i];
  }
  return text;
}

constexpr const char* kPlaceHint = "; --utc-offset or --label may place it";

// The likely cause of a reading that fits nowhere, where the row `line`
// of the same station is stamped an hour `earlier` or later.
std::string every_hour_hint(long line, const char* earlier) {
  return "; the file holds a value every hour (line " + std::to_string(line) + " is an hour " +
         earlier + "): hourly values belong to --hourly";
}

bool absent(double value) {
  return std::bit_cast<std::uint64_t>(value) == kAbsentBits;
}

}  // namespace

ValueParser::ValueParser(const ValueRules& rules, const StationList& stations, std::string file,
                         ValueSink& sink)
    : rules_(rules), stations_(stations), file_(std::move(file)), sink_(sink) {}

void ValueParser::feed(std::string_view data) {
  if (!pending_line_.empty()) {
    const std::size_t end = data.find('\n');
    pending_line_.append(data.substr(0, end));
    if (end == std::string_view::npos) return;
    line(pending_line_);
    pending_line_.clear();
    data.remove_prefix(end + 1);
  }
  for (;;) {
    const char* end = static_cast<const char*>(std::memchr(data.data(), '\n', data.size()));
    if (end == nullptr) break;
    const std::size_t length = static_cast<std::size_t>(end - data.data());
    line(data.substr(0, length));
    data.remove_prefix(length + 1);
  }
  pending_line_.assign(data);
}

void ValueParser::finish() {
  if (!pending_line_.empty()) line(pending_line_);
  pending_line_.clear();
  if (pending_) {
    fail_import(exit_code::import_not_placeable, file_, pending_->line, pending_->what + kPlaceHint,
                pending_->text);
  }
  if (line_ == 0)
    fail_import(exit_code::import_bad_line, file_, 0, "the file is empty, not even a header");
}

void ValueParser::line(std::string_view text) {
  ++line_;
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (line_ == 1) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    header(text);
  } else if (text.find_first_not_of(" \t") != std::string_view::npos) {
    row(text);
  }
}

void ValueParser::header(std::string_view text) {
  delimiter_ = detect_delimiter(text);
  if (delimiter_ == 0) {
    fail_import(exit_code::import_bad_line, file_, 1,
                "the header holds no ';', ',' or tab between its names", text);
  }
  split_fields(text, delimiter_, fields_);
  // The usual names, ignoring case; RSK is the daily climate product's.
  static const std::vector<std::string_view> kUsual[3] = {
      {"station", "station_id", "stations_id", "id"},
      {"time", "date", "timestamp", "mess_datum"},
      {"value", "precipitation", "r1", "rs", "rr", "rsk"}};
  static const char* const kRoles[3] = {"station", "time", "value"};
  int* const columns[3] = {&station_column_, &time_column_, &value_column_};
  std::vector<std::string> missing, looked_for;
  for (int which = 0; which < 3; ++which) {
    const std::vector<std::string_view> names =
        rules_.columns.empty() ? kUsual[which]
                               : std::vector<std::string_view>{rules_.columns[which]};
    *columns[which] = find_column(fields_, names);
    if (*columns[which] >= 0) continue;
    missing.emplace_back(kRoles[which]);
    looked_for.push_back(std::string(kRoles[which]) + " (" +
                         listed({names.begin(), names.end()}, ", ") + ")");
  }
  if (!missing.empty()) {
    static const char* const kOptions[3] = {"--hourly-columns", "--climate-columns",
                                            "--collector-columns"};
    fail_import(exit_code::import_bad_line, file_, 1,
                "no " + listed(missing, " or ") + " column among " +
                    listed({fields_.begin(), fields_.end()}, ", ") +
                    "; names looked for: " + listed(looked_for, ", ") + "; --columns or " +
                    kOptions[static_cast<int>(rules_.kind)] + " STATION,TIME,VALUE names them");
  }
  needed_ = static_cast<std::size_t>(std::max({station_column_, time_column_, value_column_})) + 1;
}

void ValueParser::row(std::string_view text) {
  split_fields(text, delimiter_, fields_, needed_);
  if (fields_.size() < needed_) {
    fail_import(exit_code::import_bad_line, file_, line_,
                "the line holds " + std::to_string(fields_.size()) + " fields, the header " +
                    std::to_string(needed_) + " or more",
                text);
  }
  const std::string_view id = fields_[station_column_];
  if (last_station_ < 0 || id != last_id_) {
    last_station_ = stations_.find(id);
    if (last_station_ < 0) {
      fail_import(exit_code::import_unknown_station, file_, line_,
                  "station " + quoted(id) + " is not in the station table " + stations_.file, text);
    }
    last_id_.assign(id);
  }
  const std::string_view value_text = fields_[value_column_];
  bool present = !value_text.empty();
  double value = 0.0;
  if (present) {
    const auto read = read_decimal(value_text, delimiter_);
    if (!read) {
      fail_import(exit_code::import_bad_line, file_, line_,
                  "the value " + quoted(value_text) + " is no number", text);
    }
    value = *read;
    present =
        std::find(rules_.missing.begin(), rules_.missing.end(), value) == rules_.missing.end();
    if (present && value < 0.0) {
      fail_import(exit_code::import_bad_line, file_, line_,
                  "the value " + quoted(value_text) +
                      " is negative and no missing marker (--missing lists them)",
                  text);
    }
  }
  const std::optional<Landing> at = land(fields_[time_column_], text);
  if (at) sink_.take(last_station_, *at, present, value, file_, line_, text);
}

std::optional<Landing> ValueParser::land(std::string_view stamp_text, std::string_view text) {
  const auto stamp = parse_stamp(stamp_text);
  if (!stamp) {
    fail_import(exit_code::import_bad_line, file_, line_, quoted(stamp_text) + " is no time stamp",
                text);
  }
  const Kind kind = rules_.kind;
  // The minute the stamp names, in the written hours.
  std::optional<long long> written;
  if (stamp->has_time) {
    const UtcOffset own = stamp->offset.value_or(rules_.time_zone);
    written = static_cast<long long>(stamp->day) * 1440 + stamp->minute - own.minutes +
              rules_.utc_offset.minutes;
  }
  // A reading that could not be placed waits for this row: one stamped an
  // hour after it, at the same station, tells a file of hourly values.
  if (pending_) {
    const bool every_hour =
        written && last_station_ == pending_->station && *written == pending_->written + 60;
    fail_import(
        exit_code::import_not_placeable, file_, pending_->line,
        pending_->what + (every_hour ? every_hour_hint(line_, "later") : std::string(kPlaceHint)),
        pending_->text);
  }
  long long start = 0;  // the minute the period begins, in the written hours
  if (written) {
    if (*written % 60 != 0 || stamp->second != 0) {
      fail_import(exit_code::import_not_placeable, file_, line_,
                  "the stamp is no whole hour in UTC" + format_utc_offset(rules_.utc_offset) +
                      " (" + iso_minute(*written) +
                      "); --time-zone and --utc-offset say which offsets are meant",
                  text);
    }
    const long length = kind == Kind::hourly ? 60 : kind == Kind::climate ? 720 : 1440;
    start = rules_.label_end ? *written - length : *written;
  } else if (kind == Kind::collector) {
    // A date alone names a day of the source's clock: the total begins (or
    // ends) at 06:00 of that date there.
    const long long source_start =
        static_cast<long long>(rules_.date_label_start ? stamp->day : stamp->day - 1) * 1440 + 360;
    start = source_start - rules_.time_zone.minutes + rules_.utc_offset.minutes;
    if (floor_div(start - 360, 1440) * 1440 + 360 != start) {
      const std::string source = "UTC" + format_utc_offset(rules_.time_zone);
      fail_import(exit_code::import_not_placeable, file_, line_,
                  "the daily total dated " + iso_date(stamp->day) +
                      (rules_.date_label_start ? " begins" : " ends") + " at 06:00 in " + source +
                      " (--time-zone), that is " +
                      iso_minute(rules_.date_label_start ? start : start + 1440) +
                      " in the written hours of UTC" + format_utc_offset(rules_.utc_offset) +
                      " (--utc-offset), where no collector day begins or ends; import in " +
                      source + " (--utc-offset " + format_utc_offset(rules_.time_zone) +
                      ") and convert the result with rumo export --to-offset " +
                      format_utc_offset(rules_.utc_offset),
                  text);
    }
  } else {
    fail_import(exit_code::import_not_placeable, file_, line_,
                std::string(kind == Kind::hourly ? "an hourly value" : "a climate reading") +
                    " needs a time, the stamp holds a date alone: values dated by day are "
                    "daily totals, which belong to --collector",
                text);
  }
  Landing at;
  at.day = floor_div(start, 1440);
  const long minute = static_cast<long>(start - static_cast<long long>(at.day) * 1440);
  if (kind == Kind::hourly) {
    at.slot = static_cast<int>(minute / 60);
    return at;
  }
  const bool fits = minute == 360 || (kind == Kind::climate && minute == 1080);
  if (!fits) {
    const long long end = start + (kind == Kind::climate ? 720 : 1440);
    const std::string what =
        std::string(kind == Kind::climate ? "the reading" : "the daily total") + " covers " +
        iso_minute(start) + " to " + iso_minute(end) + " in UTC" +
        format_utc_offset(rules_.utc_offset) + ", but " +
        (kind == Kind::climate ? "a climate half begins at 06:00 or 18:00"
                               : "a collector day begins at 06:00");
    const bool same_station = written && previous_station_ == last_station_;
    if (same_station && previous_written_ == *written - 60) {
      fail_import(exit_code::import_not_placeable, file_, line_,
                  what + every_hour_hint(previous_line_, "earlier"), text);
    }
    if (written && !same_station) {
      // The station's first row: the next one tells whether hours follow.
      pending_ = Pending{line_, what, std::string(text), last_station_, *written};
      return std::nullopt;
    }
    fail_import(exit_code::import_not_placeable, file_, line_, what + kPlaceHint, text);
  }
  at.slot = minute == 360 ? 0 : 1;
  if (written) {
    previous_station_ = last_station_;
    previous_written_ = *written;
    previous_line_ = line_;
  }
  return at;
}

void read_file(FileSystem& files, const std::string& name,
               const std::function<void(std::string_view)>& take) {
  const auto source = files.open_input(name);
  if (!source) {
    fail_import(exit_code::import_file_not_read, name, 0,
                "cannot be opened: " + files.open_failure());
  }
  // One block for every file read, taken once: a file per station makes
  // thousands of files.
  thread_local const auto block = std::make_unique_for_overwrite<char[]>(kReadBlock);
  for (;;) {
    const std::size_t got = source->read(block.get(), kReadBlock);
    if (got > 0) take(std::string_view(block.get(), got));
    if (got < kReadBlock) break;
  }
  if (!source->close()) fail_import(exit_code::import_file_not_read, name, 0, "cannot be read");
}

void read_value_file(FileSystem& files, const std::string& name, const ValueRules& rules,
                     const StationList& stations, ValueSink& sink) {
  // A zip archive is read whole, then each of its product files; text is
  // parsed as it comes.
  std::optional<Content> content;
  std::string archive;
  ValueParser parser(rules, stations, name, sink);
  read_file(files, name, [&](std::string_view data) {
    if (!content) {
      content = content_of(data);
      if (*content == Content::binary) {
        fail_import(exit_code::import_not_text, name, 0,
                    "is a binary file, neither text nor a zip archive");
      }
    }
    if (*content == Content::zip) {
      archive.append(data);
    } else {
      parser.feed(data);
    }
  });
  if (content != Content::zip) {
    parser.finish();
    return;
  }
  std::optional<ValueParser> product;
  read_products(
      archive, name,
      [&](const std::string& label) { product.emplace(rules, stations, label, sink); },
      [&](std::string_view data) { product->feed(data); }, [&] { product->finish(); });
}

std::string read_text_file(FileSystem& files, const std::string& name, std::string_view what) {
  std::string text;
  read_file(files, name, [&](std::string_view data) {
    if (text.empty() && content_of(data) != Content::text) {
      fail_import(
          exit_code::import_not_text, name, 0,
          std::string(content_of(data) == Content::zip ? "is a zip archive" : "is a binary file") +
              ", but " + std::string(what) + " is a text file");
    }
    text.append(data);
  });
  return text;
}

SeriesStore::SeriesStore(Kind kind, std::size_t stations)
    : slots_(slots_per_day(kind)), series_(stations) {}

SeriesStore::Put SeriesStore::put(int station, Landing at, bool present, double value) {
  Series& series = series_[station];
  const long block = floor_div(at.day, kBlockDays);
  const std::size_t block_size = static_cast<std::size_t>(kBlockDays) * slots_;
  const auto fresh = [&] {
    auto made = std::make_unique<double[]>(block_size);
    std::fill(made.get(), made.get() + block_size, kAbsent);
    return made;
  };
  if (series.blocks.empty()) {
    series.first_block = block;
    series.blocks.emplace_back();
  } else if (block < series.first_block) {
    std::vector<std::unique_ptr<double[]>> grown(
        static_cast<std::size_t>(series.first_block - block));
    for (auto& held : series.blocks) grown.push_back(std::move(held));
    series.blocks = std::move(grown);
    series.first_block = block;
  } else if (block - series.first_block >= static_cast<long>(series.blocks.size())) {
    series.blocks.resize(static_cast<std::size_t>(block - series.first_block + 1));
  }
  auto& holder = series.blocks[static_cast<std::size_t>(block - series.first_block)];
  if (!holder) holder = fresh();
  double& place = holder[static_cast<std::size_t>(at.day - block * kBlockDays) * slots_ + at.slot];
  if (!absent(place)) {
    const bool same =
        present ? place == value : std::bit_cast<std::uint64_t>(place) == kMissingBits;
    return same ? Put::same : Put::different;
  }
  place = present ? value : kMissing;
  return Put::stored;
}

const double* SeriesStore::day(int station, long day) const {
  const Series& series = series_[station];
  const long block = floor_div(day, kBlockDays) - series.first_block;
  if (series.blocks.empty() || block < 0 || block >= static_cast<long>(series.blocks.size())) {
    return nullptr;
  }
  const auto& holder = series.blocks[static_cast<std::size_t>(block)];
  if (!holder) return nullptr;
  return holder.get() +
         static_cast<std::size_t>(day - floor_div(day, kBlockDays) * kBlockDays) * slots_;
}

}  // namespace rumo
