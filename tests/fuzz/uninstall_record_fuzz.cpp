// The uninstall record as a stranger could leave it in the folder. Its promises: a refused record
// is empty; every path of an accepted one is already a safe entry path, so none leaves the folder;
// the shortcut and group keep their rules; and what was accepted is written and read back as is.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "install/uninstall_record.h"
#include "install/zip_reader.h"

namespace {
void CheckStaysInTheFolder(const RecordedFile& file) {
    const std::string path = file.path.data();
    char again[RecordPathSize];
    Promise(MakeEntryRelativePath(path, again, sizeof again) == ZipPathStatus::Ok && path == again,
            "an accepted path is not a safe entry path as it stands");
    Promise(("\\" + path + "\\").find("\\..\\") == std::string::npos, "an accepted path climbs out with ..");
    Promise(RecordedFileUnchanged(file, file.size, file.sha256.data()), "a file as recorded is taken for changed");
}

void CheckShortcutAndGroup(const UninstallRecord& record) {
    const std::string shortcut = record.shortcut.data();
    Promise(shortcut.empty() ||
                (shortcut.compare(1, 2, ":\\") == 0 && (shortcut + "\\").find("\\..\\") == std::string::npos),
            "the shortcut is not an absolute path without ..");
    Promise(std::strpbrk(record.group.data(), "\"[]()\r\n") == nullptr, "the group name can end the DDE command");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly the input's bytes, so a read past the end is AddressSanitizer's to see.
    const std::vector<char> text(data, data + size);
    UninstallRecord record;
    const RecordStatus status = ReadUninstallRecord(text.data(), text.size(), &record);
    if (status != RecordStatus::Ok) {
        Promise(record.files.empty() && record.shortcut[0] == '\0' && record.group[0] == '\0',
                "a refused record left something to remove");
        return 0;
    }
    for (const RecordedFile& file : record.files)
        CheckStaysInTheFolder(file);
    CheckShortcutAndGroup(record);
    // LF lines grow by a byte each when written with CRLF: only a text well inside the limit.
    std::string written;
    Promise(size > RecordTextLimit / 2 || WriteUninstallRecord(record, &written), "an accepted record is not written");
    return 0;
}
