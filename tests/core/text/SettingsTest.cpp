#include "core/text/Settings.h"

#include "core/collation/Collation.h"
#include "core/text/CodePage.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace linnery;
using namespace linnery::test;

namespace {

class SettingsTest : public ::testing::Test {
  protected:
    EnvVarScope codePage_{"LINNERY_CODEPAGE"};
    EnvVarScope locale_{"LINNERY_LOCALE"};
    EnvVarScope threads_{"LINNERY_THREADS"};
};

TEST_F(SettingsTest, OptionThenVariableThenSystemAndClearErrors) {
    struct Case {
        const char* label;
        std::optional<std::string> cpOption, localeOption;
        const char *cpVariable, *localeVariable;
        std::string error;                          // the start of the message; empty: no error
        CodePage::Kind kind = CodePage::Kind::Utf8; // the code page set for every text
        std::string locale = "ja";
        std::optional<std::string> threadsOption = {};
        const char* threadsVariable = "";
        unsigned threads = 0; // 0: one per core
    };
    const Case cases[] = {
        {"variables", {}, {}, "cp932", "en", "", CodePage::Kind::Cp932, "en"},
        {"options win", "utf-8", "C", "cp932", "en", "", CodePage::Kind::Utf8, "C"},
        {"empty means unset", "", "", "cp932", "", "", CodePage::Kind::Cp932, ""},
        {"nothing set: each text judged", {}, {}, "", "ja", "", CodePage::Kind::OtherMultiByte},
        {"bad variable", {}, {}, "nosuch", "ja", "unknown code page \"nosuch\" in LINNERY_CODEPAGE"},
        {"bad option over a good variable",
         "nosuch",
         {},
         "cp932",
         "ja",
         "unknown code page \"nosuch\" in --codepage"},
        {"bad locale variable", {}, {}, "cp932", "!!!", "unknown locale \"!!!\" in LINNERY_LOCALE"},
        {"bad locale option", {}, "nosuch", "utf-8", "ja", "unknown locale \"nosuch\" in --locale"},
        {"thread variable", {}, {}, "utf-8", "ja", "", CodePage::Kind::Utf8, "ja", {}, "3", 3},
        {"thread option wins", {}, {}, "utf-8", "ja", "", CodePage::Kind::Utf8, "ja", "1", "3", 1},
        {"no threads", {}, {}, "utf-8", "ja", "bad thread count \"0\" in LINNERY_THREADS", {}, {}, {}, "0"},
        {"not a count", {}, {}, "utf-8", "ja", "bad thread count \"-2\" in --threads", {}, {}, "-2", "4"},
        {"too many",
         {},
         {},
         "utf-8",
         "ja",
         "bad thread count \"99999999999999999999\" in LINNERY_THREADS",
         {},
         {},
         {},
         "99999999999999999999"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::setenv("LINNERY_CODEPAGE", c.cpVariable, 1);
        ::setenv("LINNERY_LOCALE", c.localeVariable, 1);
        ::setenv("LINNERY_THREADS", c.threadsVariable, 1);
        try {
            const TextSettings settings = TextSettings::read(c.cpOption, c.localeOption, c.threadsOption);
            EXPECT_EQ(c.error, "") << "no error";
            // OtherMultiByte stands for none: the judgement decides.
            const auto& fixed = settings.fixedCodePage();
            EXPECT_EQ(fixed ? fixed->kind() : CodePage::Kind::OtherMultiByte, c.kind);
            EXPECT_EQ(settings.collation()->locale(), c.locale);
            EXPECT_EQ(settings.pool().threads(), c.threads > 0 ? c.threads : ThreadPool(0).threads());
        } catch (const SettingError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.error.size()), c.error) << e.what();
            EXPECT_NE(c.error, "") << e.what();
        }
    }
}

} // namespace
