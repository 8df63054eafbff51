// What the removal of an installation needs, left in its folder when it completes: a copy of the
// setup program, LDUNINST.EXE, and the record LDUNINST.DAT of what the installation put there.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr const char* UninstallProgramName = "LDUNINST.EXE";
constexpr const char* UninstallRecordName = "LDUNINST.DAT";

// Copies the running program into folder as LDUNINST.EXE, then writes LDUNINST.DAT: every file now
// in folder with its size and SHA-256, the shortcut (null or empty: none was made) and the group.
// installedBytes receives the size of the files. False with the last error saying why, and
// neither file left behind.
bool WriteInstallRecord(const char* folder, const char* shortcutPath, uint64_t* installedBytes);
// The record's name under folder, or the program's; false when the path does not fit.
bool RecordFilePath(const char* folder, const char* name, char* path, size_t pathSize);
// The running program's full path; false with the last error when it does not fit.
bool RunningProgramPath(char* path, size_t pathSize);
// True for the removal's own files (the program, the record, the record being written), which are
// never the installation's.
bool IsRemovalFile(const char* relative);
