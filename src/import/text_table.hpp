// Delimited text as the services and spreadsheets write it: a header line
// whose delimiter tells the file's, fields padded with blanks, columns found
// by name, ids compared as numbers where they are digits only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rumo {

// The delimiter of a header line: the most frequent of ';', tab and ','
// (in that order on a tie); 0 where the line holds none.
char detect_delimiter(std::string_view header);

// The fields of a line, trimmed of blanks and of surrounding double quotes
// (a quoted field may hold the delimiter). At most `limit` fields are taken.
void split_fields(std::string_view line, char delimiter, std::vector<std::string_view>& fields,
                  std::size_t limit = static_cast<std::size_t>(-1));

std::string_view trim_blanks(std::string_view text);

// The index of the first header field equal, ignoring case, to one of
// `names`; -1 where there is none.
int find_column(const std::vector<std::string_view>& header,
                const std::vector<std::string_view>& names);

// An id as compared: trimmed, and digits-only ids without leading zeros
// ("00044" is "44").
std::string canonical_id(std::string_view id);
// The order stations are written in: digits-only ids by their number first,
// then the others by their text.
bool id_before(const std::string& a, const std::string& b);

// A decimal number as the whole text ("1.5", "-999", "2e-1"); with a
// delimiter other than ',' a decimal comma is read too ("1,5"). Nothing for
// anything else, infinities and NaN included.
std::optional<double> read_decimal(std::string_view text, char delimiter);

// Text of Latin-1 or UTF-8 as plain ASCII, German letters spelled out
// ("Großenkneten" -> "Grossenkneten"), other letters as '_'.
std::string ascii_text(std::string_view text);

}  // namespace rumo
