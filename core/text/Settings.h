#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace linnery {

// A code page or collation locale that cannot be used. The message (UTF-8) names the value and where it
// came from, and is meant for people as it stands.
class SettingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Makes the code page and the collation locale current before anything else runs. Each comes from its
// command-line option when given, else from its environment variable (LINNERY_CODEPAGE,
// LINNERY_LOCALE), else from the system locale; an empty value counts as not given. A value that is
// not known raises SettingError and changes nothing. Without a code page given, the locale's serves
// until a document brings its own.
void applySettings(const std::optional<std::string>& codePageOption = std::nullopt,
                   const std::optional<std::string>& localeOption = std::nullopt);

} // namespace linnery
