#include "core/files.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/error.hpp"

namespace rumo {

namespace {

class DiskInput : public InputSource {
 public:
  explicit DiskInput(std::FILE* file) : file_(file) {}
  ~DiskInput() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  std::size_t read(char* into, std::size_t size) override {
    return std::fread(into, 1, size, file_);
  }
  void rewind() override { std::rewind(file_); }
  bool close() override {
    std::FILE* file = std::exchange(file_, nullptr);
    if (file == nullptr) return false;
    const bool read = std::ferror(file) == 0;
    return std::fclose(file) == 0 && read;
  }

 private:
  std::FILE* file_;
};

class DiskOutput : public OutputSink {
 public:
  explicit DiskOutput(std::FILE* file) : file_(file) {}
  ~DiskOutput() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool write(const char* data, std::size_t size) override {
    const bool written = std::fwrite(data, 1, size, file_) == size;
    failed_ = failed_ || !written;
    return written;
  }
  bool close() override {
    std::FILE* file = std::exchange(file_, nullptr);
    if (file == nullptr) return false;
    const bool flushed = std::fflush(file) == 0 && std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    return flushed && closed && !failed_;
  }

 private:
  std::FILE* file_;
  bool failed_ = false;
};

class MemoryInput : public InputSource {
 public:
  explicit MemoryInput(const std::string& text) : text_(text) {}
  std::size_t read(char* into, std::size_t size) override {
    const std::size_t count = std::min(size, text_.size() - position_);
    std::memcpy(into, text_.data() + position_, count);
    position_ += count;
    return count;
  }
  void rewind() override { position_ = 0; }
  bool close() override { return true; }

 private:
  const std::string& text_;
  std::size_t position_ = 0;
};

class MemoryOutput : public OutputSink {
 public:
  MemoryOutput(std::string& text, bool failing) : text_(text), failing_(failing) {}
  bool write(const char* data, std::size_t size) override {
    if (failing_) return false;
    text_.append(data, size);
    return true;
  }
  bool close() override { return !failing_; }

 private:
  std::string& text_;
  bool failing_;
};

// The system's reason for a failed open, in the words a user looks for; a
// name whose folder does not exist is told apart from a missing file.
std::string describe_failure(int error, const std::string& name) {
  switch (error) {
    case ENOENT: {
      const auto folder = std::filesystem::path(name).parent_path();
      std::error_code ec;
      if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) return "no such folder";
      return "no such file";
    }
    case EACCES:
    case EPERM:
      return "permission denied";
    case EISDIR:
      return "is a folder";
    default:
      return std::strerror(error);
  }
}

}  // namespace

std::unique_ptr<InputSource> DiskFiles::open_input(const std::string& name) {
  // A folder opens for reading on some systems but yields no text.
  std::error_code ec;
  if (std::filesystem::is_directory(name, ec)) {
    failure_ = "is a folder";
    return nullptr;
  }
  std::FILE* file = std::fopen(name.c_str(), "r");
  if (file == nullptr) {
    failure_ = describe_failure(errno, name);
    return nullptr;
  }
  return std::make_unique<DiskInput>(file);
}

std::unique_ptr<OutputSink> DiskFiles::open_output(const std::string& name) {
  std::FILE* file = std::fopen(name.c_str(), "w");
  if (file == nullptr) {
    failure_ = describe_failure(errno, name);
    return nullptr;
  }
  return std::make_unique<DiskOutput>(file);
}

bool DiskFiles::same_file(const std::string& first, const std::string& second) {
  std::error_code ec;
  return std::filesystem::equivalent(first, second, ec) && !ec;
}

std::string DiskFiles::cannot_create(const std::string& name) {
  std::error_code ec;
  const bool existed = std::filesystem::exists(std::filesystem::symlink_status(name, ec));
  std::FILE* file = std::fopen(name.c_str(), "a");
  if (file == nullptr) return describe_failure(errno, name);
  std::fclose(file);
  // Only a file this check made is removed again.
  if (!existed) std::filesystem::remove(name, ec);
  return {};
}

std::string DiskFiles::make_folder(const std::string& name) {
  std::error_code ec;
  std::filesystem::create_directories(name, ec);
  return ec ? describe_failure(ec.value(), name) : std::string();
}

std::string DiskFiles::rename(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return ec ? describe_failure(ec.value(), to) : std::string();
}

std::string DiskFiles::remove(const std::string& name) {
  std::error_code ec;
  std::filesystem::remove(name, ec);
  return ec ? describe_failure(ec.value(), name) : std::string();
}

std::string MemoryFiles::rename(const std::string& from, const std::string& to) {
  const auto found = outputs.find(from);
  if (found == outputs.end()) return open_failure();
  std::string text = std::move(found->second);
  outputs.erase(found);
  outputs[to] = std::move(text);
  return {};
}

std::string MemoryFiles::remove(const std::string& name) {
  outputs.erase(name);
  return {};
}

bool MemoryFiles::same_file(const std::string& first, const std::string& second) {
  return first == second && inputs.count(first) != 0;
}

std::unique_ptr<InputSource> MemoryFiles::open_input(const std::string& name) {
  const auto found = inputs.find(name);
  if (found == inputs.end()) return nullptr;
  return std::make_unique<MemoryInput>(found->second);
}

std::unique_ptr<OutputSink> MemoryFiles::open_output(const std::string& name) {
  if (name.empty()) return nullptr;
  std::string& text = outputs[name];
  text.clear();
  return std::make_unique<MemoryOutput>(text, failing_outputs.count(name) != 0);
}

namespace {
constexpr std::size_t kBlock = std::size_t{1} << 20;
}

BufferedSink::BufferedSink(std::unique_ptr<OutputSink> sink)
    : sink_(std::move(sink)), buffer_(kBlock) {}

BufferedSink::~BufferedSink() {
  if (sink_) flush();
}

void BufferedSink::flush() {
  if (used_ > 0 && !sink_->write(buffer_.data(), used_)) failed_ = true;
  used_ = 0;
}

void BufferedSink::make_room(std::size_t size) {
  flush();
  if (buffer_.size() < size) buffer_.resize(size);
}

void BufferedSink::append(std::string_view text) {
  std::memcpy(room(text.size()), text.data(), text.size());
  used_ += text.size();
}

bool BufferedSink::close() {
  flush();
  const bool closed = sink_->close();
  sink_.reset();
  return closed && !failed_;
}

void check_added_file(FileSystem& files, const std::string& what, const std::string& name,
                      const std::vector<std::string>& taken) {
  // Writing over a file of the run would destroy what it reads or writes.
  for (const std::string& other : taken) {
    if (!other.empty() && (other == name || files.same_file(name, other))) {
      fail_added_file(exit_code::added_file_not_created, what, name,
                      "the run already uses " + other);
    }
  }
  const std::string failure = files.cannot_create(name);
  if (!failure.empty()) fail_added_file(exit_code::added_file_not_created, what, name, failure);
}

std::unique_ptr<OutputSink> open_added_file(FileSystem& files, const std::string& what,
                                            const std::string& name) {
  auto sink = files.open_output(name);
  if (!sink) fail_added_file(exit_code::added_file_not_created, what, name, files.open_failure());
  return sink;
}

}  // namespace rumo
