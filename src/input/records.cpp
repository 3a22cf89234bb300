#include "input/records.hpp"

#include <cmath>

#include "core/error.hpp"
#include "core/number_text.hpp"
#include "input/numbers.hpp"

namespace rumo {

namespace {

constexpr int kStampNumbers = 4;
std::string holds_values(std::size_t values, int stations) {
  return message_format("the record holds %zu values, the header names %d stations", values,
                        stations);
}

// A record read token by token, watching the lines the tokens stand on.
class LocatedRecord {
 public:
  LocatedRecord(TextReader& reader, int stations, exit_code::RecordCodes codes)
      : reader_(reader), stations_(stations), codes_(codes), previous_line_(reader.token_line()) {}

  // The next token of the record, the `index`th (from 0); fails when the file
  // ends or the record's shape shows a count of values that does not fit.
  std::string_view next(int index) {
    auto token = reader_.read_token();
    if (!token) fail_end(index);
    const std::size_t line = reader_.token_line();
    if ((index == 0 && line == previous_line_) || (index > 0 && line != last_line_)) {
      // Looking along the line may move the reader's text, and the token with it.
      kept_.assign(*token);
      token = kept_;
    }
    if (index == 0) {
      start_line_ = line;
      // A record behind another on one line is allowed; it is counted so that
      // a long record before it can be told.
      if (line == previous_line_) on_start_line_ = 1 + reader_.tokens_to_line_end(whole());
    } else if (line != last_line_) {
      // The record continues here: this line should hold its remaining
      // numbers, and a date and hour more means a record of its own.
      const auto needed = static_cast<std::size_t>(kStampNumbers + stations_ - index);
      const std::size_t held = 1 + reader_.tokens_to_line_end(needed + kStampNumbers + whole());
      // A record begun behind another on its line that runs onto a line
      // holding a whole record is the tail of a long record before it.
      if (held >= needed + kStampNumbers || (on_start_line_ > 0 && held >= whole())) {
        fail_shape(index);
      }
    }
    last_line_ = line;
    return *token;
  }

  [[noreturn]] void fail_text(int index, std::string_view token) {
    if (index < kStampNumbers && behind_long_record()) fail_shape(index);
    std::string what = quoted(token);
    if (index < kStampNumbers) {
      what += " is not a whole number (a record begins with year, month, day and hour)";
    } else {
      what += " is not a number";
      if (token.find(',') != std::string_view::npos) what += " (decimal comma?)";
    }
    fail_at(index < kStampNumbers ? codes_.stamp : codes_.value, reader_.token_line(), what);
  }

  std::size_t start_line() const { return start_line_; }

 private:
  // A date and hour and a value for every station.
  std::size_t whole() const { return static_cast<std::size_t>(kStampNumbers + stations_); }

  bool behind_long_record() const { return on_start_line_ > 0 && on_start_line_ < whole(); }

  [[noreturn]] void fail_end(int index) {
    if (index == 0) {
      fail_at(codes_.stamp, reader_.token_line(), "the file ends where a record should begin");
    }
    if (behind_long_record()) fail_shape(index);
    if (index < kStampNumbers) {
      fail_at(codes_.stamp, start_line_, "the file ends inside the date and hour of a record");
    }
    fail_at(codes_.value, start_line_,
            holds_values(static_cast<std::size_t>(index - kStampNumbers), stations_));
  }

  // The record's numbers do not fit its lines: the record before this one
  // left numbers on its line, or this one stops short of the next.
  [[noreturn]] void fail_shape(int index) {
    if (behind_long_record()) {
      fail_at(codes_.stamp, previous_line_,
              holds_values(static_cast<std::size_t>(stations_) + on_start_line_, stations_));
    }
    if (index < kStampNumbers) {
      fail_at(codes_.stamp, start_line_,
              message_format("the record holds %d of the 4 numbers of its date and hour", index));
    }
    fail_at(codes_.value, start_line_,
            holds_values(static_cast<std::size_t>(index - kStampNumbers), stations_));
  }

  [[noreturn]] void fail_at(int code, std::size_t line, const std::string& what) {
    fail_read(code, located_line(reader_.name, line, what));
  }

