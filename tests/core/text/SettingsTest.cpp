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
};

TEST_F(SettingsTest, OptionThenVariableThenSystemAndClearErrors) {
    struct Case {
        const char* label;
        std::optional<std::string> cpOption, localeOption;
        const char *cpVariable, *localeVariable;
        std::string error;                          // the start of the message; empty: no error
        CodePage::Kind kind = CodePage::Kind::Utf8; // the code page set for every text
        std::string locale = "ja";
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::setenv("LINNERY_CODEPAGE", c.cpVariable, 1);
        ::setenv("LINNERY_LOCALE", c.localeVariable, 1);
        try {
            const TextSettings settings = TextSettings::read(c.cpOption, c.localeOption);
            EXPECT_EQ(c.error, "") << "no error";
            // OtherMultiByte stands for none: the judgement decides.
            const auto& fixed = settings.fixedCodePage();
            EXPECT_EQ(fixed ? fixed->kind() : CodePage::Kind::OtherMultiByte, c.kind);
            EXPECT_EQ(settings.collation()->locale(), c.locale);
        } catch (const SettingError& e) {
            EXPECT_EQ(std::string(e.what()).substr(0, c.error.size()), c.error) << e.what();
            EXPECT_NE(c.error, "") << e.what();
        }
    }
}

} // namespace
