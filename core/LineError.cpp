#include "core/LineError.h"

#include "core/CodePage.h"

#include <cstring>

namespace linnery {

namespace {
std::string cp(std::string_view utf8) {
    return CodePage::current().fromUtf8(utf8);
}
} // namespace

LineError LineError::listIndex(long long index) {
    return LineError(cp("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (") + std::to_string(index) + ")");
}

LineError LineError::insert() {
    return LineError(cp("行を挿入できません"));
}

LineError LineError::open(std::string_view path, std::string reason) {
    return LineError(cp("ﾌｧｲﾙ ") + std::string(path) + cp(" は開けません"), std::string(path),
                     std::move(reason));
}

LineError LineError::create(std::string_view path, std::string reason) {
    return LineError(cp("ﾌｧｲﾙ ") + std::string(path) + cp(" を作成できません"), std::string(path),
                     std::move(reason));
}

LineError LineError::write(std::string_view path, std::string reason) {
    return LineError(cp("ｽﾄﾘｰﾑへの書き込みｴﾗｰ"), std::string(path), std::move(reason));
}

LineError LineError::staging() {
    return LineError(cp("RichEdit での行の挿入ｴﾗｰ"));
}

std::string LineError::detail() const {
    if (reason_.empty())
        return {};
    return path_.empty() ? reason_ : path_ + ": " + reason_;
}

std::string systemReason(int error) {
    return std::strerror(error);
}

std::string errorBoxText(std::string_view message) {
    std::string text(message);
    if (text.empty())
        return text;
    std::string_view last = message.substr(CodePage::current().lastCharStart(message));
    // Byte-wise comparison with the one-byte string ".": greater when the first byte is greater, or
    // equal and longer.
    const unsigned char first = static_cast<unsigned char>(last[0]);
    if (first > '.' || (first == '.' && last.size() > 1))
        text += '.';
    return text;
}

} // namespace linnery
