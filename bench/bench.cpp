// rumo_bench: times whole runs of the program on generated data.
//
// Generates a station network and its data with rumo_generate (or reuses it
// from the cache folder), then runs each workload as its own process, with the
// answers on standard input and the console output sent to a log file, and
// measures the wall time of the run, the peak resident memory of the process
// (fork, execv, wait4) and its own memory at the peak (the anonymous pages,
// sampled: the peak resident size also counts the shared code of the
// libraries, 12 MiB of PROJ's and netCDF-C's). One line per workload, then
// the ratios.
//
// Workloads, on one network (500 hourly, 300 climate, 1200 collector stations
// by default, in a region of 300 km by 300 km) over the whole period:
//   dense          the program, power 2, every station within the maximum distance
//   dense-report   dense with the run report (--report)
//   dense-nearest-wet  dense with --dry-fallback nearest-wet
//   dense-keep-totals  dense with --keep-totals
// and, only when asked for:
//   dense-neighbours-8  dense with --neighbours 8
//   dense-peak-add, dense-sharpen, dense-peak-align  dense with that --pattern
//   dense-netcdf   dense with the result as NetCDF (--netcdf)
//   crossval       the program's cross-validation of the hourly stations over
//                  its default grid (35 pairs around power 2 and 50 km); it
//                  writes no result file
//   general        the program, power 1.5 (the exponential weight form)
//   sparse         the program, power 2, maximum distance 30 km
//   plain          the straightforward interpolation (rumo_plain), as dense
//   plain-general  rumo_plain with power 1.5 over the first 14 days only; its
//                  time is scaled to the whole period as an estimate
//   io-floor       rumo_io_floor on the dense answers: reading and writing only
// on the same network with sporadic gaps (one hourly value in 500 missing, on
// top of the outages of whole days):
//   gaps           the program as dense
//   plain-gaps     rumo_plain as dense
// and, only when asked for, on a national network (3000 hourly, 2000 climate,
// 15000 collector stations in 800 km by 800 km, sporadic gaps):
//   national       the program, power 2, maximum distance 50 km
//   national-io-floor  rumo_io_floor on the same data
// The program runs with all cores (--threads N to choose); rumo_plain, the
// straightforward form, with one thread.
// Throughput is the number of values in the result table (data lines times
// stations) per second of wall time.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "answers.hpp"

#ifndef RUMO_BENCH_RUMO
#define RUMO_BENCH_RUMO "rumo"
#endif
#ifndef RUMO_BENCH_PLAIN
#define RUMO_BENCH_PLAIN "rumo_plain"
#endif
#ifndef RUMO_BENCH_IO_FLOOR
#define RUMO_BENCH_IO_FLOOR "rumo_io_floor"
#endif
#ifndef RUMO_BENCH_GENERATE
#define RUMO_BENCH_GENERATE "rumo_generate"
#endif
#ifndef RUMO_BENCH_CACHE
#define RUMO_BENCH_CACHE "bench-data"
#endif

