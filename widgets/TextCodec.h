#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace linnery {

// Lines and messages are bytes in the code page; the windows show and take Unicode.
QString fromCodePage(std::string_view bytes);
std::string toCodePage(const QString& text);

} // namespace linnery
