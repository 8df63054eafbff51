// Zip archive reading for the built-in unpacker: end-of-central-directory search, central
// directory, local headers, stored and deflated data, data descriptors, CRC-32; and the rules
// that keep an entry's name inside the folder it is unpacked into.
#include "install/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace {
constexpr uint32_t EndOfDirectorySignature = 0x06054b50;
constexpr uint32_t CentralHeaderSignature = 0x02014b50;
constexpr uint32_t LocalHeaderSignature = 0x04034b50;
constexpr uint32_t DataDescriptorSignature = 0x08074b50;
constexpr size_t EndOfDirectorySize = 22;
constexpr size_t CentralHeaderSize = 46;
constexpr size_t LocalHeaderSize = 30;
constexpr size_t DescriptorSize = 12;
constexpr size_t DescriptorSignatureSize = 4;
constexpr size_t MaxCommentLength = 0xFFFF;

constexpr uint16_t FlagEncrypted = 0x0001;
constexpr uint16_t FlagDataDescriptor = 0x0008;
constexpr uint16_t FlagStrongEncryption = 0x0040;
constexpr uint16_t FlagUtf8Name = 0x0800;
constexpr uint16_t MethodStored = 0;
constexpr uint16_t MethodDeflated = 8;
// A count or size with every bit set means "see the ZIP64 record".
constexpr uint16_t Zip64Count = 0xFFFF;
constexpr uint32_t Zip64Value = 0xFFFFFFFF;

constexpr size_t OutputChunkSize = size_t{64} * 1024;
constexpr int RawDeflateWindowBits = -15;

uint16_t Read16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Read32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// True when [offset, offset + length) lies inside [0, limit).
bool Fits(uint64_t offset, uint64_t length, uint64_t limit) {
    return offset <= limit && length <= limit - offset;
}

struct EndOfDirectory {
    size_t offset = 0;
    uint16_t entryCount = 0;
    uint32_t directorySize = 0;
    uint32_t directoryOffset = 0;
};

// The record is searched backwards from the end, over the largest comment it can have.
ZipStatus FindEndOfDirectory(const unsigned char* data, size_t size, EndOfDirectory& end) {
    if (!data || size < EndOfDirectorySize)
        return ZipStatus::NotAnArchive;
    const size_t last = size - EndOfDirectorySize;
    const size_t first = last > MaxCommentLength ? last - MaxCommentLength : 0;
    for (size_t at = last + 1; at-- > first;) {
        const unsigned char* record = data + at;
        if (Read32(record) != EndOfDirectorySignature)
            continue;
        if (!Fits(at + EndOfDirectorySize, Read16(record + 20), size))
            continue;
        const uint16_t disk = Read16(record + 4);
        const uint16_t directoryDisk = Read16(record + 6);
        const uint16_t entriesHere = Read16(record + 8);
        end.offset = at;
        end.entryCount = Read16(record + 10);
        end.directorySize = Read32(record + 12);
        end.directoryOffset = Read32(record + 16);
        if (end.entryCount == Zip64Count || end.directorySize == Zip64Value || end.directoryOffset == Zip64Value)
            return ZipStatus::Unsupported;
        if (disk != 0 || directoryDisk != 0 || entriesHere != end.entryCount)
            return ZipStatus::Unsupported;
        if (!Fits(end.directoryOffset, end.directorySize, end.offset))
            return ZipStatus::NotAnArchive;
        return ZipStatus::Ok;
    }
    return ZipStatus::NotAnArchive;
}

ZipStatus ReadCentralHeader(const unsigned char* data, size_t& at, size_t directoryEnd, uint32_t directoryOffset,
                            ZipEntry& entry) {
    if (!Fits(at, CentralHeaderSize, directoryEnd))
        return ZipStatus::Corrupt;
    const unsigned char* header = data + at;
    if (Read32(header) != CentralHeaderSignature)
        return ZipStatus::Corrupt;
    const size_t nameLength = Read16(header + 28);
    const size_t extraLength = Read16(header + 30);
    const size_t commentLength = Read16(header + 32);
    const size_t recordSize = CentralHeaderSize + nameLength + extraLength + commentLength;
    if (nameLength == 0 || !Fits(at, recordSize, directoryEnd))
        return ZipStatus::Corrupt;

    entry.flags = Read16(header + 8);
    entry.method = Read16(header + 10);
    entry.crc = Read32(header + 16);
    entry.compressedSize = Read32(header + 20);
    entry.uncompressedSize = Read32(header + 24);
    entry.localHeaderOffset = Read32(header + 42);
    entry.name.assign(reinterpret_cast<const char*>(header + CentralHeaderSize), nameLength);
    entry.nameIsUtf8 = (entry.flags & FlagUtf8Name) != 0;
    const char lastChar = entry.name.back();
    entry.isDirectory = lastChar == '/' || lastChar == '\\';
    at += recordSize;

    if (entry.flags & (FlagEncrypted | FlagStrongEncryption))
        return ZipStatus::Unsupported;
    if (entry.method != MethodStored && entry.method != MethodDeflated)
        return ZipStatus::Unsupported;
    if (entry.compressedSize == Zip64Value || entry.uncompressedSize == Zip64Value ||
        entry.localHeaderOffset == Zip64Value || Read16(header + 34) != 0)
        return ZipStatus::Unsupported;
    // Every entry's data lies before the central directory.
    if (!Fits(entry.localHeaderOffset, LocalHeaderSize, directoryOffset))
        return ZipStatus::Corrupt;
    return ZipStatus::Ok;
}

