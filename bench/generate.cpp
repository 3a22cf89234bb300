// rumo_generate: writes a realistic, reproducible set of input files for the
// program (hourly, climate and collector stations) and the answers of a run
// over the whole period.
//
// Stations are scattered over a rectangular region with coordinates in metres and
// heights from a smooth terrain. Rain falls from cells that drift with a
// slowly turning wind: small, intense convective cells (mostly on summer
// afternoons) and wide, weak stratiform cells (all year), grouped into wet and
// dry spells. Hourly stations measure the rain of each hour; climate stations
// report the total of the twelve hours that follow their readings at hours 7
// and 19, and collector stations the total of the 24 hours that follow their
// reading at hour 7, which is how the program uses them. Gauges differ a
// little, readings carry noise, single values go missing now and then, and
// whole stations fail for days at a time.
//
// Everything depends only on the options: the same seed gives the same files.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <zip.h>

#include "answers.hpp"
#include "core/projection.hpp"

namespace {

using rumo_bench::Date;

constexpr double kPi = 3.14159265358979323846;

// xoshiro256** seeded through splitmix64; its own distributions, so that the
// files do not depend on the standard library's.
class Random {
 public:
  Random(std::uint64_t seed, std::uint64_t stream) {
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ULL + stream * 0xD1B54A32D192ED03ULL + 1;
    for (auto& word : state_) {
      x += 0x9E3779B97F4A7C15ULL;
      std::uint64_t z = x;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      word = z ^ (z >> 31);
    }
  }

  std::uint64_t next() {
    const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = rotl(state_[3], 45);
    return result;
  }

  // In [0, 1).
  double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
  double uniform(double low, double high) { return low + (high - low) * uniform(); }
  int integer(int low, int high) {  // inclusive
    return low + static_cast<int>(uniform() * (high - low + 1));
  }
  bool chance(double probability) { return uniform() < probability; }
  double normal() {
    const double u = 1.0 - uniform();  // (0, 1]
    const double v = uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * kPi * v);
  }
  double exponential(double mean) { return -mean * std::log(1.0 - uniform()); }
  int poisson(double mean) {
    const double limit = std::exp(-mean);
    int count = 0;
    double product = uniform();
    while (product > limit) {
      ++count;
      product *= uniform();
    }
    return count;
  }

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  std::uint64_t state_[4];
};

struct Options {
  std::string out;
  int hourly = 500;
  int climate = 300;
  int collector = 1200;
  int days = 365;
  Date start{.year = 2001, .month = 1, .day = 1};
  double power = 2.0;
  double distance = 500000.0;
  double nodata = 9998.0;
  double lower = 0.0;
  double lower_replacement = 0.0;
  double upper = 1000.0;
  double upper_replacement = 1000.0;
  std::uint64_t seed = 1;
  double region = 300000.0;
  double region_north = 0.0;   // 0: as `region`, a square
  double outage_rate = 0.002;  // chance per station and day that an outage begins
  double gap_rate = 0.0005;    // chance that a single hourly value is missing
  std::string result = "result.txt";
  bool relative = false;
  bool quiet = false;
  std::string import_layout;  // "long" or "service": also the files `rumo import` reads
  bool zip = false;           // the service layout as the service's zip archives
  int shift = 0;              // readings stamped this many days late (negative: early)
};

void usage() {
  std::fputs(
      "usage: rumo_generate --out DIR [options]\n"
      "  --hourly N        hourly stations (500)\n"
      "  --climate N       climate stations, 0 for none (300)\n"
      "  --collector N     collector stations, 0 for none (1200)\n"
      "  --days N          days of the run, at least 2 (365)\n"
      "  --start Y-M-D     first day (2001-01-01)\n"
      "  --seed N          random seed (1)\n"
      "  --shift-readings N  climate and collector readings stamped N days late, as a\n"
      "                    mistake to be found (0; negative: early; the days without\n"
      "                    their own total read 0)\n"
      "  --region M        side of the square region in metres (300000)\n"
      "  --region-north M  the region's extent south to north instead (as --region)\n"
      "  --outages P       chance per station and day that an outage begins (0.002)\n"
      "  --gaps P          chance that a single hourly value is missing (0.0005)\n"
      "answers written to DIR/answers.txt:\n"
      "  --result NAME     result file name (result.txt, in DIR)\n"
      "  --power P         power of the inverse distance (2)\n"
      "  --distance D      maximum distance in metres (500000)\n"
      "  --nodata N        nodata value; missing values are written as -N-1 (9998)\n"
      "  --lower L --lower-replace R --upper U --upper-replace R   limits (0 0 1000 1000)\n"
      "  --relative        name the files in the answers without the folder\n"
      "  --import-layout long|service   also write the same data as `rumo import` reads it,\n"
      "                    to DIR/import: a long CSV per hourly station, or the weather\n"
      "                    service's product files and fixed-width station list\n"
      "  --zip             with --import-layout service: each hourly station's product\n"
      "                    in the service's zip archive (stundenwerte_RR_*.zip), each\n"
      "                    collector station's as a daily climate archive\n"
      "                    (tageswerte_KL_*.zip, column RSK), and the two station\n"
      "                    lists of those products beside stations.txt\n"
      "  --quiet           no summary\n",
      stderr);
}

