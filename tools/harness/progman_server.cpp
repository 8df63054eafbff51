// The Program Manager stand-in: answers WM_DDE_INITIATE for "Progman", takes WM_DDE_EXECUTE.
#include "progman_server.h"

#include <dde.h>

#include <cstring>

namespace harness {

namespace {
constexpr const char* ServerClass = "LudraHarnessProgman";
constexpr UINT_PTR PositiveAck = 0x8000;

LRESULT CALLBACK ProgmanServerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* server = reinterpret_cast<ProgmanServer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_DDE_INITIATE:
        if (server)
            server->OnInitiate(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case WM_DDE_EXECUTE:
        if (server)
            server->OnExecute(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case WM_DDE_TERMINATE:
        PostMessageA(reinterpret_cast<HWND>(wParam), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window), 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool IsProgman(ATOM atom) {
    char name[32] = {};
    return GlobalGetAtomNameA(atom, name, sizeof name) && _stricmp(name, "Progman") == 0;
}
} // namespace

ProgmanServer::~ProgmanServer() {
    Stop();
}

bool ProgmanServer::Start() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, 10000);
    CloseHandle(ready);
    return window_ != nullptr;
}

void ProgmanServer::Stop() {
    if (thread_.joinable()) {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    window_ = nullptr;
}

void ProgmanServer::Run(HANDLE ready) {
    threadId_ = GetCurrentThreadId();
    WNDCLASSA serverClass = {};
    serverClass.lpfnWndProc = ProgmanServerProc;
    serverClass.hInstance = GetModuleHandleA(nullptr);
    serverClass.lpszClassName = ServerClass;
    RegisterClassA(&serverClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, ServerClass, "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, serverClass.hInstance, nullptr);
    if (window)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    window_ = window;
    SetEvent(ready);
    if (!window)
        return;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    DestroyWindow(window);
}

void ProgmanServer::OnInitiate(HWND client, LPARAM atoms) {
    if (!IsProgman(LOWORD(atoms)) || !IsProgman(HIWORD(atoms)))
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++initiates_;
    }
    // The acknowledgement carries atoms of the server's own.
    const ATOM application = GlobalAddAtomA("Progman");
    const ATOM topic = GlobalAddAtomA("Progman");
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window_), MAKELPARAM(application, topic));
}

void ProgmanServer::OnExecute(HWND client, LPARAM blockParam) {
    const HGLOBAL block = reinterpret_cast<HGLOBAL>(blockParam);
    std::string text;
    if (const char* commands = static_cast<const char*>(GlobalLock(block))) {
        text.assign(commands, strnlen(commands, GlobalSize(block)));
        GlobalUnlock(block);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++executes_;
        commands_ = text;
    }
    if (IsWindow(client))
        PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window_),
                     PackDDElParam(WM_DDE_ACK, PositiveAck, reinterpret_cast<UINT_PTR>(block)));
}

int ProgmanServer::Initiates() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return initiates_;
}

int ProgmanServer::Executes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return executes_;
}

std::string ProgmanServer::Commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

} // namespace harness
