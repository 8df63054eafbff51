// The vendor's public keys the program is built with (LUDRA_PACKAGE_KEYS): a package must carry
// the signature of one of them. With none, packages are not checked for a signature.
#pragma once

#include <cstddef>

#include "install/signature_check.h"

extern const PackageKey* const BuiltInPackageKeys;
extern const size_t BuiltInPackageKeyCount;