// The local header repeats the CRC and sizes (zeros when a descriptor follows the data): a header
// that names others would let another unpacker reading the local records take different files out
// of the same package.
bool LocalHeaderAgrees(const unsigned char* header, const ZipEntry& entry) {
    const int descriptorFlag = entry.flags & FlagDataDescriptor;
    if ((Read16(header + 6) & FlagDataDescriptor) != descriptorFlag)
        return false;
    const uint32_t recorded[] = {entry.crc, entry.compressedSize, entry.uncompressedSize};
    for (size_t i = 0; i < 3; ++i) {
        const uint32_t local = Read32(header + 14 + 4 * i);
        if (local != recorded[i] && !(descriptorFlag != 0 && local == 0))
            return false;
    }
    return true;
}

// Checks the local header and finds where the entry's compressed data starts.
ZipStatus LocateEntryData(const unsigned char* data, size_t size, const ZipEntry& entry, size_t& dataStart) {
    const size_t at = entry.localHeaderOffset;
    if (!Fits(at, LocalHeaderSize, size))
        return ZipStatus::Corrupt;
    const unsigned char* header = data + at;
    if (Read32(header) != LocalHeaderSignature || Read16(header + 8) != entry.method ||
        !LocalHeaderAgrees(header, entry))
        return ZipStatus::Corrupt;
    const size_t variable = static_cast<size_t>(Read16(header + 26)) + Read16(header + 28);
    if (!Fits(at, LocalHeaderSize + variable, size))
        return ZipStatus::Corrupt;
    dataStart = at + LocalHeaderSize + variable;
    if (!Fits(dataStart, entry.compressedSize, size))
        return ZipStatus::Corrupt;
    return ZipStatus::Ok;
}

// With flag bit 3 the sizes and CRC follow the data (the central directory has them too): the
// descriptor must be there and agree on all three, or another unpacker reading the local records
// would take different files out of the same package.
ZipStatus CheckDataDescriptor(const unsigned char* data, size_t size, const ZipEntry& entry, size_t dataEnd) {
    if (!(entry.flags & FlagDataDescriptor))
        return ZipStatus::Ok;
    if (!Fits(dataEnd, 4, size))
        return ZipStatus::Corrupt;
    size_t crcAt = dataEnd;
    if (Read32(data + dataEnd) == DataDescriptorSignature)
        crcAt += 4;
    if (!Fits(crcAt, 12, size))
        return ZipStatus::Corrupt;
    const unsigned char* descriptor = data + crcAt;
    const bool agrees = Read32(descriptor) == entry.crc && Read32(descriptor + 4) == entry.compressedSize &&
                        Read32(descriptor + 8) == entry.uncompressedSize;
    return agrees ? ZipStatus::Ok : ZipStatus::Corrupt;
}

// The bytes a descriptor after the data takes: 16 with its optional signature, 12 without.
size_t DescriptorLength(const unsigned char* data, size_t size, const ZipEntry& entry, size_t dataEnd) {
    if (!(entry.flags & FlagDataDescriptor))
        return 0;
    if (Fits(dataEnd, DescriptorSignatureSize, size) && Read32(data + dataEnd) == DataDescriptorSignature)
        return DescriptorSignatureSize + DescriptorSize;
    return DescriptorSize;
}

struct ByteRange {
    uint64_t begin;
    uint64_t end;
};

