// A debug-output viewer, as a support desk would run one: reads every line OutputDebugStringA
// writes in this session (this process and the programs it starts), through the shared buffer
// that such viewers use on Windows and that Wine provides too.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class DebugOutput {
public:
    DebugOutput()
        : bufferReady_(CreateEventA(nullptr, FALSE, TRUE, "DBWIN_BUFFER_READY")),
          dataReady_(CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY")),
          mapping_(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, BufferSize, "DBWIN_BUFFER")),
          view_(mapping_ ? MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, BufferSize) : nullptr),
          thread_([this] { Run(); }) {}
    ~DebugOutput() {
        stopping_ = true;
        thread_.join();
        if (view_)
            UnmapViewOfFile(view_);
        for (HANDLE handle : {mapping_, dataReady_, bufferReady_})
            if (handle)
                CloseHandle(handle);
    }
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    // The lines read so far that begin with prefix, without their line break.
    std::vector<std::string> Lines(const std::string& prefix = "Ludra Setup:") const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> lines;
        for (const std::string& line : lines_)
            if (line.compare(0, prefix.size(), prefix) == 0)
                lines.push_back(line);
        return lines;
    }

private:
    static constexpr DWORD BufferSize = 4096;
    static constexpr DWORD PollMs = 20;

    // The buffer holds the writer's process id, then its text.
    void Run() {
        while (!stopping_ && view_) {
            if (WaitForSingleObject(dataReady_, PollMs) != WAIT_OBJECT_0)
                continue;
            const char* text = static_cast<const char*>(view_) + sizeof(DWORD);
            std::string line(text, strnlen(text, BufferSize - sizeof(DWORD)));
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
                line.pop_back();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back(line);
            }
            SetEvent(bufferReady_);
        }
    }

    HANDLE bufferReady_;
    HANDLE dataReady_;
    HANDLE mapping_;
    void* view_;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread thread_;
};
