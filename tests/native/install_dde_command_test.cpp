// The Program Manager command text of the product's group.
#include <gtest/gtest.h>

#include <string>

#include "install/dde_command.h"

TEST(BuildGroupCommands, ExactTextForTheDefaultFolder) {
    char text[DdeCommandBlockSize];
    const std::string expected = "[CreateGroup(\"Ludra 4.7\")]"
                                 "[AddItem(C:\\LUDRA47\\ludra.exe,Ludra 4)]"
                                 "[AddItem(C:\\LUDRA47\\ludra.chm,Help Ludra)]"
                                 "[AddItem(C:\\LUDRA47\\manuale4.pdf,Manuale Ludra)]"
                                 "[ShowGroup(\"Ludra 4.7\",1)]";
    ASSERT_EQ(181u, expected.size());
    EXPECT_EQ(181, BuildGroupCommands("C:\\LUDRA47", text, sizeof text));
    EXPECT_EQ(expected, text);
}

TEST(BuildGroupCommands, LongestFolderFitsTheBlock) {
    char text[DdeCommandBlockSize];
    const std::string folder(151, 'F');
    EXPECT_EQ(151 + 3 * 151, BuildGroupCommands(folder.c_str(), text, sizeof text));
}

TEST(BuildGroupCommands, TextThatWouldNotFitLeavesOutputEmpty) {
    char text[DdeCommandBlockSize];
    const std::string tooLong(300, 'F');
    EXPECT_EQ(-1, BuildGroupCommands(tooLong.c_str(), text, sizeof text));
    EXPECT_STREQ("", text);

    char small[181];
    EXPECT_EQ(-1, BuildGroupCommands("C:\\LUDRA47", small, sizeof small));
    EXPECT_STREQ("", small);
    char exact[182];
    EXPECT_EQ(181, BuildGroupCommands("C:\\LUDRA47", exact, sizeof exact));

    // One AddItem alone past its 512-byte buffer.
    const std::string huge(600, 'F');
    char big[4096];
    EXPECT_EQ(-1, BuildGroupCommands(huge.c_str(), big, sizeof big));
}
