// The built-in unpacker and the extraction step on real files under Wine: what lands in the
// installation folder for good, damaged and hostile archives.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/com_handles.h"
#include "install/extract.h"
#include "install/unzip.h"
#include "shell_stand_in.h"
#include "support/debug_output.h"
#include "support/message_pump.h"
#include "support/scratch_folder.h"
#include "support/ticking_window.h"
#include "support/zip_builder.h"

namespace {

using Names = std::vector<std::string>;

// An archive beside the installation folder, so nothing of it shows in the folder's listing.
class UnpackTest : public testing::Test {
protected:
    UnpackTest() : scratch_("unpack"), folder_(scratch_ / "LUDRA47"), archive_(scratch_ / "LD46DEMO.zip") {
        CreateDirectoryA(folder_.c_str(), nullptr);
    }

    int Unzip(const std::string& bytes) {
        EXPECT_TRUE(WriteWholeFile(archive_, bytes));
        return UnzipPackage(Widen(archive_).c_str(), Widen(folder_).c_str());
    }
    std::string In(const std::string& name) const { return folder_ + "\\" + name; }

    ScratchFolder scratch_;
    std::string folder_;
    std::string archive_;
};

TEST_F(UnpackTest, WritesEveryEntryWithItsFoldersStoredAndDeflated) {
    ZipBuilder::Options descriptor;
    descriptor.dataDescriptor = true;
    std::string big;
    for (int i = 0; i < 20000; ++i)
        big += "riga " + std::to_string(i) + "\r\n";
    const std::string archive = ZipBuilder()
                                    .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\nLUDRA.INI; VIDEO; X; 1\r\n")
                                    .AddDirectory("DOC/")
                                    .Add("DOC/SUB/MANUALE.TXT", "manuale", ZipBuilder::Stored)
                                    .Add("BIN\\LUDRA.EXE", big, ZipBuilder::Deflated, descriptor)
                                    .Add("VUOTO.TXT", "", ZipBuilder::Stored)
                                    .AddDirectory("DATI/ARCHIVIO/")
                                    .Build();
    ASSERT_EQ(Unzip(archive), 1);
    EXPECT_EQ(ListFolder(folder_), (Names{"BIN", "DATI", "DOC", "SETUP.INF", "VUOTO.TXT"}));
    EXPECT_EQ(ReadWholeFile(In("SETUP.INF")), "[CONFIG_INI_HIRES]\r\nLUDRA.INI; VIDEO; X; 1\r\n");
    EXPECT_EQ(ReadWholeFile(In("DOC\\SUB\\MANUALE.TXT")), "manuale");
    EXPECT_EQ(ReadWholeFile(In("BIN\\LUDRA.EXE")), big);
    EXPECT_EQ(ReadWholeFile(In("VUOTO.TXT")), "");
    EXPECT_TRUE(IsFolderPath(In("DATI\\ARCHIVIO")));
}

TEST_F(UnpackTest, ExistingFilesAreReplacedWholeReadOnlyIncluded) {
    CreateDirectoryA(In("DOC").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(In("SETUP.INF"), std::string(10000, 'o')));
    ASSERT_TRUE(WriteWholeFile(In("DOC\\LEGGIMI.TXT"), "old"));
    SetFileAttributesA(In("DOC\\LEGGIMI.TXT").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteWholeFile(In("ALTRO.TXT"), "not in the archive"));

    const std::string archive =
        ZipBuilder().Add("SETUP.INF", "new").Add("DOC/LEGGIMI.TXT", "new too", ZipBuilder::Stored).Build();
    ASSERT_EQ(Unzip(archive), 1);
    EXPECT_EQ(ReadWholeFile(In("SETUP.INF")), "new");
    EXPECT_EQ(ReadWholeFile(In("DOC\\LEGGIMI.TXT")), "new too");
    EXPECT_EQ(ReadWholeFile(In("ALTRO.TXT")), "not in the archive");
    EXPECT_EQ(ListFolder(folder_), (Names{"ALTRO.TXT", "DOC", "SETUP.INF"}));
}

TEST_F(UnpackTest, EmptyArchiveSucceedsAndWritesNothing) {
    EXPECT_EQ(Unzip(ZipBuilder().Build()), 1);
    EXPECT_TRUE(ListFolder(folder_).empty());
}

TEST_F(UnpackTest, WhatIsNotAWholeArchiveFailsAndWritesNothing) {
    const std::string archive = ZipBuilder().Add("A.TXT", "aaaa").Add("B.TXT", "bbbb").Build();
    const std::string notArchives[] = {
        archive.substr(0, archive.size() / 2),
        archive.substr(0, archive.size() - 1),
        "<html><body><h1>404 Not Found</h1></body></html>",
        "",
    };
    for (const std::string& bytes : notArchives) {
        EXPECT_EQ(Unzip(bytes), 0) << bytes.size();
        EXPECT_TRUE(ListFolder(folder_).empty()) << bytes.size();
    }
    EXPECT_EQ(UnzipPackage(Widen(scratch_ / "MISSING.zip").c_str(), Widen(folder_).c_str()), 0);
}

// A failed entry leaves its name as it was (absent, or the old file) and no temporary file.
TEST_F(UnpackTest, BadCrcFailsWithoutAHalfWrittenFile) {
    ASSERT_TRUE(WriteWholeFile(In("B.TXT"), "old content"));
    ZipBuilder::Options badCrc;
    badCrc.crcXor = 0x80000000;
    std::string big(300000, 'z');
    const std::string archive = ZipBuilder()
                                    .Add("A.TXT", "good")
                                    .Add("B.TXT", big, ZipBuilder::Deflated, badCrc)
                                    .Add("C.TXT", "never reached")
                                    .Build();
    EXPECT_EQ(Unzip(archive), 0);
    EXPECT_EQ(ReadWholeFile(In("A.TXT")), "good");
    EXPECT_EQ(ReadWholeFile(In("B.TXT")), "old content");
    EXPECT_EQ(ListFolder(folder_), (Names{"A.TXT", "B.TXT"}));

    const std::string fresh = ZipBuilder().Add("NEW/D.TXT", "dddd", ZipBuilder::Stored, badCrc).Build();
    EXPECT_EQ(Unzip(fresh), 0);
    EXPECT_FALSE(PathExists(In("NEW\\D.TXT")));
    EXPECT_TRUE(ListFolder(In("NEW")).empty());
}

TEST_F(UnpackTest, CorruptDeflateDataFailsWithoutAHalfWrittenFile) {
    std::string archive = ZipBuilder().Add("D.TXT", std::string(200000, 'q') + "tail").Build();
    archive[30 + 5 + 2] = static_cast<char>(archive[30 + 5 + 2] ^ 0x3C);
    EXPECT_EQ(Unzip(archive), 0);
    EXPECT_TRUE(ListFolder(folder_).empty());
}

TEST_F(UnpackTest, NamesThatLeaveTheFolderAreNotWritten) {
    const std::string archive = ZipBuilder()
                                    .Add("../evil1.txt", "x")
                                    .Add("SUB/../../evil2.txt", "x")
                                    .Add("..\\evil3.txt", "x")
                                    .Add("/evil4.txt", "x")
                                    .Add("\\evil5.txt", "x")
                                    .Add("C:/evil6.txt", "x")
                                    .Add("C:evil7.txt", "x")
                                    .Add("GOOD.TXT:stream", "x")
                                    .Add("CON", "x")
                                    .Add("SUB/NUL.txt", "x")
                                    .Add("GOOD.TXT", "good")
                                    .Build();
    EXPECT_EQ(Unzip(archive), 1);
    EXPECT_EQ(ListFolder(folder_), (Names{"GOOD.TXT"}));
    EXPECT_EQ(ReadWholeFile(In("GOOD.TXT")), "good");
    EXPECT_EQ(ListFolder(scratch_.path()), (Names{"LD46DEMO.zip", "LUDRA47"}));
    for (const char* outside : {"C:\\evil4.txt", "C:\\evil5.txt", "C:\\evil6.txt", "C:\\evil7.txt"})
        EXPECT_FALSE(PathExists(outside)) << outside;
}

TEST_F(UnpackTest, PathBeyondMaxPathFailsInsteadOfBeingCut) {
    const std::string longName = std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(50, 'c');
    const std::string archive =
        ZipBuilder().Add("FIRST.TXT", "1").Add(longName, "long").Add("LAST.TXT", "never reached").Build();
    EXPECT_EQ(Unzip(archive), 0);
    EXPECT_EQ(ReadWholeFile(In("FIRST.TXT")), "1");
    EXPECT_FALSE(PathExists(In("LAST.TXT")));
    // Folders that fit may have been made on the way; no file carries a cut name.
    std::string deepest = In(std::string(100, 'a'));
    if (IsFolderPath(deepest))
        deepest += "\\" + std::string(100, 'b');
    if (IsFolderPath(deepest)) {
        EXPECT_TRUE(ListFolder(deepest).empty());
    }
}

// Folders met in any order, with names that share a beginning but not a folder: each file
// still finds its folder made.
TEST_F(UnpackTest, FoldersInAnyOrderAreAllMade) {
    const char* const names[] = {"DOC/SUB/A.TXT", "DOC/SUBX/B.TXT", "DOC/C.TXT",      "DOC/SUB/D.TXT", "DO/E.TXT",
                                 "X/Y/Z/F.TXT",   "X/Y/G.TXT",      "X/W/H.TXT",      "X/Y/Z/I.TXT",   "DOC/SU/J.TXT",
                                 "K.TXT",         "doc/sub/L.TXT",  "DOC/SUB/M/N.TXT"};
    ZipBuilder zip;
    for (const char* name : names)
        zip.Add(name, std::string("content of ") + name);
    ASSERT_EQ(Unzip(zip.Build()), 1);
    for (const char* name : names) {
        std::string path = name;
        std::replace(path.begin(), path.end(), '/', '\\');
        EXPECT_EQ(ReadWholeFile(In(path)), std::string("content of ") + name) << name;
    }
}

// 0xFFFFFFFE bytes each, one deflated byte stored: a package that claims what it would fill.
std::string PackageDeclaring(int hugeEntries) {
    ZipBuilder zip;
    zip.Add("A.TXT", "written first without the weighing");
    ZipBuilder::Options huge;
    huge.declaredSize = 0xFFFFFFFE;
    for (int i = 0; i < hugeEntries; ++i)
        zip.Add("DATI/HUGE" + std::to_string(i) + ".DAT", "x", ZipBuilder::Deflated, huge);
    return zip.Build();
}

TEST_F(UnpackTest, PackageDeclaringMoreThanTheFreeSpaceIsRefusedBeforeAnyWrite) {
    ULARGE_INTEGER available = {};
    ASSERT_TRUE(GetDiskFreeSpaceExW(Widen(folder_).c_str(), &available, nullptr, nullptr));
    const uint64_t perEntry = 0xFFFFFFFEull;
    const uint64_t needed = available.QuadPart / perEntry + 1;
    if (needed > 60000)
        GTEST_SKIP() << "the volume has " << available.QuadPart << " bytes free, more than a zip can declare";
    const std::string archive = PackageDeclaring(static_cast<int>(needed));
    // No size limit of ours: only the free space refuses it.
    ASSERT_TRUE(WriteWholeFile(archive_, archive));
    EXPECT_EQ(UnzipPackage(Widen(archive_).c_str(), Widen(folder_).c_str(), UINT64_MAX), 0);
    EXPECT_EQ(PackageFitsFolder(Widen(archive_).c_str(), Widen(folder_).c_str(), UINT64_MAX), 0);
    EXPECT_TRUE(ListFolder(folder_).empty());

    // With room to spare for every declared byte the same kind of package passes the weighing.
    if (needed >= 2) {
        ASSERT_TRUE(WriteWholeFile(archive_, PackageDeclaring(static_cast<int>(needed - 2))));
        EXPECT_EQ(PackageFitsFolder(Widen(archive_).c_str(), Widen(folder_).c_str(), UINT64_MAX), 1);
    }
    std::printf("%llu bytes free: %llu entries of 4 GiB refused\n", static_cast<unsigned long long>(available.QuadPart),
                static_cast<unsigned long long>(needed));
}

TEST_F(UnpackTest, PackageDeclaringMoreThanTheSizeLimitIsRefusedBeforeAnyWrite) {
    EXPECT_EQ(Unzip(PackageDeclaring(2)), 0); // 8 GiB declared
    EXPECT_TRUE(ListFolder(folder_).empty());
    ASSERT_TRUE(WriteWholeFile(archive_, PackageDeclaring(1)));
    EXPECT_EQ(PackageFitsFolder(Widen(archive_).c_str(), Widen(folder_).c_str(), 1ull << 30), 0);
    EXPECT_EQ(PackageFitsFolder(Widen(archive_).c_str(), Widen(folder_).c_str(), 1ull << 33), 1);
}

// Thousands of names for one deflated record of 1 MiB: refused whole, nothing written.
TEST_F(UnpackTest, EntriesSharingTheirDataAreRefusedBeforeAnyWrite) {
    ZipBuilder bomb;
    bomb.Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n").Add("DATI/BOMB0000.DAT", std::string(1 << 20, '\0'));
    for (int i = 1; i < 4096; ++i)
        bomb.AddAlias("DATI/BOMB" + std::to_string(10000 + i) + ".DAT", 1);
    const std::string archive = bomb.Build();
    EXPECT_EQ(Unzip(archive), 0);
    EXPECT_TRUE(ListFolder(folder_).empty());
    BSTR archivePath = SysAllocString(Widen(archive_).c_str());
    BSTR folder = SysAllocString(Widen(folder_).c_str());
    EXPECT_EQ(ExtractPackageChecked(archivePath, folder), 0);
    SysFreeString(folder);
    SysFreeString(archivePath);
    EXPECT_TRUE(ListFolder(folder_).empty());
}

TEST_F(UnpackTest, EntryInflatingPastItsDeclaredSizeFailsAndLeavesNoFile) {
    ZipBuilder::Options lying;
    lying.declaredSize = 1000;
    const std::string archive = ZipBuilder()
                                    .Add("A.TXT", "a")
                                    .Add("SUB/BIG.DAT", std::string(5 << 20, 'z'), ZipBuilder::Deflated, lying)
                                    .Add("C.TXT", "never reached")
                                    .Build();
    EXPECT_EQ(Unzip(archive), 0);
    EXPECT_EQ(ReadWholeFile(In("A.TXT")), "a");
    EXPECT_FALSE(PathExists(In("SUB\\BIG.DAT")));
    EXPECT_FALSE(PathExists(In("C.TXT")));
    EXPECT_TRUE(ListFolder(In("SUB")).empty());
}

// What the shell's copy is checked with: the folder against the archive's central directory.
TEST_F(UnpackTest, FolderMissingAFileOrHoldingAShortOrChangedOneDoesNotMatchThePackage) {
    const std::string archive = ZipBuilder()
                                    .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n")
                                    .AddDirectory("VUOTA/")
                                    .Add("DOC/A.TXT", std::string(5000, 'a'))
                                    .Add("DOC/B.TXT", "bbbb", ZipBuilder::Stored)
                                    .Add("../FUORI.TXT", "never written by the unpacker")
                                    .Build();
    ASSERT_EQ(Unzip(archive), 1);
    const std::wstring archivePath = Widen(archive_);
    const std::wstring folder = Widen(folder_);
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 1);
    ASSERT_TRUE(WriteWholeFile(In("EXTRA.TXT"), "not in the archive: no harm"));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 1);

    ASSERT_TRUE(DeleteFileA(In("DOC\\B.TXT").c_str()));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 0) << "a file missing";
    ASSERT_TRUE(WriteWholeFile(In("DOC\\B.TXT"), "bbbb"));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 1);

    ASSERT_TRUE(WriteWholeFile(In("DOC\\A.TXT"), std::string(4096, 'a')));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 0) << "a file cut short";
    ASSERT_TRUE(WriteWholeFile(In("DOC\\A.TXT"), std::string(4999, 'a') + "b"));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 0) << "a full-size file, one byte changed";
    ASSERT_TRUE(WriteWholeFile(In("DOC\\A.TXT"), std::string(5000, 'a')));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 1);

    ASSERT_TRUE(RemoveDirectoryA(In("VUOTA").c_str()));
    ASSERT_TRUE(WriteWholeFile(In("VUOTA"), ""));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 0) << "a file where a folder belongs";

    ASSERT_TRUE(WriteWholeFile(archive_, "<html>500</html>"));
    EXPECT_EQ(FolderMatchesPackage(archivePath.c_str(), folder.c_str()), 0) << "no archive to compare with";
}

