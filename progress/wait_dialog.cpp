// The wait dialog (template 20000): rounded panel, two texts, the frame animation, the percentage
// bar and a skinned Cancel button whose confirmation raises WaitCancelled.
#include "progress/wait.h"
#include "progress/wait_state.h"

#include "base/globals.h"
#include "base/message_params.h"
#include "base/screen.h"
#include "base/strings.h"
#include "progress/animation.h"
#include "progress/tag_string.h"
#include "resources/resource_ids.h"
#include "skin/bitmap_button.h"
#include "skin/controls.h"
#include "skin/panel.h"
#include "skin/status_bar.h"

namespace {
constexpr char CancelQuestion[] = "Confermi l'interruzione delle operazioni in corso?";
constexpr COLORREF TextColour = RGB(0, 0, 0);
constexpr COLORREF BackColour = RGB(0xFF, 0xFF, 0xFF);

// Entries 1 to 7 loop; entry 8 is defined but nothing leads to it.
constexpr const char* AnimationEntries[] = {
    "@CEV(1)@IMG1(IMG1)@NEV1(2)@TIM1(100)", "@IMG2(IMG2)@NEV2(3)@TIM2(100)", "@IMG3(IMG3)@NEV3(4)@TIM3(100)",
    "@IMG4(IMG4)@NEV4(5)@TIM4(100)",        "@IMG5(IMG5)@NEV5(6)@TIM5(100)", "@IMG6(IMG6)@NEV6(7)@TIM6(100)",
    "@IMG7(IMG7)@NEV7(1)@TIM7(100)",        "@IMG8(IMG8)@NEV8(1)@TIM8(100)",
};

INT_PTR OnWaitInit(HWND dialog) {
    CenterOnScreen(dialog);
    PanelBrush = CreateSolidBrush(PanelColour);
    SubclassDlgItem(dialog, IDC_WAIT_ANIMATION, AnimationProc);
    SubclassDlgItem(dialog, IDC_WAIT_PERCENT, StatusBarProc);
    SubclassDlgItem(dialog, IDC_WAIT_PANEL, RoundedPanelProc);
    SetDlgItemStyle(dialog, IDC_WAIT_CANCEL, OwnerDrawButtonStyle);
    ShowWindow(GetDlgItem(dialog, IDC_WAIT_PERCENT), SW_HIDE);
    SetWindowTextA(dialog, WaitTitle.data());
    return TRUE;
}

INT_PTR OnWaitDestroy(HWND dialog) {
    ForgetWaitDialog(dialog);
    if (PanelBrush) {
        DeleteObject(PanelBrush);
        PanelBrush = nullptr;
    }
    return TRUE;
}

INT_PTR OnWaitDrawItem(HWND dialog, const DRAWITEMSTRUCT* drawItem) {
    if (drawItem->CtlType == ODT_BUTTON)
        DrawBitmapButton(AppInstance, dialog, drawItem);
    return TRUE;
}

// The confirmation stops the animation while it is asked; No lets it run on from the same frame.
void ConfirmCancel(HWND dialog) {
    HWND animation = GetDlgItem(dialog, IDC_WAIT_ANIMATION);
    SendMessageA(animation, WM_CLOSE, 0, 0);
    // Once the session is ending the question is not asked: the answer is Yes.
    const int answer = PersonMessageBox(dialog, CancelQuestion, WaitTitle.data(), MB_YESNO | MB_ICONEXCLAMATION);
    if (answer == IDNO)
        SendMessageA(animation, WM_ACTIVATE, 0, 0);
    else
        WaitCancelled = 1;
}

// Escape and the caption's close box arrive here as IDCANCEL: only the Cancel button cancels.
INT_PTR OnWaitCommand(HWND dialog, int controlId) {
    if (controlId == IDC_WAIT_CANCEL)
        ConfirmCancel(dialog);
    return TRUE;
}

INT_PTR OnWaitCtlColor(HWND dialog, HDC dc, HWND control) {
    const int controlId = GetDlgCtrlID(control);
    switch (controlId) {
    case IDC_WAIT_STATUS:
    case IDC_WAIT_DETAIL:
    case IDC_WAIT_ANIMATION:
        SetTextColor(dc, TextColour);
        SetBkColor(dc, BackColour);
        AlignBrushOrigin(control, dc, WhiteBrush);
        return reinterpret_cast<INT_PTR>(WhiteBrush);
    case IDC_WAIT_PANEL:
        SetTextColor(dc, TextColour);
        SetBkColor(dc, PanelColour);
        AlignBrushOrigin(control, dc, PanelBrush);
        return reinterpret_cast<INT_PTR>(PanelBrush);
    }
    return reinterpret_cast<INT_PTR>(DefaultCtlColor(dialog, controlId, dc));
}

// Every erase of the dialog's background asks for this brush, and so restarts the animation.
INT_PTR OnWaitCtlColorDialog(HWND dialog, HDC dc) {
    SetBkColor(dc, BackColour);
    AlignBrushOrigin(dialog, dc, WhiteBrush);
    PostMessageA(dialog, WM_ANIM_RESET, 0, 0);
    return reinterpret_cast<INT_PTR>(WhiteBrush);
}

INT_PTR OnAnimationReset(HWND dialog) {
    AnimationSpec[0] = '\0';
    for (const char* entry : AnimationEntries)
        AppendBounded(AnimationSpec.data(), AnimationSpec.size(), entry);
    PrepareTagString(AnimationSpec.data());
    PostMessageA(GetDlgItem(dialog, IDC_WAIT_ANIMATION), WM_ANIM_START, 0,
                 reinterpret_cast<LPARAM>(AnimationSpec.data()));
    return TRUE;
}

} // namespace

INT_PTR CALLBACK WaitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnWaitInit(dialog);
    case WM_DESTROY: return OnWaitDestroy(dialog);
    case WM_DRAWITEM: return OnWaitDrawItem(dialog, CarriedPointer<const DRAWITEMSTRUCT*>(lParam));
    case WM_COMMAND: return OnWaitCommand(dialog, LOWORD(wParam));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: return OnWaitCtlColor(dialog, CarriedPointer<HDC>(wParam), CarriedPointer<HWND>(lParam));
    case WM_CTLCOLORDLG: return OnWaitCtlColorDialog(dialog, CarriedPointer<HDC>(wParam));
    case WM_ANIM_RESET: return OnAnimationReset(dialog);
    }
    return FALSE;
}
