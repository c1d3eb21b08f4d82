#pragma once

#include <string_view>

namespace linnery {

class ThreadPool;

// What a loaded text's bytes say about their encoding.
enum class TextEncoding { Utf8, Cp932, EucJp, Unknown };

// Valid UTF-8 (ASCII included) is Utf8. Otherwise Shift-JIS (cp932) or EUC-JP, whichever decodes the
// whole text strictly and is the likelier; the detector's guess decides between two that both decode,
// cp932 (what the users' files mostly are) when it has none. Unknown when neither decodes. A large text
// is checked in parts on the pool's threads.
TextEncoding judgeEncoding(std::string_view text);
TextEncoding judgeEncoding(std::string_view text, const ThreadPool& pool);
const char* codePageName(TextEncoding encoding); // "UTF-8", "cp932", "EUC-JP"; nullptr for Unknown

} // namespace linnery
