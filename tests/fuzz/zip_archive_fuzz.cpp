// The package as a server could send it: the directory is read and every listed entry unpacked
// into a sink that counts what it is given. Input: the whole archive.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "install/zip_reader.h"

namespace {
class CheckingSink : public ZipSink {
public:
    bool Write(const unsigned char* data, size_t size) override {
        bytes += size;
        crc = crc32(crc, data, static_cast<uInt>(size));
        return true;
    }
    uint64_t bytes = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
};

// Where the entry's local header, name, extra field and data end (a descriptor may follow).
uint64_t LocalRecordEnd(const std::vector<unsigned char>& archive, const ZipEntry& entry) {
    const unsigned char* header = archive.data() + entry.localHeaderOffset;
    const auto read16 = [header](size_t at) { return uint64_t{header[at]} | uint64_t{header[at + 1]} << 8; };
    return uint64_t{entry.localHeaderOffset} + 30 + read16(26) + read16(28) + entry.compressedSize;
}

// No byte of the archive belongs to two entries, so nothing is unpacked twice.
void CheckRecordsApart(const std::vector<unsigned char>& archive, std::vector<ZipEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const ZipEntry& a, const ZipEntry& b) { return a.localHeaderOffset < b.localHeaderOffset; });
    for (size_t i = 0; i < entries.size(); ++i) {
        Promise(LocalRecordEnd(archive, entries[i]) <= archive.size(), "an entry's data runs past the archive");
        if (i > 0)
            Promise(LocalRecordEnd(archive, entries[i - 1]) <= entries[i].localHeaderOffset, "two entries share bytes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<unsigned char> archive(data, data + size);
    std::vector<ZipEntry> entries;
    if (ReadZipDirectory(archive.data(), archive.size(), entries) != ZipStatus::Ok) {
        Promise(entries.empty(), "a refused archive listed entries");
        return 0;
    }
    CheckRecordsApart(archive, entries);
    for (const ZipEntry& entry : entries) {
        CheckingSink sink;
        const ZipStatus status = ExtractZipEntry(archive.data(), archive.size(), entry, sink);
        Promise(sink.bytes <= entry.uncompressedSize, "an entry gave more bytes than it declares");
        Promise(status != ZipStatus::Ok || entry.isDirectory ||
                    (sink.bytes == entry.uncompressedSize && sink.crc == entry.crc),
                "an entry was unpacked whole with the wrong length or CRC");
    }
    return 0;
}
