// Builds small zip archives in memory for the unpacker's tests: stored and deflated entries,
// folders, data descriptors, and the faults a damaged or hostile archive carries. Win32-free.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

// Bytes that deflate cannot shrink, so that an entry of them spans as many 4,096-byte blocks as
// its size says; the same bytes for the same seed.
inline std::string Noise(size_t size, unsigned seed = 47) {
    std::string bytes(size, '\0');
    for (char& next : bytes) {
        seed = seed * 1103515245u + 12345u;
        next = static_cast<char>(seed >> 23);
    }
    return bytes;
}

struct ZipEntryOptions {
    bool dataDescriptor = false;     // sizes and CRC after the data (flag bit 3)
    bool descriptorSignature = true; // the optional PK\7\8 before the descriptor
    uint32_t crcXor = 0;             // a CRC that does not match the content
    uint16_t extraFlags = 0;         // e.g. 1 (encrypted) or 0x800 (UTF-8 name)
    int methodOverride = -1;         // a method number written instead of the real one
    int64_t declaredSize = -1;       // an uncompressed size written instead of the real one
    std::string localExtra;          // an extra field in the local header only, as writers add
};

class ZipBuilder {
public:
    enum Method : uint16_t { Stored = 0, Deflated = 8 };

    using Options = ZipEntryOptions;

    ZipBuilder& Add(const std::string& name, const std::string& content, Method method = Deflated,
                    const Options& options = Options()) {
        Item item;
        item.name = name;
        item.size = options.declaredSize >= 0 ? static_cast<uint32_t>(options.declaredSize)
                                              : static_cast<uint32_t>(content.size());
        item.crc = static_cast<uint32_t>(
                       crc32(0L, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()))) ^
                   options.crcXor;
        item.data = method == Deflated ? DeflateRaw(content) : content;
        item.method =
            options.methodOverride >= 0 ? static_cast<uint16_t>(options.methodOverride) : static_cast<uint16_t>(method);
        item.flags = static_cast<uint16_t>(options.extraFlags | (options.dataDescriptor ? 0x0008 : 0));
        item.descriptor = options.dataDescriptor;
        item.descriptorSignature = options.descriptorSignature;
        item.localExtra = options.localExtra;
        items_.push_back(item);
        return *this;
    }

    ZipBuilder& AddDirectory(const std::string& name) { return Add(name, std::string(), Stored); }

    // A central record under another name for the local record of an earlier entry (by its
    // index), shifted by offsetShift bytes: entries that share their data.
    ZipBuilder& AddAlias(const std::string& name, size_t index, uint32_t offsetShift = 0) {
        Item item = items_.at(index);
        item.name = name;
        item.aliasOf = static_cast<int>(index);
        item.offsetShift = offsetShift;
        items_.push_back(item);
        return *this;
    }

    std::string Build(const std::string& comment = std::string()) const {
        std::string out;
        std::vector<uint32_t> offsets;
        for (const Item& item : items_) {
            if (item.aliasOf >= 0) {
                offsets.push_back(offsets.at(static_cast<size_t>(item.aliasOf)) + item.offsetShift);
                continue;
            }
            offsets.push_back(static_cast<uint32_t>(out.size()));
            PutLocalEntry(out, item);
        }
        const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
        for (size_t i = 0; i < items_.size(); ++i)
            PutCentralEntry(out, items_[i], offsets[i]);
        const uint32_t directorySize = static_cast<uint32_t>(out.size()) - directoryOffset;
        Put32(out, 0x06054b50);
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, static_cast<uint16_t>(items_.size()));
        Put16(out, static_cast<uint16_t>(items_.size()));
        Put32(out, directorySize);
        Put32(out, directoryOffset);
        Put16(out, static_cast<uint16_t>(comment.size()));
        out += comment;
        return out;
    }

    // Z_SYNC_FLUSH instead of Z_FINISH gives all of the content's stream but its end.
    static std::string DeflateRaw(const std::string& content, int flush = Z_FINISH) {
        z_stream stream = {};
        deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&stream, static_cast<uLong>(content.size())) + 16, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
        stream.avail_in = static_cast<uInt>(content.size());
        stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
        stream.avail_out = static_cast<uInt>(out.size());
        deflate(&stream, flush);
        out.resize(stream.total_out);
        deflateEnd(&stream);
        return out;
    }

private:
    struct Item {
        std::string name;
        std::string data;
        std::string localExtra;
        uint32_t crc = 0;
        uint32_t size = 0;
        uint16_t method = 0;
        uint16_t flags = 0;
        bool descriptor = false;
        bool descriptorSignature = true;
        int aliasOf = -1;
        uint32_t offsetShift = 0;
    };

    static void Put16(std::string& out, uint16_t value) {
        out += static_cast<char>(value & 0xFF);
        out += static_cast<char>(value >> 8);
    }
    static void Put32(std::string& out, uint32_t value) {
        Put16(out, static_cast<uint16_t>(value & 0xFFFF));
        Put16(out, static_cast<uint16_t>(value >> 16));
    }

    // Local header, name, extra field and data, then the descriptor when the entry has one.
    static void PutLocalEntry(std::string& out, const Item& item) {
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, item.flags);
        Put16(out, item.method);
        Put32(out, 0); // time and date
        Put32(out, item.descriptor ? 0 : item.crc);
        Put32(out, item.descriptor ? 0 : static_cast<uint32_t>(item.data.size()));
        Put32(out, item.descriptor ? 0 : item.size);
        Put16(out, static_cast<uint16_t>(item.name.size()));
        Put16(out, static_cast<uint16_t>(item.localExtra.size()));
        out += item.name;
        out += item.localExtra;
        out += item.data;
        if (item.descriptor) {
            if (item.descriptorSignature)
                Put32(out, 0x08074b50);
            Put32(out, item.crc);
            Put32(out, static_cast<uint32_t>(item.data.size()));
            Put32(out, item.size);
        }
    }

    static void PutCentralEntry(std::string& out, const Item& item, uint32_t localOffset) {
        Put32(out, 0x02014b50);
        Put16(out, 20);
        Put16(out, 20);
        Put16(out, item.flags);
        Put16(out, item.method);
        Put32(out, 0);
        Put32(out, item.crc);
        Put32(out, static_cast<uint32_t>(item.data.size()));
        Put32(out, item.size);
        Put16(out, static_cast<uint16_t>(item.name.size()));
        Put16(out, 0); // extra
        Put16(out, 0); // comment
        Put16(out, 0); // disk
        Put16(out, 0); // internal attributes
        Put32(out, 0); // external attributes
        Put32(out, localOffset);
        out += item.name;
    }

    std::vector<Item> items_;
};
