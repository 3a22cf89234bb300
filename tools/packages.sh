# The Debian packages the build needs, in one place; sourced by
# tools/example.sh and tools/test.sh.
#
#   need_packages program   CLI11, PROJ, netCDF-C and libzip: enough to build rumo
#   need_packages tests     those, GoogleTest and netcdf-bin (ncdump) as well
#
# Where a package is missing, it is installed where we run as root (after
# apt-get update); otherwise the one command that installs them is named and
# the script stops.
need_packages() {
  local missing=()
  command -v g++ >/dev/null 2>&1 || missing+=(g++)
  command -v cmake >/dev/null 2>&1 || missing+=(cmake)
  [ -f /usr/include/CLI/CLI.hpp ] || missing+=(libcli11-dev)
  [ -f /usr/include/proj.h ] || missing+=(libproj-dev)
  [ -f /usr/include/netcdf.h ] || missing+=(libnetcdf-dev)
  [ -f /usr/include/zip.h ] || missing+=(libzip-dev)
  if [ "$1" = tests ]; then
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    command -v ncdump >/dev/null 2>&1 || missing+=(netcdf-bin)
  fi
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "installing the missing build packages: ${missing[*]}"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
  else
    echo "missing build packages; install them with: sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
}

# Compiles through ccache where it is installed (a rebuild after a small
# change then takes seconds); prints the CMake option for it, or nothing.
launcher_option() {
  command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  return 0
}
