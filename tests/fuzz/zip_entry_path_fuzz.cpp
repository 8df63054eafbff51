// An entry's name as a package could carry it, turned into a path under the folder. Input: the
// name; its length also sizes the output buffer, so every buffer boundary is met.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "install/zip_reader.h"

namespace {
bool IsDevice(std::string stem) {
    stem = stem.substr(0, stem.find('.'));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (char& c : stem)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (stem == device)
            return true;
    }
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '0' &&
           stem[3] <= '9';
}

// A path the unpacker may join to the folder: relative, without drive, stream, device or parent.
void CheckStaysInTheFolder(const std::string& path) {
    Promise(!path.empty() && path.find_first_of("/:<>\"|?*") == std::string::npos, "a path kept a forbidden byte");
    for (const char c : path)
        Promise(static_cast<unsigned char>(c) >= 0x20, "a path kept a control character");
    size_t start = 0;
    while (start <= path.size()) {
        const size_t stop = std::min(path.find('\\', start), path.size());
        const std::string component = path.substr(start, stop - start);
        Promise(!component.empty(), "a path has an empty component (rooted, UNC or doubled)");
        Promise(component.back() != '.' && component.back() != ' ', "a component ends in a dot or a blank");
        Promise(!IsDevice(component), "a component names a device");
        start = stop + 1;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    std::vector<char> roomy = Untouched(size + 2);
    const ZipPathStatus whole = MakeEntryRelativePath(name, roomy.data(), roomy.size());
    Promise(whole != ZipPathStatus::TooLong, "a path longer than its name");
    Promise(Terminated(roomy), "the output is not terminated");
    const std::string path = TextOf(roomy);
    Promise((whole == ZipPathStatus::Ok) != path.empty(), "a refused name left a path, or a taken one none");
    if (whole == ZipPathStatus::Ok)
        CheckStaysInTheFolder(path);

    // The same name against a buffer one byte short of its path, exactly its size, one byte more.
    const size_t outputSize = path.size() + size % 3;
    std::vector<char> exact = Untouched(outputSize);
    const ZipPathStatus cut = MakeEntryRelativePath(name, exact.data(), exact.size());
    const ZipPathStatus expected = whole != ZipPathStatus::Ok ? whole
                                   : path.size() < outputSize ? ZipPathStatus::Ok
                                                              : ZipPathStatus::TooLong;
    Promise(cut == expected, "the buffer's size changed the verdict other than by TooLong");
    Promise(outputSize == 0 || TextOf(exact) == (cut == ZipPathStatus::Ok ? path : ""),
            "a path that does not fit was written cut");
    return 0;
}
