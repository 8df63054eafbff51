// Owners of GDI objects and device contexts, and the guard of a selection.
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

template <typename H> struct GdiObjectTraits : NullIsEmpty<H> {
    static bool Release(H handle) { return DeleteObject(handle) != 0; }
};

template <typename H> using GdiObject = UniqueHandle<GdiObjectTraits<H>>;
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
