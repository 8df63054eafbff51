// The harness's probes of a process's resources, which the benchmarks report: the count of GDI
// objects read from the process's handle table, and its private bytes. Both read another
// process's memory, whose layout differs between 32-bit and 64-bit builds.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "support/scratch_folder.h"
#include "resources/resource_ids.h"

namespace {

using namespace harness;

constexpr int BrushesMade = 7;
constexpr int PensMade = 3;
// The program keeps its shared solid brushes for its whole life.
constexpr int ProgramSharedBrushes = 13;
// Far more than the program holds with its setup dialog open.
constexpr int ManyObjectsHere = 1000;
constexpr SIZE_T CommittedBytes = 32u * 1024u * 1024u;
constexpr SIZE_T PageBytes = 4096;

int OwnGdiObjects() {
    return CountGdiObjects(GetCurrentProcess(), GetCurrentProcessId());
}

TEST(ProcessProbes, GdiCountFollowsEveryObjectMadeAndDeleted) {
    const int before = OwnGdiObjects();
    ASSERT_GE(before, 0) << "the handle table could not be read";
    std::vector<HGDIOBJ> made;
    for (int i = 0; i < BrushesMade; ++i)
        made.push_back(CreateSolidBrush(RGB(i, 2 * i, 3 * i)));
    for (int i = 0; i < PensMade; ++i)
        made.push_back(CreatePen(PS_SOLID, i + 1, RGB(9, 8, i)));
    for (HGDIOBJ object : made)
        ASSERT_NE(nullptr, object);
    EXPECT_EQ(before + BrushesMade + PensMade, OwnGdiObjects());
    for (HGDIOBJ object : made)
        DeleteObject(object);
    EXPECT_EQ(before, OwnGdiObjects());
}

TEST(ProcessProbes, GdiCountReadsAnotherProcess) {
    ASSERT_TRUE(RemoveTree("C:\\LUDRA"));
    ASSERT_TRUE(RemoveTree("C:\\LUDRA47"));
    Program program;
    ASSERT_TRUE(program.Start(LDSETUP_EXE));
    ASSERT_NE(nullptr, WaitForDialogWithControl(program.Id(), IDC_FOLDER)) << "the setup dialog did not open";
    // Many more objects here than the program holds: a count read from the wrong process shows them.
    std::vector<HBRUSH> here;
    for (int i = 0; i < ManyObjectsHere; ++i)
        here.push_back(CreateSolidBrush(RGB(i % 256, 7, 9)));
    const int objects = CountGdiObjects(program.Handle(), program.Id());
    const int own = OwnGdiObjects();
    for (HBRUSH brush : here)
        DeleteObject(brush);
    program.Kill();
    EXPECT_GE(objects, ProgramSharedBrushes);
    EXPECT_LT(objects, ManyObjectsHere);
    EXPECT_GE(own, ManyObjectsHere);
}

TEST(ProcessProbes, PrivateBytesGrowWithCommittedMemory) {
    const SIZE_T before = PrivateBytes(GetCurrentProcess());
    ASSERT_GT(before, 0u);
    auto* block = static_cast<char*>(VirtualAlloc(nullptr, CommittedBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(nullptr, block);
    for (SIZE_T offset = 0; offset < CommittedBytes; offset += PageBytes)
        block[offset] = 1;
    const SIZE_T during = PrivateBytes(GetCurrentProcess());
    VirtualFree(block, 0, MEM_RELEASE);
    EXPECT_GE(during, before + CommittedBytes);
    EXPECT_LT(PrivateBytes(GetCurrentProcess()), during);
}

// A start Wine fails is tried once more and noted for the test command; a missing program is not,
// and no start is tried a third time.
TEST(HarnessStart, FailedStartIsTriedOnceMoreAndNotedButAMissingProgramIsNot) {
    ScratchFolder scratch("start");
    const std::string log = scratch / "restarts.log";
    const std::string notAProgram = scratch / "broken.exe";
    ASSERT_TRUE(WriteWholeFile(notAProgram, "not a program"));
    ASSERT_EQ(0, _putenv(("LUDRA_RESTART_LOG=" + log).c_str()));
    Program missing;
    Program broken;
    EXPECT_FALSE(missing.Start((scratch / "missing.exe").c_str()));
    EXPECT_FALSE(broken.Start(notAProgram.c_str()));
    _putenv("LUDRA_RESTART_LOG=");
    EXPECT_EQ("CreateProcess failed with error 193, started again: " + notAProgram + "\n", ReadWholeFile(log));
}

} // namespace
