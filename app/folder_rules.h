// The rules the typed installation folder must meet before anything is made. Win32-free.
#pragma once

#include <cstddef>

enum class FolderVerdict { Accepted, Blank, Unresolved, TooLong };

// Makes text a full path in full[0, fullSize), as the system does against the current folder:
// returns its length, fullSize or more when it does not fit, 0 when it does not resolve.
using FullPathResolver = size_t (*)(const char* text, char* full, size_t fullSize, void* context);

// The folder the typed text names. Nothing but blanks is Blank (ignored without a message).
// Otherwise the text without its trailing blanks is made full by resolve, and must resolve
// (else Unresolved) and fit folder, folderSize bytes with the terminator (else TooLong): every
// later step then names that one folder, wherever the current folder moves meanwhile. Accepted
// leaves the full path in folder; a refusal leaves folder untouched.
FolderVerdict ApplyFolderRules(const char* typed, FullPathResolver resolve, void* context, char* folder,
                               size_t folderSize);
