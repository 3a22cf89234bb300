// Where the run's files come from and go to: the disk for the program, memory
// for tests and fuzzing.
#pragma once

#include <cstddef>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rumo {

class InputSource {
 public:
  virtual ~InputSource() = default;
  // Reads up to `size` bytes; fewer only at the end of the data or on a read error.
  virtual std::size_t read(char* into, std::size_t size) = 0;
  virtual void rewind() = 0;
  // False if a read failed or the file could not be closed cleanly.
  virtual bool close() = 0;
};

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // False if not all of the data could be written.
  virtual bool write(const char* data, std::size_t size) = 0;
  // Hands everything to the system; false if that or any earlier write failed.
  virtual bool close() = 0;
};

// Text for an output, gathered in a large buffer and handed to the sink in
// blocks. The one rule for a failed write: the first failure is remembered
// and told by close(). A run that fails elsewhere keeps what was appended
// before, as the end of a process would flush a stream.
class BufferedSink {
 public:
  explicit BufferedSink(std::unique_ptr<OutputSink> sink);
  ~BufferedSink();
  BufferedSink(const BufferedSink&) = delete;
  BufferedSink& operator=(const BufferedSink&) = delete;

  // Room for `size` characters at the end; commit() takes what was written
  // there, up to `end`.
  char* room(std::size_t size) {
    if (buffer_.size() - used_ < size) make_room(size);
    return buffer_.data() + used_;
  }
  void commit(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }
  void append(std::string_view text);
  void append(char c) {
    *room(1) = c;
    ++used_;
  }

  // Writes what is buffered and closes the sink; false if that or any
  // earlier write failed.
  bool close();

 private:
  void make_room(std::size_t size);
  void flush();

  std::unique_ptr<OutputSink> sink_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  bool failed_ = false;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Null if the file cannot be opened for reading.
  virtual std::unique_ptr<InputSource> open_input(const std::string& name) = 0;
  // Null if the file cannot be opened for writing.
  virtual std::unique_ptr<OutputSink> open_output(const std::string& name) = 0;
  // Whether both names lead to one existing file.
  virtual bool same_file(const std::string& first, const std::string& second) = 0;
  // Why `name` cannot be opened for writing, found without changing any file
  // (an existing file is opened to append, a new one made and removed again);
  // empty if it can.
  virtual std::string cannot_create(const std::string& name) = 0;
  // Why the last open that gave null failed, in a few lower-case words
  // ("no such file", "no such folder", "permission denied").
  virtual std::string open_failure() const = 0;
  // Makes a folder and those above it where they are missing. These three
  // say why they failed in the same words, and nothing where they did not.
  virtual std::string make_folder(const std::string& name) = 0;
  // Gives a file another name, in place of any file that had it.
  virtual std::string rename(const std::string& from, const std::string& to) = 0;
  virtual std::string remove(const std::string& name) = 0;
};

// Files on disk, through the C library's streams.
class DiskFiles : public FileSystem {
 public:
  std::unique_ptr<InputSource> open_input(const std::string& name) override;
  std::unique_ptr<OutputSink> open_output(const std::string& name) override;
  bool same_file(const std::string& first, const std::string& second) override;
  std::string cannot_create(const std::string& name) override;
  std::string open_failure() const override { return failure_; }
  std::string make_folder(const std::string& name) override;
  std::string rename(const std::string& from, const std::string& to) override;
  std::string remove(const std::string& name) override;

 private:
  std::string failure_;
};

// Files held in memory: inputs given by name, outputs captured by name (a
// renamed or removed output moves or goes; folders are always there).
class MemoryFiles : public FileSystem {
 public:
  std::map<std::string, std::string> inputs;
  std::map<std::string, std::string> outputs;
  // Output names whose writes fail (as on a full device).
  std::map<std::string, bool> failing_outputs;

  std::unique_ptr<InputSource> open_input(const std::string& name) override;
  std::unique_ptr<OutputSink> open_output(const std::string& name) override;
  bool same_file(const std::string& first, const std::string& second) override;
  std::string cannot_create(const std::string& name) override {
    return name.empty() ? open_failure() : std::string();
  }
  // A file that is not there, or an output name that cannot be had.
  std::string open_failure() const override { return "no such file"; }
  std::string make_folder(const std::string&) override { return {}; }
  std::string rename(const std::string& from, const std::string& to) override;
  std::string remove(const std::string& name) override;
};

// Checks a file that the run adds when asked (`what`: "report file", "map
// file", ...) without touching it. One that cannot be created, or that names
// a file the run already reads or writes (`taken`; empty names are skipped),
// stops the run with exit_code::added_file_not_created before any data is read.
void check_added_file(FileSystem& files, const std::string& what, const std::string& name,
                      const std::vector<std::string>& taken);
// Opens a checked file for writing (exit_code::added_file_not_created if that fails after all).
std::unique_ptr<OutputSink> open_added_file(FileSystem& files, const std::string& what,
                                            const std::string& name);

}  // namespace rumo
