// The built-in unpacker, for where the shell cannot open a zip archive as a folder and for what
// the shell's copy left undone, and the checks that weigh a package before anyone unpacks it and
// compare a folder against it after.
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

// What CompletePackage found and did: the files that were there as the archive has them once the
// other unpacker was done, and the files it wrote itself.
struct UnpackCounts {
    uint32_t found = 0;
    uint32_t written = 0;
};

// Another unpacker (the shell) that writes the package into the folder while CompletePackage
// watches the folder.
class OtherUnpacker {
public:
    // Called once the package is open and weighed; false when it could not start its copy.
    virtual bool Start() = 0;
    // Between two looks at the folder: whether to look again. changed: something under an
    // entry's name differs from the look before.
    virtual bool KeepWaiting(bool changed) = 0;

protected:
    ~OtherUnpacker() = default;
};

// The package written by another unpacker and finished by this one: weighs the archive as
// UnzipPackage does, starts the other unpacker, looks at the folder until every entry matches (as
// FolderMatchesPackage compares) or the other unpacker stops the waiting, then writes every entry
// that still does not match as UnzipPackage does, so an existing file is replaced only by a
// complete copy. A file still being written, locked or short, simply does not match yet; a copy
// found matching is not read again. The archive stays open, shared for reading only, from the
// weighing to the last write. True when every entry matches or was written; false, with the reason
// as the last error, as for UnzipPackage (nothing is started when the weighing refuses or a path
// would not fit MAX_PATH).
bool CompletePackage(const wchar_t* archivePath, const wchar_t* folder, OtherUnpacker& other, UnpackCounts& counts,
                     uint64_t sizeLimit = UnpackedSizeLimit);

// True when every entry the built-in unpacker would write is in folder, each folder entry a folder
// and each file of the size and the CRC-32 its entry declares; false when one is missing or
// differs, or the archive cannot be read.
bool FolderMatchesPackage(const wchar_t* archivePath, const wchar_t* folder);
