#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace linnery {

// An error raised by a list, file or control operation. Its message is in the code page's bytes, as
// the error box shows it; commands do not catch it, the window or the command line reports it.
class LineError : public std::runtime_error {
  public:
    explicit LineError(const std::string& codePageMessage) : std::runtime_error(codePageMessage) {}

    // "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)"
    static LineError listIndex(long long index);
    // "行を挿入できません"
    static LineError insert();
    // "ﾌｧｲﾙ %s は開けません", path as given (bytes)
    static LineError open(std::string_view path);
    // "ﾌｧｲﾙ %s を作成できません"
    static LineError create(std::string_view path);
    // "ｽﾄﾘｰﾑへの書き込みｴﾗｰ"
    static LineError write();
    // "RichEdit での行の挿入ｴﾗｰ"
    static LineError staging();
};

// The text of the error box: the message, plus "." when its last character compares greater than "."
// byte by byte (so a message ending in ")" stays as it is). Bytes in the current code page.
std::string errorBoxText(std::string_view message);

} // namespace linnery
