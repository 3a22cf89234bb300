#!/usr/bin/env python3
"""Mutation check: puts small, plausible faults into src/ one at a time,
rebuilds, runs the test suite and reports which faults the suite misses.

    tools/mutate.py                 every fault
    tools/mutate.py --list          the faults, numbered, without running
    tools/mutate.py --only 3,17     some of them
    tools/mutate.py --build DIR     the build folder to use (build-mutate)

Each fault names a file, a piece of text that must occur in it exactly once,
and what replaces it. A fault whose text is no longer there is reported as
stale, so the list follows the code. The source file is always restored.
It takes a while (a rebuild and a suite run per fault): a tool to run by
hand, not a step of the test script.
"""

import argparse
import pathlib
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent

# (file under src/, text, replacement, what the fault does to the user)
FAULTS = [
    # core: the shared vocabulary
    ("core/window.hpp", "return value > -nodata;", "return value >= -nodata;",
     "the missing marker's boundary counts as present"),
    ("core/window.hpp", "negated - 1.0;", "negated;",
     "missing values written as -N instead of -N-1"),
    ("core/window.hpp", "return year < 100 ? year + 1900 : year;",
     "return year < 99 ? year + 1900 : year;", "year 99 no longer means 1999"),
    ("core/calendar.hpp", "(year % 4 == 0 && year % 100 != 0) || year % 400 == 0",
     "year % 4 == 0", "1900 and 2100 become leap years"),
    ("core/error.cpp", '"Dateilesefehler ! (%d)\\n", code)};',
     '"Dateilesefehler! (%d)\\n", code)};', "the read error's message changes"),
    ("core/files.cpp", "return flushed && closed && !failed_;",
     "return (flushed || true) && closed && !failed_;",
     "a result that never reached the disk is reported as written"),
    # input: dialogue, headers, positioning, advance, numbers
    ("input/dialogue.cpp", "params.start_hour = 1;", "params.start_hour = 0;",
     "the run looks for hour 0 of the start date"),
    ("input/dialogue.cpp", "std::clamp(params.start.month, 1, 12)",
     "std::clamp(params.start.month, 1, 11)", "December as start month is corrected"),
    ("input/dialogue.cpp", "if (value) field = *value;", "if (value && *value != 0) field = *value;",
     "an answer of 0 keeps the earlier value"),
    ("input/station_header.cpp", "kLabelLength = 11;", "kLabelLength = 12;",
     "the label of line 2 is one character longer"),
    ("core/stations.hpp", "kNameLength = 7;", "kNameLength = 8;",
     "names keep 8 characters"),
    ("input/station_header.cpp", "if (first_number - 1 + count > kMaxStations) {",
     "if (first_number - 1 + count > kMaxStations + 1) {", "one station too many is accepted"),
    ("input/text_reader.cpp", "if (!line.empty() && line.back() == '\\r') line.pop_back();",
     "", "Windows line ends leave a carriage return in header lines"),
    ("input/records.cpp", ".month = n[1], .day = n[2], .hour = n[3]}",
     ".month = n[2], .day = n[1], .hour = n[3]}", "day and month swapped in stamps"),
    ("input/records.cpp", 'what += " (decimal comma?)";', "what += \"\";",
     "a decimal comma is no longer pointed out"),
    ("core/window.cpp", "if (++next.day <= days) return next;", "if (++next.day < days) return next;",
     "the last day of a month counts as a gap in the hours"),
    ("input/numbers.cpp", "if (decimals > 0) value /= kPowers[decimals];",
     "if (decimals > 1) value /= kPowers[decimals];", "values with one decimal read ten times too big"),
    ("input/positioning.cpp", "constexpr int kRawLines = 6;", "constexpr int kRawLines = 5;",
     "hour 6 of the start date is not written"),
    ("input/positioning.cpp", "fail_start_missing(exit_code::climate_start_missing, params.climate_file, params);",
     "fail_start_missing(104, params.climate_file, params);", "a missing climate start gives 104"),
    ("input/advance.cpp", "(stamp.hour == 7 || stamp.hour == 19)", "(stamp.hour == 7)",
     "the evening climate readings are never read"),
    ("input/advance.cpp", "if (stamp.day == 1 && stamp.hour == 1) {",
     "if (stamp.day == 2 && stamp.hour == 1) {", "the month line comes a day late"),
    ("input/advance.cpp", "exit_code::collector_run, exit_code::collector_time_mismatch);",
     "exit_code::collector_run, exit_code::climate_time_mismatch);",
     "a collector time mismatch reports the climate code"),
    # interp: the weights, the engine, the scaling
    ("core/weighting.hpp", "return d2 == 0.0 ? 0.1 : d2;", "return d2 == 0.0 ? 0.01 : d2;",
     "a station at the target's place weighs ten times more"),
    ("core/weighting.hpp", "if (value < settings.lower_limit) return settings.lower_replacement;",
     "if (value <= settings.lower_limit) return settings.lower_replacement;",
     "an estimate equal to the lower limit is replaced"),
    ("core/weighting.cpp", "if (step == 2000.0) return WeightForm::inverse_square;", "",
     "power 2 goes through the exponential (other last bits)"),
    ("interp/engine.cpp", "if (!(d2 <= reach)) continue;", "if (!(d2 < reach)) continue;",
     "a station at exactly the maximum distance is left out"),
    ("interp/engine.cpp", "values[t] += row[t] / sums[t] * value;",
     "values[t] += row[t] * value / sums[t];", "the engine's operation order changes"),
    ("interp/engine.cpp", "const double value = sums.usable[t] ? values[t] : 0.0;",
     "const double value = values[t];", "targets without a usable weight sum keep a value"),
    ("interp/engine.cpp", "const int part_last = first + static_cast<int>(targets * (k + 1) / parts) - 1;",
     "const int part_last = first + static_cast<int>(targets * (k + 1) / parts) - 2;",
     "with several threads one target of each part is not interpolated"),
    ("interp/spreading.cpp", "if (!(sum >= 0.0)) {", "if (!(sum > 0.0)) {",
     "a half without interpolated rain becomes missing instead of 0"),
    ("interp/adjust.cpp", "pass({counts.first_collector(), counts.total(), 1, 24, -nodata}",
     "pass({counts.first_collector(), counts.total(), 1, 24, missing_marker(nodata)}",
     "a collector day with a negative sum gets the marker instead of -N"),
    ("interp/adjust.cpp", "pass({first, last, 13, 24, missing_marker(nodata)}",
     "pass({first, last, 13, 23, missing_marker(nodata)}",
     "hour 6 is left out of the second climate half"),
    # output: the result file
    ("output/result_writer.cpp", "if (value == 0.0 || value <= -nodata) {",
     "if (value == 0.0 || value < -nodata) {", "a value of exactly -N is written with a decimal"),
        ("output/result_writer.cpp", '"interpolierte Stationswerte"', '"interpolierte Stationswerte "',
     "the result file's title changes"),
    ("output/number_format.cpp", "const double up = d == 0.5 && e > 0.0 ? 1.0 : 0.0;",
     "const double up = d == 0.5 && e >= 0.0 ? 1.0 : 0.0;", "exact ties round up instead of to even"),
    # run: the driver
    ("run/run.cpp", "(!params.climate_file.empty() && files.same_file(name, params.climate_file)) ||",
     "", "the result may overwrite the climate file"),
    ("run/run.cpp", 'console.out << "\\n";', "", "the last progress line has no line end"),
    ("run/run.cpp", "const bool located = run.options.located;",
     "const bool located = false;", "option runs no longer say where input errors lie"),
    ("run/run.cpp", "    tell_additions(run, written);\n    if (written.end_reached) break;",
     "    if (written.end_reached) break;\n    tell_additions(run, written);",
     "the additions are not told the last day of the run"),
    # report and map
    ("interp/spreading.cpp", "if (!(sum >= 0.0)) {", "if (!(sum > -1.0)) {",
     "a slightly negative sum scales the reading instead of making the hours missing"),
    ("interp/spreading.cpp", "spread.outcome = Outcome::no_rain_interpolated;",
     "spread.outcome = Outcome::scaled;",
     "readings lost to a dry interpolation are reported as scaled"),
    # hours without hourly values: the count, the choice, the tallies
    ("interp/spreading.cpp", "period.no_data_hours > 0 ? choices.no_data_hours",
     "period.no_data_hours > 1 ? choices.no_data_hours",
     "a period with one hour without data is written as if every hour had data"),
    ("interp/spreading.cpp", "without == NoDataHours::nearest_wet ? period.nearest_wet()",
     "without == NoDataHours::uniform ? period.nearest_wet()",
     "--no-data-hours uniform follows the nearest wet station, nearest-wet spreads evenly"),
    ("interp/hourly_coverage.cpp", "if (in_reach == 0 || hour.absent.size()",
     "if (hour.absent.size()", "a station with no hourly station in reach gets hours without data"),
    ("crossval/disaggregation.cpp", "(without >> from) & ", "without & ",
     "a left-out station's second half counts the first half's hours without data"),
    ("core/periods.cpp", "if (how == NoDataHours::missing || (how == NoDataHours::zero &&",
     "if ((how == NoDataHours::zero &&",
     "readings written missing count as having reached the result"),
    ("interp/spreading.cpp",
     "  if (choices.keep_totals) keep_period_total(hours, reading, choices.decimals, nodata);\n"
     "  return spread;\n}",
     "  if (choices.keep_totals && spread.outcome == Outcome::scaled)\n"
     "    keep_period_total(hours, reading, choices.decimals, nodata);\n  return spread;\n}",
     "kept totals leave the periods spread by the dry fallback unrounded"),
    ("core/periods.cpp", "if (present) tally.observed_total += period.reading;",
     "tally.observed_total += period.reading;", "missing markers counted in the observed total"),
    ("report/run_report.cpp",
     "if (outcome == Outcome::scaled) out = write_shortest(out, p.reading / p.interpolated);",
     "if (outcome != Outcome::reading_missing) out = write_shortest(out, p.reading / p.interpolated);",
     "a factor is written for periods that were not scaled"),
    ("report/run_report.cpp",
     "return std::tie(p.stamp, p.station);",
     "return std::tie(p.stamp.year, p.stamp.month, p.stamp.day, p.station);",
     "the report's rows of hour 19 come before the collectors' of hour 7"),
    # this round's features: import, export, kept totals, shifted stamps
    ("import/value_file.cpp", "start = rules_.label_end ? *written - length : *written;",
     "start = rules_.label_end ? *written : *written - length;",
     "end-labelled hours of the importer land an hour late"),
    ("output/netcdf_writer.cpp", "bounds[2 * k] = ends[k] - length;",
     "bounds[2 * k] = ends[k] - length + 1.0;", "the NetCDF time bounds miss an hour"),
    ("interp/spreading.cpp", "(keys[j] == keys[i] ? 1 : 0) & (j < i ? 1 : 0);",
     "(keys[j] == keys[i] ? 1 : 0) & (j > i ? 1 : 0);",
     "kept totals give a tied unit to the later hour"),
    ("interp/spreading.cpp", "if (shortfall == static_cast<double>(found.halves)) {",
     "if (shortfall <= static_cast<double>(found.halves)) {",
     "kept totals round each hour to the nearest unit even where that misses the total"),
    ("interp/spreading.cpp", "if (rest == in_bucket[static_cast<std::size_t>(last)]) {",
     "if (rest <= in_bucket[static_cast<std::size_t>(last)]) {",
     "kept totals give a unit to every hour of the last bucket, more than the reading"),
    ("interp/engine.cpp", "if (then) then(part.group.first, part.group.last);",
     "if (then && index == 0) then(part.group.first, part.group.last);",
     "with more than one thread, the stations of the later parts are not scaled"),
    ("export/netcdf_series.cpp", "  written_ += hours;\n  held_ = 0;\n  file_.write_time(",
     "  struct Given {\n    NetcdfSeries& file;\n"
     "    std::size_t hours;\n    ~Given() {\n      if (std::uncaught_exceptions() == 0) file.written_ += hours, file.held_ = 0;\n"
     "    }\n  } given{*this, hours};\n  file_.write_time(",
     "a NetCDF block counts as written only once it is: after it fails, closing the file writes it again"),
    ("checks/stamp_shift.hpp", "kShiftWetPeriods = 10;", "kShiftWetPeriods = 100;",
     "readings stamped a day late go unwarned at stations of a short record"),
    ("checks/stamp_shift.cpp", "(same < last - first + 1 || same > static_cast<long>(kNamesShown))",
     "(same > static_cast<long>(kNamesShown))",
     "a network stamped a day late goes unwarned where no station shows it alone"),
    ("checks/stamp_shift.cpp", "Judged& kind = kinds_[p.station <= counts_.last_climate() ? 0 : 1];",
     "Judged& kind = kinds_[0];", "collector stations are judged together with the climate ones"),
    ("checks/clock_check.cpp", "const long first = waiting.first + pair.shift(k);",
     "const long first = waiting.first - pair.shift(k);",
     "hourly values an hour early at a climate or collector station's place are told as an hour late"),
    ("checks/clock_check.cpp", "pair.waiting.front().first + 2 * pair.period - 1 <= latest_",
     "pair.waiting.front().first + pair.period - 1 <= latest_",
     "readings are compared before the hours a period later are told: no clock is ever checked"),
    ("map/station_map.cpp", 'out += "&amp;";', 'out += "&";', "an ampersand in a name breaks the map"),
    # checks: warnings for likely mistakes
    ("checks/station_checks.cpp", "reached = dx * dx + dy * dy <= reach;",
     "reached = dx * dx + dy * dy < reach;",
     "a station at exactly the maximum distance is warned of as unreached"),
    # crossval: cross-validation
    ("crossval/cross_validation.cpp", "f.rmse = std::sqrt(s.square / n);", "f.rmse = s.square / n;",
     "the root mean square error is given squared"),
    ("crossval/cross_validation.cpp", "const double difference = estimated - observed;",
     "const double difference = observed - estimated;", "the bias has the wrong sign"),
    ("crossval/cross_validation.cpp", "HourStamp owner = stamp.hour >= 7 ? stamp : day_before(stamp);",
     "HourStamp owner = stamp.hour >= 8 ? stamp : day_before(stamp);",
     "daily sums run from hour 8 instead of hour 7"),
    ("crossval/cross_validation.cpp", "for (const double factor : {0.25, 0.5, 1.0, 2.0, 4.0}) {",
     "for (const double factor : {0.25, 0.5, 2.0, 4.0}) {",
     "the run's own distance is missing from the default grid"),
    # the neighbour limit and the patterns
    ("interp/nearest.cpp", "return a.d2 < b.d2 || (a.d2 == b.d2 && a.station < b.station);",
     "return a.d2 < b.d2;", "under a neighbour limit equally near stations are taken in any order"),
    ("interp/nearest.cpp", "if (chosen.size() == limit) break;", "if (chosen.size() > limit) break;",
     "a neighbour limit of K takes K + 1 stations"),
    ("interp/idw.cpp", "const auto kept = in_reach.begin() + static_cast<std::ptrdiff_t>(limit);",
     "const auto kept = in_reach.begin() + static_cast<std::ptrdiff_t>(limit) - 1;",
     "the plain form takes one neighbour too few"),
    ("run/run.cpp", "run.params.neighbours = run.options.neighbours;", "",
     "--neighbours is ignored by the run"),
    ("interp/patterns.cpp", "shaped[k] = std::pow(estimates[k], kSharpenExponent);",
     "shaped[k] = estimates[k] * estimates[k];", "sharpen squares the hours instead of the power 1.2"),
    ("interp/patterns.cpp", "const double delta = estimates.size() == 24 ? kPeakAddDay : kPeakAddHalf;",
     "const double delta = estimates.size() == 12 ? kPeakAddDay : kPeakAddHalf;",
     "peak-add takes the climate halves' δ for collector days and the other way round"),
    ("interp/patterns.cpp", "? std::min(f, n1 + delta / reading)", "? std::max(f, n1 + delta / reading)",
     "peak-add raises the peak beyond both bounds"),
    ("interp/patterns.cpp", "n1 + (f - n1) * std::pow(n1 / f, kPeakAlignExponent);",
     "n1 + (f - n1) * (n1 / f);", "peak-align follows the neighbours' peak with exponent 1"),
    ("interp/spreading.cpp", "for (; at > 0 && d2 < least[at - 1]; --at) {",
     "for (; at > 0 && d2 <= least[at - 1]; --at) {",
     "among equally near wet stations the higher number comes first"),
    ("interp/adjust.cpp", "return shares / static_cast<double>(found);",
     "return shares / kPeakNeighbours;", "the run's f divides by 3 where fewer wet stations qualify"),
    ("crossval/disaggregation_table.cpp", "f.peak >= 0.9 && f.peak <= 1.1;", "f.peak >= 0.9;",
     "the choice told for floods may have peaks far above the observed ones"),
    ("crossval/cv_output.cpp", "         f.neighbours == run_neighbours;",
     "         (static_cast<void>(run_neighbours), true);",
     "the run's own pair is found whatever its neighbour limit"),
    ("crossval/cross_validation.cpp",
     "pair.distance = p / grid.neighbours.size() % grid.distances.size();",
     "pair.distance = p % grid.distances.size();",
     "with neighbour limits the cross-validation estimates with the wrong distances"),
    ("crossval/cross_validation.cpp", "const double term = weight[j] / sums[j] * value;",
     "const double term = weight[j] * value / sums[j];",
     "the cross-validation's estimates differ from the run's in the last bits"),
    ("crossval/cross_validation.cpp",
     "hour.changed_run = std::min(hour.changed_run, run);",
     "hour.changed_run = std::max(hour.changed_run, run);",
     "the cross-validation's kept weight sums miss the first change of the present stations"),
    ("crossval/disaggregation.cpp", "  at.hour = hour;\n", "  at.hour = hour * 0 + 24;\n",
     "the periods file writes hour 24 where a period's reading is of hour 7 or 19"),
    # cli: the command line
    ("cli/option_values.cpp", "date.day > days_in_month(date.month, date.year)",
     "date.day > days_in_month(date.month, date.year) + 1", "31 June is accepted"),
    ("cli/option_values.cpp", "(range == Range::not_negative && !(value >= 0.0))",
     "(range == Range::not_negative && !(value >= -1.0))", "a negative power is accepted"),
    ("cli/option_values.cpp", "if (end < start)\n    usage_error(", "if (end < start && false)\n    usage_error(",
     "an end before the start is accepted"),
    ("cli/command_line.cpp", "p.start_hour = 1;", "p.start_hour = 0;",
     "option runs look for hour 0 of the start date"),
    ("cli/command_line.cpp", "p.upper_limit = limit(\"--upper-limit\", t.upper_limit, HUGE_VAL, true);",
     "p.upper_limit = limit(\"--upper-limit\", t.upper_limit, 1000.0, true);",
     "the default upper limit cuts rain above 1000"),
    # the edges: the importer's files, the station-file writer, the stamp texts
    ("import/importer.cpp", "for (const auto& [part, name] : parts) files.remove(part);", "",
     "a failed import leaves its part files behind"),
    ("output/result_writer.cpp",
     "file.write_text(exact ? std::string_view(table.name[i]) : kept_name(table.name[i]));",
     "file.write_text(kept_name(table.name[i]));", "the importer cuts station names to 7 characters"),
    ("core/stamp_text.cpp", "minute >= 0 ? minute / 1440 : -((-minute + 1439) / 1440);",
     "minute / 1440;", "a minute before 1970 is dated a day late"),
    # the weather service's downloads as they come
    ("import/archive.cpp", 'if (!base_name(name).starts_with("produkt_")) {',
     "if (base_name(name).empty()) {", "the archives' metadata files are read as value files"),
    ("import/archive.cpp", "return byte < 0x20 && byte != '\\t'", "return byte == 0 && byte != '\\t'",
     "a packed file without a NUL in its head is read as text"),
    ("import/value_file.cpp", '"rr", "rsk"}};', '"rr"}};',
     "the daily climate product's RSK is not found as the value column"),
    ("import/value_file.cpp", "if (text.empty() && content_of(data) != Content::text) {",
     "if (text.empty() && content_of(data) == Content::binary) {",
     "a zip archive given as the station table is read as a list"),
    ("cli/import_command.cpp",
     '{"--hourly-columns", "--climate-columns", "--collector-columns"};',
     '{"--hourly-columns", "--collector-columns", "--climate-columns"};',
     "--climate-columns names the collector files' columns, --collector-columns the climate files'"),
    ("import/station_list.cpp", "<= 100.0))", "<= 80.0))",
     "two station lists may place a station only 80 m apart"),
    ("import/importer.cpp", "for (const int s : used) check_one_place(list, s);", "",
     "a station two lists place kilometres apart is imported at the first list's place"),
    ("import/value_file.cpp", "present ? place == value :", "present ? true :",
     "a different value in an overlapping download is taken as a repeated one"),
    ("import/importer.cpp", "if (put == SeriesStore::Put::same) ++repeated;", "",
     "repeated rows of overlapping downloads are not counted"),
    ("import/value_file.cpp", "start = source_start - rules_.time_zone.minutes + rules_.utc_offset.minutes;",
     "start = source_start;",
     "a date-only daily total is placed at 06:00 of the written hours, whatever the source's offset"),
    ("import/importer.cpp", "if (request.start || request.end) tell_left_out(list, kinds[k], out);",
     "if (false) tell_left_out(list, kinds[k], out);",
     "stations without a value in --start to --end vanish without a word"),
    ("import/importer.cpp", "if (best_end - best_begin == members.size()) return written;",
     "return written;", "an old station among new ones stretches the printed run period over years"),
    # time bases that travel: the export's offsets, the run's titles
    ("export/series.cpp", "    hour += 24;\n    days -= 1;\n", "    hour += 24;\n",
     "an hour moved back across midnight stays on its day"),
    ("run/export_file.cpp", "const int moved_minutes = offset.minutes - base.offset->minutes;",
     "const int moved_minutes = base.offset->minutes - offset.minutes;",
     "--to-offset moves the hours the wrong way"),
    ("run/export_file.cpp", "for (std::size_t j = i + 1; j < titles.size(); ++j) {",
     "for (std::size_t j = i + 2; j < titles.size(); ++j) {",
     "a run's hourly and climate files with different time bases go unnoticed"),
    # unique series: the kind's letter and, where a name repeats, the number
    ("export/series.cpp", 'kLetters[] = {"", "H", "K", "S"};', 'kLetters[] = {"", "H", "H", "S"};',
     "an hourly and a climate station of one name share their series id"),
    ("export/series.cpp", "if (uses[ids[i]] > 1) ids[i] += number(i);",
     "if (uses[ids[i]] > 2) ids[i] += number(i);", "a name given twice gives one series id twice"),
    ("import/value_file.cpp", "*written == pending_->written + 60;", "*written == pending_->written + 120;",
     "hourly values given as collector totals are not named as the likely cause"),
    ("import/importer.cpp", "any = values != nullptr && values[hour - day * 24] == values[hour - day * 24];",
     "any = values != nullptr;", "hours without any hourly value go untold where the days have values"),
    ("import/importer.cpp", "run = any ? 0 : run + 1;", "run += any ? 0 : 1;",
     "the longest run of hours without any hourly value spans the hours with values between runs"),
    # CF as its checker reads it: the grid mappings, the file without stations
    ("export/netcdf_series.cpp",
     'if (projection) file.text(var, "grid_mapping", mappings.attribute);',
     'if (projection) file.text(var, "grid_mapping", "crs");',
     "latitude and longitude are said to be on the projection's datum"),
    ("output/cf_grid_mapping.cpp", "if (crs.inverse_flattening == 0.0) {",
     "if (crs.inverse_flattening != 0.0) {", "an ellipsoid is written as a sphere"),
    ("run/export_file.cpp", "if (count == 0) {", "if (count < 0) {",
     "a file without stations is exported with an invented one"),
    # a geographic CRS refused
    ("core/projection.cpp", "type == PJ_TYPE_GEOGRAPHIC_CRS || type == PJ_TYPE_GEOGRAPHIC_2D_CRS ||",
     "type == PJ_TYPE_GEOGRAPHIC_CRS ||", "EPSG:4326 passes as the CRS of station coordinates"),
    # grid: the hourly grids
    ("grid/grid_idw.cpp", "if (d2 <= reach_) in_reach.emplace_back(d2, static_cast<std::uint32_t>(s));",
     "if (d2 < reach_) in_reach.emplace_back(d2, static_cast<std::uint32_t>(s));",
     "a station at exactly the maximum distance of a cell is left out"),
    ("grid/grid_idw.cpp", "if (!part.known_valid || part.known != present) {",
     "if (!part.known_valid) {", "a cell keeps the sources of the first hour when others come and go"),
    ("grid/grid_idw.cpp", """          std::partial_sort(in_reach.begin(), in_reach.begin() + static_cast<long>(keep),
                            in_reach.end());""",
     """          std::partial_sort(in_reach.begin(), in_reach.begin() + static_cast<long>(keep),
                            in_reach.end(), [](const auto& a, const auto& b) {
                              return a.first < b.first || (a.first == b.first && a.second > b.second);
                            });""",
     "of two stations at the same distance from a cell, the later one is taken"),
    ("grid/grid_geometry.cpp", "columns = std::max(1.0, std::ceil(high_x / cell) - first_column);",
     "columns = std::max(1.0, std::floor(high_x / cell) - first_column);",
     "the easternmost stations fall outside the default extent"),
    ("grid/grid_file.cpp", "((held_ + k) * rows + (row - first)) * columns;",
     "((held_ + k) * rows + (rows - 1 - (row - first))) * columns;",
     "the rows of each band of the grid file run north to south"),
    # one NetCDF writer for the station series and the grids
    ("grid/grid_file.cpp", 'file.text(var, "grid_mapping", mappings.attribute);',
     'file.text(var, "grid_mapping", "crs");',
     "the grid's latitude and longitude are said to be on the projection's datum"),
    ("grid/grid_file.cpp", "projection = planar_projection(layout.crs);",
     "std::string reason; projection = Projection::create(layout.crs, reason);",
     "the grid takes a geographic CRS and calls degrees projection coordinates"),
    ("output/cf_grid_mapping.cpp", "if (!geographic && crs.name != \"unknown\")",
     "if (crs.name != \"unknown\")", "WGS 84 of latitude and longitude is named a projected CRS"),
    ("run/grid_addition.cpp", "keep(day.window.stamp(slot), day.window.field(slot), decimals_);",
     "keep(day.window.stamp(slot), day.window.field(slot), -1);",
     "the grid takes the stations' values unrounded, not as the result file writes them"),
    # the source's ids, kept also where the names are the list's names
    ("import/importer.cpp", "conventions_title(kTitles[k], request.rules.utc_offset, crs, ids)",
     "conventions_title(kTitles[k], request.rules.utc_offset, crs)",
     "the imported files' titles no longer list the stations' ids"),
    ("export/series.cpp", "id += station.source_id.empty() ? station.name : station.source_id;",
     "id += station.name;", "series ids are made of the names where the source's ids are known"),
]


