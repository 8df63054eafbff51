// A fresh folder under the temporary folder for one Windows test, removed with everything in
// it afterwards.
#pragma once

#include <windows.h>

#include <string>

#include "files.h"

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