namespace {

namespace fs = std::filesystem;
using rumo_bench::Date;

struct Options {
  int days = 365;
  int hourly = 500;
  int climate = 300;
  int collector = 1200;
  unsigned long long seed = 1;
  int repeat = 1;
  int estimate_days = 14;  // days of the short run behind the estimate
  std::vector<std::string> only;
  std::string cache = RUMO_BENCH_CACHE;
  std::string rumo = RUMO_BENCH_RUMO;
  std::string plain = RUMO_BENCH_PLAIN;
  std::string io_floor = RUMO_BENCH_IO_FLOOR;
  std::string generate = RUMO_BENCH_GENERATE;
  bool keep = false;
  int threads = 0;  // 0: the program's default, every core
};

// A network of stations and the data the generator writes for it.
struct Network {
  std::string name;
  int hourly;
  int climate;
  int collector;
  double region;  // metres
  double gaps;    // chance that a single hourly value is missing
};

struct Workload {
  std::string name;
  std::string what;
  std::string binary;
  double power;
  double distance;
  int days;  // days of the run; fewer than the data's for an estimate
  const Network* network;
  bool threads;  // whether the program is told --threads
  bool by_default = true;
  std::vector<std::string> extra =
      {};  // more arguments; "REPORT" stands for a file beside the data
};

struct Measurement {
  double wall = 0.0;  // seconds
  double cpu = 0.0;   // user and system seconds
  long peak_kb = 0;
  // The program's own memory at its peak: its anonymous resident pages
  // (heap, stacks, the libraries' written data), without the shared code of
  // the libraries that the peak resident size counts; sampled every 2 ms.
  long own_peak_kb = 0;
  int status = -1;
  long lines = 0;  // data lines of the result file
  long columns = 0;
  std::uintmax_t bytes = 0;
};

void usage() {
  std::fputs(
      "usage: rumo_bench [options]\n"
      "  --days N          days of data and of each run (365)\n"
      "  --quick           the same as --days 30\n"
      "  --only A,B        run only these workloads:\n"
      "                    dense dense-report dense-nearest-wet dense-keep-totals dense-netcdf\n"
      "                    dense-neighbours-8 dense-peak-add dense-sharpen dense-peak-align\n"
      "                    general sparse plain plain-general io-floor\n"
      "                    crossval gaps plain-gaps national national-io-floor\n"
      "                    (all but the national, neighbours and pattern ones by default)\n"
      "  --threads N       threads of the program (all cores)\n"
      "  --repeat N        run every workload in N rounds; each keeps its least\n"
      "                    wall and its least processor time (1)\n"
      "  --estimate-days N days of the short run behind the plain-general estimate (14)\n"
      "  --hourly N --climate N --collector N --seed N   the network (500 300 1200 1)\n"
      "  --cache DIR       where generated data and results go\n"
      "  --rumo PATH --plain PATH --io-floor PATH --generate PATH   the programs\n"
      "  --keep            keep the result files\n",
      stderr);
}

bool parse_options(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--quick") {
      o.days = 30;
      continue;
    }
    if (name == "--keep") {
      o.keep = true;
      continue;
    }
    if (name == "--help" || name == "-h" || i + 1 >= argc) return false;
    const std::string value = argv[++i];
    auto number = [&](int& into, int low) {
      char* end = nullptr;
      const long parsed = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || parsed < low || parsed > 100000) return false;
      into = static_cast<int>(parsed);
      return true;
    };
    bool ok = true;
    if (name == "--days") {
      ok = number(o.days, 2);
    } else if (name == "--only") {
      std::stringstream list(value);
      std::string item;
      while (std::getline(list, item, ',')) o.only.push_back(item);
    } else if (name == "--threads") {
      ok = number(o.threads, 1);
    } else if (name == "--repeat") {
      ok = number(o.repeat, 1);
    } else if (name == "--estimate-days") {
      ok = number(o.estimate_days, 2);
    } else if (name == "--hourly") {
      ok = number(o.hourly, 1);
    } else if (name == "--climate") {
      ok = number(o.climate, 0);
    } else if (name == "--collector") {
      ok = number(o.collector, 0);
    } else if (name == "--seed") {
      o.seed = std::strtoull(value.c_str(), nullptr, 10);
    } else if (name == "--cache") {
      o.cache = value;
    } else if (name == "--rumo") {
      o.rumo = value;
    } else if (name == "--plain") {
      o.plain = value;
    } else if (name == "--io-floor") {
      o.io_floor = value;
    } else if (name == "--generate") {
      o.generate = value;
    } else {
      std::fprintf(stderr, "rumo_bench: unknown option %s\n", name.c_str());
      return false;
    }
    if (!ok) {
      std::fprintf(stderr, "rumo_bench: bad value for %s: %s\n", name.c_str(), value.c_str());
      return false;
    }
  }
  return true;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The anonymous resident memory of a running process, 0 where it has ended.
