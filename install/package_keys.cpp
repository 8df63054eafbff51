// The built-in keys, from the header the build generates. A unit of its own, so that a program
// can be linked with other keys (the tests' signed build) without compiling the download again.
#include "install/package_keys.h"

#include "package_key_table.h"

const PackageKey* const BuiltInPackageKeys = PackageKeys;
const size_t BuiltInPackageKeyCount = PackageKeyCount;
