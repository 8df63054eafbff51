// Removing Ludra 4.7 as Windows users and deployment tools do: the entry an installation leaves in
// the list of installed programs, its uninstall strings run as they are, and a removal that takes
// only what the user left unchanged and never reaches outside the folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "install/package_digest.h"
#include "install/uninstall_record.h"
#include "support/program_texts.h"
#include "support/scratch_folder.h"
#include "support/uninstall_keys.h"
#include "support/zip_builder.h"
#include "unattended_fixture.h"

namespace {

using namespace harness;

constexpr const char* Uninstaller = "C:\\LUDRA\\LDUNINST.EXE";
constexpr DWORD CleanupBoundMs = 10000;

std::string EntryValue(const char* name) {
    return UninstallValue("Ludra47", name);
}

bool EntryExists() {
    return UninstallEntryExists("Ludra47");
}

class Removal : public Unattended {
protected:
    void SetUp() override {
        Unattended::SetUp();
        Serve(HttpResponse{200, ReadWholeFile(DEMO_PACKAGE)});
        ASSERT_EQ(0u, Run("/VERYSILENT"));
    }
    // The uninstaller, started as its uninstall string says, with more switches after it.
    DWORD Uninstall(const std::string& more) { return Run(more, nullptr, Uninstaller); }
    bool FolderGoneSoon() {
        return WaitUntil([] { return !PathExists("C:\\LUDRA"); }, CleanupBoundMs);
    }
};

TEST_F(Removal, TheInstallationIsListedAndItsQuietUninstallStringRemovesIt) {
    // The entry's every value is the entry unit's test; here what the installation gives it.
    EXPECT_EQ("1:Ludra 4.7", EntryValue("DisplayName"));
    EXPECT_EQ("1:C:\\LUDRA", EntryValue("InstallLocation"));
    // The record holds LUDRA.INI as configured, the shortcut and the group.
    const std::string text = ReadWholeFile("C:\\LUDRA\\LDUNINST.DAT");
    UninstallRecord record;
    ASSERT_EQ(RecordStatus::Ok, ReadUninstallRecord(text.data(), text.size(), &record)) << text;
    uint64_t bytes = 0;
    bool iniRecorded = false;
    for (const RecordedFile& file : record.files) {
        bytes += file.size;
        char hex[Sha256HexSize];
        const std::string path = std::string("C:\\LUDRA\\") + file.path.data();
        ASSERT_TRUE(FileSha256(path.c_str(), hex)) << path;
        EXPECT_TRUE(RecordedFileUnchanged(file, ReadWholeFile(path).size(), hex)) << path;
        iniRecorded = iniRecorded || std::string(file.path.data()) == "LUDRA.INI";
    }
    EXPECT_TRUE(iniRecorded);
    EXPECT_EQ("4:" + std::to_string((bytes + 1023) / 1024), EntryValue("EstimatedSize"));
    EXPECT_EQ(DesktopShortcut(), record.shortcut.data());
    EXPECT_STREQ("Ludra 4.7", record.group.data());

    // Run as a deployment tool runs it, its cleanup copy in a temporary folder of the test's.
    const std::string quiet = EntryValue("QuietUninstallString");
    ASSERT_EQ("1:\"C:\\LUDRA\\LDUNINST.EXE\" /UNINSTALL /VERYSILENT", quiet);
    std::set<std::string> seen;
    {
        // An earlier removal's copy is still ending: its file is busy for a moment when this removal,
        // its entry just removed, makes its own copy.
        const std::string earlier = scratch_ / "Ludra47 Uninstall.exe";
        ASSERT_TRUE(WriteWholeFile(earlier, "MZ"));
        HANDLE busy = CreateFileA(earlier.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        std::thread ending([busy] {
            WaitUntil([] { return !EntryExists(); }, UnattendedRunTimeoutMs);
            Sleep(300);
            CloseHandle(busy);
        });
        TemporaryFolder temporary(scratch_.path());
        EXPECT_EQ(0u, Run(quiet.substr(quiet.find("\" ") + 2), &seen, Uninstaller));
        ending.join();
    }
    EXPECT_TRUE(seen.empty()) << *seen.begin();
    EXPECT_TRUE(FolderGoneSoon()) << "left in the folder: " << ListFolder("C:\\LUDRA").size() << " entries";
    EXPECT_FALSE(FileExists(DesktopShortcut()));
    EXPECT_NE(std::string::npos, progman_.Commands().find("[DeleteGroup(\"Ludra 4.7\")]")) << progman_.Commands();
    EXPECT_FALSE(EntryExists());
    EXPECT_LE(ListFolder(scratch_.path()).size(), 1u) << "more than one copy of the program stays behind";
}

// What the user changed or added stays, with the folders that hold it; the rest goes.
TEST_F(Removal, ChangedAndNewFilesAreKeptWithTheirFolders) {
    const std::string customers = "C:\\LUDRA\\DATI\\ARCHIVI\\clienti.csv";
    ASSERT_TRUE(WriteWholeFile(customers, ReadWholeFile(customers) + "Rossi;Via Roma 1\r\n"));
    ASSERT_TRUE(WriteWholeFile("C:\\LUDRA\\DATI\\nota.txt", "mia"));
    EXPECT_EQ(0u, Uninstall("/UNINSTALL /VERYSILENT /LOG=\"" + log_ + "\""));
    EXPECT_TRUE(WaitUntil([] { return !PathExists(Uninstaller); }, CleanupBoundMs));
    EXPECT_EQ((std::vector<std::string>{"DATI"}), ListFolder("C:\\LUDRA"));
    EXPECT_EQ((std::vector<std::string>{"ARCHIVI", "nota.txt"}), ListFolder("C:\\LUDRA\\DATI"));
    EXPECT_EQ((std::vector<std::string>{"clienti.csv"}), ListFolder("C:\\LUDRA\\DATI\\ARCHIVI"));
    EXPECT_FALSE(EntryExists());
    const std::string body = LogBody(log_);
    for (const char* line : {"\r\nKept (changed since the installation): DATI\\ARCHIVI\\clienti.csv\r\n",
                             "\r\nKept (not installed by the setup): DATI\\nota.txt\r\n",
                             "\r\nRemoved: DATI\\ARCHIVI\\articoli.csv\r\n", "\r\nRemoved: LUDRA.INI\r\n",
                             "\r\nMessage not shown: Ludra 4.7 e' stato rimosso.\\n\\nI file modificati dopo "
                             "l'installazione sono stati conservati in C:\\LUDRA.\r\nExit code 0\r\n"})
        EXPECT_NE(std::string::npos, body.find(line)) << line << "\n" << body;
}

TEST_F(Removal, InteractivelyItAsksFirstAndNoRemovesNothing) {
    for (const int answer : {IDNO, IDYES}) {
        ASSERT_TRUE(program_.Start(Uninstaller, nullptr, SW_SHOWNORMAL, "/UNINSTALL"));
        HWND question = WaitForMessageBox(program_.Id());
        ASSERT_NE(nullptr, question);
        EXPECT_EQ("Vuoi rimuovere Ludra 4.7 dalla cartella C:\\LUDRA?", MessageBoxText(question));
        EXPECT_TRUE(AnswerMessageBox(question, answer));
        if (answer == IDYES) {
            HWND done = WaitForMessageBox(program_.Id());
            ASSERT_NE(nullptr, done);
            EXPECT_EQ("Ludra 4.7 e' stato rimosso.", MessageBoxText(done));
            EXPECT_TRUE(AnswerMessageBox(done, IDOK));
        }
        DWORD exitCode = 99;
        ASSERT_TRUE(program_.WaitForExit(DefaultTimeoutMs, &exitCode));
        EXPECT_EQ(answer == IDNO ? 2u : 0u, exitCode);
        EXPECT_EQ(answer == IDNO, FileExists("C:\\LUDRA\\LUDRA.EXE") && EntryExists());
    }
    EXPECT_TRUE(FolderGoneSoon());
}

// A file in use stays, and with it the entry, the record and the uninstaller, for another try.
TEST_F(Removal, AFileInUseEndsWith10AndTheNextTryCompletes) {
    HANDLE held = CreateFileA("C:\\LUDRA\\manuale4.pdf", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(10u, Uninstall("/UNINSTALL /VERYSILENT /LOG=\"" + log_ + "\""));
    CloseHandle(held);
    EXPECT_TRUE(EntryExists());
    EXPECT_TRUE(FileExists(Uninstaller) && FileExists("C:\\LUDRA\\LDUNINST.DAT"));
    const std::string body = LogBody(log_);
    EXPECT_NE(std::string::npos, body.find("\r\nNot removed (error 32): manuale4.pdf\r\n")) << body;
    EXPECT_NE(std::string::npos, body.find("Message not shown: Attenzione! La rimozione di Ludra 4.7 non e' stata "
                                           "completata.\r\nExit code 10\r\n"))
        << body;
    EXPECT_EQ(0u, Uninstall("/UNINSTALL /SILENT"));
    EXPECT_TRUE(FolderGoneSoon());
    EXPECT_FALSE(EntryExists());
}

// A record edited to name files outside the folder is refused whole: nothing is removed anywhere.
TEST_F(Removal, ARecordNamingFilesOutsideTheFolderRemovesNothing) {
    std::string record = "Ludra 4.7 uninstall record 1\r\n";
    for (const char* outside : {"C:\\outside.txt", "C:\\x.txt"}) {
        ASSERT_TRUE(WriteWholeFile(outside, "the user's"));
        char hex[Sha256HexSize];
        ASSERT_TRUE(FileSha256(outside, hex));
        const std::string name = outside == std::string("C:\\outside.txt") ? "..\\outside.txt" : outside;
        record += "file 10 " + std::string(hex) + " " + name + "\r\n";
    }
    ASSERT_TRUE(WriteWholeFile("C:\\LUDRA\\LDUNINST.DAT", record));
    EXPECT_EQ(9u, Uninstall("/UNINSTALL /VERYSILENT"));
    for (const char* kept : {"C:\\outside.txt", "C:\\x.txt", "C:\\LUDRA\\LUDRA.EXE"})
        EXPECT_TRUE(FileExists(kept)) << kept;
    EXPECT_TRUE(EntryExists());
    DeleteFileA("C:\\outside.txt");
    DeleteFileA("C:\\x.txt");
}

// What the removal needs cannot be written (a folder of the package stands where the uninstaller
// goes): the installation still completes, with the step's trail, and leaves no record half made.
TEST_F(Unattended, AnInstallationWhoseRemovalCannotBeRecordedStillCompletes) {
    const std::string demo = std::string(LUDRA_SOURCE_DIR) + "\\demo\\package\\";
    ZipBuilder zip;
    zip.Add("SETUP.INF", ReadWholeFile(demo + "SETUP.INF"));
    zip.Add("LUDRA.EXE", ReadWholeFile(demo + "LUDRA.EXE"));
    zip.Add("LDUNINST.EXE/x", "where the uninstaller would go");
    Serve(HttpResponse{200, zip.Build()});
    EXPECT_EQ(0u, Run("/VERYSILENT /LOG=\"" + log_ + "\""));
    EXPECT_TRUE(FileExists("C:\\LUDRA\\LUDRA.INI"));
    EXPECT_FALSE(PathExists("C:\\LUDRA\\LDUNINST.DAT"));
    EXPECT_FALSE(EntryExists());
    const std::string body = LogBody(log_);
    for (const std::string& line : {std::string("\r\nLudra Setup: uninstall entry failed: error "),
                                    std::string("\r\nStep uninstall entry failed after "),
                                    std::string("\r\nMessage not shown: Installazione terminata con successo.")})
        EXPECT_NE(std::string::npos, body.find(line)) << line << "\n" << body;
}

} // namespace
