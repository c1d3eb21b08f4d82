#include "core/commands/WindowTitle.h"

#include <gtest/gtest.h>

using namespace linnery;

TEST(Title, CaptionIsTheNameAndTheLineCount) {
    EXPECT_EQ(titleCaption("list.txt", 120), "list.txt - (120行) - Linnery");
    EXPECT_EQ(titleCaption("", 0), " - (0行) - Linnery");
}
