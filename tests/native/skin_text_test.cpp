// Button captions split into label and icon name, and percentage texts read as numbers.
#include "skin/skin_text.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A copy one byte too long shows only at a part exactly as long as its buffer (40 and 20 bytes).
TEST(ButtonCaption, OverlongPartsAreCutToTheirBuffers) {
    struct Row {
        size_t label;
        size_t icon;
    };
    for (const Row& row : {Row{60, 30}, Row{39, 19}, Row{40, 19}, Row{41, 19}, Row{39, 20}, Row{39, 21}, Row{40, 20}}) {
        SCOPED_TRACE(std::to_string(row.label) + " and " + std::to_string(row.icon) + " characters");
        std::string caption(row.label, 'L');
        caption += '/';
        caption.append(row.icon, 'I');
        Split split(caption.c_str());
        EXPECT_EQ(std::string(std::min<size_t>(row.label, 39), 'L'),
                  std::string(split.label, strnlen(split.label, 40)));
        EXPECT_EQ(std::string(std::min<size_t>(row.icon, 19), 'I'), std::string(split.icon, strnlen(split.icon, 20)));
    }
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
