// The port of the package URL the program under test was built with (http://127.0.0.1:PORT/...),
// where the end-to-end tests serve the package.
#pragma once

#include <cstdlib>
#include <string>

#include "package_url.h"

inline unsigned short PackagePort() {
    const std::string url = LUDRA_PACKAGE_URL;
    const size_t colon = url.find(':', url.find("//") + 2);
    return colon == std::string::npos ? 80 : static_cast<unsigned short>(std::atoi(url.c_str() + colon + 1));
}
