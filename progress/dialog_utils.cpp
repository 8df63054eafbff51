// TEMPORARY placeholder until the wait dialog lands (SetDlgItemStyle is real: the setup dialog needs it).
#include "progress/dialog_utils.h"
void SubclassDlgItem(HWND dialog, int id, WNDPROC procedure) {
    SetWindowLongPtrA(GetDlgItem(dialog, id), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}
void SetDlgItemStyle(HWND dialog, int id, DWORD style) { SetWindowLongPtrA(GetDlgItem(dialog, id), GWL_STYLE, style); }
void AlignBrushOrigin(HWND, HDC, HBRUSH) {}
HBRUSH DefaultCtlColor(HWND, int, HDC) { return nullptr; }