bool parse_options(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--relative") {
      o.relative = true;
      continue;
    }
    if (name == "--quiet") {
      o.quiet = true;
      continue;
    }
    if (name == "--zip") {
      o.zip = true;
      continue;
    }
    if (name == "--help" || name == "-h") return false;
    if (i + 1 >= argc) {
      std::fprintf(stderr, "rumo_generate: %s needs a value\n", name.c_str());
      return false;
    }
    const std::string value = argv[++i];
    char* end = nullptr;
    auto as_int = [&](int& into) {
      const long parsed = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || parsed < 0 || parsed > 1000000) return false;
      into = static_cast<int>(parsed);
      return true;
    };
    auto as_double = [&](double& into) {
      into = std::strtod(value.c_str(), &end);
      return *end == '\0' && !value.empty();
    };
    bool ok = true;
    if (name == "--out") {
      o.out = value;
    } else if (name == "--hourly") {
      ok = as_int(o.hourly);
    } else if (name == "--climate") {
      ok = as_int(o.climate);
    } else if (name == "--collector") {
      ok = as_int(o.collector);
    } else if (name == "--days") {
      ok = as_int(o.days);
    } else if (name == "--start") {
      ok = rumo_bench::parse_date(value, o.start);
    } else if (name == "--shift-readings") {
      o.shift = static_cast<int>(std::strtol(value.c_str(), &end, 10));
      ok = *end == '\0';
    } else if (name == "--seed") {
      o.seed = std::strtoull(value.c_str(), &end, 10);
      ok = *end == '\0';
    } else if (name == "--power") {
      ok = as_double(o.power);
    } else if (name == "--distance") {
      ok = as_double(o.distance);
    } else if (name == "--nodata") {
      ok = as_double(o.nodata);
    } else if (name == "--lower") {
      ok = as_double(o.lower);
    } else if (name == "--lower-replace") {
      ok = as_double(o.lower_replacement);
    } else if (name == "--upper") {
      ok = as_double(o.upper);
    } else if (name == "--upper-replace") {
      ok = as_double(o.upper_replacement);
    } else if (name == "--region") {
      ok = as_double(o.region) && o.region > 0;
    } else if (name == "--region-north") {
      ok = as_double(o.region_north) && o.region_north > 0;
    } else if (name == "--outages") {
      ok = as_double(o.outage_rate);
    } else if (name == "--gaps") {
      ok = as_double(o.gap_rate);
    } else if (name == "--import-layout") {
      o.import_layout = value;
      ok = value == "long" || value == "service";
    } else if (name == "--result") {
      o.result = value;
    } else {
      std::fprintf(stderr, "rumo_generate: unknown option %s\n", name.c_str());
      return false;
    }
    if (!ok) {
      std::fprintf(stderr, "rumo_generate: bad value for %s: %s\n", name.c_str(), value.c_str());
      return false;
    }
  }
  if (o.out.empty()) {
    std::fputs("rumo_generate: --out is required\n", stderr);
    return false;
  }
  if (o.zip && o.import_layout != "service") {
    std::fputs("rumo_generate: --zip needs --import-layout service\n", stderr);
    return false;
  }
  if (o.hourly < 1 || o.days < 2) {
    std::fputs("rumo_generate: at least 1 hourly station and 2 days are needed\n", stderr);
    return false;
  }
  return true;
}

struct Station {
  double x;
  double y;
  double height;
  double gauge;  // the gauge's own factor on what falls
  std::string name;
};

// A smooth terrain: low in the north-west, hills and a mountain ridge towards
// the south-east.
struct Terrain {
  double phase[6];
  double region;
  double region_north;

  Terrain(Random& random, double side, double north) : region(side), region_north(north) {
    for (double& p : phase) p = random.uniform(0.0, 2.0 * kPi);
  }

  double height(double u, double v) const {  // u, v in [0, 1] of the region
    double h = 120.0 + 500.0 * u * v;
    h +=
        180.0 * std::sin(2.0 * kPi * 1.3 * u + phase[0]) * std::sin(2.0 * kPi * 0.9 * v + phase[1]);
    h += 90.0 * std::sin(2.0 * kPi * 3.1 * u + phase[2]) * std::cos(2.0 * kPi * 2.7 * v + phase[3]);
    const double ridge =
        std::exp(-std::pow((v - 0.15 - 0.1 * std::sin(4.0 * u + phase[4])) / 0.08, 2));
    h += 900.0 * ridge * (0.6 + 0.4 * std::sin(6.0 * u + phase[5]));
    return std::max(h, 15.0);
  }
};

constexpr double kOriginX = 4400000.0;  // first coordinate of the region's corner
constexpr double kOriginY = 5500000.0;  // second coordinate

