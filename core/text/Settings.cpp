#include "core/text/Settings.h"

#include "core/text/CodePageDetection.h"

#include <cerrno>
#include <cstdlib>

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

TextSettings::TextSettings(std::shared_ptr<const CodePage> fixed, std::shared_ptr<const Collation> collation,
                           std::shared_ptr<const ThreadPool> pool)
    : fixed_(std::move(fixed)), collation_(std::move(collation)), pool_(std::move(pool)),
      localeCodePage_(std::make_shared<const CodePage>(CodePage::localeCharset())),
      utf8_(std::make_shared<const CodePage>(codePageName(TextEncoding::Utf8))),
      cp932_(std::make_shared<const CodePage>(codePageName(TextEncoding::Cp932))),
      eucJp_(std::make_shared<const CodePage>(codePageName(TextEncoding::EucJp))) {}

TextSettings::TextSettings(const char* fixedCodePage, const std::string& locale, unsigned threads)
    : TextSettings(fixedCodePage, locale, std::make_shared<const ThreadPool>(threads)) {}

TextSettings::TextSettings(const char* fixedCodePage, const std::string& locale,
                           std::shared_ptr<const ThreadPool> pool)
    : TextSettings(fixedCodePage ? std::make_shared<const CodePage>(fixedCodePage) : nullptr,
                   std::make_shared<const Collation>(locale), std::move(pool)) {}

TextSettings TextSettings::read(const std::optional<std::string>& codePageOption,
                                const std::optional<std::string>& localeOption,
                                const std::optional<std::string>& threadsOption) {
    const std::optional<Choice> codePage = given(codePageOption, "--codepage", "LINNERY_CODEPAGE");
    const Choice cp = codePage ? *codePage : Choice{CodePage::localeCharset(), {}};
    std::shared_ptr<const CodePage> named;
    try {
        named = std::make_shared<const CodePage>(cp.value);
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
    // A count beyond this is a typing error rather than a machine.
    constexpr unsigned long kMostThreads = 1024;
    unsigned threads = 0;
    if (const std::optional<Choice> count = given(threadsOption, "--threads", "LINNERY_THREADS")) {
        const std::string& v = count->value;
        errno = 0;
        const unsigned long n = std::strtoul(v.c_str(), nullptr, 10);
        if (v.find_first_not_of("0123456789") != std::string::npos || errno != 0 || n < 1 || n > kMostThreads)
            throw SettingError("bad thread count \"" + v + "\" in " + count->source +
                               "; use a number from 1 to " + std::to_string(kMostThreads));
        threads = static_cast<unsigned>(n);
    }
    // Without a code page given, each loaded text is judged on its bytes.
    return TextSettings(
        codePage ? std::move(named) : nullptr,
        std::make_shared<const Collation>(locale ? locale->value : Collation::defaultLocale()),
        std::make_shared<const ThreadPool>(threads));
}

std::shared_ptr<const CodePage> TextSettings::codePageFor(std::string_view text) const {
    if (fixed_)
        return fixed_;
    switch (judgeEncoding(text, *pool_)) {
    case TextEncoding::Utf8:
        return utf8_;
    case TextEncoding::Cp932:
        return cp932_;
    case TextEncoding::EucJp:
        return eucJp_;
    case TextEncoding::Unknown:
        break;
    }
    return localeCodePage_;
}

TextContextPtr TextSettings::contextFor(std::string_view text) const {
    return contextWith(codePageFor(text));
}

TextContextPtr TextSettings::contextForNewText() const {
    return contextWith(fixed_ ? fixed_ : localeCodePage_);
}

TextContextPtr TextSettings::contextWith(std::shared_ptr<const CodePage> codePage) const {
    return std::make_shared<const TextContext>(std::move(codePage), collation_);
}

} // namespace linnery
