#pragma once

#include <string_view>

namespace linnery {

// What a loaded text's bytes say about their encoding.
enum class TextEncoding { Utf8, Cp932, EucJp, Unknown };

// Valid UTF-8 (ASCII included) is Utf8. Otherwise Shift-JIS (cp932) or EUC-JP, whichever decodes the
// whole text strictly and is the likelier; the detector's guess decides between two that both decode,
// cp932 (what the users' files mostly are) when it has none. Unknown when neither decodes.
TextEncoding judgeEncoding(std::string_view text);
const char* codePageName(TextEncoding encoding); // "UTF-8", "cp932", "EUC-JP"; nullptr for Unknown

} // namespace linnery
