// The owner of a WinINet handle.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/unique_handle.h"

struct InternetHandleTraits : NullIsEmpty<HINTERNET> {
    static bool Release(Handle handle) { return InternetCloseHandle(handle) != 0; }
};

using InternetHandle = UniqueHandle<InternetHandleTraits>;
