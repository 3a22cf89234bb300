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

// Per-station data, indexed by station number 1..2000 (entry 0 unused).
struct StationTable {
  std::vector<double> height;
  std::vector<double> first;   // first coordinate
  std::vector<double> second;  // second coordinate
  std::vector<std::string> name;

  // Takes the arrays (a failure ends the run with the code of each array).
  StationTable();
};

}  // namespace rumo
