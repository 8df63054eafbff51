// The setup program's command line: its own splitting (quotes, literal backslashes), switches in
// any case after / or -, and what it refuses.
#include <gtest/gtest.h>

#include <string>

#include "app/command_line.h"

namespace {

struct Row {
    const char* text;
    CommandVerdict verdict;
    RunMode mode;
    const char* folder; // null: none given
    const char* log;    // null: none asked for; "": the numbered one
};

TEST(CommandLine, SwitchesAreSplitAndReadByTheProgramsOwnRules) {
    const std::string folder151 = "C:\\" + std::string(148, 'a');
    const std::string dir151 = "/DIR=" + folder151;
    const std::string dir152 = dir151 + "b";
    const std::string dir151WithBackslash = dir151 + "\\";
    const Row rows[] = {
        {"", CommandVerdict::Run, RunMode::Interactive, nullptr, nullptr},
        {"   \t ", CommandVerdict::Run, RunMode::Interactive, nullptr, nullptr},
        {"/VERYSILENT /DIR=\"C:\\Program Files\\Ludra\" /LOG=\"C:\\log uno.txt\"", CommandVerdict::Run,
         RunMode::VerySilent, "C:\\Program Files\\Ludra", "C:\\log uno.txt"},
        // The \" that the C runtime reads as a quote: here the folder ends and the switches go on.
        {"/DIR=\"C:\\Cartella\\\" /SILENT /LOG", CommandVerdict::Run, RunMode::Silent, "C:\\Cartella", ""},
        {"-silent -dir=C:\\LUDRA", CommandVerdict::Run, RunMode::Silent, "C:\\LUDRA", nullptr},
        {"/VerySilent", CommandVerdict::Run, RunMode::VerySilent, nullptr, nullptr},
        {"/D\"IR=C:\\A B\"", CommandVerdict::Run, RunMode::Interactive, "C:\\A B", nullptr},
        {dir151.c_str(), CommandVerdict::Run, RunMode::Interactive, folder151.c_str(), nullptr},
        {dir151WithBackslash.c_str(), CommandVerdict::Run, RunMode::Interactive, folder151.c_str(), nullptr},
        {dir152.c_str(), CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/?", CommandVerdict::Help, RunMode::Interactive, nullptr, nullptr},
        {"-HELP /DIR=C:\\X", CommandVerdict::Help, RunMode::Interactive, "C:\\X", nullptr},
        {"/HELP /bogus", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/SILENT /silent", CommandVerdict::Refused, RunMode::Silent, nullptr, nullptr},
        {"/SILENT /VERYSILENT", CommandVerdict::Refused, RunMode::VerySilent, nullptr, nullptr},
        {"/DIR=C:\\A /DIR=C:\\B", CommandVerdict::Refused, RunMode::Interactive, "C:\\A", nullptr},
        {"/VERYSILENT /DIRECTORY=C:\\A", CommandVerdict::Refused, RunMode::VerySilent, nullptr, nullptr},
        {"C:\\LUDRA", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/DIR", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/DIR=", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/LOG=", CommandVerdict::Refused, RunMode::Interactive, nullptr, ""},
        {"/SILENT=1", CommandVerdict::Refused, RunMode::Silent, nullptr, nullptr},
        {"\"\"", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/UNINSTALL /VERYSILENT /LOG", CommandVerdict::Run, RunMode::VerySilent, nullptr, ""},
        {"/UNINSTALL /DIR=C:\\ALTRO", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/UNINSTALL=1", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/CLEANUP=1a4F /DIR=\"C:\\LUDRA\" /VERYSILENT", CommandVerdict::Run, RunMode::VerySilent, "C:\\LUDRA",
         nullptr},
        {"/CLEANUP=1A4", CommandVerdict::Refused, RunMode::Interactive, nullptr, nullptr},
        {"/CLEANUP=12345678901234567 /DIR=C:\\A", CommandVerdict::Refused, RunMode::Interactive, "C:\\A", nullptr},
        {"/CLEANUP=1G /DIR=C:\\A", CommandVerdict::Refused, RunMode::Interactive, "C:\\A", nullptr},
        {"/CLEANUP=1 /UNINSTALL /DIR=C:\\A", CommandVerdict::Refused, RunMode::Interactive, "C:\\A", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        CommandLine line;
        line.folder[0] = 'x';
        EXPECT_EQ(ParseCommandLine(row.text, &line), row.verdict);
        EXPECT_EQ(line.mode, row.mode);
        if (row.verdict == CommandVerdict::Refused)
            continue;
        EXPECT_EQ(line.folderGiven, row.folder != nullptr);
        EXPECT_EQ(std::string(line.folder.data()), row.folder ? row.folder : "");
        EXPECT_EQ(line.logWanted, row.log != nullptr);
        EXPECT_EQ(std::string(line.log.data()), row.log ? row.log : "");
        EXPECT_EQ(line.uninstall, std::string(row.text).find("/UNINSTALL") != std::string::npos);
        EXPECT_EQ(line.cleanupHandle, line.cleanup ? 0x1a4fu : 0u);
    }
}

} // namespace
