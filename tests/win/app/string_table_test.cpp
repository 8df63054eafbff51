// The message texts in the string table: exactly the Italian texts the other tests expect in the
// program's message boxes, and each short enough for the buffer the setup dialog loads it into.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "app/install_sequence.h"
#include "base/globals.h"
#include "resources/resource_ids.h"
#include "support/program_texts.h"

namespace {
struct TableEntry {
    UINT id;
    const char* text;
};
constexpr TableEntry TableEntries[] = {
    {IDS_COPY_NO_SPACE, CopyNoSpaceText},
    {IDS_COPY_MISSING, CopyMissingText},
    {IDS_ALREADY_INSTALLED, AlreadyInstalledText},
    {IDS_DRIVE_MISSING, DriveMissingText},
    {IDS_INSTALL_INCOMPLETE, IncompleteText},
    {IDS_FOLDER_NOT_CREATED, FolderNotCreatedText},
    {IDS_INSTALL_DONE, DoneText},
    {IDS_FOLDER_EXISTS, FolderExistsText},
};
constexpr int LoadBufferSize = 1024;
} // namespace

TEST(StringTable, EveryMessageIsTheExpectedTextAndFitsTheDialogsBuffer) {
    for (const TableEntry& entry : TableEntries) {
        SCOPED_TRACE(entry.id);
        char loaded[LoadBufferSize] = {};
        const int length = LoadStringA(AppInstance, entry.id, loaded, sizeof loaded);
        EXPECT_EQ(static_cast<int>(std::strlen(entry.text)), length);
        EXPECT_STREQ(entry.text, loaded);
        EXPECT_LT(length, static_cast<int>(MessageTextSize)) << "the setup dialog would cut it short";
    }
}

TEST(StringTable, TheSetupDialogLoadsTheWholeMessage) {
    EXPECT_STREQ(DoneText, LoadMessageText(IDS_INSTALL_DONE));
    EXPECT_STREQ(AlreadyInstalledText, LoadMessageText(IDS_ALREADY_INSTALLED));
}
