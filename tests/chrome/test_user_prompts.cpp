#include "chrome/user_prompts.h"

#include <gtest/gtest.h>

using namespace tessaly;

TEST(UserPrompts, FileFiltersBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilters("Environment File(*.ini)|*.ini|All Files(*.*)|*.*|"),
              QStringLiteral("Environment File(*.ini) (*.ini);;All Files(*.*) (*)"));
    EXPECT_EQ(qtNameFilters("Pictures|*.png;*.bmp|"), QStringLiteral("Pictures (*.png *.bmp)"));
    EXPECT_EQ(qtNameFilters("Dangling|"), QString());
}

TEST(UserPrompts, InstalledPromptsReplaceTheDialogs) {
    struct Fixed : CUserPrompts {
        PromptAnswer messageBox(QWidget*, const QString&, PromptButtons, PromptIcon) override {
            return PromptAnswer::No;
        }
        QString openFileName(QWidget*, const QString&, const QString&) override { return "a"; }
        QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
            return "b";
        }
    } fixed;
    setUserPrompts(&fixed);
    EXPECT_EQ(&userPrompts(), &fixed);
    EXPECT_EQ(userPrompts().messageBox(nullptr, "x", PromptButtons::YesNo, PromptIcon::Question),
              PromptAnswer::No);
    setUserPrompts(nullptr);
    EXPECT_NE(&userPrompts(), &fixed);
}
