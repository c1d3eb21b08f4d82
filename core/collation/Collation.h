#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace linnery {

class CodePage;

// The collation order: ICU collation for a locale, ignoring letter case only (kana type and
// character width still count). Lines are decoded with the code page for comparison only. A line the
// code page cannot decode whole collates by its decodable prefix, right after the lines equal to that
// prefix, and then by the bytes of the rest, so the order stays total.
class Collation {
  public:
    // locale: a locale name such as "ja", "ja_JP" or "ja_JP.UTF-8"; "", "root", "C" and "POSIX" mean
    // ICU's root order. Throws std::invalid_argument for a name isKnownLocale() refuses.
    explicit Collation(const std::string& locale);
    // Whether ICU's list of collation locales holds the name's language, or the name is one of the root
    // order's. Judged by the list, not by ICU's silent fallback to the root order.
    static bool isKnownLocale(const std::string& locale);
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

    // LINNERY_LOCALE unless it is unset or empty, else the locale of LC_COLLATE (the root order when ICU
    // has no collation for it).
    static std::string defaultLocale();

  private:
    struct Impl;
    std::string locale_;
    std::unique_ptr<Impl> impl_;
};

} // namespace linnery
