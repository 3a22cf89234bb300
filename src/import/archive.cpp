#include "import/archive.hpp"

#include <zip.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "import/import_codes.hpp"

namespace rumo {

namespace {

constexpr std::size_t kSniffed = 8000;
constexpr std::size_t kBlock = 1 << 20;

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
  void operator()(zip_file_t* entry) const { zip_fclose(entry); }
};

// The entry's name without its folders.
std::string_view base_name(std::string_view name) {
  const std::size_t slash = name.find_last_of('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

}  // namespace

Content content_of(std::string_view head) {
  if (head.starts_with("PK\x03\x04") || head.starts_with(std::string_view("PK\x05\x06", 4)))
    return Content::zip;
  const std::string_view sniffed = head.substr(0, kSniffed);
  const bool binary = std::any_of(sniffed.begin(), sniffed.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    // Tab, line ends, form feed and the old end-of-file mark are text.
    return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' &&
           byte != '\v' && byte != 0x1A;
  });
  return binary ? Content::binary : Content::text;
}

void read_products(std::string_view bytes, const std::string& archive,
                   const std::function<void(const std::string&)>& begin,
                   const std::function<void(std::string_view)>& take,
                   const std::function<void()>& end) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  std::unique_ptr<zip_t, ArchiveCloser> zip;
  if (source != nullptr) {
    zip.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
    if (!zip) zip_source_free(source);
  }
  if (!zip) {
    const std::string reason = zip_error_strerror(&error);
    zip_error_fini(&error);
    fail_import(exit_code::import_not_text, archive, 0,
                "the zip archive cannot be read: " + reason);
  }
  zip_error_fini(&error);

  const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
  std::vector<std::string> others;
  bool found = false;
  std::vector<char> block(kBlock);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), 0);
    if (name == nullptr) continue;
    if (!base_name(name).starts_with("produkt_")) {
      others.emplace_back(name);
      continue;
    }
    found = true;
    const std::string label = archive + "/" + name;
    std::unique_ptr<zip_file_t, EntryCloser> entry(
        zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(i), 0));
    if (!entry) {
      fail_import(exit_code::import_not_text, label, 0,
                  std::string("cannot be read from the archive: ") + zip_strerror(zip.get()));
    }
    begin(label);
    for (;;) {
      const zip_int64_t got = zip_fread(entry.get(), block.data(), block.size());
      if (got < 0) {
        fail_import(
            exit_code::import_not_text, label, 0,
            std::string("cannot be read from the archive: ") + zip_file_strerror(entry.get()));
      }
      if (got == 0) break;
      take(std::string_view(block.data(), static_cast<std::size_t>(got)));
    }
    end();
  }
  if (!found) {
    std::string held;
    for (std::size_t i = 0; i < others.size() && i < 3; ++i)
      held += (i == 0 ? "" : ", ") + others[i];
    if (others.size() > 3) held += " and " + std::to_string(others.size() - 3) + " more";
    fail_import(exit_code::import_not_text, archive, 0,
                "the zip archive holds no product file (produkt_*)" +
                    (others.empty() ? std::string(", no file at all") : ", only " + held));
  }
}

}  // namespace rumo
