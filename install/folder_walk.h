// Walks an installation folder: every file under it by its relative path, and the removal of the
// folders a removal leaves empty.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

// Subfolders deeper than this are not entered: a package's folders are a few levels deep.
constexpr int FolderWalkDepth = 16;

// Calls visit for every file under folder, subfolders included, with its path relative to folder
// ('\\' separated) and its full path; false when a folder could not be read or visit said stop.
bool VisitFolderFiles(const char* folder,
                      const std::function<bool(const char* relative, const char* full, uint64_t size)>& visit);
// Removes every empty folder under folder, deepest first, then folder itself if it is empty.
void RemoveEmptyFolders(const char* folder);
