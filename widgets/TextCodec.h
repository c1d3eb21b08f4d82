#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace linnery {

class CodePage;

// Line text is bytes in its document's code page; the windows show and take Unicode.
QString fromCodePage(std::string_view bytes, const CodePage& cp);
// Every character the code page cannot hold becomes '?': for a clipboard text taken as a whole.
std::string toCodePage(QString text, const CodePage& cp);
// A typed text in the code page when it holds every character; otherwise nothing, and `missing` (when
// given) gets the first character it cannot hold.
std::optional<std::string> typedInCodePage(const QString& text, const CodePage& cp,
                                           QString* missing = nullptr);

// Paths are file-system bytes, never code-page text: shown and taken as file names.
QString pathText(std::string_view path);
std::string pathBytes(const QString& path);

} // namespace linnery
