#include "run/grid_addition.hpp"

#include <gtest/gtest.h>
#include <netcdf.h>

#include <charconv>
#include <cmath>
#include <sstream>

#include "core/error.hpp"
#include "grid_oracle.hpp"
#include "netcdf_content.hpp"
#include "random_run.hpp"
#include "run/run.hpp"

namespace rumo {
namespace {

std::vector<double> numbers_of(const std::string& line, char separator) {
  std::vector<double> numbers;
  std::istringstream fields(line);
  std::string field;
  while (std::getline(fields, field, separator)) {
    double value = 0.0;
    if (std::from_chars(field.data(), field.data() + field.size(), value).ec == std::errc{})
      numbers.push_back(value);
  }
  return numbers;
}

// The places of the stations as their files give them, in station order.
std::vector<Planar> places(const MemoryFiles& files, const RunParameters& p) {
  std::vector<Planar> all;
  for (const std::string& name : {p.hourly_file, p.climate_file, p.collector_file}) {
    if (name.empty()) continue;
    std::istringstream text(files.inputs.at(name));
    std::string line[4];
    for (std::string& l : line) std::getline(text, l);
    const std::vector<double> x = numbers_of(line[2], ' '), y = numbers_of(line[3], ' ');
    for (std::size_t i = 0; i < x.size(); ++i) all.push_back({x[i], y[i]});
  }
  return all;
}

std::vector<double> variable(int ncid, const char* name, std::size_t count) {
  std::vector<double> values(count);
  int var = -1;
  EXPECT_EQ(nc_inq_varid(ncid, name, &var), NC_NOERR);
  EXPECT_EQ(nc_get_var_double(ncid, var, values.data()), NC_NOERR);
  return values;
}

std::size_t dimension(int ncid, const char* name) {
  int dim = -1;
  std::size_t length = 0;
  EXPECT_EQ(nc_inq_dimid(ncid, name, &dim), NC_NOERR);
  EXPECT_EQ(nc_inq_dimlen(ncid, dim, &length), NC_NOERR);
  return length;
}

// Random runs with a grid, with and without a neighbour limit, on one to
// three threads, over the stations' extent or a wider one, some of them
// failing part way: the result file is the same as without the grid; the
// grid has the hours of the result file, at the end of each hour; the
// centres ascend from the extent in whole cells; and every cell of every
// hour is the plain method over the stations with a value in that line of
// the result file, as its text reads.
TEST(GridAddition, EveryCellIsThePlainMethodOverTheResultFile) {
  ScratchFolder folder("rumo-grid-run");
  int cells_checked = 0, unreached = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    testing::RandomRun r(seed);
    Invocation invocation{r.params, {}};
    RunOptions& o = invocation.options;
    o.neighbours = static_cast<int>(seed % 4);
    o.located = true;
    o.threads = 1 + static_cast<int>(seed % 3);
    o.decimals = static_cast<int>(seed % 3);
    std::istringstream in;
    std::ostringstream out;
    Console console{in, out, out};
    bool failed = false;
    const auto result = [&] {
      try {
        run(console, r.files, invocation);
      } catch (const RunError&) {
        failed = true;
      }
      return r.files.outputs.at("o");
    };
    const std::string plain = result();
    o.grid = {folder / "g.nc", seed % 2 ? 10.0 : 7.5, std::nullopt};
    if (seed % 3 == 0) o.grid.extent = {{-40.0, -25.0, 130.0, 110.0}};
    ASSERT_EQ(result(), plain);

    std::istringstream text(plain);
    std::string line;
    for (int i = 0; i < 5; ++i) std::getline(text, line);
    std::vector<std::vector<double>> lines;
    while (std::getline(text, line)) lines.push_back(numbers_of(line, '\t'));
    const std::vector<Planar> stations = places(r.files, r.params);
    double low_x = HUGE_VAL, low_y = HUGE_VAL;
    for (const Planar& p : stations) low_x = std::min(low_x, p.x), low_y = std::min(low_y, p.y);
    const double cell = o.grid.cell;
    const double xmin = o.grid.extent ? -40.0 : std::floor(low_x / cell) * cell;
    const double ymin = o.grid.extent ? -25.0 : std::floor(low_y / cell) * cell;

    int ncid = -1;
    ASSERT_EQ(nc_open((folder / "g.nc").c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    const std::size_t hours = dimension(ncid, "time");
    const std::size_t rows = dimension(ncid, "y"), columns = dimension(ncid, "x");
    const std::vector<double> x = variable(ncid, "x", columns), y = variable(ncid, "y", rows);
    const std::vector<double> time = variable(ncid, "time", hours);
    const std::vector<double> values = variable(ncid, "precipitation", hours * rows * columns);
    nc_close(ncid);
    // A run that fails has written a part of its last day that no
    // addition was told.
    ASSERT_EQ(hours, failed ? std::min(hours, lines.size()) : lines.size());
    if (o.grid.extent) {
      EXPECT_EQ(std::tuple(columns, rows),
                cell == 10.0 ? std::tuple(17u, 14u) : std::tuple(23u, 18u));
    }
    for (std::size_t i = 0; i < columns; ++i) ASSERT_EQ(x[i], xmin + (i + 0.5) * cell);
    for (std::size_t j = 0; j < rows; ++j) ASSERT_EQ(y[j], ymin + (j + 0.5) * cell);
    const GridWeighting weighting{r.params.power, r.params.max_distance, o.neighbours};
    for (std::size_t k = 0; k < hours; ++k) {
      const std::vector<double>& l = lines[k];
      const auto date = std::chrono::sys_days{std::chrono::year{int(l[0])} /
                                              std::chrono::month{unsigned(l[1])} / int(l[2])};
      const auto start = r.params.start.days();
      ASSERT_EQ(time[k], (date - start).count() * 24 + l[3]);
      const std::span<const double> sources{l.data() + 4, l.size() - 4};
      for (std::size_t j = 0; j < rows; ++j) {
        for (std::size_t i = 0; i < columns; ++i, ++cells_checked) {
          const float expected =
              plain_grid_value(x[i], y[j], stations, sources, r.params.nodata, weighting, -9999.0f);
          unreached += expected == -9999.0f;
          ASSERT_EQ(values[(k * rows + j) * columns + i], expected) << k << " " << j << " " << i;
        }
      }
    }
  }
  EXPECT_GT(unreached, 1000);
  EXPECT_GT(cells_checked, 100000);
}

}  // namespace
}  // namespace rumo
