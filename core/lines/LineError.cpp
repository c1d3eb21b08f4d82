#include "core/lines/LineError.h"

#include "core/text/Utf8Validation.h"

#include <cstring>

namespace linnery {

LineError LineError::listIndex(long long index) {
    const std::string number = " (" + std::to_string(index) + ")";
    return LineError("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています" + number)
        .inEnglish("list index out of bounds" + number);
}

LineError LineError::insert() {
    return LineError("行を挿入できません").inEnglish("cannot insert a line");
}

LineError LineError::open(std::string_view path, std::string reason) {
    LineError e("ﾌｧｲﾙ ", std::string(path), " は開けません");
    e.inEnglish("cannot open file ");
    e.reason_ = std::move(reason);
    return e;
}

LineError LineError::create(std::string_view path, std::string reason) {
    LineError e("ﾌｧｲﾙ ", std::string(path), " を作成できません");
    e.inEnglish("cannot create file ");
    e.reason_ = std::move(reason);
    return e;
}

LineError LineError::write(std::string_view path, std::string reason) {
    LineError e("ｽﾄﾘｰﾑへの書き込みｴﾗｰ");
    e.inEnglish("write error");
    e.path_ = path;
    e.reason_ = std::move(reason);
    return e;
}

LineError LineError::staging() {
    return LineError("RichEdit での行の挿入ｴﾗｰ").inEnglish("cannot insert the lines into the staging text");
}

LineError LineError::notInCodePage(std::string_view character, std::string_view codePage) {
    const std::string named = std::string(character) + "」(" + codePointNames(character) + ")";
    const std::string cp(codePage);
    return LineError("「" + named + " は文字コード " + cp + " の文書には入れられません")
        .inEnglish("\"" + std::string(character) + "\" (" + codePointNames(character) +
                   ") is not in the code page " + cp);
}

LineError LineError::safetyCopyFolder(std::string_view folder, std::string reason) {
    LineError e("ﾌｫﾙﾀﾞ ", std::string(folder), " に保存前の内容の控えを作成できません");
    e.inEnglish("cannot create the copy of the old content in folder ");
    e.reason_ = std::move(reason);
    return e;
}

LineError LineError::leftoverCopy(std::string_view copyPath) {
    LineError e("保存が途中で終わったときの元の内容が ", std::string(copyPath), " に残っています");
    e.reason_ = "the file's content from before a save that did not finish; copy it back over the file, "
                "or remove it once it is not needed";
    return e;
}

LineError LineError::leftoverCopyRemoved(std::string_view copyPath) {
    LineError e("保存が途中で終わったときの元の内容 ", std::string(copyPath),
                " は、保存できたので削除しました");
    e.reason_ = "the file now holds what was saved";
    return e;
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
    // Every byte of a character beyond ASCII is above "." (in UTF-8 as in the code pages with lead
    // bytes), so the last byte decides as the last character would.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

std::string errorBoxText(const LineError& error, const TextConversion& words, const TextConversion& path) {
    const bool dot = errorBoxText(error.what()).size() > std::string_view(error.what()).size();
    std::string text = words(error.lead());
    if (error.namesPath())
        text += path(error.path()) + words(error.tail());
    return dot ? text + "." : text;
}

} // namespace linnery
