#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace linnery {

// An error raised by a list, file or control operation. Its message is in the code page's bytes, as
// the error box shows it; commands do not catch it, the window or the command line reports it. File
// errors also carry the path (file-system bytes) and the system's reason (the locale's encoding), which
// the message itself never shows.
class LineError : public std::runtime_error {
  public:
    explicit LineError(const std::string& codePageMessage, std::string path = {}, std::string reason = {})
        : std::runtime_error(codePageMessage), path_(std::move(path)), reason_(std::move(reason)) {}

    // "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (%d)"
    static LineError listIndex(long long index);
    // "行を挿入できません"
    static LineError insert();
    // "ﾌｧｲﾙ %s は開けません", path as given (bytes)
    static LineError open(std::string_view path, std::string reason = {});
    // "ﾌｧｲﾙ %s を作成できません"
    static LineError create(std::string_view path, std::string reason = {});
    // "ｽﾄﾘｰﾑへの書き込みｴﾗｰ"
    static LineError write(std::string_view path = {}, std::string reason = {});
    // "RichEdit での行の挿入ｴﾗｰ"
    static LineError staging();

    const std::string& path() const { return path_; }
    const std::string& reason() const { return reason_; }
    // Why, to show after the message: "path: reason", the reason alone, or nothing without a reason.
    std::string detail() const;

  private:
    std::string path_;
    std::string reason_;
};

// The system's text for an errno value.
std::string systemReason(int error);

// The text of the error box: the message, plus "." when its last character compares greater than "."
// byte by byte (so a message ending in ")" stays as it is). Bytes in the current code page.
std::string errorBoxText(std::string_view message);

} // namespace linnery
