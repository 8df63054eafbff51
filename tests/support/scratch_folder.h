// A fresh folder under the temporary folder for one Windows test, removed with everything in
// it afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "files.h"

// The temporary folder of this process (and of the programs it starts) pointed at a folder, and back.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& folder) {
        GetEnvironmentVariableA("TMP", saved_, sizeof saved_);
        SetEnvironmentVariableA("TMP", (folder + "\\").c_str());
    }
    ~TemporaryFolder() { SetEnvironmentVariableA("TMP", saved_[0] ? saved_ : nullptr); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    char saved_[MAX_PATH] = {};
};

class ScratchFolder {
public:
    explicit ScratchFolder(const char* tag) : path_() {
        static int counter = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "ludra_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                std::to_string(++counter);
        RemoveTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};
