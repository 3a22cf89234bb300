// The 17 answers of a run, as they are typed on standard input, and the dates
// the benchmark programs work with.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "core/calendar.hpp"

namespace rumo_bench {

// Dates are core's: the benchmark programs count days as the program does.
using rumo::Date;

inline Date add_days(Date date, int days) {
  return Date::of(date.days() + std::chrono::days{days});
}

inline Date next_day(Date date) { return add_days(date, 1); }

// Day of the year, 1 for the first of January.
inline int day_of_year(const Date& date) {
  const Date first{.year = date.year, .month = 1, .day = 1};
  return static_cast<int>((date.days() - first.days()).count()) + 1;
}

// "YYYY-MM-DD"; false if the text is not such a date.
inline bool parse_date(const std::string& text, Date& date) {
  Date parsed;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d%c", &parsed.year, &parsed.month, &parsed.day, &tail) != 3)
    return false;
  if (parsed.year < 1000 || parsed.month < 1 || parsed.month > 12 || !parsed.calendar().ok())
    return false;
  date = parsed;
  return true;
}

struct Answers {
  std::string hourly;     // must not contain white space
  std::string climate;    // empty: no climate stations
  std::string collector;  // empty: no collector stations
  std::string result;     // must not contain white space
  double nodata = 9998.0;
  Date start;
  Date end;
  double power = 2.0;
  double distance = 500000.0;
  double lower = 0.0;
  double lower_replacement = 0.0;
  double upper = 1000.0;
  double upper_replacement = 1000.0;
};

// The answers, one a line, in the order the program asks for them.
inline std::string answers_text(const Answers& a) {
  auto number = [](double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return std::string(text);
  };
  std::string text;
  text += a.hourly + "\n";
  text += a.climate + "\n";
  text += a.collector + "\n";
  text += a.result + "\n";
  text += number(a.nodata) + "\n";
  text += std::to_string(a.start.day) + "\n" + std::to_string(a.start.month) + "\n" +
          std::to_string(a.start.year) + "\n";
  text += std::to_string(a.end.day) + "\n" + std::to_string(a.end.month) + "\n" +
          std::to_string(a.end.year) + "\n";
  text += number(a.power) + "\n";
  text += number(a.distance) + "\n";
  text += number(a.lower) + "\n" + number(a.lower_replacement) + "\n";
  text += number(a.upper) + "\n" + number(a.upper_replacement) + "\n";
  return text;
}

inline bool write_text_file(const std::string& name, const std::string& text) {
  std::FILE* file = std::fopen(name.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  ok = std::fclose(file) == 0 && ok;
  return ok;
}

}  // namespace rumo_bench