// Each entry's local record must lie before the central directory, and no two may share a
// byte: one deflated record listed many times would otherwise be unpacked many times.
ZipStatus CheckLocalRecords(const unsigned char* data, size_t size, const std::vector<ZipEntry>& entries,
                            uint32_t directoryOffset) {
    std::vector<ByteRange> ranges;
    ranges.reserve(entries.size());
    for (const ZipEntry& entry : entries) {
        size_t dataStart = 0;
        const ZipStatus located = LocateEntryData(data, size, entry, dataStart);
        if (located != ZipStatus::Ok)
            return located;
        const uint64_t dataEnd = static_cast<uint64_t>(dataStart) + entry.compressedSize;
        const uint64_t end = dataEnd + DescriptorLength(data, size, entry, static_cast<size_t>(dataEnd));
        if (end > directoryOffset)
            return ZipStatus::Overlapping;
        ranges.push_back(ByteRange{entry.localHeaderOffset, end});
    }
    std::sort(ranges.begin(), ranges.end(), [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
    for (size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].begin < ranges[i - 1].end)
            return ZipStatus::Overlapping;
    }
    return ZipStatus::Ok;
}

ZipStatus CopyStored(const unsigned char* source, const ZipEntry& entry, ZipSink& sink, uLong& crc) {
    if (entry.compressedSize != entry.uncompressedSize)
        return ZipStatus::Corrupt;
    size_t done = 0;
    while (done < entry.uncompressedSize) {
        const size_t left = entry.uncompressedSize - done;
        const size_t piece = left < OutputChunkSize ? left : OutputChunkSize;
        crc = crc32(crc, source + done, static_cast<uInt>(piece));
        if (!sink.Write(source + done, piece))
            return ZipStatus::WriteFailed;
        done += piece;
    }
    return ZipStatus::Ok;
}

