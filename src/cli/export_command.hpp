// `rumo export FILE --netcdf OUT --csv OUT`: a station file as CF-NetCDF
// and as a tidy table.
#pragma once

namespace rumo {

// argv[0] is "export". Returns the exit status; failures throw RunError.
int export_main(int argc, const char* const* argv);

}  // namespace rumo
