// A shortcut file read back through the shell link object, as Explorer reads it. The caller
// initialises COM on its thread.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "base/com_handles.h"
#include "files.h"

struct LinkFields {
    HRESULT loaded; // E_FAIL when the shell link object could not be made
    std::string path, workingFolder, description;
};

inline LinkFields ReadLink(const std::wstring& file) {
    LinkFields fields = {E_FAIL, "", "", ""};
    ComRef<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.outVoid())))
        return fields;
    ComRef<IPersistFile> persist;
    if (FAILED(link->QueryInterface(IID_IPersistFile, persist.outVoid())))
        return fields;
    fields.loaded = persist->Load(file.c_str(), STGM_READ);
    char text[MAX_PATH] = {};
    link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    fields.path = text;
    link->GetWorkingDirectory(text, sizeof text);
    fields.workingFolder = text;
    link->GetDescription(text, sizeof text);
    fields.description = text;
    return fields;
}

inline LinkFields ReadLink(const std::string& file) {
    return ReadLink(Widen(file));
}
