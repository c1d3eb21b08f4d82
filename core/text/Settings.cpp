#include "core/text/Settings.h"

#include "core/text/CodePage.h"
#include "core/collation/Collation.h"

#include <cstdlib>
#include <memory>

namespace linnery {

namespace {

struct Choice {
    std::string value;
    std::string source; // the option or variable it came from; empty for the system locale
};

std::optional<Choice> given(const std::optional<std::string>& option, const char* optionName,
                            const char* variable) {
    if (option && !option->empty())
        return Choice{*option, optionName};
    const char* env = std::getenv(variable);
    if (env && *env)
        return Choice{env, variable};
    return std::nullopt;
}

} // namespace

void applySettings(const std::optional<std::string>& codePageOption,
                   const std::optional<std::string>& localeOption) {
    const std::optional<Choice> codePage = given(codePageOption, "--codepage", "LINNERY_CODEPAGE");
    const Choice cp = codePage ? *codePage : Choice{CodePage::localeCharset(), {}};
    try {
        (void)CodePage(cp.value); // a name ICU does not know throws
    } catch (const std::invalid_argument&) {
        throw SettingError("unknown code page \"" + cp.value + "\" in " +
                           (cp.source.empty() ? "the system locale" : cp.source) +
                           "; use a name such as cp932, utf-8 or euc-jp");
    }
    // Collation::defaultLocale() falls back to the root order for a system locale ICU has no collation
    // for; a name the user gave must be one ICU knows.
    const std::optional<Choice> locale = given(localeOption, "--locale", "LINNERY_LOCALE");
    if (locale && !Collation::isKnownLocale(locale->value))
        throw SettingError("unknown locale \"" + locale->value + "\" in " + locale->source +
                           "; use a collation locale such as ja, ja_JP, en or C");
    if (codePage)
        CodePage::setCurrent(cp.value);
    else
        CodePage::followDocuments(); // each loaded file is judged on its bytes
    Collation::setCurrent(locale ? locale->value : Collation::defaultLocale());
}

} // namespace linnery
