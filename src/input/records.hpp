// Data records: a stamp of four integers (year, month, day, hour) and one
// value per station of the file, separated by any white space.
#pragma once

#include <array>
#include <cstddef>
#include <ostream>
#include <string>

#include "core/exit_codes.hpp"
#include "core/params.hpp"
#include "core/window.hpp"
#include "input/text_reader.hpp"

namespace rumo {

// A record's stamp, year corrected, with the line it begins on and its four
// numbers as the file writes them.
struct RecordStamp {
  HourStamp stamp;
  std::size_t line = 0;
  std::array<int, 4> as_read{};
};

// Reads the next record: its stamp, and the values of stations first..last
// into `field`. A stamp that breaks off or holds anything but four integers
// ends the run with `codes.stamp`, a value that is missing or no number with
// `codes.value`.
//
// A located reader also says where and what: each failure gets a
// second line with the file, the line and the text found, and a record whose
// count of values differs from the header's is caught at that record. Records
// may wrap over lines; a record is short when it runs onto a later line that
// holds, besides the numbers it still lacks, four or more numbers (a date and
// hour of its own), and the record before it is long when a record begins
// behind it on its line and runs onto such a line or one that holds a whole
// record (a date and hour and a value for every station).
RecordStamp read_record(TextReader& reader, HourField& field, int first, int last,
                        exit_code::RecordCodes codes);

// "Zeitvergleichsfehler ..." with the hourly stamp; a located reader of the
// climate or collector file adds the record that does not match.
[[noreturn]] void fail_time_mismatch(int code, const HourStamp& hourly, const TextReader& reader,
                                     const RecordStamp& record);

// Each hourly record from the start record on must carry the hour after the
// previous one's; otherwise the run stops with exit_code::hours_not_in_order,
// naming the file and both stamps.
void check_next_hour(const TextReader& reader, const std::string& name, const HourStamp& previous,
                     const RecordStamp& record);

// Text found, in quotes for a message; longer text is cut after 40
// characters, so that a binary file or a very long token keeps the message
// on one readable line.
inline constexpr std::size_t kShownText = 40;
std::string quoted(std::string_view text);

// "NAME, line N: WHAT" and a line end, for the second line of a failure.
std::string located_line(const std::string& name, std::size_t line, const std::string& what);
// "Datei NAME enthaelt das Datum ... nicht (feof)!": the file ended before
// the start record was found.
[[noreturn]] void fail_start_missing(int code, const std::string& name,
                                     const RunParameters& params);

// exit_code::end_missing: the hourly file does not reach hour 24 of the end date. `ended` is
// the hourly file's reader if the file ended before it; a located one adds
// the file's last record.
[[noreturn]] void fail_end_missing(const RunParameters& params, const TextReader* ended);

// The warning on values below 0 that the reader's records held and that
// count as rain, if there were any.
void warn_negative_values(std::ostream& err, const TextReader& reader);

}  // namespace rumo