class InflateStream {
public:
    InflateStream() : stream_(), ready_(false) { ready_ = inflateInit2(&stream_, RawDeflateWindowBits) == Z_OK; }
    ~InflateStream() {
        if (ready_)
            inflateEnd(&stream_);
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool ready() const { return ready_; }
    z_stream& get() { return stream_; }

private:
    z_stream stream_;
    bool ready_;
};

ZipStatus Inflate(const unsigned char* source, const ZipEntry& entry, ZipSink& sink, uLong& crc) {
    InflateStream inflater;
    if (!inflater.ready())
        return ZipStatus::Corrupt;
    z_stream& stream = inflater.get();
    // zlib does not write through next_in; the cast only meets its older non-const signature.
    stream.next_in = const_cast<Bytef*>(source);
    stream.avail_in = entry.compressedSize;
    // No larger than the entry (small files are the common case), and not zero-filled: every
    // byte the sink sees was written by inflate. One byte at least, for an empty entry's end.
    const size_t chunkSize = std::max<size_t>(1, std::min<size_t>(entry.uncompressedSize, OutputChunkSize));
    std::unique_ptr<unsigned char[]> chunk(new unsigned char[chunkSize]);
    uint64_t total = 0;
    for (;;) {
        stream.next_out = chunk.get();
        stream.avail_out = static_cast<uInt>(chunkSize);
        // Z_FINISH: an entry that ends within this output needs no sliding window.
        const int result = inflate(&stream, Z_FINISH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            return ZipStatus::Corrupt;
        const size_t produced = chunkSize - stream.avail_out;
        total += produced;
        // Past the declared size: nothing of the excess reaches the sink.
        if (total > entry.uncompressedSize)
            return ZipStatus::Corrupt;
        if (produced > 0) {
            crc = crc32(crc, chunk.get(), static_cast<uInt>(produced));
            if (!sink.Write(chunk.get(), produced))
                return ZipStatus::WriteFailed;
        }
        if (result == Z_STREAM_END)
            break;
        // No output room was the limit, so no progress means the input ran out mid-stream.
        if (produced == 0)
            return ZipStatus::Corrupt;
    }
    return total == entry.uncompressedSize ? ZipStatus::Ok : ZipStatus::Corrupt;
}

bool IsUnsafeChar(unsigned char c) {
    return c < 0x20 || std::strchr("<>\"|?*:", c) != nullptr;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualsIgnoreCase(const char* text, size_t length, const char* word) {
    if (std::strlen(word) != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (AsciiUpper(text[i]) != word[i])
            return false;
    }
    return true;
}

// CON, NUL, COM1 and the like name devices in every folder, with any extension.
bool IsDeviceName(const char* component, size_t length) {
    size_t base = 0;
    while (base < length && component[base] != '.')
        ++base;
    while (base > 0 && component[base - 1] == ' ')
        --base;
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices) {
        if (EqualsIgnoreCase(component, base, device))
            return true;
    }
    if (base == 4 && component[3] >= '0' && component[3] <= '9')
        return EqualsIgnoreCase(component, 3, "COM") || EqualsIgnoreCase(component, 3, "LPT");
    return false;
}

// "..", names of dots and spaces only, and names that end in a dot or a space (the platform
// strips those, so the name written would not be the name checked).
bool IsUnsafeComponent(const char* component, size_t length) {
    const char lastChar = component[length - 1];
    if (lastChar == '.' || lastChar == ' ')
        return true;
    return IsDeviceName(component, length);
}
} // namespace

ZipStatus ReadZipDirectory(const unsigned char* data, size_t size, std::vector<ZipEntry>& entries) {
    entries.clear();
    EndOfDirectory end;
    const ZipStatus found = FindEndOfDirectory(data, size, end);
    if (found != ZipStatus::Ok)
        return found;
    const size_t directoryEnd = static_cast<size_t>(end.directoryOffset) + end.directorySize;
    if (static_cast<uint64_t>(end.entryCount) * CentralHeaderSize > end.directorySize)
        return ZipStatus::Corrupt;
    entries.reserve(end.entryCount);
    size_t at = end.directoryOffset;
    for (unsigned i = 0; i < end.entryCount; ++i) {
        ZipEntry entry;
        const ZipStatus status = ReadCentralHeader(data, at, directoryEnd, end.directoryOffset, entry);
        if (status != ZipStatus::Ok) {
            entries.clear();
            return status;
        }
        entries.push_back(std::move(entry));
    }
    const ZipStatus records = CheckLocalRecords(data, size, entries, end.directoryOffset);
    if (records != ZipStatus::Ok)
        entries.clear();
    return records;
}

uint64_t DeclaredUnpackedSize(const std::vector<ZipEntry>& entries) {
    uint64_t total = 0;
    for (const ZipEntry& entry : entries) {
        if (!entry.isDirectory)
            total += entry.uncompressedSize;
    }
    return total;
}

ZipStatus WeighZipEntries(const std::vector<ZipEntry>& entries, uint64_t sizeLimit, uint64_t freeBytes) {
    const uint64_t declared = DeclaredUnpackedSize(entries);
    if (declared > sizeLimit)
        return ZipStatus::TooLarge;
    // At most 65,535 entries of at most 4 GiB each: the sum cannot wrap.
    const uint64_t needed = declared + FreeSpaceReserve + FreeSpacePerEntry * entries.size();
    return needed > freeBytes ? ZipStatus::NoRoom : ZipStatus::Ok;
}

ZipStatus ExtractZipEntry(const unsigned char* data, size_t size, const ZipEntry& entry, ZipSink& sink) {
    if (entry.isDirectory)
        return ZipStatus::Ok;
    size_t dataStart = 0;
    ZipStatus status = LocateEntryData(data, size, entry, dataStart);
    if (status != ZipStatus::Ok)
        return status;
    status = CheckDataDescriptor(data, size, entry, dataStart + entry.compressedSize);
    if (status != ZipStatus::Ok)
        return status;
    uLong crc = crc32(0L, Z_NULL, 0);
    status = entry.method == MethodStored ? CopyStored(data + dataStart, entry, sink, crc)
                                          : Inflate(data + dataStart, entry, sink, crc);
    if (status != ZipStatus::Ok)
        return status;
    return crc == entry.crc ? ZipStatus::Ok : ZipStatus::CrcMismatch;
}

ZipPathStatus MakeEntryRelativePath(const std::string& name, char* output, size_t outputSize) {
    if (outputSize > 0)
        output[0] = '\0';
    // A leading separator is a rooted or UNC path.
    if (name.empty() || IsSeparator(name[0]))
        return ZipPathStatus::Unsafe;
    for (const char c : name) {
        if (IsUnsafeChar(static_cast<unsigned char>(c)))
            return ZipPathStatus::Unsafe;
    }
    std::string relative;
    size_t start = 0;
    while (start < name.size()) {
        size_t stop = start;
        while (stop < name.size() && !IsSeparator(name[stop]))
            ++stop;
        const char* component = name.data() + start;
        const size_t length = stop - start;
        start = stop + 1;
        if (length == 0 || (length == 1 && component[0] == '.'))
            continue;
        if (IsUnsafeComponent(component, length))
            return ZipPathStatus::Unsafe;
        if (!relative.empty())
            relative += '\\';
        relative.append(component, length);
    }
    if (relative.empty())
        return ZipPathStatus::Unsafe;
    if (relative.size() >= outputSize)
        return ZipPathStatus::TooLong;
    std::memcpy(output, relative.c_str(), relative.size() + 1);
    return ZipPathStatus::Ok;
}
