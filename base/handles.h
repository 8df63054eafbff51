// Every owner of a system resource in the program: GDI objects and DCs, kernel and internet
// handles, registry keys, global memory, CNG handles, COM pointers and BSTRs. Each is uncopyable,
// releases on every path, and is movable where a caller hands one on.
// Release order is the reverse of creation: declare the object first, then its selection.
#pragma once

#include <windows.h>

#include <bcrypt.h>
#include <oleauto.h>
#include <wininet.h>

#include <cstdio>
#include <utility>

// The owner of one handle; Traits gives its type, its empty value and how it is released.
template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() : handle_(Traits::Empty()) {}
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    bool valid() const { return Traits::IsValid(handle_); }
    explicit operator bool() const { return valid(); }
    // For functions that return the handle through a pointer; whatever was held is released first.
    Handle* out() {
        Close();
        return &handle_;
    }
    void reset(Handle handle = Traits::Empty()) {
        Close();
        handle_ = handle;
    }
    Handle release() {
        Handle handle = handle_;
        handle_ = Traits::Empty();
        return handle;
    }
    // Releases now; false if the release itself failed (for a file: buffered data did not reach the disk).
    bool Close() {
        const bool closed = !valid() || Traits::Release(handle_);
        handle_ = Traits::Empty();
        return closed;
    }

private:
    Handle handle_;
};

// Most handles are empty when null; a traits struct adds how its handle is released.
template <typename H> struct NullIsEmpty {
    using Handle = H;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
};

template <typename H> struct GdiObjectTraits : NullIsEmpty<H> {
    static bool Release(H handle) { return DeleteObject(handle) != 0; }
};

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

struct InternetHandleTraits : NullIsEmpty<HINTERNET> {
    static bool Release(Handle handle) { return InternetCloseHandle(handle) != 0; }
};

struct RegKeyTraits : NullIsEmpty<HKEY> {
    static bool Release(Handle key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};

struct GlobalMemoryTraits : NullIsEmpty<HGLOBAL> {
    static bool Release(Handle memory) { return GlobalFree(memory) == nullptr; }
};

struct AlgorithmTraits : NullIsEmpty<BCRYPT_ALG_HANDLE> {
    static bool Release(Handle handle) { return BCRYPT_SUCCESS(BCryptCloseAlgorithmProvider(handle, 0)); }
};

struct HashTraits : NullIsEmpty<BCRYPT_HASH_HANDLE> {
    static bool Release(Handle handle) { return BCRYPT_SUCCESS(BCryptDestroyHash(handle)); }
};

struct BstrTraits : NullIsEmpty<BSTR> {
    static bool Release(Handle text) {
        SysFreeString(text);
        return true;
    }
};

struct StdioFileTraits : NullIsEmpty<std::FILE*> {
    static bool Release(Handle file) { return std::fclose(file) == 0; }
};

template <typename H> using GdiObject = UniqueHandle<GdiObjectTraits<H>>;
using BitmapHandle = GdiObject<HBITMAP>;
using BrushHandle = GdiObject<HBRUSH>;
using PenHandle = GdiObject<HPEN>;
using FontHandle = GdiObject<HFONT>;
// Events, threads and file mappings.
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using MappedView = UniqueHandle<MappedViewTraits>;
using InternetHandle = UniqueHandle<InternetHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;
using AlgorithmHandle = UniqueHandle<AlgorithmTraits>;
using HashHandle = UniqueHandle<HashTraits>;
using BstrText = UniqueHandle<BstrTraits>;
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

// Selects an object into a DC and selects the previous one back on destruction.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

struct OwnedDcTraits : NullIsEmpty<HDC> {
    static bool Release(Handle dc) { return DeleteDC(dc) != 0; }
};
using OwnedDc = UniqueHandle<OwnedDcTraits>;

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDc : public OwnedDc {
public:
    explicit MemoryDc(HDC compatibleWith) : OwnedDc(CreateCompatibleDC(compatibleWith)) {}
};

// The DC of the whole display from CreateDC, deleted with DeleteDC.
class DisplayDc : public OwnedDc {
public:
    DisplayDc() : OwnedDc(CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {}
};

// A window's DC from GetDC or GetWindowDC, released with ReleaseDC.
class WindowDc {
public:
    enum Area { Client, Whole };
    explicit WindowDc(HWND window, Area area = Client)
        : window_(window), dc_(area == Client ? GetDC(window) : GetWindowDC(window)) {}
    ~WindowDc() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window), paint_(), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDc() { EndPaint(window_, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;

    HDC get() const { return dc_; }
    const PAINTSTRUCT& paint() const { return paint_; }

private:
    HWND window_;
    PAINTSTRUCT paint_;
    HDC dc_;
};

// One COM interface reference, released on every way out.
template <typename Interface> class ComRef {
public:
    ComRef() : object_(nullptr) {}
    ~ComRef() {
        if (object_)
            object_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return object_; }
    Interface* operator->() const { return object_; }
    Interface** out() { return &object_; }
    // For CoCreateInstance and QueryInterface.
    void** outVoid() { return reinterpret_cast<void**>(&object_); }

private:
    Interface* object_;
};
