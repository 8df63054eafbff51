// Owners of kernel objects (events, threads, files, mappings and their views), registry keys,
// global memory and C files, and the holder of a critical section.
#pragma once

#include <windows.h>

#include <cstdio>

#include "base/unique_handle.h"

// Kernel handles: files report INVALID_HANDLE_VALUE, most others null; neither is closed.
struct KernelHandleTraits : NullIsEmpty<HANDLE> {
    static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static bool Release(Handle handle) { return CloseHandle(handle) != 0; }
};

struct FileHandleTraits : KernelHandleTraits {
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
};

struct MappedViewTraits : NullIsEmpty<const void*> {
    static bool Release(Handle view) { return UnmapViewOfFile(view) != 0; }
};

struct RegKeyTraits : NullIsEmpty<HKEY> {
    static bool Release(Handle key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};

struct GlobalMemoryTraits : NullIsEmpty<HGLOBAL> {
    static bool Release(Handle memory) { return GlobalFree(memory) == nullptr; }
};

struct StdioFileTraits : NullIsEmpty<std::FILE*> {
    static bool Release(Handle file) { return std::fclose(file) == 0; }
};

// Events, threads and file mappings.
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using MappedView = UniqueHandle<MappedViewTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;
using StdioFile = UniqueHandle<StdioFileTraits>;

// Holds a critical section from construction to destruction.
class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~CriticalSectionLock() { LeaveCriticalSection(&section_); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CRITICAL_SECTION& section_;
};
