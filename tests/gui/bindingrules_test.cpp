// The edit-box and menu rules both window bindings follow.
#include <gtest/gtest.h>

#include <cstring>

#include "gui/platform/bindingrules.h"

namespace rules = tf::platform::rules;
using tf::platform::EditBox;
using tf::platform::MenuEntry;
using tf::platform::PopupMenu;

TEST(BindingRules, TheEditBoxCoversItsAreaWithBothEdgesAndRunsOnlyWhereItFits) {
    EditBox box;
    box.area = CRect(10, 20, 36, 31);
    EXPECT_EQ(rules::editBoxBounds(box), CRect(10, 20, 37, 32));
    char text[4] = "42";
    EXPECT_TRUE(rules::editBoxRunnable(box, text, sizeof text));
    EXPECT_FALSE(rules::editBoxRunnable(box, text, 0));
    EXPECT_FALSE(rules::editBoxRunnable(box, nullptr, sizeof text));
    box.area = CRect(10, 20, 10, 20);  // one pixel
    EXPECT_TRUE(rules::editBoxRunnable(box, text, sizeof text));
    box.area = CRect(10, 20, 9, 30);  // inside out
    EXPECT_FALSE(rules::editBoxRunnable(box, text, sizeof text));
    EXPECT_EQ(rules::editBoxMaxLength(sizeof text), 3u);
    EXPECT_EQ(rules::editBoxMaxLength(0), 0u);
}

TEST(BindingRules, TheTextIsTheEditUnlessCancelledCutToTheBufferAndTerminated) {
    char text[5] = "42";
    rules::storeEditText(rules::EditEnd::apply, "123456", "42", text, sizeof text);
    EXPECT_STREQ(text, "1234");
    rules::storeEditText(rules::EditEnd::cancel, "9", "42", text, sizeof text);
    EXPECT_STREQ(text, "42");
    rules::storeEditText(rules::EditEnd::apply, "", "42", text, sizeof text);
    EXPECT_STREQ(text, "");
    char one[1] = {'x'};
    rules::storeEditText(rules::EditEnd::apply, "7", "", one, sizeof one);
    EXPECT_EQ(one[0], '\0');
    rules::storeEditText(rules::EditEnd::apply, "7", "", nullptr, 8);  // nothing to write to
}

TEST(BindingRules, OnlyAChoosableEntryInTheMenuIsAChoice) {
    const MenuEntry entries[] = {{"Title", tf::platform::kMenuDisabled},
                                 {"A", 0},
                                 {"", tf::platform::kMenuSeparator},
                                 {"B", tf::platform::kMenuGreyed},
                                 {"C", tf::platform::kMenuChecked | tf::platform::kMenuColumnBreak}};
    PopupMenu menu;
    menu.entries = entries;
    menu.count = 5;
    EXPECT_TRUE(rules::menuRunnable(menu));
    const int expected[] = {-1, 1, -1, -1, 4};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(rules::menuChoice(menu, i), expected[i]) << i;
    EXPECT_EQ(rules::menuChoice(menu, -1), -1);
    EXPECT_EQ(rules::menuChoice(menu, 5), -1);
    menu.count = 0;
    EXPECT_FALSE(rules::menuRunnable(menu));
    EXPECT_EQ(rules::menuChoice(menu, 1), -1);
    menu.count = 5;
    menu.entries = nullptr;
    EXPECT_FALSE(rules::menuRunnable(menu));
}