// The shell's copy as the stand-in plays it: waited for while the thread's windows are served,
// until the folder matches or the copy is taken to have stopped; what it left missing or
// different the built-in unpacker writes, and the step succeeds.
TEST_F(UnpackTest, ShellCopyIsWaitedForAndWhatItLeavesUndoneIsUnpacked) {
    const std::vector<StandInFile> files = {{"SETUP.INF", "[CONFIG_INI_HIRES]\r\n"},
                                            {"DOC\\LEGGIMI.TXT", "leggimi"},
                                            {"DATI\\ARCHIVI\\clienti.csv", std::string(300000, 'c')},
                                            {"LUDRA.INI", "[VIDEO]\r\n"},
                                            {"MODELLI\\fattura.mod", std::string(2000, 'f')}};
    ZipBuilder zip;
    for (const StandInFile& file : files)
        zip.Add(file.name, file.content);
    ASSERT_TRUE(WriteWholeFile(archive_, zip.Build()));
    const BstrText archivePath(SysAllocString(Widen(archive_).c_str()));
    const BstrText folder(SysAllocString(Widen(folder_).c_str()));
    const struct {
        const char* name;
        ShellPlay play;
        size_t shellFiles;
    } rows[] = {
        {"a copy that ends 2 s after CopyHere returned", ShellPlay::Late, 5},
        {"a file locked while it is written", ShellPlay::Locked, 5},
        {"a copy that stops halfway through a file", ShellPlay::Halfway, 2},
        {"a full-size file with one byte changed", ShellPlay::OneByteChanged, 4},
        {"a changed file held open past the stall", ShellPlay::Held, 4},
        {"a copy that never ends", ShellPlay::Never, 0},
        {"a copy that changes the folder for ever", ShellPlay::Trickle, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RemoveTree(folder_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        ShellStandIn shell(row.play, folder_, files);
        DebugOutput trail;
        TickingWindow ticking;
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(ExtractPackageChecked(archivePath.get(), folder.get()), 1);
        const DWORD bound =
            row.play == ShellPlay::Trickle ? ShellStandIn::Bounds.limitMs : ShellStandIn::Bounds.stallMs;
        EXPECT_LT(GetTickCount64() - start, bound + 2000u);
        ticking.Stop();
        shell.Stop();
        EXPECT_GT(ticking.Ticks(), 10) << "the windows were not served while waiting";
        EXPECT_LT(ticking.LongestGap(), 1000u);
        EXPECT_EQ(shell.Copies(), 1);
        for (const StandInFile& file : files)
            EXPECT_TRUE(ReadWholeFile(In(file.name)) == file.content) << file.name;
        EXPECT_EQ(ListFolder(folder_), (Names{"DATI", "DOC", "LUDRA.INI", "MODELLI", "SETUP.INF"}));
        EXPECT_TRUE(PumpUntil(2000, [&] { return !trail.Lines().empty(); }));
        EXPECT_EQ(trail.Lines(),
                  Names{"Ludra Setup: unpacking: after the shell's copy " + std::to_string(row.shellFiles) +
                        " files matched the package, the built-in unpacker wrote " +
                        std::to_string(files.size() - row.shellFiles)});
    }
}

// On the shell road too the package is weighed before the copy: a refused one starts no copy,
// and the reason survives the debug line.
TEST_F(UnpackTest, PackageRefusedBeforeTheShellCopyStarts) {
    ASSERT_TRUE(WriteWholeFile(archive_, PackageDeclaring(2)));
    const BstrText archivePath(SysAllocString(Widen(archive_).c_str()));
    const BstrText folder(SysAllocString(Widen(folder_).c_str()));
    ShellStandIn shell(ShellPlay::Late, folder_, {{"A.TXT", "written first without the weighing"}});
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(ExtractPackageChecked(archivePath.get(), folder.get()), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(shell.Copies(), 0);
    EXPECT_TRUE(ListFolder(folder_).empty());
}

// Run by the ctest entry win_install_unpack_full_disk, where the process cannot write a file
// past LUDRA_FILE_SIZE_LIMIT KiB: a write fails halfway through a file as on a full disk.
class UnpackFullDisk : public UnpackTest {
protected:
    void SetUp() override {
        const char* limit = std::getenv("LUDRA_FILE_SIZE_LIMIT");
        if (!limit)
            GTEST_SKIP() << "needs the file-size limit of its ctest entry";
        limitBytes_ = std::strtoull(limit, nullptr, 10) * 1024;
    }
    uint64_t limitBytes_ = 0;
};

TEST_F(UnpackFullDisk, WriteFailingMidFileFailsTheUnpackingAndLeavesNoShortFile) {
    const std::string big(static_cast<size_t>(limitBytes_ * 2), '\0');
    ZipBuilder::Options descriptor;
    descriptor.dataDescriptor = true;
    const std::string archive =
        ZipBuilder().Add("A.TXT", "written before").Add("DATI/GRANDE.DAT", big).Add("C.TXT", "never reached").Build();
    EXPECT_EQ(Unzip(archive), 0);
    EXPECT_EQ(ReadWholeFile(In("A.TXT")), "written before");
    EXPECT_FALSE(PathExists(In("DATI\\GRANDE.DAT"))) << "a file cut short under its own name";
    EXPECT_TRUE(ListFolder(In("DATI")).empty());
    EXPECT_FALSE(PathExists(In("C.TXT")));

    // Replacing an existing file: the old one stays whole, no temporary file is left.
    ASSERT_TRUE(WriteWholeFile(In("DATI\\GRANDE.DAT"), "old"));
    EXPECT_EQ(Unzip(archive), 0);
    EXPECT_EQ(ReadWholeFile(In("DATI\\GRANDE.DAT")), "old");
    EXPECT_EQ(ListFolder(In("DATI")), (Names{"GRANDE.DAT"}));
    EXPECT_EQ(ListFolder(folder_), (Names{"A.TXT", "DATI"}));

    // The same package fits once the file is no larger than the limit.
    const std::string fits =
        ZipBuilder().Add("DATI/GRANDE.DAT", std::string(static_cast<size_t>(limitBytes_ / 2), '\0')).Build();
    EXPECT_EQ(Unzip(fits), 1);
}

// Wine's shell cannot open a zip as a folder, so the extraction step falls back to the
// built-in unpacker here.
TEST_F(UnpackTest, ExtractPackageUnpacksAndReportsFailureOnlyWhenAsked) {
    const std::string archive = ZipBuilder().Add("SETUP.INF", "inf").Add("DOC/A.TXT", "a").Build();
    ASSERT_TRUE(WriteWholeFile(archive_, archive));
    BSTR archivePath = SysAllocString(Widen(archive_).c_str());
    BSTR folder = SysAllocString(Widen(folder_).c_str());
    EXPECT_EQ(ExtractPackageChecked(archivePath, folder), 1);
    EXPECT_EQ(ReadWholeFile(In("SETUP.INF")), "inf");
    EXPECT_EQ(ReadWholeFile(In("DOC\\A.TXT")), "a");

    ASSERT_TRUE(WriteWholeFile(archive_, "<html>500</html>"));
    EXPECT_EQ(ExtractPackageChecked(archivePath, folder), 0);
    ExtractPackage(archivePath, folder); // quietly, no dialog
    SysFreeString(folder);
    SysFreeString(archivePath);
}

// Where the shell opens the source as a folder, the copy is the shell's alone: the built-in
// unpacker (which would fail on a folder) is not called. Wine's CopyHere is a stub that copies
// nothing, so the folder keeps its file there; Windows replaces it.
TEST_F(UnpackTest, SourceTheShellOpensIsLeftToTheShell) {
    const std::string source = scratch_ / "SORGENTE";
    CreateDirectoryA(source.c_str(), nullptr);
    CreateDirectoryA((source + "\\DOC").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(source + "\\SETUP.INF", "from the shell"));
    ASSERT_TRUE(WriteWholeFile(source + "\\DOC\\A.TXT", "a"));
    ASSERT_TRUE(WriteWholeFile(In("SETUP.INF"), "old and longer"));
    BSTR sourcePath = SysAllocString(Widen(source).c_str());
    BSTR folder = SysAllocString(Widen(folder_).c_str());
    EXPECT_EQ(ExtractPackageChecked(sourcePath, folder), 1);
    SysFreeString(folder);
    SysFreeString(sourcePath);
    const std::string content = ReadWholeFile(In("SETUP.INF"));
    EXPECT_TRUE(content == "from the shell" || content == "old and longer") << content;
}

} // namespace