std::vector<Station> place_stations(Random& random, const Terrain& terrain, int count,
                                    char prefix) {
  std::vector<Station> stations;
  stations.reserve(count);
  const int digits = count > 9999 ? 6 : 4;
  for (int i = 0; i < count; ++i) {
    Station s;
    const double u = random.uniform();
    const double v = random.uniform();
    s.x = std::round(kOriginX + u * terrain.region);
    s.y = std::round(kOriginY + v * terrain.region_north);
    s.height = std::round(terrain.height(u, v) + random.normal() * 25.0);
    if (s.height < 5.0) s.height = 5.0;
    s.gauge = std::clamp(1.0 + 0.06 * random.normal(), 0.8, 1.2);
    char name[16];
    std::snprintf(name, sizeof name, "%c%0*d", prefix, digits, i + 1);
    s.name = name;
    stations.push_back(s);
  }
  return stations;
}

struct Cell {
  double x;
  double y;
  double vx;  // metres per hour
  double vy;
  double sigma;  // metres
  double peak;   // mm per hour at the centre, at the height of its life
  double born;   // hour
  double life;   // hours
};

// The weather: wet and dry spells, a slowly turning wind, and rain cells.
class Weather {
 public:
  Weather(Random& random, double region, double region_north, Date start)
      : random_(random), region_(region), region_north_(region_north), date_(start) {
    wind_direction_ = random_.uniform(-0.6, 0.6);  // from the west, more or less
    wind_speed_ = 30000.0;
  }

  // Moves to hour `hour` (counted from hour 1 of the start day, 0-based)
  // and gives the cells active in that hour.
  const std::vector<Cell>& step(long hour) {
    const int hour_of_day = static_cast<int>(((hour % 24) + 24) % 24) + 1;
    if (hour_of_day == 1) new_day();
    const double season = std::cos(2.0 * kPi * (rumo_bench::day_of_year(date_) - 200) / 365.25);
    const double summer = 0.5 + 0.5 * season;  // 1 in July, 0 in January
    // Afternoon peak of convection.
    const double afternoon = std::exp(-std::pow((hour_of_day - 16.0) / 3.5, 2));
    const double wet = wet_spell_ ? 1.0 : 0.08;

    const double margin = 150000.0;
    auto spawn = [&](bool convective) {
      Cell c;
      const double speed = wind_speed_ * random_.uniform(0.8, 1.2);
      const double direction = wind_direction_ + random_.normal() * 0.2;
      c.vx = speed * std::cos(direction);
      c.vy = speed * std::sin(direction);
      c.born = static_cast<double>(hour);
      if (convective) {
        c.sigma = random_.uniform(3000.0, 12000.0);
        c.peak = std::min(1.0 + random_.exponential(6.0), 60.0);
        c.life = random_.uniform(1.5, 5.0);
        // Born inside the region or a little upwind of it.
        c.x = kOriginX + random_.uniform(-0.2, 1.0) * region_;
        c.y = kOriginY + random_.uniform(0.0, 1.0) * region_north_;
      } else {
        c.sigma = random_.uniform(25000.0, 70000.0);
        c.peak = random_.uniform(0.8, 4.0);
        c.life = random_.uniform(6.0, 24.0);
        // Mostly upwind, so that fronts sweep across the region.
        c.x = kOriginX - margin + random_.uniform(0.0, 0.7) * (region_ + margin);
        c.y = kOriginY - margin / 2 + random_.uniform(0.0, 1.0) * (region_north_ + margin);
      }
      cells_.push_back(c);
    };
    const int convective = random_.poisson(wet * (0.08 + 2.0 * summer * afternoon));
    const int stratiform = random_.poisson(wet * (0.09 + 0.10 * (1.0 - summer)));
    for (int i = 0; i < convective; ++i) spawn(true);
    for (int i = 0; i < stratiform; ++i) spawn(false);

    std::erase_if(cells_, [&](const Cell& c) { return hour >= c.born + c.life; });
    return cells_;
  }

 private:
  void new_day() {
    if (started_) date_ = rumo_bench::next_day(date_);
    started_ = true;
    // Spells last a few days; wet spells a little shorter than dry ones.
    if (wet_spell_ ? random_.chance(0.28) : random_.chance(0.22)) wet_spell_ = !wet_spell_;
    wind_direction_ += random_.normal() * 0.35;
    wind_direction_ += (0.0 - wind_direction_) * 0.15;  // back towards westerly
    wind_speed_ = std::clamp(wind_speed_ + random_.normal() * 6000.0, 12000.0, 70000.0);
  }

  Random& random_;
  double region_;
  double region_north_;
  Date date_;
  bool started_ = false;
  bool wet_spell_ = false;
  double wind_direction_;
  double wind_speed_;
  std::vector<Cell> cells_;
};

// Rain in mm that falls at (x, y) during the hour that ends at `hour` + 1
// (evaluated at its middle).
double rain_at(const std::vector<Cell>& cells, double x, double y, long hour) {
  const double t = static_cast<double>(hour) + 0.5;
  double sum = 0.0;
  for (const Cell& c : cells) {
    const double age = t - c.born;
    if (age <= 0.0 || age >= c.life) continue;
    const double cx = c.x + c.vx * age;
    const double cy = c.y + c.vy * age;
    const double dx = x - cx;
    const double dy = y - cy;
    const double r2 = (dx * dx + dy * dy) / (c.sigma * c.sigma);
    if (r2 > 16.0) continue;
    sum += c.peak * std::sin(kPi * age / c.life) * std::exp(-0.5 * r2);
  }
  return sum;
}

