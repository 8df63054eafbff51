// Downloads the product package into the installation folder, unpacks it and deletes it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "install/signature_check.h"
#include "install/unzip.h"

constexpr DWORD PackageSize = 39057124;
constexpr size_t PackagePathSize = 260;

extern char PackagePath[PackagePathSize];

// Results of DownloadDemoPackage.
constexpr int DownloadSucceeded = 0;
constexpr int DownloadFailed = -1;  // its own message already shown
constexpr int UnpackingFailed = -2; // no message of its own; the package is deleted
constexpr int PackageRefused = -3;  // not the build's package: the download message, the package deleted

// 0: received and unpacked; non-zero: failed or cancelled. Downloads from LUDRA_PACKAGE_URL and,
// when the build names one, checks the package against LUDRA_PACKAGE_SHA256 before unpacking it.
// A body that stops short of its announced length is asked for again from where it stopped. A
// package announced or grown past packageLimit, or past the free space of the folder's volume
// less the unpacking's reserve, is refused and its file deleted. Every failure leaves its trail.
int DownloadDemoPackage(HWND owner, const char* folder);
// The same step from any URL; expectedSha256 null or empty checks nothing, nor do no keys. With
// keys, the package must end in a signature (in its zip comment) by one of them.
int DownloadPackageFrom(HWND owner, const char* folder, const char* url, const char* expectedSha256 = nullptr,
                        uint64_t packageLimit = PackageSizeLimit, const PackageKey* keys = nullptr,
                        size_t keyCount = 0);
