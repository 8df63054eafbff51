// A Program Manager stand-in for the end-to-end tests: a topmost window on its own thread that
// accepts a "Progman" conversation, records the commands it is sent and acknowledges them.
// Topmost, so it hears the initiate broadcast before Wine's own shell server.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>

namespace harness {

class ProgmanServer {
public:
    ProgmanServer() = default;
    ~ProgmanServer();
    ProgmanServer(const ProgmanServer&) = delete;
    ProgmanServer& operator=(const ProgmanServer&) = delete;

    bool Start();
    void Stop();
    HWND Window() const { return window_; }

    int Initiates() const;
    int Executes() const;
    std::string Commands() const;

    // Used by the window procedure on the server thread.
    void OnInitiate(HWND client, LPARAM atoms);
    void OnExecute(HWND client, LPARAM block);

private:
    void Run(HANDLE ready);

    std::thread thread_;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
    mutable std::mutex mutex_;
    int initiates_ = 0;
    int executes_ = 0;
    std::string commands_;
};

} // namespace harness
