// Skinned push buttons: the state's skin stretched over the button, the caption's icon, a centred
// label in the state's colour and a two-column bevel, composed off-screen and shown with one copy.
#include "skin/bitmap_button.h"
#include "skin/skin_state.h"

#include "base/gdi_handles.h"
#include "skin/bitmap.h"
#include "skin/skin_text.h"

LOGFONTA ButtonLabelFont = {};

namespace {
constexpr COLORREF IconKey = RGB(1, 1, 1);
constexpr int IconX = 2;
constexpr int IconY = 1;
constexpr int LabelLeftInset = 20;
constexpr int LabelRightInset = 1;
constexpr int LabelPoints = 6;
constexpr int PointsPerInch = 72;
constexpr LONG LabelWeight = FW_NORMAL;
constexpr char LabelFace[] = "system";

constexpr COLORREF BevelWhite = RGB(255, 255, 255);
constexpr COLORREF BevelLight = RGB(192, 192, 192);
constexpr COLORREF BevelDark = RGB(128, 128, 128);

struct StateLook {
    const char* skin;
    COLORREF label;
};

// Indexed by ButtonState - 1.
constexpr StateLook StateLooks[] = {
    {"BUTTONUP", RGB(0, 0, 0)},       // Normal
    {"BUTTONDW", RGB(255, 0, 0)},     // Pressed
    {"BUTTONUP", RGB(255, 0, 0)},     // Focused
    {"BUTTONUP", RGB(192, 192, 192)}, // Disabled
};

const StateLook& LookOf(int state) {
    if (state < ButtonNormal || state > ButtonDisabled)
        state = ButtonNormal;
    return StateLooks[state - 1];
}

void DrawSkin(HDC buffer, int width, int height, HINSTANCE instance, const char* skinName) {
    BitmapHandle skin(LoadBitmapByName(instance, skinName));
    if (skin)
        StretchBitmap(buffer, skin.get(), 0, 0, width, height);
}

// A fresh copy every time: the transparent draw blackens the key pixels of the loaded bitmap.
void DrawIcon(HDC buffer, HINSTANCE instance, const char* iconName) {
    BitmapHandle icon(LoadBitmapByName(instance, iconName));
    if (icon)
        DrawTransparentBitmap(buffer, icon.get(), IconX, IconY, IconKey);
}

void DrawLabel(HDC buffer, int width, int height, const char* label, COLORREF colour) {
    RECT area = {LabelLeftInset, 0, width - LabelRightInset, height};
    EnumFontsA(buffer, LabelFace, CopyFirstFont, reinterpret_cast<LPARAM>(&ButtonLabelFont));
    ButtonLabelFont.lfHeight = -(LabelPoints * GetDeviceCaps(buffer, LOGPIXELSY)) / PointsPerInch;
    ButtonLabelFont.lfWidth = 0;
    ButtonLabelFont.lfWeight = LabelWeight;
    FontHandle font(CreateFontIndirectA(&ButtonLabelFont));
    SelectGuard selectFont(buffer, font.get());
    SetTextColor(buffer, colour);
    SetBkMode(buffer, TRANSPARENT);
    DrawTextA(buffer, label, -1, &area, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

// A line excludes its end point, so (x, fromY)-(x, toY) paints rows fromY to toY - 1.
void DrawColumn(HDC buffer, int x, int fromY, int toY) {
    MoveToEx(buffer, x, fromY, nullptr);
    LineTo(buffer, x, toY);
}

void DrawBevel(HDC buffer, int width, int height) {
    {
        PenHandle pen(CreatePen(PS_SOLID, 1, BevelWhite));
        SelectGuard select(buffer, pen.get());
        DrawColumn(buffer, 0, 0, height);
        DrawColumn(buffer, width - 1, 0, height);
    }
    {
        PenHandle pen(CreatePen(PS_SOLID, 1, BevelWhite));
        SelectGuard select(buffer, pen.get());
        DrawColumn(buffer, 1, 1, height - 1);
    }
    {
        PenHandle pen(CreatePen(PS_SOLID, 1, BevelLight));
        SelectGuard select(buffer, pen.get());
        DrawColumn(buffer, 0, 1, height - 1);
    }
    {
        PenHandle pen(CreatePen(PS_SOLID, 1, BevelDark));
        SelectGuard select(buffer, pen.get());
        DrawColumn(buffer, width - 1, 1, height - 1);
    }
}
} // namespace

int ButtonStateForDrawItem(UINT itemAction, UINT itemState) {
    if (itemAction & ODA_SELECT)
        return (itemState & ODS_SELECTED) ? ButtonPressed : ButtonNormal;
    if (itemAction & ODA_FOCUS)
        return (itemState & ODS_FOCUS) ? ButtonFocused : ButtonNormal;
    if (itemAction & ODA_DRAWENTIRE)
        return (itemState & ODS_DISABLED) ? ButtonDisabled : ButtonNormal;
    return 0;
}

void DrawBitmapButton(HINSTANCE instance, HWND dialog, const DRAWITEMSTRUCT* drawItem) {
    if (!drawItem)
        return;
    const int state = ButtonStateForDrawItem(drawItem->itemAction, drawItem->itemState);
    if (state != 0)
        RenderBitmapButton(instance, dialog, static_cast<int>(drawItem->CtlID), state);
}

void ComposeBitmapButton(HDC buffer, int width, int height, HINSTANCE instance, const char* caption, int state) {
    char label[ButtonLabelSize];
    char iconName[ButtonIconNameSize];
    SplitButtonCaption(caption, label, sizeof label, iconName, sizeof iconName);
    const StateLook& look = LookOf(state);
    DrawSkin(buffer, width, height, instance, look.skin);
    // Before any text colour is set: the mask blit needs the buffer's black and white.
    DrawIcon(buffer, instance, iconName);
    DrawLabel(buffer, width, height, label, look.label);
    DrawBevel(buffer, width, height);
}

namespace {
// The button's text, cut to the caption buffer.
void ReadCaption(HWND button, char (&caption)[ButtonCaptionSize]) {
    const int wanted = GetWindowTextLengthA(button) + 1;
    const int room = static_cast<int>(sizeof caption);
    GetWindowTextA(button, caption, wanted < room ? wanted : room);
}
} // namespace

int RenderBitmapButton(HINSTANCE instance, HWND dialog, int controlId, int state) {
    HWND button = GetDlgItem(dialog, controlId);
    if (!button)
        return 0;
    WindowDc screen(button);
    if (!screen)
        return 0;
    RECT client = {};
    GetClientRect(button, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    BitmapHandle bufferBitmap(CreateCompatibleBitmap(screen.get(), width, height));
    MemoryDc buffer(screen.get());
    if (!bufferBitmap || !buffer)
        return 0;
    SelectGuard selectBuffer(buffer.get(), bufferBitmap.get());

    char caption[ButtonCaptionSize] = {};
    ReadCaption(button, caption);
    ComposeBitmapButton(buffer.get(), width, height, instance, caption, state);
    BitBlt(screen.get(), 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
    return 1;
}
