// Time stamps as the services write them, and where a stamped value lands
// among the program's hours, halves and days.
#pragma once

#include <optional>
#include <string_view>

#include "core/calendar.hpp"
#include "core/time_base.hpp"

namespace rumo {

// A stamp as written: its calendar day (days since 1970-01-01), the minute
// of that day (1440 for "24:00"), whether it had a time at all, and the
// offset it named, if any.
struct Stamp {
  long day = 0;
  int minute = 0;
  int second = 0;
  bool has_time = false;
  std::optional<UtcOffset> offset;
};

// YYYYMMDDHH, YYYYMMDDHHMM, YYYYMMDD, YYYY-MM-DD, YYYY-MM-DD HH:MM[:SS],
// YYYY-MM-DDTHH:MM[:SS] with an optional Z or +HH:MM/-HH:MM, and DD.MM.YYYY
// with an optional " HH:MM". Nothing for anything else or an impossible date.
std::optional<Stamp> parse_stamp(std::string_view text);

// The calendar date of a day counted from 1970-01-01.
Date calendar_date(long day);

}  // namespace rumo
