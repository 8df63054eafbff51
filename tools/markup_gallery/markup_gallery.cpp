// Markup gallery: a list box of sample markup items drawn by the item renderer, selected and
// focused ones among them; with `--save out.bmp` it renders the samples into a bitmap file.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "base/gdi_handles.h"
#include "markup/markup.h"

namespace {

constexpr char GalleryClass[] = "LudraMarkupGallery";
constexpr char GalleryTitle[] = "Ludra markup gallery";
constexpr int ListId = 100;
constexpr int ItemHeight = 24;
constexpr int GalleryWidth = 420;
constexpr char SaveOption[] = "--save";

constexpr int ColumnX[] = {0, 150, 250, 0};
constexpr int ColumnWidth[] = {150, 100, 170, 420};
const ColumnTable GalleryColumns = {4, ColumnX, ColumnWidth};

struct Sample {
    const char* markup; // "(" and ")" stand for the argument bytes
    UINT savedState;    // item state used when saving to a file
};

const Sample Samples[] = {
    {"Plain text: no tags at all", 0},
    {"@X(4)@BMP(ICOB011)@OFS(6)@TXT(Bitmap and text)@XE(70)@FRG(0000C0)@TXT(red run)", 0},
    {"@GRECT(DEEBFBF2F6FB)@X(4)@BMP(ICOB002)@OFS(6)@TXT(Gradient row)", 0},
    {"@FL(1)@TXT(Red gradient row with white text)", 0},
    {"@RECT(C0FFFF)@FRG(C00000)@TXT(Rectangle, ignored when selected)", ODS_SELECTED},
    {"@TREE(16,1123)@TXT(Tree guides 1 1 2 3)", 0},
    {"@TREE(16,013)@TXT(Tree guides 0 1 3)", 0},
    {"@X(20)@SEP(1)@OFS(5)@TXT(Sunken separator)@OFS(8)@SEP(2)@OFS(4)@SEP(3)@SEP(6)", 0},
    {"@DRC(00A000,10)@DRS(0,200)@X(210)@TXT(Ten segments)", 0},
    {"@DRC(C08000;1)@DR(0,150)@X(160)@TXT(Bar to 150)", ODS_SELECTED | ODS_FOCUS},
    {"@SP()@TXT(Dotted rule, even row)", 0},
    {"@SP()@TXT(Dotted rule, odd row)", 0},
    {"@PEN(808080)@CS(0,Name)@CS(1,Size)@CD(2,Right aligned)", 0},
    {"@CA(3,F4F4F4FFFFFF\x86ICOB014\x86"
     "Caption and the rest of the line)",
     0},
    {"@F01(1)@TXT(Doubled font)@F01(0)@TXT( and back)", 0},
    {"@PEN(FF0000)@EL(1)@TXT(Edge rules in the pen colour)", 0},
    {"@TXT(Focused item)", ODS_FOCUS},
    {"@SFP(BRUSHSTATUS)@SFD(BRUSHSTATUS)@SFB()@BKM(0)@TXT(Pattern row)", 0},
    {"@SF(E0FFE0)@TXT(Shaded even rows)", 0},
    {"@SF(E0FFE0)@TXT(Shaded even rows: an odd one stays white)", 0},
    {"@DTA(1)@TXT(Centred with @DTA)", ODS_SELECTED},
};

std::string ToMarkup(const char* text) {
    std::string markup = text;
    for (char& c : markup) {
        if (c == '(')
            c = '\x82';
        else if (c == ')')
            c = '\x83';
    }
    return markup;
}

void FillList(HWND list) {
    for (const Sample& sample : Samples)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToMarkup(sample.markup).c_str()));
}

HWND CreateSampleList(HWND parent, HINSTANCE instance) {
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "ListBox", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY,
                                0, 0, GalleryWidth, ItemHeight * 10, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ListId)), instance, nullptr);
    if (list) {
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        FillList(list);
    }
    return list;
}

// Writes a bottom-up 32-bit DIB section as a .bmp file.
bool WriteBitmapFile(const char* path, const void* bits, int width, int height) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD imageSize = static_cast<DWORD>(width) * height * 4;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageSize;
    std::FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out) == 1 && std::fwrite(bits, imageSize, 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

// Draws every sample with its saved state into a bitmap and writes it to `path`.
int SaveGallery(HINSTANCE instance, const char* path) {
    HWND list = CreateWindowExA(0, "ListBox", "", WS_POPUP | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 0, 0, GalleryWidth,
                                100, nullptr, nullptr, instance, nullptr);
    if (!list)
        return 1;
    FillList(list);
    const int count = static_cast<int>(std::size(Samples));
    const int height = count * ItemHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = GalleryWidth;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    MemoryDc memory(nullptr);
    BitmapHandle canvas(CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bool saved = false;
    if (memory && canvas) {
        SelectGuard selectCanvas(memory.get(), canvas.get());
        SelectGuard selectFont(memory.get(), GetStockObject(DEFAULT_GUI_FONT));
        for (int i = 0; i < count; ++i) {
            DRAWITEMSTRUCT item = {};
            item.CtlType = ODT_LISTBOX;
            item.CtlID = ListId;
            item.itemID = static_cast<UINT>(i);
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = Samples[i].savedState;
            item.hwndItem = list;
            item.hDC = memory.get();
            item.rcItem = {0, i * ItemHeight, GalleryWidth, (i + 1) * ItemHeight};
            DrawMarkupItem(instance, &item, &GalleryColumns);
        }
        GdiFlush();
        saved = WriteBitmapFile(path, bits, GalleryWidth, height);
    }
    DestroyWindow(list);
    return saved ? 0 : 1;
}

LRESULT OnGalleryCreate(HWND window) {
    return CreateSampleList(window, GetModuleHandleA(nullptr)) ? 0 : -1;
}

LRESULT OnGallerySize(HWND window, int width, int height) {
    MoveWindow(GetDlgItem(window, ListId), 0, 0, width, height, TRUE);
    return 0;
}

LRESULT OnGalleryMeasureItem(MEASUREITEMSTRUCT* measure) {
    measure->itemHeight = ItemHeight;
    return TRUE;
}

LRESULT OnGalleryDrawItem(const DRAWITEMSTRUCT* drawItem) {
    return DrawMarkupItem(GetModuleHandleA(nullptr), drawItem, &GalleryColumns);
}

LRESULT CALLBACK GalleryWndProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE: return OnGalleryCreate(window);
    case WM_SIZE: return OnGallerySize(window, LOWORD(lp), HIWORD(lp));
    case WM_MEASUREITEM: return OnGalleryMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
    case WM_DRAWITEM: return OnGalleryDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcA(window, msg, wp, lp);
}

int RunGallery(HINSTANCE instance, int show) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = GalleryWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = GalleryClass;
    if (!RegisterClassA(&windowClass))
        return 1;
    RECT frame = {0, 0, GalleryWidth, ItemHeight * static_cast<int>(std::size(Samples))};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window =
        CreateWindowExA(0, GalleryClass, GalleryTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    ShowWindow(window, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// The file named after "--save", without surrounding quotes; empty when the option is absent.
std::string SavePath(const char* commandLine) {
    const char* option = std::strstr(commandLine, SaveOption);
    if (!option)
        return {};
    std::string path = option + std::strlen(SaveOption);
    const size_t first = path.find_first_not_of(" \"");
    const size_t last = path.find_last_not_of(" \"");
    return first == std::string::npos ? std::string() : path.substr(first, last - first + 1);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    const std::string path = SavePath(commandLine);
    if (!path.empty())
        return SaveGallery(instance, path.c_str());
    return RunGallery(instance, show);
}
