// A small random network and a few days of its data, in memory: stations out
// of reach, dry and wet hours, missing values and readings, start dates near
// month and year ends. The hourly file ends six hours after the end date, or
// with hour 24 of it (the last periods lack hours), or now and then at noon
// of it (the run fails).
#pragma once

#include <random>
#include <string>

#include "core/calendar.hpp"
#include "core/files.hpp"
#include "core/params.hpp"

namespace rumo::testing {

struct RandomRun {
  MemoryFiles files;
  RunParameters params;
  int hourly = 0, climate = 0, collector = 0, days = 0;

  explicit RandomRun(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) {
      return std::uniform_int_distribution<int>(low, high)(random);
    };
    const auto uniform = [&](double low, double high) {
      return std::uniform_real_distribution<double>(low, high)(random);
    };
    const auto tenths = [&](double high) { return std::to_string(pick(1, int(high * 10)) / 10.0); };
    const auto reading = [&] {
      const int roll = pick(0, 19);
      return roll < 3 ? std::string("-9999") : roll < 7 ? std::string("0") : tenths(30.0);
    };
    hourly = pick(1, 5), climate = pick(0, 3), collector = pick(0, 3), days = pick(1, 4);
    const int ending = pick(0, 9);  // 0: noon of the end date, 1..4: hour 24, else hour 6 after
    std::string text[3];
    const char kinds[] = "hcs";
    for (const int k : {0, 1, 2}) {
      const int count = k == 0 ? hourly : k == 1 ? climate : collector;
      std::string lines[4] = {"YY\tMM\tDD\tHH", "YY MM DD HH", "YY MM DD HH", "YY MM DD HH"};
      for (int s = 0; s < count; ++s) {
        lines[0] += "\t" + std::to_string(100 + s);
        lines[1] += " " + std::to_string(uniform(0.0, 100.0));
        lines[2] += " " + std::to_string(uniform(0.0, 100.0));
        lines[3] += std::string(" ") + kinds[k] + std::to_string(s);
      }
      text[k] = "title\n" + lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" + lines[3] + "\n";
    }
    int year = pick(1999, 2004), month = pick(1, 12), day = 27 + pick(0, 1);
    params.start = Date{.year = year, .month = month, .day = day};
    for (int d = 0; d <= days; ++d) {
      if (d == days - 1) params.end = Date{.year = year, .month = month, .day = day};
      const int last = d < days - 1    ? 24
                       : d == days - 1 ? (ending == 0 ? 12 : 24)
                                       : (ending < 5 ? 0 : 6);
      const std::string date =
          std::to_string(year) + " " + std::to_string(month) + " " + std::to_string(day) + " ";
      for (int hour = 1; hour <= 24; ++hour) {
        const bool wet = pick(0, 9) < 4;
        if (hour <= last) text[0] += date + std::to_string(hour);
        for (int s = 0; s < hourly && hour <= last; ++s) {
          const int roll = pick(0, 19);
          (text[0] += '\t') += roll == 0 ? "-9999" : wet && roll > 8 ? tenths(8.0) : "0";
        }
        if (hour <= last) text[0] += "\n";
        for (int k = 1; k <= 2 && (hour == 7 || (hour == 19 && k == 1)); ++k) {
          text[k] += date + std::to_string(hour);
          for (int s = 0; s < (k == 1 ? climate : collector); ++s) (text[k] += ' ') += reading();
          text[k] += "\n";
        }
      }
      if (++day > days_in_month(month, year)) day = 1, month = month % 12 + 1;
      if (day == 1 && month == 1) ++year;
    }
    files.inputs["h"] = text[0];
    if (climate > 0) files.inputs["c"] = text[1], params.climate_file = "c";
    if (collector > 0) files.inputs["s"] = text[2], params.collector_file = "s";
    params.hourly_file = "h";
    params.result_file = "o";
    params.start_hour = 1;
    params.power = pick(0, 8) * 0.5;
    params.max_distance = pick(5, 150);
    params.lower_limit = pick(-1, 1) * 0.1;
    params.upper_limit = params.upper_replacement = pick(1, 4) * 2.0;
  }
};

}  // namespace rumo::testing
