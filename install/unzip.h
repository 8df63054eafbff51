// The built-in unpacker, for where the shell cannot open a zip archive as a folder, and the
// checks that weigh a package before anyone unpacks it and compare a folder against it after.
#pragma once

#include <windows.h>

#include <cstdint>

// No package of this product comes near it unpacked; a package that declares more is refused
// before anything is written.
constexpr uint64_t UnpackedSizeLimit = 4ull << 30;
// Nor does any package come near this: a download announced or grown past it is refused.
constexpr uint64_t PackageSizeLimit = 1ull << 30;

// Writes every entry of the archive, with its relative folder, under folder: missing folders
// are created, existing files replaced, no question or error dialog is shown. An entry whose
// name would leave the folder (absolute, a drive, "..", a device) is skipped. Nothing is written
// when the archive's entries overlap, or declare more than sizeLimit or than the free space of
// the folder's volume. A new file is written under its own name and deleted when its data, its
// CRC or a write fails; a file that already exists is replaced only by a complete copy, written
// under a temporary name first. So a failure never leaves a half-written file under an entry's
// name.
// True when every other entry was written; false, with the reason as the last error, when the
// archive is not a readable zip or is refused, an entry is corrupt or fails its CRC, a path would
// not fit MAX_PATH, or a write fails.
bool UnzipPackage(const wchar_t* archivePath, const wchar_t* folder, uint64_t sizeLimit = UnpackedSizeLimit);

// The weighing alone: true when the archive is a readable zip whose entries do not overlap and
// whose declared bytes stay within sizeLimit and the free space of folder's volume (less a
// reserve); false with the reason as the last error.
bool PackageFitsFolder(const wchar_t* archivePath, const wchar_t* folder, uint64_t sizeLimit = UnpackedSizeLimit);

// After another unpacker (the shell) wrote the archive into folder: true when every entry the
// built-in unpacker would write is there, each file with the size its entry declares and each
// folder entry a folder; false when one is missing or differs, or the archive cannot be read.
bool FolderMatchesPackage(const wchar_t* archivePath, const wchar_t* folder);
