// The Gregorian calendar as the run counts days.
#pragma once

#include <chrono>
#include <compare>

namespace rumo {

inline bool is_leap_year(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Days of a month 1..12 in its year.
inline int days_in_month(int month, int year) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && is_leap_year(year)) return 29;
  return kDays[month - 1];
}

// A date as given or read, ordered in time. It holds what was given: the
// dialogue corrects its dates itself, the command line accepts only real
// ones. Built by name: Date{.year = y, .month = m, .day = d}.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;

  friend auto operator<=>(const Date&, const Date&) = default;

  std::chrono::year_month_day calendar() const {
    return std::chrono::year_month_day{std::chrono::year{year},
                                       std::chrono::month{static_cast<unsigned>(month)},
                                       std::chrono::day{static_cast<unsigned>(day)}};
  }
  std::chrono::sys_days days() const { return std::chrono::sys_days{calendar()}; }

  static Date of(std::chrono::year_month_day date) {
    return Date{.year = static_cast<int>(date.year()),
                .month = static_cast<int>(static_cast<unsigned>(date.month())),
                .day = static_cast<int>(static_cast<unsigned>(date.day()))};
  }
  static Date of(std::chrono::sys_days days) { return of(std::chrono::year_month_day{days}); }
};

}  // namespace rumo
