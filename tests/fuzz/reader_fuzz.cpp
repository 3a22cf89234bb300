// Fuzz target: the text reader under the station files, with small blocks so
// that lines and tokens cross block ends and make the buffer grow. The first
// input byte picks the block size (1 to 64 bytes), the second the order of
// line, token and end-of-file reads; the rest is the file. The reads must
// give what the same reads give with the whole file in one block, and again
// after a rewind; tokens hold no white space, lines no line end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/files.hpp"
#include "fuzz_checks.hpp"
#include "input/text_reader.hpp"

namespace {

using rumo::fuzz::expect;

// What the reads in the order of `pattern` give, as one text.
std::string reads(rumo::TextReader& reader, unsigned pattern, std::size_t steps) {
  std::string log;
  for (std::size_t step = 0; step < steps; ++step) {
    const unsigned kind = (pattern >> (2 * (step % 4))) & 3U;
    if (kind == 2) {
      std::string line;
      const bool read = reader.read_line(line);
      expect(line.find('\n') == line.npos, "line \"" + line + "\"");
      log.append(read ? "L" : "L-").append(line).append("\n");
    } else if (kind == 3) {
      log += reader.at_end() ? "E\n" : "M\n";
    } else {
      const auto token = reader.read_token();
      expect(!token || (!token->empty() && token->find_first_of(" \t\n\v\f\r") == token->npos),
             "token \"" + std::string(token.value_or("")) + "\"");
      log.append(token ? "T" : "T-").append(token.value_or("")).append("\n");
    }
  }
  return log;
}

void compare_reads(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  rumo::MemoryFiles files;
  files.inputs["f"] = std::string(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t steps = size + 2;  // enough to reach the end in any order
  rumo::TextReader small(files.open_input("f"), 1 + data[0] % 64);
  rumo::TextReader whole(files.open_input("f"), size + 1);
  const std::string first = reads(small, data[1], steps);
  expect(first == reads(whole, data[1], steps), "reads differ from one block's:\n" + first);
  small.rewind();
  expect(first == reads(small, data[1], steps), "reads differ after the rewind:\n" + first);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rumo::fuzz::guarded([&] { compare_reads(data, size); });
  return 0;
}
