// Test support for the markup renderer: a 32-bit DIB section to draw into, an owner-drawn list box
// that holds the item texts, and a helper that writes markup with "(" and ")" as its brackets.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "base/globals.h"
#include "markup/markup.h"
#include "support/dib_canvas.h"
#include "support/dib_canvas.h"
#include "support/draw_item.h"

// "(" and ")" become the argument bytes 0x82 and 0x83.
inline std::string Markup(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '(')
            c = '\x82';
        else if (c == ')')
            c = '\x83';
    }
    return out;
}

// Colour the canvas starts with, so that any drawing outside the item shows.
constexpr COLORREF CanvasColour = RGB(10, 20, 30);
constexpr COLORREF Green = RGB(0, 255, 0);
// Pixel (8, 8) of the 20 x 20 ICOB011 icon is this green; its corners are the key colour.
constexpr COLORREF IconGreen = RGB(0x66, 0xBA, 0x77);

class MarkupTest : public testing::Test {
protected:
    static constexpr int CanvasWidth = 240;
    static constexpr int CanvasHeight = 50;
    static constexpr RECT DefaultItem = {0, 10, 200, 30};

    void SetUp() override {
        listBox_ = CreateWindowExA(0, "ListBox", "", WS_POPUP | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 0, 0, 300, 200,
                                   nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, listBox_);
        canvas_ = std::make_unique<DibCanvas>(CanvasWidth, CanvasHeight, CanvasColour);
        dc_ = canvas_->dc();
        Clear();
    }

    void TearDown() override {
        canvas_.reset();
        if (listBox_)
            DestroyWindow(listBox_);
    }

    void Clear() { canvas_->Fill(CanvasColour); }

    // Puts `text` into the list at `index` (earlier rows are filler) and draws that item.
    void Draw(const std::string& text, UINT state = 0, UINT index = 0, const ColumnTable* columns = &ZeroTable,
              RECT item = DefaultItem, UINT action = ODA_DRAWENTIRE) {
        SendMessageA(listBox_, LB_RESETCONTENT, 0, 0);
        for (UINT i = 0; i < index; ++i)
            SendMessageA(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("filler"));
        SendMessageA(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        DrawItem(MakeItem(index, state, item, action), columns);
    }

    // Draws markup (written with parentheses) into an item with the given state.
    void DrawMarkup(const std::string& text, UINT state = 0, UINT index = 0) { Draw(Markup(text), state, index); }

    DRAWITEMSTRUCT MakeItem(UINT index, UINT state, RECT item = DefaultItem, UINT action = ODA_DRAWENTIRE) const {
        DRAWITEMSTRUCT drawItem = MakeDrawItem(ODT_LISTBOX, listBox_, action, state);
        drawItem.itemID = index;
        drawItem.hDC = dc_;
        drawItem.rcItem = item;
        return drawItem;
    }

    void DrawItem(const DRAWITEMSTRUCT& drawItem, const ColumnTable* columns = &ZeroTable) {
        EXPECT_EQ(1, DrawMarkupItem(AppInstance, &drawItem, columns));
        GdiFlush();
    }

    COLORREF Pixel(int x, int y) const { return canvas_->At(x, y); }

    // Pixels of `colour` in the rectangle.
    int Count(COLORREF colour, RECT area) const {
        return canvas_->Count(colour, area.left, area.top, area.right, area.bottom);
    }

    // Pixels of the item rectangle that are not `colour`.
    int CountOther(COLORREF colour, RECT area = DefaultItem) const {
        return (area.right - area.left) * (area.bottom - area.top) - Count(colour, area);
    }

    // Bounding box of the pixels of `colour` in the rectangle; empty when none.
    RECT Extent(COLORREF colour, RECT area = DefaultItem) const {
        RECT box = {area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (Pixel(x, y) == colour) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }

    testing::AssertionResult ColumnIs(int x, int top, int bottom, COLORREF colour) const {
        return AllPixels(*canvas_, colour, {x, top, x + 1, bottom});
    }

    testing::AssertionResult RowIs(int y, int left, int right, COLORREF colour) const {
        return AllPixels(*canvas_, colour, {left, y, right, y + 1});
    }

    static constexpr ColumnTable ZeroTable = {0, nullptr, nullptr};

    HWND listBox_ = nullptr;
    std::unique_ptr<DibCanvas> canvas_;
    HDC dc_ = nullptr;
};

inline COLORREF WindowColour() {
    return GetSysColor(COLOR_WINDOW);
}
inline COLORREF HighlightColour() {
    return GetSysColor(COLOR_HIGHLIGHT);
}
