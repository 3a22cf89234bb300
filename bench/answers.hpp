// The 17 answers of a run, as they are typed on standard input, and the dates
// the benchmark programs work with.
#pragma once

#include <cstdio>
#include <string>

namespace rumo_bench {

struct Date {
  int year = 2001;
  int month = 1;
  int day = 1;
};

inline bool is_leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

inline int days_in_month(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

inline Date next_day(Date date) {
  if (++date.day > days_in_month(date.year, date.month)) {
    date.day = 1;
    if (++date.month > 12) {
      date.month = 1;
      ++date.year;
    }
  }
  return date;
}

inline Date add_days(Date date, int days) {
  for (int i = 0; i < days; ++i) date = next_day(date);
  return date;
}

// Day of the year, 1 for the first of January.
inline int day_of_year(const Date& date) {
  int result = date.day;
  for (int month = 1; month < date.month; ++month) result += days_in_month(date.year, month);
  return result;
}

// "YYYY-MM-DD"; false if the text is not such a date.
inline bool parse_date(const std::string& text, Date& date) {
  Date parsed;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d%c", &parsed.year, &parsed.month, &parsed.day, &tail) != 3)
    return false;
  if (parsed.year < 1000 || parsed.month < 1 || parsed.month > 12 || parsed.day < 1 ||
      parsed.day > days_in_month(parsed.year, parsed.month))
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