// Which days each station is out of service.
std::vector<std::vector<bool>> outages(Random& random, int stations, int days, double rate) {
  std::vector<std::vector<bool>> out(stations, std::vector<bool>(days + 1, false));
  for (auto& station : out) {
    for (int d = 0; d <= days; ++d) {
      if (random.chance(rate)) {
        const int length = random.integer(1, 14);
        for (int k = d; k < std::min(d + length, days + 1); ++k) station[k] = true;
      }
    }
  }
  return out;
}

// Builds lines in a buffer and writes them in blocks.
class Writer {
 public:
  explicit Writer(const std::string& name) : name_(name) {
    file_ = std::fopen(name.c_str(), "wb");
    if (file_ == nullptr) {
      std::fprintf(stderr, "rumo_generate: cannot write %s\n", name.c_str());
      std::exit(1);
    }
  }
  ~Writer() { close(); }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  void text(const std::string& s) { buffer_ += s; }
  void text(const char* s) { buffer_ += s; }
  void number(long value) {
    char s[32];
    std::snprintf(s, sizeof s, "%ld", value);
    buffer_ += s;
  }
  // Rain in tenths of a millimetre, written with one decimal; 0 as "0".
  void amount(long t) {
    if (t == 0) {
      buffer_ += '0';
      return;
    }
    if (t < 0) buffer_ += '-';
    const long a = t < 0 ? -t : t;
    char s[32];
    std::snprintf(s, sizeof s, "%ld.%ld", a / 10, a % 10);
    buffer_ += s;
  }
  // A missing value: minus the nodata value, minus one, in its shortest form.
  void missing(double marker) {
    char s[64];
    std::snprintf(s, sizeof s, "%.10g", marker);
    buffer_ += s;
  }
  void stamp(const Date& date, int hour) {
    char s[64];
    std::snprintf(s, sizeof s, "%d\t%d\t%d\t%d", date.year, date.month, date.day, hour);
    buffer_ += s;
    if (buffer_.size() > (1u << 20)) flush();
  }
  void close() {
    if (file_ == nullptr) return;
    flush();
    if (std::fclose(file_) != 0) {
      std::fprintf(stderr, "rumo_generate: cannot write %s\n", name_.c_str());
      std::exit(1);
    }
    file_ = nullptr;
  }

 private:
  void flush() {
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      std::fprintf(stderr, "rumo_generate: cannot write %s\n", name_.c_str());
      std::exit(1);
    }
    buffer_.clear();
  }
  std::string name_;
  std::FILE* file_ = nullptr;
  std::string buffer_;
};

void write_header(Writer& w, const char* title, const std::vector<Station>& stations) {
  w.text(title);
  w.text("\nYY\tMM\tDD\tHH");
  for (const Station& s : stations) {
    w.text("\t");
    w.number(std::lround(s.height));
  }
  w.text("\nYY\tMM\tDD\tHH");
  for (const Station& s : stations) {
    w.text("\t");
    w.number(std::lround(s.x));
  }
  w.text("\nYY\tMM\tDD\tHH");
  for (const Station& s : stations) {
    w.text("\t");
    w.number(std::lround(s.y));
  }
  w.text("\nYY\tMM\tDD\tHH");
  for (const Station& s : stations) {
    w.text("\t");
    w.text(s.name);
  }
  w.text("\n");
}

// A reading of a climate or collector station: the true total with the
// gauge's factor and some noise, in tenths of a millimetre; -1 if missing.
long reading(Random& random, double total, const Station& s) {
  double value = total * s.gauge * std::max(0.0, 1.0 + 0.08 * random.normal());
  if (value > 0.0 && random.chance(0.01)) value += random.uniform(0.1, 2.0);  // dew, spray
  return std::lround(value * 10.0);
}

// The same values as the station files hold, in the layouts hydrologists
// download: "long" (a station table with planar x and y, one CSV of
// station,time,value per hourly station, stamps in UTC at the end of their
// period, absent rows for missing hours) or "service" (the German weather
// service's fixed-width Latin-1 station list with latitude and longitude,
// its hourly product file per station and its daily product file; the
// climate readings in a CSV stamped at 07:00 and 19:00 in UTC+01:00).
class ImportLayout {
 public:
  ImportLayout(const std::filesystem::path& dir, std::string layout, int hourly_count, bool zip)
      : dir_(dir / "import"), service_(layout == "service"), zip_(zip), hourly_(hourly_count) {
    std::filesystem::remove_all(dir_ / "hourly");
    std::filesystem::create_directories(dir_ / "hourly");
  }

