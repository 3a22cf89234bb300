// The one way the NetCDF writers call the library: every status checked and
// a failure turned into the program's error, with the file's name and the
// library's words.
#pragma once

#include <string>
#include <vector>

namespace rumo {

// "rumo: cannot create the NetCDF file NAME: REASON" where `creating`, else
// "rumo: could not write the NetCDF file NAME: REASON", with exit code `code`.
[[noreturn]] void fail_netcdf(int code, bool creating, const std::string& name, int status);

struct NetcdfCheck {
  const std::string& name;
  int code;
  bool creating = false;
  void operator()(int status) const {
    if (status != 0) fail_netcdf(code, creating, name, status);
  }
};

void text_attribute(const NetcdfCheck& check, int ncid, int var, const char* attribute,
                    const std::string& value);
// One number, or several ("standard_parallel = 49., 44.").
void double_attribute(const NetcdfCheck& check, int ncid, int var, const char* attribute,
                      const std::vector<double>& values);

}  // namespace rumo
