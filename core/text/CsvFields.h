#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace linnery {

class CodePage;

// A record's fields: separated by commas or blanks (bytes 0x01-0x20), optionally in double quotes with
// doubled quotes inside; stepped by character in the code page.
std::vector<std::string> splitFields(std::string_view line, const CodePage& cp);
// Fields joined by commas, quoted where they hold a blank, a quote or a comma; one empty field is "".
std::string joinFields(const std::vector<std::string>& fields, const CodePage& cp);

// The same for loops over many lines: `fields` is overwritten and keeps its storage, `line` is appended to.
void splitFields(std::string_view line, const CodePage& cp, std::vector<std::string>& fields);
void appendJoinedFields(const std::vector<std::string>& fields, const CodePage& cp, std::string& line);

// Where the field that starts at `pos` of a joined line ends: behind its closing quote, or at the next
// comma or the end.
std::size_t joinedFieldEnd(std::string_view joined, std::size_t pos, const CodePage& cp);

// True when splitting the line, padding it to k + 1 fields and joining them gives the line back, and
// then [start, end) is field k in it. Answers only for code pages whose multi-byte characters hold no
// byte below 0x40 (UTF-8, single-byte ones, cp932, EUC-JP); false otherwise, and for lines it cannot
// vouch for.
bool isJoinedForm(std::string_view line, std::size_t k, const CodePage& cp, std::size_t& start,
                  std::size_t& end);

} // namespace linnery