  void hourly(int station, const Station& s, Date date, int hour, long tenths, bool missing) {
    if (missing && !service_) return;  // an absent row
    std::string& out = hourly_[station];
    if (out.empty() && !started_[s.name]) {
      started_[s.name] = true;
      out = service_ ? "STATIONS_ID;MESS_DATUM;QN_8;R1;RS_IND;WRTR;eor\n" : "station,time,value\n";
    }
    if (hour == 24) {
      date = rumo_bench::next_day(date);
      hour = 0;
    }
    char line[128];
    if (service_) {
      std::snprintf(line, sizeof line, "%11d;%04d%02d%02d%02d;    3;%6s;%4d;%4d;eor\n", station + 1,
                    date.year, date.month, date.day, hour,
                    missing ? "-999" : tenths_text(tenths).c_str(), missing ? -999 : tenths > 0,
                    -999);
    } else {
      std::snprintf(line, sizeof line, "%s,%04d-%02d-%02dT%02d:00,%s\n", s.name.c_str(), date.year,
                    date.month, date.day, hour, tenths_text(tenths).c_str());
    }
    out += line;
    if (out.size() > (1u << 16)) flush_hourly(station, s);
  }

  // A climate reading: the half that begins at hour 7 (half 0) or 19 of `date`.
  void climate(const Station& s, Date date, int half, long tenths, bool missing) {
    if (climate_.empty()) climate_ = "station;time;value\n";
    // The end of the half in UTC: 18:00, or 06:00 of the next day; the
    // service layout states it in UTC+01:00.
    Date end = half == 0 ? date : rumo_bench::next_day(date);
    const int hour = (half == 0 ? 18 : 6) + (service_ ? 1 : 0);
    char line[128];
    std::snprintf(line, sizeof line, "%s;%04d-%02d-%02dT%02d:00%s;%s\n", id(s, 20000).c_str(),
                  end.year, end.month, end.day, hour, service_ ? "+01:00" : "",
                  missing ? "-999" : tenths_text(tenths).c_str());
    climate_ += line;
  }

  // A daily total, dated by the day it begins.
  void collector(const Station& s, Date date, long tenths, bool missing) {
    if (zip_) {
      // The daily climate product: RSK among the other elements, missing here.
      std::string& out = daily_[s.name];
      if (out.empty()) {
        out =
            "STATIONS_ID;MESS_DATUM;QN_3;  FX;  FM;QN_4; RSK;RSKF; SDK;SHK_TAG;  NM; VPM;  PM; "
            "TMK; UPM; TXK; TNK; TGK;eor\n";
      }
      char line[256];
      std::snprintf(line, sizeof line,
                    "%11s;%04d%02d%02d;-999;-999;-999;    3;%6s;%4d;-999;-999;-999;-999;-999;"
                    "-999;-999;-999;-999;-999;eor\n",
                    id(s, 40000).c_str(), date.year, date.month, date.day,
                    missing ? "-999" : tenths_text(tenths).c_str(), missing ? -999 : 6);
      out += line;
      return;
    }
    if (collector_.empty()) {
      collector_ = service_ ? "STATIONS_ID;MESS_DATUM;QN_6;RS;RSF;SH_TAG;NSH_TAG;eor\n"
                            : "station,date,value\n";
    }
    char line[128];
    const std::string value = missing ? "-999" : tenths_text(tenths);
    if (service_) {
      std::snprintf(line, sizeof line, "%11s;%04d%02d%02d;    3;%6s;%4d;   0;   0;eor\n",
                    id(s, 40000).c_str(), date.year, date.month, date.day, value.c_str(),
                    missing ? -999 : 6);
    } else {
      std::snprintf(line, sizeof line, "%s,%04d-%02d-%02d,%s\n", s.name.c_str(), date.year,
                    date.month, date.day, value.c_str());
    }
    collector_ += line;
  }

  void finish(const std::vector<Station>& hourly, const std::vector<Station>& climate,
              const std::vector<Station>& collector, Date first, Date last) {
    for (std::size_t i = 0; i < hourly.size(); ++i) flush_hourly(static_cast<int>(i), hourly[i]);
    if (!climate_.empty()) write_file(dir_ / "climate.csv", climate_, false);
    if (!collector_.empty()) {
      write_file(dir_ / (service_ ? "produkt_nieder_tag.txt" : "collector.csv"), collector_, false);
    }
    std::string table;
    if (service_) {
      table =
          "Stations_id von_datum bis_datum Stationshoehe geoBreite geoLaenge Stationsname "
          "Bundesland Abgabe\n"
          "----------- --------- --------- ------------- --------- --------- "
          "----------------------------------------- ---------- ------\n";
      std::string reason;
      const auto projection = rumo::Projection::create("EPSG:31468", reason);
      if (!projection) {
        std::fprintf(stderr, "rumo_generate: PROJ: %s\n", reason.c_str());
        std::exit(1);
      }
      const auto add = [&](const std::vector<Station>& stations, int offset) {
        for (std::size_t i = 0; i < stations.size(); ++i) {
          const Station& s = stations[i];
          const auto degrees = projection->inverse({s.x, s.y});
          // The list's names are Latin-1, as the service writes them.
          static const char* const kPlaces[] = {"M\xFChlbach",  "Gro\337dorf",   "B\xE4rnau",
                                                "Sch\xF6nberg", "Unterh\xFCgel", "Au"};
          char line[256];
          std::snprintf(line, sizeof line,
                        "%05d %04d%02d%02d %04d%02d%02d %14.0f %11.4f %9.4f %-40s %-32s Frei\n",
                        offset + static_cast<int>(i) + 1, first.year, first.month, first.day,
                        last.year, last.month, last.day, s.height, degrees->lat, degrees->lon,
                        (s.name + " " + kPlaces[i % 6]).c_str(), "Bayern");
          table += line;
        }
      };
      add(hourly, 0);
      add(climate, 20000);
      add(collector, 40000);
      write_file(dir_ / "stations.txt", table, false);
      if (zip_) {
        // The lists of the two products, as the service has one per product.
        const std::size_t head = table.find('\n', table.find('\n') + 1) + 1;
        std::string hourly_list = table.substr(0, head);
        std::string daily_list = table.substr(0, head);
        std::size_t at = head;
        for (std::size_t line = 0; at < table.size(); ++line) {
          const std::size_t end = table.find('\n', at) + 1;
          if (line < hourly.size()) hourly_list += table.substr(at, end - at);
          if (line >= hourly.size() + climate.size()) daily_list += table.substr(at, end - at);
          at = end;
        }
        write_file(dir_ / "RR_Stundenwerte_Beschreibung_Stationen.txt", hourly_list, false);
        write_file(dir_ / "KL_Tageswerte_Beschreibung_Stationen.txt", daily_list, false);
        pack(hourly, collector, first, last);
      }
    } else {
      table = "id,name,x,y,height\n";
      for (const auto* group : {&hourly, &climate, &collector}) {
        for (const Station& s : *group) {
          char line[128];
          std::snprintf(line, sizeof line, "%s,%s,%.0f,%.0f,%.0f\n", s.name.c_str(), s.name.c_str(),
                        s.x, s.y, s.height);
          table += line;
        }
      }
      write_file(dir_ / "stations.csv", table, false);
    }
  }

