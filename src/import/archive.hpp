// What a value file holds: text, the zip archive a weather service hands
// out (its product files beside the metadata), or neither.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace rumo {

enum class Content { text, zip, binary };

// Judged by the first bytes of a file: a zip archive by its signature, a
// binary file by a NUL or another control character that text does not
// hold in its first 8000 bytes.
Content content_of(std::string_view head);

// The product files of a zip archive held in `bytes`, those whose names begin
// with "produkt_" (the metadata files beside them are skipped), in the
// archive's order. For each, `begin(label)` with the label "ARCHIVE/ENTRY",
// then `take(data)` for its bytes in blocks, then `end()`. An archive that
// cannot be read, or holds no product file, stops the import
// (exit_code::import_not_text) naming what it holds.
void read_products(std::string_view bytes, const std::string& archive,
                   const std::function<void(const std::string&)>& begin,
                   const std::function<void(std::string_view)>& take,
                   const std::function<void()>& end);

}  // namespace rumo
