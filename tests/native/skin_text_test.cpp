// Button captions split into label and icon name, and percentage texts read as numbers.
#include "skin/skin_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {
struct Split {
    char label[40];
    char icon[20];
    explicit Split(const char* caption) {
        std::memset(label, 'z', sizeof label);
        std::memset(icon, 'z', sizeof icon);
        SplitButtonCaption(caption, label, sizeof label, icon, sizeof icon);
    }
};
} // namespace

TEST(ButtonCaption, LabelThenIconName) {
    Split split("&Conferma/ICOB011");
    EXPECT_STREQ("&Conferma", split.label);
    EXPECT_STREQ("ICOB011", split.icon);
}

TEST(ButtonCaption, WithoutSlashAllIsLabel) {
    Split split("Annulla");
    EXPECT_STREQ("Annulla", split.label);
    EXPECT_STREQ("", split.icon);
}

TEST(ButtonCaption, LeadingSeparatorsAreSkippedSoTheIconNameBecomesTheLabel) {
    Split split("/ICOB011");
    EXPECT_STREQ("ICOB011", split.label);
    EXPECT_STREQ("", split.icon);
    Split doubled("//A//B//C");
    EXPECT_STREQ("A", doubled.label);
    EXPECT_STREQ("B", doubled.icon);
}

TEST(ButtonCaption, SlashOrEmptyGivesNeither) {
    for (const char* caption : {"", "/", "///"}) {
        Split split(caption);
        EXPECT_STREQ("", split.label) << caption;
        EXPECT_STREQ("", split.icon) << caption;
    }
    Split none(nullptr);
    EXPECT_STREQ("", none.label);
    EXPECT_STREQ("", none.icon);
}

TEST(ButtonCaption, AThirdTokenIsIgnored) {
    Split split("Annulla/ICOB002/ICOB011");
    EXPECT_STREQ("Annulla", split.label);
    EXPECT_STREQ("ICOB002", split.icon);
}

TEST(ButtonCaption, OverlongPartsAreCutToTheirBuffers) {
    const std::string label(60, 'L');
    const std::string icon(30, 'I');
    Split split((label + "/" + icon).c_str());
    EXPECT_EQ(label.substr(0, 39), split.label);
    EXPECT_EQ(icon.substr(0, 19), split.icon);
    Split exact((std::string(39, 'L') + "/" + std::string(19, 'I')).c_str());
    EXPECT_EQ(std::string(39, 'L'), exact.label);
    EXPECT_EQ(std::string(19, 'I'), exact.icon);
}

TEST(PercentText, ReadsLikeAtoi) {
    EXPECT_EQ(45, ParsePercentText("45"));
    EXPECT_EQ(-5, ParsePercentText(" \t-5"));
    EXPECT_EQ(12, ParsePercentText("+12%"));
    EXPECT_EQ(0, ParsePercentText("abc"));
    EXPECT_EQ(0, ParsePercentText(""));
    EXPECT_EQ(0, ParsePercentText(nullptr));
}

TEST(PercentText, OutOfRangeIsHeldAtTheLimits) {
    EXPECT_EQ(INT_MAX, ParsePercentText("99999999999999999999"));
    EXPECT_EQ(INT_MIN, ParsePercentText("-99999999999999999999"));
}