 private:
  // The id a station goes by: its name in the long layout, a number in the
  // service's (hourly stations from 1, the others from `offset` + 1).
  std::string id(const Station& s, int offset) const {
    if (!service_) return s.name;
    return std::to_string(offset + std::atoi(s.name.c_str() + 1));
  }
  static std::string tenths_text(long tenths) {
    char text[32];
    std::snprintf(text, sizeof text, "%ld.%ld", tenths / 10, tenths % 10);
    return text;
  }
  void flush_hourly(int station, const Station& s) {
    std::string& out = hourly_[station];
    if (out.empty()) return;
    char name[64];
    if (service_) {
      std::snprintf(name, sizeof name, "produkt_rr_stunde_%05d.txt", station + 1);
    } else {
      std::snprintf(name, sizeof name, "%s.csv", s.name.c_str());
    }
    write_file(dir_ / "hourly" / name, out, true);
    out.clear();
  }
  // Each product file into an archive named and laid out as the service's,
  // with one metadata file beside it.
  void pack(const std::vector<Station>& hourly, const std::vector<Station>& collector, Date first,
            Date last) {
    char span[32];
    std::snprintf(span, sizeof span, "%04d%02d%02d_%04d%02d%02d", first.year, first.month,
                  first.day, last.year, last.month, last.day);
    const auto archive = [&](const std::filesystem::path& path, const std::string& product_name,
                             const std::string& product, const std::string& id) {
      int error = 0;
      zip_t* zip = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
      const std::string meta =
          "Stations_id;Stationshoehe;Geogr.Breite;Geogr.Laenge;eor\n" + id + ";generated;;;eor\n";
      bool ok = zip != nullptr;
      for (const auto& [name, text] : {std::pair{"Metadaten_Geographie_" + id + ".txt", &meta},
                                       std::pair{product_name, &product}}) {
        zip_source_t* source = ok ? zip_source_buffer(zip, text->data(), text->size(), 0) : nullptr;
        ok = source != nullptr && zip_file_add(zip, name.c_str(), source, 0) >= 0;
        if (!ok && source != nullptr) zip_source_free(source);
      }
      // The archive's time stamps are those of the service's files, so that
      // the same options give the same bytes.
      for (zip_uint64_t i = 0; ok && i < 2; ++i)
        ok = zip_file_set_mtime(zip, i, 1618214400, 0) == 0;
      if (!ok || zip_close(zip) != 0) {
        std::fprintf(stderr, "rumo_generate: cannot write %s\n", path.string().c_str());
        std::exit(1);
      }
    };
    for (std::size_t i = 0; i < hourly.size(); ++i) {
      char id[16];
      std::snprintf(id, sizeof id, "%05d", static_cast<int>(i) + 1);
      const std::filesystem::path plain =
          dir_ / "hourly" / ("produkt_rr_stunde_" + std::string(id) + ".txt");
      std::string product;
      read_file(plain, product);
      std::filesystem::remove(plain);
      archive(dir_ / "hourly" / ("stundenwerte_RR_" + std::string(id) + "_" + span + "_hist.zip"),
              "produkt_rr_stunde_" + std::string(span) + "_" + id + ".txt", product, id);
    }
    std::filesystem::create_directories(dir_ / "daily");
    for (const Station& s : collector) {
      char id[16];
      std::snprintf(id, sizeof id, "%05d", std::atoi(this->id(s, 40000).c_str()));
      archive(dir_ / "daily" / ("tageswerte_KL_" + std::string(id) + "_" + span + "_hist.zip"),
              "produkt_klima_tag_" + std::string(span) + "_" + id + ".txt", daily_[s.name], id);
    }
  }
  static void read_file(const std::filesystem::path& path, std::string& text) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    char block[1 << 16];
    std::size_t got = 0;
    while (file != nullptr && (got = std::fread(block, 1, sizeof block, file)) > 0)
      text.append(block, got);
    if (file == nullptr || std::fclose(file) != 0) {
      std::fprintf(stderr, "rumo_generate: cannot read %s\n", path.string().c_str());
      std::exit(1);
    }
  }
  static void write_file(const std::filesystem::path& path, const std::string& text, bool append) {
    std::FILE* file = std::fopen(path.string().c_str(), append ? "ab" : "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fclose(file) != 0) {
      std::fprintf(stderr, "rumo_generate: cannot write %s\n", path.string().c_str());
      std::exit(1);
    }
  }

  std::filesystem::path dir_;
  bool service_;
  bool zip_;
  std::vector<std::string> hourly_;
  std::map<std::string, std::string> daily_;
  std::map<std::string, bool> started_;
  std::string climate_;
  std::string collector_;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse_options(argc, argv, o)) {
    usage();
    return 2;
  }
  namespace fs = std::filesystem;
  std::error_code error;
  fs::create_directories(o.out, error);
  if (error) {
    std::fprintf(stderr, "rumo_generate: cannot create %s\n", o.out.c_str());
    return 1;
  }
  if (o.hourly + o.climate + o.collector > 100000)
    std::fputs("rumo_generate: warning: more than 100000 stations; the program refuses them\n",
               stderr);

  // Each group has its own stream, so that one group's count does not move
  // the stations of the others.
  Random layout(o.seed, 1);
  const double north = o.region_north > 0.0 ? o.region_north : o.region;
  Terrain terrain(layout, o.region, north);
  Random climate_layout(o.seed, 5);
  Random collector_layout(o.seed, 6);
  const std::vector<Station> hourly = place_stations(layout, terrain, o.hourly, 'H');
  const std::vector<Station> climate = place_stations(climate_layout, terrain, o.climate, 'K');
  const std::vector<Station> collector =
      place_stations(collector_layout, terrain, o.collector, 'S');

  Random failures(o.seed, 2);
  const auto hourly_out = outages(failures, o.hourly, o.days, o.outage_rate);
  const auto climate_out = outages(failures, o.climate, o.days, o.outage_rate);
  const auto collector_out = outages(failures, o.collector, o.days, o.outage_rate);

  Random weather_random(o.seed, 3);
  Random noise(o.seed, 4);
  // The weather starts two days early, so that the first day already has
  // cells in flight.
  const Date before_start = rumo_bench::add_days(o.start, -2);
  Weather weather(weather_random, o.region, north, before_start);

  const fs::path dir(o.out);
  std::unique_ptr<ImportLayout> import_files;
  if (!o.import_layout.empty())
    import_files = std::make_unique<ImportLayout>(dir, o.import_layout, o.hourly, o.zip);
  Writer hourly_file((dir / "hourly.txt").string());
  write_header(hourly_file, "Stundenwerte Niederschlag [mm] (generated)", hourly);

  // True totals of the halves (climate) and days (collector) that begin on
  // each day of the run.
  std::vector<double> climate_total(static_cast<std::size_t>(o.days) * 2 * o.climate, 0.0);
  std::vector<double> collector_total(static_cast<std::size_t>(o.days) * o.collector, 0.0);

  const double missing = -o.nodata - 1.0;
  long wet_values = 0;
  long present_values = 0;
  long missing_values = 0;
  double hourly_sum = 0.0;

  // Hours run from hour 1 of the start day (0) to hour 6 of the day after
  // the last day.
  const long hours = static_cast<long>(o.days) * 24 + 6;
  Date date = o.start;
  for (long h = -48; h < hours; ++h) {
    const std::vector<Cell>& cells = weather.step(h);
    if (h < 0) continue;
    const int day = static_cast<int>(h / 24);
    const int hour = static_cast<int>(h % 24) + 1;
    if (hour == 1 && h > 0) date = rumo_bench::next_day(date);

    hourly_file.stamp(date, hour);
    for (int i = 0; i < o.hourly; ++i) {
      const Station& s = hourly[i];
      const double rain = rain_at(cells, s.x, s.y, h) * s.gauge;
      hourly_file.text("\t");
      if (hourly_out[i][day] || noise.chance(o.gap_rate)) {
        hourly_file.missing(missing);
        if (import_files) import_files->hourly(i, s, date, hour, 0, true);
        ++missing_values;
      } else {
        const long tenths = std::lround(rain * 10.0);
        hourly_file.amount(tenths);
        if (import_files) import_files->hourly(i, s, date, hour, tenths, false);
        ++present_values;
        if (tenths > 0) ++wet_values;
        hourly_sum += tenths / 10.0;
      }
    }
    hourly_file.text("\n");

    // The climate half and the collector day this hour belongs to.
    const int half_day = hour >= 7 ? day : day - 1;
    const int half = hour >= 7 && hour <= 18 ? 0 : 1;
    if (half_day >= 0 && half_day < o.days) {
      for (int i = 0; i < o.climate; ++i)
        climate_total[(static_cast<std::size_t>(half_day) * 2 + half) * o.climate + i] +=
            rain_at(cells, climate[i].x, climate[i].y, h);
      for (int i = 0; i < o.collector; ++i)
        collector_total[static_cast<std::size_t>(half_day) * o.collector + i] +=
            rain_at(cells, collector[i].x, collector[i].y, h);
    }
  }
  hourly_file.close();

  const double reading_gap = o.gap_rate * 6.0;
  // The totals a day's readings carry: their own, or with --shift-readings
  // those of another day (none outside the run).
  const std::vector<double> no_rain(static_cast<std::size_t>(std::max(o.climate, o.collector)) * 2,
                                    0.0);
  const auto shifted = [&](const std::vector<double>& totals, int d, std::size_t per_day,
                           std::size_t offset) {
    const int from = d - o.shift;
    if (from < 0 || from >= o.days) return no_rain.data();
    return &totals[static_cast<std::size_t>(from) * per_day + offset];
  };
  // One line of readings: the totals of the stations for one half or day,
  // missing where the station is out or the reading was lost.
  // `put(station, value, missing)` hands the same reading to the import layout.
  auto write_readings = [&](Writer& w, const double* totals, const auto& stations, const auto& out,
                            int d, auto&& put) {
    for (std::size_t i = 0; i < stations.size(); ++i) {
      w.text("\t");
      const long value = reading(noise, totals[i], stations[i]);
      if (out[i][d] || noise.chance(reading_gap)) {
        w.missing(missing);
        put(i, value, true);
      } else {
        w.amount(value);
        put(i, value, false);
      }
    }
    w.text("\n");
  };
  if (o.climate > 0) {
    Writer w((dir / "climate.txt").string());
    write_header(w, "Klimastationen Niederschlag [mm] um 7 und 19 Uhr (generated)", climate);
    date = o.start;
    for (int d = 0; d < o.days; ++d) {
      for (int half = 0; half < 2; ++half) {
        w.stamp(date, half == 0 ? 7 : 19);
        write_readings(w,
                       shifted(climate_total, d, 2 * static_cast<std::size_t>(o.climate),
                               static_cast<std::size_t>(half * o.climate)),
                       climate, climate_out, d, [&](std::size_t i, long value, bool gap) {
                         if (import_files)
                           import_files->climate(climate[i], date, half, value, gap);
                       });
      }
      date = rumo_bench::next_day(date);
    }
  }
  if (o.collector > 0) {
    Writer w((dir / "collector.txt").string());
    write_header(w, "Tagessummen Niederschlag [mm] um 7 Uhr (generated)", collector);
    date = o.start;
    for (int d = 0; d < o.days; ++d) {
      w.stamp(date, 7);
      write_readings(w, shifted(collector_total, d, static_cast<std::size_t>(o.collector), 0),
                     collector, collector_out, d, [&](std::size_t i, long value, bool gap) {
                       if (import_files) import_files->collector(collector[i], date, value, gap);
                     });
      date = rumo_bench::next_day(date);
    }
  }

  if (import_files) {
    import_files->finish(hourly, climate, collector, o.start,
                         rumo_bench::add_days(o.start, o.days));
  }

  rumo_bench::Answers a;
  auto name = [&](const char* file) {
    return o.relative ? std::string(file) : fs::absolute(dir / file).lexically_normal().string();
  };
  a.hourly = name("hourly.txt");
  a.climate = o.climate > 0 ? name("climate.txt") : "";
  a.collector = o.collector > 0 ? name("collector.txt") : "";
  a.result = o.relative ? o.result : fs::absolute(dir / o.result).lexically_normal().string();
  a.nodata = o.nodata;
  a.start = o.start;
  a.end = rumo_bench::add_days(o.start, o.days - 1);
  a.power = o.power;
  a.distance = o.distance;
  a.lower = o.lower;
  a.lower_replacement = o.lower_replacement;
  a.upper = o.upper;
  a.upper_replacement = o.upper_replacement;
  if (a.hourly.find_first_of(" \t") != std::string::npos ||
      a.result.find_first_of(" \t") != std::string::npos)
    std::fputs("rumo_generate: warning: a file name holds a blank; use --relative\n", stderr);
  if (!rumo_bench::write_text_file((dir / "answers.txt").string(), rumo_bench::answers_text(a))) {
    std::fprintf(stderr, "rumo_generate: cannot write answers.txt\n");
    return 1;
  }

  if (!o.quiet) {
    std::printf(
        "%s: %d hourly, %d climate, %d collector stations, %d days from %d-%02d-%02d, seed %llu\n",
        o.out.c_str(), o.hourly, o.climate, o.collector, o.days, o.start.year, o.start.month,
        o.start.day, static_cast<unsigned long long>(o.seed));
    std::printf("hourly values: %.1f%% wet, %.2f%% missing, mean total %.0f mm per year\n",
                100.0 * wet_values / std::max(1L, present_values),
                100.0 * missing_values / std::max(1L, present_values + missing_values),
                present_values > 0 ? hourly_sum / present_values * 24.0 * 365.25 : 0.0);
  }
  return 0;
}
