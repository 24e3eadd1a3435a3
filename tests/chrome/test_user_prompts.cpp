#include "chrome/user_prompts.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(UserPrompts, FileFiltersBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters("Environment File(*.ini)|*.ini|All Files(*.*)|*.*|"),
              QStringLiteral("Environment File(*.ini) (*.ini);;All Files(*.*) (*)"));
    EXPECT_EQ(qtNameFilters("Pictures|*.png;*.bmp|"), QStringLiteral("Pictures (*.png *.bmp)"));
    EXPECT_EQ(qtNameFilters("Dangling|"), QString());
}
