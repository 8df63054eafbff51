// A 32-bit top-down DIB section in a memory DC, for the tests that check drawing by its pixels; the
// pixels of bitmaps; the comparisons of a canvas with another or with one colour.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF Blue = RGB(0, 0, 255);

inline BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

inline COLORREF FromDib(uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}
inline uint32_t ToDib(COLORREF colour) {
    return (uint32_t(GetRValue(colour)) << 16) | (uint32_t(GetGValue(colour)) << 8) | GetBValue(colour);
}

// A 32-bit top-down DIB section selected into a fresh memory DC (black text, white background).
class DibCanvas {
public:
    DibCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
        BITMAPINFO info = TopDown32(width, height);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint32_t*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        Fill(fill);
    }
    ~DibCanvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        return FromDib(bits_[y * width_ + x]);
    }
    void Fill(COLORREF colour) {
        GdiFlush();
        for (int i = 0; i < width_ * height_; ++i)
            bits_[i] = ToDib(colour);
    }
    // Copies the top-left of `source` (a window's or a memory DC) over the whole canvas.
    void CopyFrom(HDC source) { BitBlt(dc_, 0, 0, width_, height_, source, 0, 0, SRCCOPY); }
    // Every pixel as 0x00RRGGBB, row by row from the top.
    std::vector<uint32_t> Bits() const {
        GdiFlush();
        std::vector<uint32_t> pixels(bits_, bits_ + static_cast<size_t>(width_) * static_cast<size_t>(height_));
        for (uint32_t& pixel : pixels)
            pixel &= 0xFFFFFF;
        return pixels;
    }
    int Count(COLORREF colour, int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += At(x, y) == colour ? 1 : 0;
        return count;
    }

private:
    int width_;
    int height_;
    HBITMAP bitmap_ = nullptr;
    uint32_t* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The colours of a bitmap, row by row from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colours;
    COLORREF At(int x, int y) const { return colours[size_t(y) * size_t(width) + size_t(x)]; }
};

// The pixels of any bitmap (not selected into a DC), read with GetDIBits.
inline Pixels ReadBitmap(HBITMAP bitmap) {
    Pixels result;
    BITMAP record = {};
    if (!GetObjectA(bitmap, sizeof record, &record))
        return result;
    result.width = record.bmWidth;
    result.height = record.bmHeight;
    std::vector<uint32_t> raw(size_t(record.bmWidth) * size_t(record.bmHeight));
    BITMAPINFO info = TopDown32(record.bmWidth, record.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, record.bmHeight, raw.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (uint32_t pixel : raw)
        result.colours.push_back(FromDib(pixel));
    return result;
}

// A bitmap of the program's resources, which the test executable holds.
inline Pixels ReadResourceBitmap(const char* name) {
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), name);
    Pixels result = ReadBitmap(bitmap);
    DeleteObject(bitmap);
    return result;
}

// A device-dependent bitmap (as LoadBitmapA gives) with the given pixels, row by row from the top.
inline HBITMAP MakeBitmap(int width, int height, const std::vector<COLORREF>& colours) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    std::vector<uint32_t> raw;
    for (COLORREF colour : colours)
        raw.push_back(ToDib(colour));
    BITMAPINFO info = TopDown32(width, height);
    SetDIBits(screen, bitmap, 0, height, raw.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// "x,y: expected RRGGBB, got RRGGBB" for a failed pixel comparison.
inline testing::AssertionResult PixelMismatch(int x, int y, COLORREF expected, COLORREF actual) {
    char text[64];
    snprintf(text, sizeof text, "%d,%d: expected %06lX, got %06lX", x, y, static_cast<unsigned long>(ToDib(expected)),
             static_cast<unsigned long>(ToDib(actual)));
    return testing::AssertionFailure() << text;
}

// Every pixel of `area` alike in both canvases; a failure names the first pixel that differs.
inline testing::AssertionResult SamePixels(const DibCanvas& expected, const DibCanvas& actual, RECT area) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (expected.At(x, y) != actual.At(x, y))
                return PixelMismatch(x, y, expected.At(x, y), actual.At(x, y));
    return testing::AssertionSuccess();
}

// The two canvases alike over the whole of `expected`.
inline testing::AssertionResult SamePixels(const DibCanvas& expected, const DibCanvas& actual) {
    return SamePixels(expected, actual, RECT{0, 0, expected.width(), expected.height()});
}

// Every pixel of `area` is `colour`; a failure names the first pixel that is not.
inline testing::AssertionResult AllPixels(const DibCanvas& canvas, COLORREF colour, RECT area) {
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (canvas.At(x, y) != colour)
                return PixelMismatch(x, y, colour, canvas.At(x, y));
    return testing::AssertionSuccess();
}
