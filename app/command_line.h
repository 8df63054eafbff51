// The command line a deployment tool gives the setup program, split by the program's own rules:
// blanks separate arguments, a double quote starts or ends a quoted run, and a backslash is always
// literal (a folder cannot hold a quote, and the C runtime's \" escape would turn the common
// /DIR="C:\Cartella\" into a quote that swallows the switches after it). Switches start with / or
// - and are matched without regard to case. Win32-free.
#pragma once

#include <array>
#include <cstddef>

enum class RunMode { Interactive, Silent, VerySilent };

// As the dialog's folder field: 151 characters and the terminator.
constexpr size_t CommandFolderSize = 152;
constexpr size_t CommandLogSize = 260;

struct CommandLine {
    RunMode mode = RunMode::Interactive;
    bool help = false;
    bool folderGiven = false;
    std::array<char, CommandFolderSize> folder = {}; // as given, without a final backslash
    bool logWanted = false;
    std::array<char, CommandLogSize> log = {}; // empty: a numbered log in the temporary folder
    // /UNINSTALL: remove the installation in the program's own folder.
    bool uninstall = false;
    // /CLEANUP=<handle in hex> with /DIR: the removal's last step, run from a copy of the program
    // in the temporary folder once the process of that inherited handle has ended.
    bool cleanup = false;
    unsigned long long cleanupHandle = 0;
};

// Run: line holds the switches (none: the program as it always was). Help: /? or /HELP, and
// nothing else wrong. Refused: an unknown switch, a switch given twice, both silent modes, a
// value where none belongs or none where one must be, a folder past 151 characters or a log path
// past its buffer, /DIR with /UNINSTALL (which removes its own folder's installation), /CLEANUP
// without /DIR or with /UNINSTALL; line then still says whether a silent mode was asked for, so that no usage box
// shows in one.
enum class CommandVerdict { Run, Help, Refused };

CommandVerdict ParseCommandLine(const char* text, CommandLine* line);

// The usage box's text.
extern const char* const CommandUsageText;

// How a run ended, as its exit code in the silent modes. Deployment tools rely on these values:
// they never change meaning. Interactively the program ends with 0, or 1 for a command line that
// was not understood.
enum class ExitCode : int {
    Completed = 0,
    BadCommandLine = 1,
    Cancelled = 2, // Annulla confirmed, a close of the program, the end of the session
    FolderExists = 3,
    FolderRefused = 4, // cannot be created, or refused by the folder rules
    DownloadFailed = 5,
    PackageRefused = 6, // a digest or a signature refused it
    UnpackingFailed = 7,
    ConfigurationFailed = 8,
    NoUninstallRecord = 9,  // no readable record beside the program: nothing removed
    RemovalIncomplete = 10, // what stays is logged, and the entry stays for another try
};