def run(command, cwd=ROOT, timeout=None):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, timeout=timeout)


def build_and_test(build, jobs):
    if run(["cmake", "--build", build, "-j", str(jobs)]).returncode != 0:
        return "no-build"
    try:
        tested = run(["ctest", "--test-dir", build, "-j", str(jobs), "--stop-on-failure",
                      "--timeout", "120"], timeout=1800)
    except subprocess.TimeoutExpired:
        return "killed"
    return "survived" if tested.returncode == 0 else "killed"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build-mutate")
    parser.add_argument("--only", default="")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--jobs", type=int, default=2)
    args = parser.parse_args()

    chosen = range(1, len(FAULTS) + 1)
    if args.only:
        chosen = [int(n) for n in args.only.split(",")]
    if args.list:
        for n in chosen:
            path, _, _, what = FAULTS[n - 1]
            print(f"{n:3}  src/{path}: {what}")
        return 0

    configure = ["cmake", "-S", ".", "-B", args.build, "-DCMAKE_BUILD_TYPE=Release",
                 "-DRUMO_BUILD_TESTS=ON", "-DRUMO_BUILD_BENCH=OFF"]
    if run(configure).returncode != 0 or build_and_test(args.build, args.jobs) != "survived":
        print("the unchanged code does not build or pass its tests; nothing to compare",
              file=sys.stderr)
        return 2

    counts = {"killed": 0, "survived": 0, "no-build": 0, "stale": 0}
    for n in chosen:
        path, text, replacement, what = FAULTS[n - 1]
        source = ROOT / "src" / path
        original = source.read_text()
        started = time.time()
        if original.count(text) != 1:
            outcome = "stale"
        else:
            try:
                source.write_text(original.replace(text, replacement))
                outcome = build_and_test(args.build, args.jobs)
            finally:
                source.write_text(original)
        counts[outcome] += 1
        print(f"{n:3}  {outcome:8}  {time.time() - started:5.0f} s  src/{path}: {what}",
              flush=True)
    # Back to the unchanged code, so the folder is left as it was found.
    run(["cmake", "--build", args.build, "-j", str(args.jobs)])
    print(", ".join(f"{count} {name}" for name, count in counts.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
