// `rumo import`: the command line of the importer.
#pragma once

namespace rumo {

// Runs `rumo import ARGS`; argv[0] is "import". Returns the exit code;
// failures throw RunError (bad options with exit_code::usage).
int import_main(int argc, const char* const* argv);

}  // namespace rumo
