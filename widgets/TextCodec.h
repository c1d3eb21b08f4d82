#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace linnery {

// Line text is bytes in the code page; the windows show and take Unicode.
QString fromCodePage(std::string_view bytes);
std::string toCodePage(const QString& text);

// Paths are file-system bytes, never code-page text: shown and taken as file names.
QString pathText(std::string_view path);
std::string pathBytes(const QString& path);

} // namespace linnery
