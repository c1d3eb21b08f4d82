#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace linnery {

class CodePage;

// The order of sorted mode: ICU collation for a locale, ignoring letter case only (kana type and
// character width still count). Lines are decoded with the code page for comparison only.
class Collation {
  public:
    // locale: an ICU locale name such as "ja" or "ja_JP". Throws std::invalid_argument when ICU
    // cannot open a collator for it.
    explicit Collation(const std::string& locale);
    ~Collation();
    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;

    const std::string& locale() const { return locale_; }

    // The sort key of a line (bytes in the code page), in a buffer of this object that the next call
    // reuses. Keys compare with memcmp-style byte order (std::string_view comparison) exactly as
    // compare() does; equal keys mean equal lines under this collation. ICU's NUL terminator is not
    // part of it.
    std::string_view keyOf(std::string_view line, const CodePage& cp) const;
    std::string sortKey(std::string_view line, const CodePage& cp) const;
    // <0, 0, >0 like strcmp.
    int compare(std::string_view a, std::string_view b, const CodePage& cp) const;

    // The collation in use: LINNERY_LOCALE when set, else the locale of LC_COLLATE.
    static const Collation& current();
    static void setCurrent(const std::string& locale);
    static std::string defaultLocale();

  private:
    struct Impl;
    std::string locale_;
    std::unique_ptr<Impl> impl_;
};

} // namespace linnery
