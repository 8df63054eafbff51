// Reads zip archives held in memory: the central directory, stored and deflated entries, data
// descriptors and the CRC-32 check, and turns entry names into safe relative paths. Win32-free;
// every offset and length comes from untrusted data and is checked before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class ZipStatus {
    Ok,
    NotAnArchive, // no end-of-central-directory record, or one that points outside the data
    Corrupt,      // a record or the compressed data does not hold together
    Unsupported,  // encryption, a method other than stored/deflated, ZIP64, spanned archives
    CrcMismatch,
    WriteFailed, // the sink refused the data
    Overlapping, // two entries' local data share bytes, or an entry's data runs into the central directory
    TooLarge,    // the entries declare more bytes than the limit allows
    NoRoom,      // the entries declare more bytes than the free space can take
};

struct ZipEntry {
    std::string name; // as stored: '/' or '\' separated, in the code page its flags give
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t localHeaderOffset = 0;
    bool isDirectory = false;
    bool nameIsUtf8 = false; // general-purpose flag bit 11; otherwise the DOS code page
};

// Receives an entry's data in order, in pieces; returns false to stop the extraction.
class ZipSink {
public:
    virtual bool Write(const unsigned char* data, size_t size) = 0;

protected:
    ~ZipSink() = default;
};

// Lists the entries of the archive in data[0, size) in central-directory order. Every entry's
// local header is checked too: the local records (header, data, descriptor) must each stand
// alone, before the central directory, so that no byte is unpacked twice (Overlapping).
ZipStatus ReadZipDirectory(const unsigned char* data, size_t size, std::vector<ZipEntry>& entries);

// What the files of the entries declare, once unpacked (folders count nothing).
uint64_t DeclaredUnpackedSize(const std::vector<ZipEntry>& entries);

// Room kept free on the folder's volume beyond the declared bytes: a fixed reserve, and a
// cluster's worth per entry for the part of a file's last cluster its data leaves empty.
constexpr uint64_t FreeSpaceReserve = 16ull << 20;
constexpr uint64_t FreeSpacePerEntry = 4096;

// Weighs the entries before anything is written: TooLarge when their declared bytes pass
// sizeLimit, NoRoom when they do not fit freeBytes less the reserve; Ok otherwise.
ZipStatus WeighZipEntries(const std::vector<ZipEntry>& entries, uint64_t sizeLimit, uint64_t freeBytes);

// Decompresses one entry (from ReadZipDirectory on the same data) into sink and checks its
// length and CRC-32. An entry that inflates past its declared size stops before the excess
// reaches the sink (Corrupt). Data already given to the sink is not taken back on failure.
ZipStatus ExtractZipEntry(const unsigned char* data, size_t size, const ZipEntry& entry, ZipSink& sink);

enum class ZipPathStatus {
    Ok,
    Unsafe,  // absolute, a drive or stream (':'), a ".." component, a device name, bad characters
    TooLong, // safe, but the relative path does not fit the output buffer
};

// Turns an entry name into a relative path with '\' separators, "." and empty components
// dropped, and a directory entry's trailing separator removed. An empty result (a name of
// only separators and dots) is Unsafe.
ZipPathStatus MakeEntryRelativePath(const std::string& name, char* output, size_t outputSize);
