// Cross-validation instead of the run: the hourly stations' own values tell
// how well each pair of a power and a maximum distance estimates them.
#pragma once

#include "core/console.hpp"
#include "core/files.hpp"
#include "core/params.hpp"

namespace rumo {

// Reads the hourly file's header and its records of the run's period,
// cross-validates every pair of the grid the options ask for and shows the
// table; writes the table and the details files when asked. Neither the
// result file nor the climate and collector files are touched.
void cross_validate(Console& console, FileSystem& files, const RunParameters& params,
                    const RunOptions& options);

}  // namespace rumo
