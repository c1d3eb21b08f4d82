#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace linnery {

class CodePage;

// Line text is bytes in the code page (the open document's, unless one is named); the windows show and
// take Unicode.
QString fromCodePage(std::string_view bytes);
QString fromCodePage(std::string_view bytes, const CodePage& cp);
std::string toCodePage(const QString& text);
std::string toCodePage(const QString& text, const CodePage& cp);

// Paths are file-system bytes, never code-page text: shown and taken as file names.
QString pathText(std::string_view path);
std::string pathBytes(const QString& path);

} // namespace linnery
