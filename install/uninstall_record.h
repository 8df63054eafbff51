// The uninstall record LDUNINST.DAT: what the installation put down (each file with its size and
// SHA-256, the Desktop shortcut, the Program Manager group), written as CRLF text and read back
// from text that may have been edited by hand or written by a stranger. Win32-free.
//
//   Ludra 4.7 uninstall record 1
//   file <size in decimal> <SHA-256 as 64 hex digits> <path under the folder, last so it may hold blanks>
//   shortcut <absolute path of the .LNK>
//   group <group name>
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "install/package_digest.h"

constexpr size_t RecordPathSize = 260;       // MAX_PATH, the terminator included
constexpr size_t RecordGroupSize = 81;       // 80 characters, the longest group name
constexpr size_t RecordTextLimit = 4u << 20; // bytes of the whole record
constexpr size_t RecordLineLimit = 1024;     // characters of a line, its line end not counted
constexpr size_t RecordFileLimit = 100000;   // file lines

struct RecordedFile {
    std::array<char, RecordPathSize> path = {}; // relative, '\' separated, as MakeEntryRelativePath gives it
    uint64_t size = 0;
    std::array<char, Sha256HexSize> sha256 = {}; // lowercase hexadecimal, as FileSha256 gives it
};

struct UninstallRecord {
    std::vector<RecordedFile> files;
    std::array<char, RecordPathSize> shortcut = {}; // empty: none recorded
    std::array<char, RecordGroupSize> group = {};   // empty: none recorded
};

enum class RecordStatus {
    Ok,
    NotARecord, // empty, or the first line is not exactly the header
    Malformed,  // a line breaks the rules below
    TooLarge,   // the text, a line or the number of file lines passes its limit
};

// Reads text[0, length). Every line ends in CRLF or LF, so a record cut short is refused rather
// than read with its last path cut. A file line's path must pass MakeEntryRelativePath (and is
// kept as it gives it); the shortcut must be "X:\...\name.lnk" (any case) with no control or
// wildcard character, no second ':' and no component empty or ending in a dot or a blank (so no
// ".."); the group must be 1 to 80 printable characters, not all blanks, none of "[]() so that
// it cannot leave the quoted DDE command. Sizes fit 64 bits; the hex digits may be of either
// case. Blank lines may follow the last line; shortcut and group appear at most once each; no
// two files have the same path in any letter case. One bad line refuses the whole record:
// anything but Ok leaves record empty, and the uninstaller removes nothing.
RecordStatus ReadUninstallRecord(const char* text, size_t length, UninstallRecord* record);

// The record's text, CRLF lines. False with text empty when the text would not read back as
// exactly this record (a field that breaks the reader's rules), so what is written can be read.
bool WriteUninstallRecord(const UninstallRecord& record, std::string* text);

// True when a file found with this size and SHA-256 (hexadecimal, either case, as FileSha256
// gives it) is the one recorded, unchanged: only then may the uninstaller remove it.
bool RecordedFileUnchanged(const RecordedFile& file, uint64_t size, const char* sha256Hex);
