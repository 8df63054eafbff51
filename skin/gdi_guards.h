// Small owners for GDI and USER resources, so every object is released on every path.
// Release order is the reverse of creation: declare the object first, then its selection.
#pragma once

#include <windows.h>

// A GDI object (bitmap, brush, pen, font, region) deleted with DeleteObject.
template <typename Handle> class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(Handle handle = nullptr) {
        if (handle_)
            DeleteObject(handle_);
        handle_ = handle;
    }
    Handle release() {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    Handle handle_;
};

using BitmapHandle = GdiObject<HBITMAP>;
using BrushHandle = GdiObject<HBRUSH>;
using PenHandle = GdiObject<HPEN>;
using FontHandle = GdiObject<HFONT>;

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

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
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

// A bitmap resource loaded by name for one use (transparent drawing changes the loaded copy).
inline HBITMAP LoadBitmapByName(HINSTANCE instance, const char* name) {
    if (!name || !*name)
        return nullptr;
    return LoadBitmapA(instance, name);
}