long anonymous_kb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("RssAnon:")) return std::atol(line.c_str() + 8);
  }
  return 0;
}

// Runs `binary` with `args`, standard input from `input` (or /dev/null) and
// standard output and error into `log`; measures it.
Measurement run_process(const std::string& binary, const std::vector<std::string>& args,
                        const std::string& input, const std::string& log) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(binary.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  std::fflush(nullptr);
  Measurement m;
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("rumo_bench: fork");
    std::exit(1);
  }
  if (pid == 0) {
    const int in = open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) _exit(126);
    close(in);
    close(out);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  for (;;) {
    const pid_t ended = wait4(pid, &status, WNOHANG, &usage);
    if (ended < 0) {
      std::perror("rumo_bench: wait4");
      std::exit(1);
    }
    if (ended == pid) break;
    m.own_peak_kb = std::max(m.own_peak_kb, anonymous_kb(pid));
    usleep(2000);
  }
  m.wall = seconds_since(start);
  m.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  m.peak_kb = usage.ru_maxrss;
  m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return m;
}

std::string text_of(const std::string& name) {
  std::ifstream in(name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Data lines and columns of a result file: lines after the five header lines,
// and the tab-separated fields of line 2 after the four of its label.
void count_result(const std::string& name, Measurement& m) {
  std::ifstream in(name, std::ios::binary);
  std::string line;
  long number = 0;
  m.lines = 0;
  m.columns = 0;
  while (std::getline(in, line)) {
    ++number;
    if (number == 2) m.columns = static_cast<long>(std::count(line.begin(), line.end(), '\t')) - 3;
    if (number > 5) ++m.lines;
  }
  // No result file (the cross-validation writes none): no bytes.
  std::error_code error;
  m.bytes = fs::file_size(name, error);
  if (error) m.bytes = 0;
}

// The data of one network, generated once and kept in the cache folder.
std::string prepare_data(const Options& o, const Network& n) {
  char key[200];
  std::snprintf(key, sizeof key, "net-h%d-c%d-s%d-r%.0f-g%g-d%d-seed%llu", n.hourly, n.climate,
                n.collector, n.region, n.gaps, o.days, o.seed);
  const fs::path dir = fs::absolute(fs::path(o.cache) / key).lexically_normal();
  const fs::path done = dir / "complete";
  char gaps[32];
  std::snprintf(gaps, sizeof gaps, "%g", n.gaps);
  const std::vector<std::string> args = {"--out",       dir.string(),
                                         "--hourly",    std::to_string(n.hourly),
                                         "--climate",   std::to_string(n.climate),
                                         "--collector", std::to_string(n.collector),
                                         "--region",    std::to_string(n.region),
                                         "--gaps",      gaps,
                                         "--days",      std::to_string(o.days),
                                         "--start",     "2001-01-01",
                                         "--seed",      std::to_string(o.seed),
                                         "--quiet"};
  // A rebuilt generator may write other data: its time stamp is part of the key.
  std::error_code error;
  const auto built = fs::last_write_time(o.generate, error).time_since_epoch().count();
  std::string command = o.generate;
  for (const auto& arg : args) command += " " + arg;
  command += "  # built " + std::to_string(built);
  if (fs::exists(done) && text_of(done.string()) == command + "\n") {
    std::printf("data: %s (cached)\n", dir.string().c_str());
    return dir.string();
  }
  fs::create_directories(dir);
  fs::remove(done);
  const Measurement m = run_process(o.generate, args, "", (dir / "generate.log").string());
  if (m.status != 0) {
    std::fprintf(stderr, "rumo_bench: %s failed (%d), see %s\n", o.generate.c_str(), m.status,
                 (dir / "generate.log").string().c_str());
    std::exit(1);
  }
  rumo_bench::write_text_file(done.string(), command + "\n");
  std::printf("data: %s (generated in %.1f s)\n", dir.string().c_str(), m.wall);
  return dir.string();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse_options(argc, argv, o)) {
    usage();
    return 2;
  }
  for (const std::string* program : {&o.rumo, &o.plain, &o.io_floor, &o.generate}) {
    if (access(program->c_str(), X_OK) != 0) {
      std::fprintf(stderr, "rumo_bench: cannot run %s\n", program->c_str());
      return 1;
    }
  }

  const double everywhere = 1e7;  // metres: more than any distance in the region
  const int estimate_days = std::min(o.estimate_days, o.days);
  const Network base{"base", o.hourly, o.climate, o.collector, 300000.0, 0.0005};
  const Network gappy{"gaps", o.hourly, o.climate, o.collector, 300000.0, 0.002};
  const Network national{"national", 3000, 2000, 15000, 800000.0, 0.002};
  // Dense with more options: a name, what it is, whether it runs by default.
  const auto dense = [&](std::string name, std::string what, bool by_default,
                         std::vector<std::string> extra) {
    return Workload{std::move(name), std::move(what), o.rumo, 2.0,        everywhere,
                    o.days,          &base,           true,   by_default, std::move(extra)};
  };
  const std::vector<Workload> all = {
      {"dense", "power 2, every station in reach", o.rumo, 2.0, everywhere, o.days, &base, true},
      dense("dense-report", "dense with the run report", true, {"--report", "REPORT"}),
      dense("dense-netcdf", "dense with the result as NetCDF", true, {"--netcdf", "NETCDF"}),
      dense("dense-nearest-wet", "dense with --dry-fallback nearest-wet", true,
            {"--dry-fallback", "nearest-wet"}),
      dense("dense-keep-totals", "dense with --keep-totals", true, {"--keep-totals"}),
      dense("dense-neighbours-8", "dense with --neighbours 8", false, {"--neighbours", "8"}),
      dense("dense-peak-add", "dense with --pattern peak-add", false, {"--pattern", "peak-add"}),
      dense("dense-sharpen", "dense with --pattern sharpen", false, {"--pattern", "sharpen"}),
      dense("dense-peak-align", "dense with --pattern peak-align", false,
            {"--pattern", "peak-align"}),
      {"general", "power 1.5, every station in reach", o.rumo, 1.5, everywhere, o.days, &base,
       true},
      {"sparse", "power 2, maximum distance 30 km", o.rumo, 2.0, 30000.0, o.days, &base, true},
      {"plain", "dense, straightforward interpolation", o.plain, 2.0, everywhere, o.days, &base,
       false},
      {"plain-general", "general, straightforward interpolation (short run, scaled)", o.plain, 1.5,
       everywhere, estimate_days, &base, false},
      {"io-floor", "dense data, reading and writing only", o.io_floor, 2.0, everywhere, o.days,
       &base, false},
      {"crossval",
       "cross-validation, 35 pairs around power 2 and 50 km",
       o.rumo,
       2.0,
       50000.0,
       o.days,
       &base,
       true,
       true,
       {"--cross-validate"}},
      {"gaps", "dense, sporadic gaps", o.rumo, 2.0, everywhere, o.days, &gappy, true},
      {"plain-gaps", "gaps, straightforward interpolation", o.plain, 2.0, everywhere, o.days,
       &gappy, false},
      {"national", "national network, power 2, maximum distance 50 km", o.rumo, 2.0, 50000.0,
       o.days, &national, true, false},
      {"national-io-floor", "national data, reading and writing only", o.io_floor, 2.0, 50000.0,
       o.days, &national, false, false},
  };
  std::vector<Workload> chosen;
  for (const Workload& w : all) {
    const bool named = std::find(o.only.begin(), o.only.end(), w.name) != o.only.end();
    if (o.only.empty() ? w.by_default : named) chosen.push_back(w);
  }
  for (const std::string& name : o.only) {
    if (std::none_of(all.begin(), all.end(), [&](const Workload& w) { return w.name == name; })) {
      std::fprintf(stderr, "rumo_bench: unknown workload %s\n", name.c_str());
      return 2;
    }
  }

  {
    // Other work on the machine shows in the figures.
    double load[3] = {0.0, 0.0, 0.0};
    std::sscanf(text_of("/proc/loadavg").c_str(), "%lf %lf %lf", &load[0], &load[1], &load[2]);
    char today[32] = "";
    const std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
    std::printf("machine: %ld cores, load average %.2f %.2f %.2f; %s\n",
                sysconf(_SC_NPROCESSORS_ONLN), load[0], load[1], load[2], today);
  }
  std::map<const Network*, std::string> data;
  for (const Workload& w : chosen) {
    if (data.count(w.network) != 0) continue;
    const Network& n = *w.network;
    std::printf(
        "network %s: %d hourly, %d climate, %d collector stations in %.0f km by %.0f km, one "
        "hourly value in %.0f missing; %d days from 2001-01-01\n",
        n.name.c_str(), n.hourly, n.climate, n.collector, n.region / 1000.0, n.region / 1000.0,
        1.0 / n.gaps, o.days);
    data[w.network] = prepare_data(o, n);
  }

  // Each round runs every workload once, so that a change in the machine's
  // load while the bench runs falls on all of them alike; each keeps its
  // least wall time and its least processor time.
  struct Run {
    const Workload* workload = nullptr;
    rumo_bench::Answers answers;
    std::string answers_file;
    std::vector<std::string> args;
    std::string console;
    Measurement best;
    std::vector<double> walls;  // of each round, scaled to the whole period
    bool failed = false;
  };
  std::vector<Run> runs;
  for (const Workload& w : chosen) {
    const fs::path folder = data[w.network];
    const fs::path dir = folder / "runs" / w.name;
    fs::create_directories(dir);
    Run run;
    run.workload = &w;
    run.answers_file = (dir / "answers.txt").string();
    run.console = (dir / "console.txt").string();
    rumo_bench::Answers& a = run.answers;
    a.hourly = (folder / "hourly.txt").string();
    a.climate = w.network->climate > 0 ? (folder / "climate.txt").string() : "";
    a.collector = w.network->collector > 0 ? (folder / "collector.txt").string() : "";
    a.result = (dir / "result.txt").string();
    a.start = Date{.year = 2001, .month = 1, .day = 1};
    a.end = rumo_bench::add_days(a.start, w.days - 1);
    a.power = w.power;
    a.distance = w.distance;
    rumo_bench::write_text_file(run.answers_file, rumo_bench::answers_text(a));
    // The straightforward form runs on one thread, as it always has.
    if (w.binary == o.plain) run.args = {"--threads", "1"};
    if (w.threads && o.threads > 0) run.args = {"--threads", std::to_string(o.threads)};
    for (const std::string& arg : w.extra) {
      run.args.push_back(arg == "REPORT"   ? (dir / "report.tsv").string()
                         : arg == "NETCDF" ? (dir / "result.nc").string()
                                           : arg);
    }
    runs.push_back(std::move(run));
  }
  for (int round = 0; round < o.repeat; ++round) {
    for (Run& run : runs) {
      if (run.failed) continue;
      const Measurement m =
          run_process(run.workload->binary, run.args, run.answers_file, run.console);
      if (m.status != 0) {
        run.best = m;
        run.failed = true;
        continue;
      }
      run.walls.push_back(m.wall * o.days / run.workload->days);
      if (round == 0) {
        run.best = m;
      } else {
        run.best.wall = std::min(run.best.wall, m.wall);
        run.best.cpu = std::min(run.best.cpu, m.cpu);
        run.best.peak_kb = std::max(run.best.peak_kb, m.peak_kb);
        run.best.own_peak_kb = std::max(run.best.own_peak_kb, m.own_peak_kb);
      }
    }
  }

  std::printf("%-18s %10s %10s %14s %10s %8s %10s %8s\n", "workload", "wall s", "cpu s", "values/s",
              "peak MB", "lines", "result MB", "own MB");
  bool failures = false;
  // Wall and processor time for the whole period.
  std::map<std::string, double> scaled_wall;
  std::map<std::string, double> scaled_cpu;
  for (Run& run : runs) {
    const Workload& w = *run.workload;
    Measurement& best = run.best;
    if (run.failed) {
      // A run that fails has no figures; the others still run.
      std::printf("%-18s FAILED with exit status %d, see %s\n", w.name.c_str(), best.status,
                  run.console.c_str());
      failures = true;
      continue;
    }
    count_result(run.answers.result, best);
    if (!o.keep) fs::remove(run.answers.result);
    scaled_wall[w.name] = best.wall * o.days / w.days;
    scaled_cpu[w.name] = best.cpu * o.days / w.days;

    const double values = static_cast<double>(best.lines) * static_cast<double>(best.columns);
    std::printf("%-18s %10.3f %10.3f %14.0f %10.1f %8ld %10.1f %8.1f   %s\n", w.name.c_str(),
                best.wall, best.cpu, values / best.wall, best.peak_kb / 1024.0, best.lines,
                static_cast<double>(best.bytes) / (1024.0 * 1024.0), best.own_peak_kb / 1024.0,
                w.what.c_str());
    if (w.days != o.days) {
      std::printf("%-18s %10.3f %10.3f %14s %10s %8s %10s   %d days scaled to %d\n", "",
                  scaled_wall[w.name], scaled_cpu[w.name], "", "", "", "", w.days, o.days);
    }
  }
  std::fflush(stdout);

  // Per round: the two workloads ran one after the other, under much the
  // same load.
  std::map<std::string, const std::vector<double>*> walls;
  for (const Run& run : runs) walls[run.workload->name] = &run.walls;
  auto ratio = [&](const char* label, const char* a, const char* b) {
    if (scaled_wall.count(a) == 0 || scaled_wall.count(b) == 0) return;
    std::vector<double> paired;
    for (std::size_t r = 0; r < walls[a]->size() && r < walls[b]->size(); ++r) {
      paired.push_back((*walls[a])[r] / (*walls[b])[r]);
    }
    std::sort(paired.begin(), paired.end());
    const double median = paired.size() % 2 == 1
                              ? paired[paired.size() / 2]
                              : (paired[paired.size() / 2 - 1] + paired[paired.size() / 2]) / 2;
    std::printf("%-28s %8.2f %8.2f %8.2f\n", label, scaled_wall[a] / scaled_wall[b],
                scaled_cpu[a] / scaled_cpu[b], median);
  };
  // The processor times, and with several rounds the median of the rounds'
  // ratios, are the steadier figures when other work shares the machine.
  std::printf("%-28s %8s %8s %8s\n", "ratios", "wall", "cpu", "rounds");
  ratio("plain / dense", "plain", "dense");
  ratio("plain-general / general", "plain-general", "general");
  ratio("general / dense", "general", "dense");
  ratio("sparse / io-floor", "sparse", "io-floor");
  ratio("dense / io-floor", "dense", "io-floor");
  ratio("dense-report / dense", "dense-report", "dense");
  ratio("dense-nearest-wet / dense", "dense-nearest-wet", "dense");
  ratio("dense-keep-totals / dense", "dense-keep-totals", "dense");
  ratio("dense-netcdf / dense", "dense-netcdf", "dense");
  ratio("dense-neighbours-8 / dense", "dense-neighbours-8", "dense");
  ratio("dense-peak-add / dense", "dense-peak-add", "dense");
  ratio("dense-sharpen / dense", "dense-sharpen", "dense");
  ratio("dense-peak-align / dense", "dense-peak-align", "dense");
  ratio("crossval / dense", "crossval", "dense");
  ratio("plain-gaps / gaps", "plain-gaps", "gaps");
  ratio("gaps / dense", "gaps", "dense");
  ratio("national / national-io-floor", "national", "national-io-floor");
  return failures ? 1 : 0;
}
