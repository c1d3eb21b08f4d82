#pragma once

#include "core/parallel/ThreadPool.h"
#include "core/text/TextContext.h"

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace linnery {

// A code page or collation locale that cannot be used. The message (UTF-8) names the value and where it
// came from, and is meant for people as it stands.
class SettingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The user's choice of how texts are read: one code page for every text, or each text judged on its
// bytes; the collation locale; and how many threads the heavy passes run on. It hands every new document
// its TextContext and never changes.
class TextSettings {
  public:
    // Each from its command-line option when given, else from its environment variable
    // (LINNERY_CODEPAGE, LINNERY_LOCALE, LINNERY_THREADS), else from the system (its locale, one thread
    // per core); an empty value counts as not given. A value that is not known raises SettingError.
    static TextSettings read(const std::optional<std::string>& codePageOption = std::nullopt,
                             const std::optional<std::string>& localeOption = std::nullopt,
                             const std::optional<std::string>& threadsOption = std::nullopt);
    // A fixed code page (nullptr: judge each text), a collation locale and a thread count (0: one per
    // core); throws std::invalid_argument.
    TextSettings(const char* fixedCodePage, const std::string& locale, unsigned threads = 0);
    // The same with a pool made elsewhere.
    TextSettings(const char* fixedCodePage, const std::string& locale,
                 std::shared_ptr<const ThreadPool> pool);

    // The code page every text is read in; nullptr when each text is judged.
    const std::shared_ptr<const CodePage>& fixedCodePage() const { return fixed_; }
    const std::shared_ptr<const Collation>& collation() const { return collation_; }
    // The threads of the sorts and the loading, made once and shared by every copy of these settings.
    const ThreadPool& pool() const { return *pool_; }

    // A loaded text's context: the fixed code page; without one, the judged one, or the locale's when
    // the judgement finds none.
    TextContextPtr contextFor(std::string_view text) const;
    std::shared_ptr<const CodePage> codePageFor(std::string_view text) const;
    // A text that comes from no file (a clipboard import, the empty start): the fixed code page or the
    // locale's.
    TextContextPtr contextForNewText() const;
    // The same collation over the given code page.
    TextContextPtr contextWith(std::shared_ptr<const CodePage> codePage) const;

  private:
    TextSettings(std::shared_ptr<const CodePage> fixed, std::shared_ptr<const Collation> collation,
                 std::shared_ptr<const ThreadPool> pool);

    std::shared_ptr<const CodePage> fixed_;
    std::shared_ptr<const Collation> collation_;
    std::shared_ptr<const ThreadPool> pool_;
    // Made once and shared by every document read in them (their converters are thread-safe).
    std::shared_ptr<const CodePage> localeCodePage_, utf8_, cp932_, eucJp_;
};

} // namespace linnery
