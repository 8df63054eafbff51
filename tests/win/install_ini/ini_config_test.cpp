// LUDRA.INI configured from SETUP.INF on real files: which lines count, what is kept, and Cancel.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/globals.h"
#include "base/kernel_handles.h"
#include "install/ini_config.h"
#include "progress/wait.h"
#include "progress/wait_state.h"
#include "resources/resource_ids.h"
#include "support/scratch_folder.h"

namespace {
constexpr const char* Hires = "[CONFIG_INI_HIRES]";
constexpr const char* Missing = "<missing>";

// A private installation folder under the temporary folder, removed with its files afterwards.
class IniConfig : public testing::Test {
protected:
    void SetUp() override {
        folder_ = scratch_.path();
        ASSERT_TRUE(IsFolderPath(folder_));
        inf_ = scratch_ / "SETUP.INF";
        ini_ = scratch_ / "LUDRA.INI";
    }

    static void WriteFile(const std::string& path, const std::string& text) { ASSERT_TRUE(WriteWholeFile(path, text)); }
    void WriteInf(const std::string& text) { WriteFile(inf_, text); }
    int Configure(const char* header = Hires) { return ConfigureIniFromInf(inf_.c_str(), header, folder_.c_str()); }
    std::string Value(const char* section, const char* key) const {
        char value[256];
        GetPrivateProfileStringA(section, key, Missing, value, sizeof value, ini_.c_str());
        return value;
    }
    std::vector<std::string> Sections() const {
        char names[4096] = {};
        GetPrivateProfileSectionNamesA(names, sizeof names, ini_.c_str());
        std::vector<std::string> sections;
        for (const char* name = names; *name; name += std::strlen(name) + 1)
            sections.emplace_back(name);
        return sections;
    }
    bool IniExists() const { return PathExists(ini_); }

    ScratchFolder scratch_{"ini"};
    std::string folder_, inf_, ini_;
};
} // namespace

TEST_F(IniConfig, AppliesTheChosenSectionFromAHeaderInsideALongerLine) {
    WriteInf("[CONFIG_INI_LOWRES]\n"
             "Video; Width=800\n"
             "; setup for [CONFIG_INI_HIRES] displays\n"
             "Video; Width=1024\n"
             "\n"
             "  Video  ;  Height  =  768  \n"
             "; Orphan=1\n"
             "Video;Tight=1\n"
             "Video; NoEquals\n"
             "Paths; Data=C:\\LUDRA47\\DATI; x=y\n"
             "Video; Title=see [manual]\n"
             "Video; After=1\n");
    EXPECT_EQ(1, Configure());
    EXPECT_EQ("1024", Value("Video", "Width"));
    EXPECT_EQ("768", Value("Video", "Height"));
    EXPECT_EQ("C:\\LUDRA47\\DATI; x=y", Value("Paths", "Data"));
    // A "[" in a value ends the section at that line: neither it nor what follows is applied.
    EXPECT_EQ(Missing, Value("Video", "Title"));
    EXPECT_EQ(Missing, Value("Video", "After"));
    EXPECT_EQ(Missing, Value("Video", "Tight"));
    EXPECT_EQ((std::vector<std::string>{"Video", "Paths"}), Sections());

    EXPECT_EQ(1, ConfigureIniFromInf(inf_.c_str(), "[CONFIG_INI_LOWRES]", folder_.c_str()));
    EXPECT_EQ("1024", Value("Video", "Width")) << "a value already set is never overwritten";
}

TEST_F(IniConfig, KeepsSetValuesAndFillsBlankOnes) {
    WriteFile(ini_, "[Video]\r\nWidth=640\r\nHeight=   \r\nDepth=\r\n");
    WriteInf("[CONFIG_INI_HIRES]\r\n"
             "Video; Width=1024\r\n"
             "Video; Height=768\r\n"
             "Video; Depth=32\r\n"
             "Video; Colours=   \r\n"
             "Video; Last=no newline");
    EXPECT_EQ(1, Configure());
    EXPECT_EQ("640", Value("Video", "Width"));
    EXPECT_EQ("768", Value("Video", "Height"));
    EXPECT_EQ("32", Value("Video", "Depth"));
    EXPECT_EQ(Missing, Value("Video", "Colours"));
    EXPECT_EQ("no newline", Value("Video", "Last"));
}

TEST_F(IniConfig, LongLinesAndOversizedFieldsAreSkipped) {
    const std::string longLine = std::string(600, 'x') + "Evil; Key=Bad\n";
    const std::string longValue = "Video; Big=" + std::string(300, 'v') + "\n";
    const std::string longSection = std::string(110, 's') + "; Key=1\n";
    WriteInf(std::string(Hires) + "\n" + longLine + longValue + longSection + "Video; Width=1024\n");
    EXPECT_EQ(1, Configure());
    EXPECT_EQ("1024", Value("Video", "Width"));
    EXPECT_EQ(Missing, Value("Evil", "Key"));
    EXPECT_EQ(Missing, Value("Video", "Big"));
    EXPECT_EQ((std::vector<std::string>{"Video"}), Sections());
}

TEST_F(IniConfig, SectionWithoutEntriesSucceedsAndWritesNothing) {
    WriteInf("[CONFIG_INI_HIRES]\n[CONFIG_INI_LOWRES]\nVideo; Width=800\n");
    EXPECT_EQ(1, Configure());
    WriteInf("Video; Width=800\n[CONFIG_INI_HIRES]");
    EXPECT_EQ(1, Configure());
    EXPECT_FALSE(IniExists());
}

