// Entry point of every Windows test executable: the process-wide handles the program's
// WinMain would set up, then GoogleTest.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/globals.h"
#include "base/strings.h"
#include "support/program_texts.h"

int main(int argc, char** argv) {
    AppInstance = GetModuleHandleA(nullptr);
    CopyBounded(AppCaption.data(), AppCaption.size(), SetupCaption);
    CreateSolidBrushes();
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    DeleteSolidBrushes();
    return result;
}