  TextReader& reader_;
  int stations_;
  exit_code::RecordCodes codes_;
  std::size_t previous_line_;
  std::size_t start_line_ = 0;
  std::size_t last_line_ = 0;
  std::size_t on_start_line_ = 0;
  std::string kept_;
};

RecordStamp located_record(TextReader& reader, HourField& field, int first, int last,
                           exit_code::RecordCodes codes) {
  LocatedRecord record(reader, last - first + 1, codes);
  RecordStamp result;
  for (int i = 0; i < kStampNumbers; ++i) {
    const std::string_view token = record.next(i);
    const auto number = parse_int_token(token);
    if (!number) record.fail_text(i, token);
    result.as_read[static_cast<std::size_t>(i)] = *number;
  }
  for (int station = first; station <= last; ++station) {
    const int index = kStampNumbers + station - first;
    const std::string_view token = record.next(index);
    const auto value = parse_double_token(token);
    if (!value) record.fail_text(index, token);
    field[station] = *value;
    if (*value < 0.0) reader.note_negative(*value);
  }
  result.line = record.start_line();
  reader.last_stamp = result.as_read;
  reader.last_stamp_line = result.line;
  return result;
}

}  // namespace

std::string quoted(std::string_view text) {
  std::string shown(1, '"');
  shown.append(text.substr(0, kShownText));
  shown += text.size() > kShownText ? "...\"" : "\"";
  return shown;
}

RecordStamp read_record(TextReader& reader, HourField& field, int first, int last,
                        exit_code::RecordCodes codes) {
  RecordStamp result;
  if (reader.located) {
    result = located_record(reader, field, first, last, codes);
  } else {
    for (int& number : result.as_read) {
      const auto value = reader.read_int();
      if (!value) fail_read(codes.stamp);
      number = *value;
    }
    for (int station = first; station <= last; ++station) {
      const auto value = reader.read_double();
      if (!value) fail_read(codes.value);
      field[station] = *value;
      if (*value < 0.0) reader.note_negative(*value);
    }
  }
  const auto& n = result.as_read;
  result.stamp = HourStamp{.year = correct_year(n[0]), .month = n[1], .day = n[2], .hour = n[3]};
  return result;
}

namespace {

// "FILE, line N: "STAMP" where hour H of D.M.YYYY was expected".
std::string expected_instead(const TextReader& reader, const RecordStamp& record,
                             const HourStamp& expected) {
  const auto& n = record.as_read;
  return located_line(
      reader.name, record.line,
      message_format("\"%d %d %d %d\" where hour %d of %d.%d.%d was expected", n[0], n[1], n[2],
                     n[3], expected.hour, expected.day, expected.month, expected.year));
}

}  // namespace

void fail_time_mismatch(int code, const HourStamp& hourly, const TextReader& reader,
                        const RecordStamp& record) {
  std::string message = message_format("Zeitvergleichsfehler bei %2d.%2d.%4d Stunde %2d !\n",
                                       hourly.day, hourly.month, hourly.year, hourly.hour);
  if (reader.located) message += expected_instead(reader, record, hourly);
  fail(code, message);
}

void check_next_hour(const TextReader& reader, const std::string& name, const HourStamp& previous,
                     const RecordStamp& record) {
  const HourStamp expected = next_hour(previous);
  if (record.stamp == expected) return;
  const HourStamp& found = record.stamp;
  std::string message = message_format(
      "%s: hour %d of %d.%d.%d is followed by hour %d of %d.%d.%d\n", name.c_str(), previous.hour,
      previous.day, previous.month, previous.year, found.hour, found.day, found.month, found.year);
  if (reader.located) message += expected_instead(reader, record, expected);
  fail(exit_code::hours_not_in_order, message);
}

std::string located_line(const std::string& name, std::size_t line, const std::string& what) {
  return message_format("%s, line %zu: %s\n", name.c_str(), line, what.c_str());
}

void fail_start_missing(int code, const std::string& name, const RunParameters& params) {
  fail(code, message_format("Datei %s enthaelt das Datum %2d.%2d.%2d,stunde %2d nicht (feof)!\n",
                            name.c_str(), params.start.day, params.start.month, params.start.year,
                            params.start_hour));
}

void fail_end_missing(const RunParameters& params, const TextReader* ended) {
  std::string message =
      message_format("Datei %s enthaelt das Enddatum %2d.%2d.%4d,stunde 24 nicht!\n",
                     params.hourly_file.c_str(), params.end.day, params.end.month, params.end.year);
  if (ended != nullptr && ended->located && ended->last_stamp_line > 0) {
    const auto& n = ended->last_stamp;
    message += located_line(
        ended->name, ended->last_stamp_line,
        message_format("the file ends with the record \"%d %d %d %d\", before hour 24 of %d.%d.%d",
                       n[0], n[1], n[2], n[3], params.end.day, params.end.month, params.end.year));
  }
  fail(exit_code::end_missing, message);
}

void warn_negative_values(std::ostream& err, const TextReader& reader) {
  const TextReader::Negatives& found = reader.negatives;
  if (found.count == 0) return;
  char smallest[32];
  *write_shortest(smallest, found.smallest) = '\0';
  err << "rumo: warning: " << reader.name << " holds " << found.count
      << (found.count == 1 ? " value" : " values") << " below 0 that "
      << (found.count == 1 ? "is" : "are") << " taken as rain (the smallest " << smallest
      << ", first on line " << found.first_line << ")";
  // One value throughout, such as -999 or -99, is a missing marker of its
  // source; a nodata value one below its size makes it missing.
  const double marker = -found.smallest;
  if (found.one_value && marker >= 2.0 && marker == std::floor(marker) && marker < 1e15) {
    char nodata[32];
    *write_shortest(nodata, marker - 1.0) = '\0';
    err << "; every one is " << smallest << ", which looks like a missing marker: --nodata "
        << nodata << " would treat it as missing";
  }
  err << "\n";
}

}  // namespace rumo