TEST_F(IniConfig, MissingFileOrHeaderFails) {
    EXPECT_EQ(0, Configure());
    WriteInf("[CONFIG_INI_LOWRES]\nVideo; Width=800\n[config_ini_hires]\nVideo; Height=600\n");
    EXPECT_EQ(0, Configure()) << "the header is matched case-sensitively";
    EXPECT_FALSE(IniExists());
}

namespace {
// Watches the texts the wait dialog is given; confirms Cancel when the status names CancelAtKey.
HHOOK TextHook = nullptr;
const char* CancelAtKey = nullptr;
std::vector<std::string> StatusTexts;

LRESULT CALLBACK WatchWaitTexts(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && GetParent(call->hwnd) == WaitDialog &&
        GetDlgCtrlID(call->hwnd) == IDC_WAIT_STATUS) {
        const char* text = reinterpret_cast<const char*>(call->lParam);
        StatusTexts.emplace_back(text);
        if (CancelAtKey && std::strstr(text, CancelAtKey))
            WaitCancelled = 1;
    }
    return CallNextHookEx(TextHook, code, wParam, lParam);
}

class IniConfigInWait : public IniConfig {
protected:
    void SetUp() override {
        IniConfig::SetUp();
        BeginWait(nullptr, "Ludra Setup");
        ASSERT_EQ(1, WaitActive);
        StatusTexts.clear();
        CancelAtKey = nullptr;
        TextHook = SetWindowsHookExA(WH_CALLWNDPROC, WatchWaitTexts, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, TextHook);
    }
    void TearDown() override {
        if (TextHook)
            UnhookWindowsHookEx(TextHook);
        TextHook = nullptr;
        EndWait();
        IniConfig::TearDown();
    }
};
} // namespace

TEST_F(IniConfigInWait, ShowsEachEntryInTheWait) {
    WriteInf("[CONFIG_INI_HIRES]\nVideo; Width=1024\nbad line\nPaths; Data=D\n");
    EXPECT_EQ(1, Configure());
    ASSERT_NE(nullptr, WaitDialog);
    char detail[128] = {};
    GetDlgItemTextA(WaitDialog, IDC_WAIT_DETAIL, detail, sizeof detail);
    EXPECT_STREQ("Configurazione LUDRA.INI in corso...", detail);
    EXPECT_EQ((std::vector<std::string>{"Sezione:  Video     KEY:  Width", "Sezione:  Paths     KEY:  Data"}),
              StatusTexts);
}

TEST_F(IniConfigInWait, CancelStopsBeforeTheNextEntryAndKeepsWhatWasWritten) {
    WriteInf("[CONFIG_INI_HIRES]\nVideo; Width=1024\nVideo; Height=768\nVideo; Depth=32\n");
    CancelAtKey = "KEY:  Height";
    EXPECT_EQ(0, Configure());
    EXPECT_EQ("1024", Value("Video", "Width"));
    EXPECT_EQ(Missing, Value("Video", "Height"));
    EXPECT_EQ(Missing, Value("Video", "Depth"));
    EXPECT_EQ(2u, StatusTexts.size());
}

TEST_F(IniConfigInWait, CancelConfirmedBeforehandWritesNothing) {
    WriteInf("[CONFIG_INI_HIRES]\nVideo; Width=1024\n");
    WaitCancelled = 1;
    EXPECT_EQ(0, Configure());
    EXPECT_FALSE(IniExists());
}

// A LUDRA.INI that cannot be written fails with the write's error and stays as it was, unless every
// value is already set and nothing needs writing.
TEST_F(IniConfig, UnwritableIniFailsOnlyWhenAValueMustBeWritten) {
    enum Lock { ReadOnly, HeldOpen, Folder };
    const struct {
        const char* name;
        Lock lock;
        const char* entries;
        DWORD error; // 0: configured
    } rows[] = {
        {"read-only, a value to add", ReadOnly, "Video; Width=1024\nVideo; Height=768\n", ERROR_ACCESS_DENIED},
        {"read-only, every value set", ReadOnly, "Video; Width=1024\nVideo; Depth=  \n", 0},
        {"held open, a value to add", HeldOpen, "Video; Width=1024\nVideo; Height=768\n", ERROR_SHARING_VIOLATION},
        {"held open, every value set", HeldOpen, "Video; Width=1024\n", 0},
        {"a folder", Folder, "Video; Height=768\n", ERROR_ACCESS_DENIED},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WriteInf(std::string(Hires) + "\n" + row.entries);
        const std::string original = row.lock == Folder ? "<missing>" : "[Video]\r\nWidth=640\r\n";
        ASSERT_TRUE(row.lock == Folder ? CreateDirectoryA(ini_.c_str(), nullptr) : WriteWholeFile(ini_, original));
        ASSERT_TRUE(row.lock != ReadOnly || SetFileAttributesA(ini_.c_str(), FILE_ATTRIBUTE_READONLY));
        // Another program's handle that shares reading only; under Wine run as root a read-only file
        // still opens for writing, and those rows have nothing to show.
        FileHandle other(CreateFileA(ini_.c_str(), row.lock == ReadOnly ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        if (row.lock == ReadOnly && other.valid()) {
            std::printf("skipped \"%s\": a read-only file can be written here\n", row.name);
        } else {
            const int result = Configure();
            const DWORD error = GetLastError();
            EXPECT_EQ(row.error == 0 ? 1 : 0, result);
            EXPECT_EQ(row.error, result ? 0 : error);
            other.reset();
            EXPECT_EQ(original, ReadWholeFile(ini_));
        }
        other.reset();
        ASSERT_TRUE(RemoveTree(ini_));
    }
}
