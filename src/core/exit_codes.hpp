// Every exit code of the program, named once and grouped by family. The table
// of messages and exit codes in docs/messages.md lists each of them (a test
// reads it); a shell sees a code modulo 256, so 301 to 322 arrive as 45 to 66.
#pragma once

#include <array>

namespace rumo::exit_code {

// The run is complete (also --help and --version).
inline constexpr int success = 0;

// --- Usage ------------------------------------------------------------------
// The command line cannot be understood; nothing was read or written. No
// other code reaches 100 modulo 256, so a shell tells the two apart.
inline constexpr int usage = 100;

// --- Memory (1 to 17): "Speicherbelegungsfehler ! (code)" ----------------------
inline constexpr int memory_hourly_field = 1;        // cross-validation: one hour's values
inline constexpr int memory_weights = 2;             // inverse-distance weights and caches
inline constexpr int memory_text = 7;                // a line, a number answer, the result buffer
inline constexpr int memory_hourly_name = 8;         // answer 1: the hourly file's name
inline constexpr int memory_climate_name = 9;        // answer 2: the climate file's name
inline constexpr int memory_collector_name = 10;     // answer 3: the collector file's name
inline constexpr int memory_result_name = 11;        // answer 4: the result file's name
inline constexpr int memory_heights = 12;            // the stations' heights
inline constexpr int memory_first_coordinates = 13;  // their first coordinates
inline constexpr int memory_second_and_names = 14;   // their second coordinates and names
inline constexpr int memory_sums = 15;               // the period sums of a day
inline constexpr int memory_hour_fields = 16;        // the window's fields, the hours read ahead
inline constexpr int memory_first = 1;               // the family's range, as the table states it
inline constexpr int memory_last = 17;

// --- Run and open errors (101 to 112) -------------------------------------------
inline constexpr int station_file_not_opened = 101;  // a station file cannot be opened
inline constexpr int hourly_start_missing = 102;     // no hourly record for the start hour
inline constexpr int climate_start_missing = 103;    // no climate pair for the start date
inline constexpr int collector_start_missing = 104;  // no collector record for the start date
inline constexpr int climate_time_mismatch = 105;    // a climate stamp differs from the hour's
inline constexpr int collector_time_mismatch = 106;  // a collector stamp differs from the hour's
inline constexpr int result_not_created = 107;       // the result file cannot be created
inline constexpr int end_missing = 108;              // hour 24 of the end date is not reached
inline constexpr int too_many_stations = 109;        // more stations than the program holds
inline constexpr int hours_not_in_order = 110;       // an hourly record skips or repeats an hour
inline constexpr int added_file_not_created = 111;   // report, map or table cannot be created
// The titles of two input files state different time bases or CRSs.
inline constexpr int titles_disagree = 112;

// --- Import (120 to 128): "rumo import: FILE:LINE: what is wrong (the text)" -----
// A value file or the station table cannot be opened or read, or the output
// folder cannot be created.
inline constexpr int import_file_not_read = 120;
// A line cannot be understood: a header without the needed columns, a field
// missing, a stamp or value that cannot be read, a negative value that is not
// a missing marker.
inline constexpr int import_bad_line = 121;
// A value names a station that the station table does not list.
inline constexpr int import_unknown_station = 122;
// Two values for the same station and written hour (or reading).
inline constexpr int import_duplicate = 123;
// A stamp that cannot be placed on the program's hours: minutes other than
// 00, or a reading whose period does not begin where a half or day begins.
inline constexpr int import_not_placeable = 124;
// The station table cannot serve: an id listed twice, coordinates that
// cannot be read or projected, or two stations whose written names agree in
// their first 7 characters.
inline constexpr int import_bad_stations = 125;
// Nothing to write: no value in the period, or more stations than a run takes.
inline constexpr int import_nothing = 126;
// A station file cannot be written, or renamed into place.
inline constexpr int import_not_written = 127;
// A value file or station table is no text: a zip archive without a product
// file (or one that cannot be read), or another binary file.
inline constexpr int import_not_text = 128;

// --- Export (130 to 136) --------------------------------------------------------
// A run's --netcdf uses the codes of every added file instead (111 and 205),
// and the header codes of station files are the same for an export as for a
// run. An output file of `rumo export` cannot be created, or it names the
// file being exported or the other output; nothing is written.
inline constexpr int export_not_created = 130;
// An output file of the export could not be written or closed (device full,
// a NetCDF library failure); what was written is incomplete.
inline constexpr int export_not_written = 131;
// A record of the exported file cannot be read: a stamp or value that is no
// number, or a record with too few values.
inline constexpr int export_bad_record = 132;
// The records' stamps are not in time order, or an hour lies outside 1..24,
// or a date does not exist; a time axis needs strictly increasing hours.
inline constexpr int export_stamps_out_of_order = 133;
// The CRS (--crs, or the title line's) is one PROJ cannot use, or a station's
// coordinates cannot be turned into latitude and longitude with it; run and
// export alike stop with it before any data is read.
inline constexpr int export_bad_crs = 134;
// The file's title states no time base and --utc-offset gives none (a
// result file's title does not), or --to-offset lies a part of an hour
// from the file's offset, where no hour would land on a whole one.
inline constexpr int export_time_base = 135;
// The file's header names no station: there is no series to write.
inline constexpr int export_no_stations = 136;

// --- Close and write errors (201 to 205) -----------------------------------------
inline constexpr int hourly_not_closed = 201;
inline constexpr int climate_not_closed = 202;
inline constexpr int collector_not_closed = 203;
inline constexpr int result_not_closed = 204;       // also: its data did not reach the disk
inline constexpr int added_file_not_written = 205;  // report, map or table could not be written

// --- Read errors (301 to 322): "Dateilesefehler ! (code)" ------------------------
// A station header's line 3, 4 or 5: its four labels, then its entries.
struct HeaderLineCodes {
  int line;
  int labels;
  int entries;
  const char* entries_are;  // what the entries are, for located messages
};
inline constexpr std::array<HeaderLineCodes, 3> header_lines = {{
    {3, 301, 302, "first coordinates"},
    {4, 303, 304, "second coordinates"},
    {5, 305, 306, "names"},
}};

// A data record of one file in one phase: its stamp, then its values.
struct RecordCodes {
  int stamp;
  int value;
};
inline constexpr RecordCodes hourly_seek{307, 308};      // searching the start date
inline constexpr RecordCodes hourly_lead_in{309, 310};   // the first 30 hours of the run
inline constexpr RecordCodes climate_seek_7{311, 312};   // searching: the hour-7 reading
inline constexpr RecordCodes climate_seek_19{313, 314};  // searching: the hour-19 reading
inline constexpr RecordCodes collector_seek{315, 316};   // searching the start date
inline constexpr RecordCodes hourly_run{317, 318};       // during the run
inline constexpr RecordCodes climate_run{319, 320};      // during the run
inline constexpr RecordCodes collector_run{321, 322};    // during the run

// Every code above, for the check of the codes table.
inline constexpr std::array all = {success,
                                   usage,
                                   memory_hourly_field,
                                   memory_weights,
                                   memory_text,
                                   memory_hourly_name,
                                   memory_climate_name,
                                   memory_collector_name,
                                   memory_result_name,
                                   memory_heights,
                                   memory_first_coordinates,
                                   memory_second_and_names,
                                   memory_sums,
                                   memory_hour_fields,
                                   station_file_not_opened,
                                   hourly_start_missing,
                                   climate_start_missing,
                                   collector_start_missing,
                                   climate_time_mismatch,
                                   collector_time_mismatch,
                                   result_not_created,
                                   end_missing,
                                   too_many_stations,
                                   hours_not_in_order,
                                   added_file_not_created,
                                   titles_disagree,
                                   import_file_not_read,
                                   import_bad_line,
                                   import_unknown_station,
                                   import_duplicate,
                                   import_not_placeable,
                                   import_bad_stations,
                                   import_nothing,
                                   import_not_written,
                                   import_not_text,
                                   export_not_created,
                                   export_not_written,
                                   export_bad_record,
                                   export_stamps_out_of_order,
                                   export_bad_crs,
                                   export_time_base,
                                   export_no_stations,
                                   hourly_not_closed,
                                   climate_not_closed,
                                   collector_not_closed,
                                   result_not_closed,
                                   added_file_not_written,
                                   header_lines[0].labels,
                                   header_lines[0].entries,
                                   header_lines[1].labels,
                                   header_lines[1].entries,
                                   header_lines[2].labels,
                                   header_lines[2].entries,
                                   hourly_seek.stamp,
                                   hourly_seek.value,
                                   hourly_lead_in.stamp,
                                   hourly_lead_in.value,
                                   climate_seek_7.stamp,
                                   climate_seek_7.value,
                                   climate_seek_19.stamp,
                                   climate_seek_19.value,
                                   collector_seek.stamp,
                                   collector_seek.value,
                                   hourly_run.stamp,
                                   hourly_run.value,
                                   climate_run.stamp,
                                   climate_run.value,
                                   collector_run.stamp,
                                   collector_run.value};

}  // namespace rumo::exit_code
