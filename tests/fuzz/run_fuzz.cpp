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
#include <algorithm>
#include <cstddef>
#include <cstdint>
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

// Every exit code the program has besides 0.
bool is_program_code(int code) {
  return (code >= 1 && code <= 17) || (code >= 101 && code <= 110) ||
         (code >= 201 && code <= 204) || (code >= 301 && code <= 322);
}

// A result file holds whole lines only, also after a failure: the title, then
// lines of as many columns as the header's (the four stamp columns and one
// per station); a complete run writes at least one line of the day loop.
void check_result(const std::string& text, bool complete) {
  if (text.empty() && !complete) return;
  expect(text.rfind("interpolierte Stationswerte\nYY\tMM\tDD\tHH", 0) == 0, "result header");
  expect(text.back() == '\n', "result ends inside a line");
  std::istringstream lines(text.substr(text.find('\n') + 1));
  long columns = -1;
  int count = 1;
  for (std::string line; std::getline(lines, line); ++count) {
    const long tabs = std::count(line.begin(), line.end(), '\t');
    if (columns < 0) columns = tabs;
    expect(tabs == columns, "result line " + std::to_string(count + 1) + " has " +
                                std::to_string(tabs) + " tabs, line 2 " + std::to_string(columns));
  }
  expect(count >= (complete ? 6 : 5), "result of " + std::to_string(count) + " lines");
}

void run_once(std::string_view data) {
  std::vector<std::string_view> parts;
  for (std::size_t at; parts.size() < 3 && (at = data.find("~~~\n")) != data.npos;) {
    parts.push_back(data.substr(0, at));
    data.remove_prefix(at + 4);
  }
  parts.push_back(data);
  rumo::MemoryFiles files;
  for (std::size_t i = 1; i < parts.size(); ++i)
    files.inputs[std::string(1, "hcs"[i - 1])] = parts[i];
  std::string_view answers = parts[0];
  const bool located = !answers.empty() && answers[0] == '!';
  if (located) answers.remove_prefix(1);
  files.failing_outputs["f"] = true;
  std::istringstream in{std::string(answers)};
  std::ostringstream out, err;
  rumo::Console console{in, out, err};
  rumo::Invocation invocation;
  invocation.options.located = located;
  bool complete = false;
  try {
    rumo::run(console, files, invocation);
    complete = true;
  } catch (const rumo::RunError& error) {
    expect(is_program_code(error.code), "exit code " + std::to_string(error.code));
    rumo::fuzz::expect_message_form(error, located);
  }
  expect(files.outputs.size() == 1 || (files.outputs.empty() && !complete),
         "more than one result file, or a complete run without one");
  for (const auto& [name, text] : files.outputs) check_result(text, complete);
  expect(!complete || out.str().ends_with('\n'),
         "complete run whose console does not end its line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rumo::fuzz::guarded(
      [&] { run_once(std::string_view(reinterpret_cast<const char*>(data), size)); });
  return 0;
}
