// The automation harness: drives another process's windows with ordinary window messages.
#include "harness.h"

#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/program_texts.h"

namespace harness {

namespace {
constexpr DWORD PollIntervalMs = 20;

struct EnumContext {
    DWORD processId;
    const char* className;
    const char* caption;
    const std::function<bool(HWND)>* accept;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* context = reinterpret_cast<EnumContext*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != context->processId || !IsWindowVisible(window))
        return TRUE;
    char text[256] = {};
    if (context->className) {
        GetClassNameA(window, text, sizeof text);
        if (std::strcmp(text, context->className) != 0)
            return TRUE;
    }
    if (context->caption) {
        GetWindowTextA(window, text, sizeof text);
        if (std::strcmp(text, context->caption) != 0)
            return TRUE;
    }
    if (*context->accept && !(*context->accept)(window))
        return TRUE;
    context->found->push_back(window);
    return TRUE;
}

// Wine now and then fails a start that succeeds when tried again (about one start in a thousand
// here). Such a start is tried once more, and noted where the test command lists it; a program
// that is missing fails at once.
bool MayStartOnASecondTry(const char* exePath, DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return false;
    std::fprintf(stderr, "starting %s failed with error %lu; trying once more\n", exePath, error);
    const char* log = std::getenv("LUDRA_RESTART_LOG");
    // Binary: the shell lists the file, its lines end in LF.
    if (FILE* file = log ? std::fopen(log, "ab") : nullptr) {
        std::fprintf(file, "CreateProcess failed with error %lu, started again: %s\n", error, exePath);
        std::fclose(file);
    }
    Sleep(1000);
    return true;
}
} // namespace

Program::~Program() {
    Kill();
}

bool Program::Start(const char* exePath, const char* workingFolder, WORD showCommand, const char* arguments) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = showCommand;
    PROCESS_INFORMATION info = {};
    char commandLine[2048] = {};
    snprintf(commandLine, sizeof commandLine, "\"%s\"%s%s", exePath, arguments ? " " : "", arguments ? arguments : "");
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(exePath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, workingFolder, &startup, &info))
            break;
        if (attempt == 2 || !MayStartOnASecondTry(exePath, GetLastError()))
            return false;
    }
    process_ = info.hProcess;
    thread_ = info.hThread;
    processId_ = info.dwProcessId;
    return true;
}

bool Program::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    if (exitCode)
        *exitCode = code;
    return true;
}

void Program::Kill() {
    if (process_) {
        if (Running()) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }
    if (thread_) {
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

std::vector<HWND> WindowsOf(DWORD processId, const char* className, const char* caption,
                            const std::function<bool(HWND)>& accept) {
    std::vector<HWND> found;
    EnumContext context = {processId, className, caption, &accept, &found};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
    return found;
}

HWND HiddenOrVisibleWindowOf(DWORD processId, const char* className) {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, className, nullptr)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
            return window;
    }
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(PollIntervalMs);
    }
}

HWND WaitForWindow(DWORD processId, const char* className, const char* caption, const std::function<bool(HWND)>& accept,
                   DWORD timeoutMs) {
    HWND result = nullptr;
    WaitUntil(
        [&] {
            auto windows = WindowsOf(processId, className, caption, accept);
            result = windows.empty() ? nullptr : windows.front();
            return result != nullptr;
        },
        timeoutMs);
    return result;
}

bool HasControl(HWND window, int controlId) {
    return GetDlgItem(window, controlId) != nullptr;
}

bool IsMessageBox(HWND window) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0 && HasControl(window, MessageBoxTextId);
}

HWND WaitForDialogWithControl(DWORD processId, int controlId, DWORD timeoutMs) {
    return WaitForWindow(
        processId, "#32770", nullptr, [controlId](HWND w) { return !IsMessageBox(w) && HasControl(w, controlId); },
        timeoutMs);
}

HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    return WaitForWindow(processId, "#32770", nullptr, IsMessageBox, timeoutMs);
}

HWND MessageBoxWithin(DWORD processId, DWORD timeoutMs) {
    return WaitForMessageBox(processId, timeoutMs);
}

std::string GetText(HWND window) {
    // WM_GETTEXT works across processes (the system marshals the buffer).
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied));
    return text;
}

std::string GetControlText(HWND dialog, int controlId) {
    return GetText(GetDlgItem(dialog, controlId));
}

std::string MessageBoxText(HWND box) {
    return GetControlText(box, MessageBoxTextId);
}

bool AnswerMessageBox(HWND box, int buttonId, DWORD timeoutMs) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
    return WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, timeoutMs);
}

