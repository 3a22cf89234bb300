// Runs a fuzz target without the fuzzing engine: every file named on the
// command line, and every file in every folder named, in name order. The
// target ends the process on a finding; the name of the input being run is
// printed before it, so the failing input is the last one named.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::vector<fs::path> found;
    if (fs::is_directory(argv[i])) {
      for (const auto& entry : fs::directory_iterator(argv[i])) {
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') {
          found.push_back(entry.path());
        }
      }
    } else {
      found.push_back(argv[i]);
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
  }
  if (inputs.empty()) {
    std::cerr << "usage: " << argv[0] << " FILE-OR-FOLDER... (at least one input)\n";
    return 2;
  }
  for (const auto& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::cerr << "cannot read " << path.string() << "\n";
      return 2;
    }
    const std::string data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::cerr << "running " << path.string() << " (" << data.size() << " bytes)\n";
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
  }
  std::cerr << "ran " << inputs.size() << " inputs\n";
  return 0;
}
