// Fuzz target: the whole run on an in-memory console and in-memory files.
//
// The input is cut at each "~~~\n" into at most four parts: the answers typed
// on the console, then the contents of the files named "h", "c" and "s" (the
// last part keeps any further separators). A file whose part is absent does
// not exist. The answers name the files themselves, as the console dialogue
// asks for them; the seeds answer "h", "c" (or an empty line), "s" (or an
// empty line) and the result file "o". A result file named "f" cannot be
// written, as on a full device. Answers that begin with "!" run as with run
// options: failures say where, and warnings are given.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.hpp"
#include "core/error.hpp"
#include "core/files.hpp"
#include "fuzz_checks.hpp"
#include "run/run.hpp"

namespace {

using rumo::fuzz::expect;
using rumo::fuzz::finding;

constexpr std::string_view kSeparator = "~~~\n";
constexpr const char* kInputNames[] = {"h", "c", "s"};

std::vector<std::string_view> split(std::string_view data) {
  std::vector<std::string_view> parts;
  while (parts.size() < 3) {
    const std::size_t at = data.find(kSeparator);
    if (at == std::string_view::npos) break;
    parts.push_back(data.substr(0, at));
    data.remove_prefix(at + kSeparator.size());
  }
  parts.push_back(data);
  return parts;
}

// Every exit code the program has besides 0.
bool is_program_code(int code) {
  return (code >= 1 && code <= 17) || (code >= 101 && code <= 109) || code == 110 ||
         (code >= 201 && code <= 204) || (code >= 301 && code <= 322);
}

// A result file holds whole lines only, also after a failure, and every line
// after the title has the same columns: the four stamp columns and one per
// station, separated by tabs.
void check_result(const std::string& name, const std::string& text, bool complete) {
  if (text.empty() && !complete) return;
  const std::string title = "interpolierte Stationswerte\nYY\tMM\tDD\tHH";
  expect(text.compare(0, title.size(), title) == 0, "result " + name + " has no header");
  expect(text.back() == '\n', "result " + name + " ends inside a line");
  std::size_t line_start = text.find('\n') + 1;
  long tabs_expected = -1;
  int lines = 1;
  while (line_start < text.size()) {
    const std::size_t line_end = text.find('\n', line_start);
    long tabs = 0;
    for (std::size_t i = line_start; i < line_end; ++i) tabs += text[i] == '\t' ? 1 : 0;
    if (tabs_expected < 0) tabs_expected = tabs;
    expect(tabs == tabs_expected, "result " + name + ": line " + std::to_string(lines + 1) +
                                      " has " + std::to_string(tabs) + " tabs, line 2 has " +
                                      std::to_string(tabs_expected));
    ++lines;
    line_start = line_end + 1;
  }
  expect(lines >= 5, "result " + name + " has a header of " + std::to_string(lines) + " lines");
  // A complete run writes at least one line of the day loop.
  if (complete) expect(lines >= 6, "complete run with no data line in " + name);
}

void run_once(std::string_view data) {
  auto parts = split(data);
  const bool located = !parts[0].empty() && parts[0][0] == '!';
  if (located) parts[0].remove_prefix(1);
  rumo::MemoryFiles files;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    files.inputs[kInputNames[i - 1]] = std::string(parts[i]);
  }
  files.failing_outputs["f"] = true;
  std::istringstream in{std::string(parts[0])};
  std::ostringstream out;
  std::ostringstream err;
  rumo::Console console{in, out, err};
  rumo::Invocation invocation;
  invocation.options.dialogue = !located;

  bool complete = false;
  try {
    rumo::run(console, files, invocation);
    complete = true;
  } catch (const rumo::RunError& error) {
    expect(is_program_code(error.code),
           "exit code " + std::to_string(error.code) + " that the program does not have");
    rumo::fuzz::expect_message_form(error, located);
  }

  expect(files.outputs.size() <= 1, "more than one output file");
  for (const auto& [name, text] : files.outputs) check_result(name, text, complete);
  if (complete) {
    expect(files.outputs.size() == 1, "complete run without a result file");
    const std::string& console_text = out.str();
    expect(!console_text.empty() && console_text.back() == '\n',
           "complete run whose console output does not end its line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    run_once(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const std::exception& error) {
    finding(std::string("unexpected exception: ") + error.what());
  } catch (...) {
    finding("unexpected exception of unknown type");
  }
  return 0;
}
