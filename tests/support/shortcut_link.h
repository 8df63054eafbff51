// A shortcut file read back through the shell link object, as Explorer reads it. The caller
// initialises COM on its thread.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "files.h"

struct LinkFields {
    HRESULT loaded; // E_FAIL when the shell link object could not be made
    std::string path, workingFolder, description;
};

template <class Interface> class Released {
public:
    Released() = default;
    ~Released() {
        if (ptr_)
            ptr_->Release();
    }
    Released(const Released&) = delete;
    Released& operator=(const Released&) = delete;

    Interface* get() const { return ptr_; }
    void** out() { return reinterpret_cast<void**>(&ptr_); }

private:
    Interface* ptr_ = nullptr;
};

inline LinkFields ReadLink(const std::string& file) {
    LinkFields fields = {E_FAIL, "", "", ""};
    Released<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())))
        return fields;
    Released<IPersistFile> persist;
    if (FAILED(link.get()->QueryInterface(IID_IPersistFile, persist.out())))
        return fields;
    fields.loaded = persist.get()->Load(Widen(file).c_str(), STGM_READ);
    char text[MAX_PATH] = {};
    link.get()->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    fields.path = text;
    link.get()->GetWorkingDirectory(text, sizeof text);
    fields.workingFolder = text;
    link.get()->GetDescription(text, sizeof text);
    fields.description = text;
    return fields;
}