void SetControlText(HWND dialog, int controlId, const char* text) {
    SendMessageA(GetDlgItem(dialog, controlId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

bool PasteIntoControl(HWND dialog, int controlId, const char* text) {
    if (!OpenClipboard(nullptr))
        return false;
    EmptyClipboard();
    const size_t size = std::strlen(text) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    bool placed = false;
    if (block) {
        if (void* data = GlobalLock(block)) {
            std::memcpy(data, text, size);
            GlobalUnlock(block);
            placed = SetClipboardData(CF_TEXT, block) != nullptr;
        }
        if (!placed)
            GlobalFree(block);
    }
    CloseClipboard();
    if (!placed)
        return false;
    HWND edit = GetDlgItem(dialog, controlId);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_PASTE, 0, 0);
    return true;
}

void PressButton(HWND dialog, int controlId) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
}

HWND FocusedControl(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

void GetEditSelection(HWND edit, DWORD* start, DWORD* end) {
    const DWORD packed = static_cast<DWORD>(SendMessageA(edit, EM_GETSEL, 0, 0));
    *start = LOWORD(packed);
    *end = HIWORD(packed);
}

namespace {
// One entry of the GDI handle table. Wine gives it the layout of 64-bit Windows in 32-bit
// processes too (the table is shared with the process's 64-bit side), so one layout serves both.
struct GdiHandleEntry {
    ULONGLONG object;
    USHORT processId;
    USHORT count;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONGLONG userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entries are 24 bytes");
constexpr size_t GdiHandleCount = 0x10000;
// Where a PEB keeps the table's address: the 64-bit PEB and, on Windows, the 32-bit one.
constexpr size_t Peb64GdiTableOffset = 0xF8;
constexpr size_t Peb32GdiTableOffset = 0x94;
constexpr size_t PebGdiTableOffset = sizeof(void*) == 8 ? Peb64GdiTableOffset : Peb32GdiTableOffset;
// A 32-bit process on a 64-bit system also has a 64-bit TEB and PEB: the 32-bit TEB gives the
// distance to the 64-bit TEB, which points to the 64-bit PEB.
constexpr size_t Teb32WowTebOffset = 0xFDC;
constexpr size_t Teb64PebOffset = 0x60;
constexpr int ThreadBasicInformationClass = 0;

// THREAD_BASIC_INFORMATION, which the MinGW headers do not declare.
struct ThreadBasics {
    NTSTATUS exitStatus;
    void* tebBaseAddress;
    CLIENT_ID clientId;
    ULONG_PTR affinityMask;
    LONG priority;
    LONG basePriority;
};

using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
using QueryThread = NTSTATUS(NTAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

FARPROC NtdllFunction(const char* name) {
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
}

// Reads a value of type T at an address of the process; false if it cannot be read.
template <typename T> bool ReadRemote(HANDLE process, ULONGLONG address, T* value) {
    if (address == 0 || address > static_cast<ULONGLONG>(static_cast<ULONG_PTR>(-1)))
        return false;
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(address)), value, sizeof(T),
                             &read) &&
           read == sizeof(T);
}

// The TEB of one of the process's threads; 0 if none can be queried.
ULONGLONG AnyThreadTeb(DWORD processId) {
    auto query = reinterpret_cast<QueryThread>(reinterpret_cast<void*>(NtdllFunction("NtQueryInformationThread")));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (!query || snapshot == INVALID_HANDLE_VALUE)
        return 0;
    ULONGLONG teb = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more && !teb; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        if (HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID)) {
            ThreadBasics basics = {};
            if (query(thread, ThreadBasicInformationClass, &basics, sizeof basics, nullptr) == 0)
                teb = reinterpret_cast<ULONG_PTR>(basics.tebBaseAddress);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
    return teb;
}

// The address of the process's GDI handle table in its memory; 0 if it cannot be found.
ULONGLONG GdiTableAddress(HANDLE process, DWORD processId) {
    auto query = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(NtdllFunction("NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0)
        return 0;
    ULONG_PTR table = 0;
    if (ReadRemote(process, reinterpret_cast<ULONG_PTR>(basic.PebBaseAddress) + PebGdiTableOffset, &table) && table)
        return table;
    if (sizeof(void*) == 8)
        return 0;
    // A 32-bit process under Wine: the address is only in its 64-bit PEB.
    const ULONGLONG teb32 = AnyThreadTeb(processId);
    LONG wowTebOffset = 0;
    ULONGLONG peb64 = 0;
    ULONGLONG table64 = 0;
    if (!ReadRemote(process, teb32 + Teb32WowTebOffset, &wowTebOffset) || wowTebOffset == 0 ||
        !ReadRemote(process, teb32 + static_cast<ULONGLONG>(static_cast<LONGLONG>(wowTebOffset)) + Teb64PebOffset,
                    &peb64) ||
        !ReadRemote(process, peb64 + Peb64GdiTableOffset, &table64))
        return 0;
    return table64;
}
} // namespace

int CountGdiObjects(HANDLE process, DWORD processId) {
    std::vector<GdiHandleEntry> entries(GdiHandleCount);
    const ULONGLONG table = GdiTableAddress(process, processId);
    SIZE_T read = 0;
    if (table == 0 || table > static_cast<ULONGLONG>(static_cast<ULONG_PTR>(-1)) ||
        !ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<ULONG_PTR>(table)), entries.data(),
                           entries.size() * sizeof(GdiHandleEntry), &read))
        return -1;
    // Windows shares one table among processes; Wine's is the process's own and leaves the owner 0.
    const USHORT owner = static_cast<USHORT>(processId);
    int count = 0;
    for (const GdiHandleEntry& entry : entries)
        count += entry.type != 0 && (entry.processId == owner || entry.processId == 0) ? 1 : 0;
    return count;
}

SIZE_T PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, &memory, sizeof memory))
        return 0;
    return memory.PagefileUsage;
}

bool SaveScreenshot(const char* path) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap && memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        const DWORD rowSize = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageSize = rowSize * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        if (FILE* out = std::fopen(path, "wb")) {
            saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                    std::fwrite(bits, imageSize, 1, out) == 1;
            saved = (std::fclose(out) == 0) && saved;
        }
    }
    if (bitmap)
        DeleteObject(bitmap);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

} // namespace harness
