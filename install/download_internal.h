// The download's parts that only the tests call: the request opened on the calling thread, and a
// transfer from a request the caller opened.
#pragma once

#include <windows.h>
#include <wininet.h>

// 1 when the URL is open and the server answered 200 (an https URL also stayed on https through
// any redirect), 0 otherwise. Each handle is stored as soon as it exists, so the caller closes it
// on failure too; the connection between them is a child of the root and closes with it. Blocks
// the calling thread (for at most the no-data limit per wait).
int OpenPackageUrl(const char* url, HINTERNET* root, HINTERNET* request);
// 1 when the whole body reached the file; 0 when no transfer block could be had, the user
// cancelled, a read or a write failed, no data came within the no-data limit, or the body ended
// before its Content-Length. The reads run on a worker thread while this thread pumps.
int CopyUrlToFile(HINTERNET request, HANDLE file, DWORD expectedSize);
