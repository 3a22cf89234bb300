// The stations of a run: how many of each kind, and what the headers say of
// each one.
#pragma once

#include <string>
#include <vector>

namespace rumo {

// Stations are numbered hourly first (1..H), then climate (H+1..H+C), then
// collector (H+C+1..T).
struct StationCounts {
  int hourly = 0;
  int climate = 0;
  int collector = 0;

  int total() const { return hourly + climate + collector; }
  int first_climate() const { return hourly + 1; }
  int last_climate() const { return hourly + climate; }
  int first_collector() const { return hourly + climate + 1; }
};

// Per-station data, indexed by station number (entry 0 unused). The arrays
// grow with the headers read, so that a run holds what its stations need.
struct StationTable {
  std::vector<double> height{0.0};
  std::vector<double> first{0.0};   // first coordinate
  std::vector<double> second{0.0};  // second coordinate
  std::vector<std::string> name{std::string()};

  // Makes room for station numbers up to `last` (a failure ends the run with
  // the code of each array).
  void make_room(int last);
};

}  // namespace rumo
