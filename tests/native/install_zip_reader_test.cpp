// The zip reader on well-formed, damaged and hostile archives, and the entry-name rules.
#include "install/zip_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "../support/zip_builder.h"

namespace {

class StringSink : public ZipSink {
public:
    bool Write(const unsigned char* data, size_t size) override {
        text.append(reinterpret_cast<const char*>(data), size);
        return text.size() <= limit;
    }
    std::string text;
    size_t limit = static_cast<size_t>(-1);
};

const unsigned char* Bytes(const std::string& archive) {
    return reinterpret_cast<const unsigned char*>(archive.data());
}

// From a copy of exactly the archive's size: the sanitizers see a read one byte past its end.
ZipStatus ReadAll(const std::string& archive, std::vector<ZipEntry>& entries) {
    const std::vector<unsigned char> exact(archive.begin(), archive.end());
    return ReadZipDirectory(exact.data(), exact.size(), entries);
}

ZipStatus ExtractText(const std::string& archive, const ZipEntry& entry, std::string& text) {
    StringSink sink;
    const ZipStatus status = ExtractZipEntry(Bytes(archive), archive.size(), entry, sink);
    text = sink.text;
    return status;
}

std::string Repeated(const std::string& piece, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += piece + std::to_string(i % 97);
    return text;
}

// The only entry of an archive of one entry; fails the test when the directory is unreadable.
ZipStatus ExtractSingle(const std::string& archive, std::string& text) {
    std::vector<ZipEntry> entries;
    const ZipStatus listed = ReadAll(archive, entries);
    if (listed != ZipStatus::Ok)
        return listed;
    EXPECT_EQ(entries.size(), 1u);
    return ExtractText(archive, entries.at(0), text);
}

TEST(ZipReader, ListsEntriesInDirectoryOrderWithFoldersMarked) {
    ZipBuilder::Options utf8;
    utf8.extraFlags = 0x0800;
    const std::string archive = ZipBuilder()
                                    .AddDirectory("DOC/")
                                    .Add("DOC/MANUALE.TXT", "manuale", ZipBuilder::Stored)
                                    .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n", ZipBuilder::Deflated)
                                    .Add("caff\xc3\xa8.txt", "x", ZipBuilder::Stored, utf8)
                                    .Build("a comment at the end");
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadAll(archive, entries), ZipStatus::Ok);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "DOC/");
    EXPECT_TRUE(entries[0].isDirectory);
    EXPECT_EQ(entries[1].name, "DOC/MANUALE.TXT");
    EXPECT_FALSE(entries[1].isDirectory);
    EXPECT_EQ(entries[2].method, 8);
    EXPECT_EQ(entries[2].uncompressedSize, 20u);
    EXPECT_FALSE(entries[2].nameIsUtf8);
    EXPECT_TRUE(entries[3].nameIsUtf8);
}

TEST(ZipReader, ExtractsStoredDeflatedAndDescriptorEntriesExactly) {
    const std::string big = Repeated("LUDRA 4.7 ", 20000); // several output chunks
    ZipBuilder::Options descriptor;
    descriptor.dataDescriptor = true;
    ZipBuilder::Options bareDescriptor = descriptor;
    bareDescriptor.descriptorSignature = false;
    ZipBuilder::Options timestamp;
    timestamp.localExtra = std::string("UT\x05\0\x01", 5) + "time";
    const std::string archive = ZipBuilder()
                                    .Add("stored.txt", "stored text", ZipBuilder::Stored)
                                    .Add("big.txt", big, ZipBuilder::Deflated)
                                    .Add("described.txt", big, ZipBuilder::Deflated, descriptor)
                                    .Add("bare.txt", "no signature", ZipBuilder::Stored, bareDescriptor)
                                    .Add("empty.txt", "", ZipBuilder::Deflated)
                                    .Add("stamped.txt", "after the extra field", ZipBuilder::Stored, timestamp)
                                    .Build();
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadAll(archive, entries), ZipStatus::Ok);
    ASSERT_EQ(entries.size(), 6u);
    const std::string expected[] = {"stored text", big, big, "no signature", "", "after the extra field"};
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string text;
        EXPECT_EQ(ExtractText(archive, entries[i], text), ZipStatus::Ok) << entries[i].name;
        EXPECT_EQ(text, expected[i]) << entries[i].name;
    }
}

TEST(ZipReader, EmptyArchiveHasNoEntries) {
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadAll(ZipBuilder().Build(), entries), ZipStatus::Ok);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(ReadAll(ZipBuilder().Build(std::string(300, 'c')), entries), ZipStatus::Ok);
    EXPECT_TRUE(entries.empty());
}

TEST(ZipReader, WhatIsNoArchiveIsRejected) {
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadZipDirectory(nullptr, 0, entries), ZipStatus::NotAnArchive);
    EXPECT_EQ(ReadAll("", entries), ZipStatus::NotAnArchive);
    EXPECT_EQ(ReadAll("<html><body>404 Not Found</body></html>", entries), ZipStatus::NotAnArchive);
    EXPECT_EQ(ReadAll("PK\x05\x06", entries), ZipStatus::NotAnArchive);
}

TEST(ZipReader, EveryTruncationOfAnArchiveIsRejected) {
    const std::string archive =
        ZipBuilder().Add("a.txt", Repeated("abc", 300)).Add("b/c.txt", "stored", ZipBuilder::Stored).Build();
    for (size_t length = 0; length < archive.size(); ++length) {
        std::vector<ZipEntry> entries;
        EXPECT_NE(ReadAll(archive.substr(0, length), entries), ZipStatus::Ok) << length;
        EXPECT_TRUE(entries.empty());
    }
}

TEST(ZipReader, ContentThatFailsItsCrcIsReported) {
    ZipBuilder::Options badCrc;
    badCrc.crcXor = 0x1;
    std::string text;
    EXPECT_EQ(ExtractSingle(ZipBuilder().Add("s", "stored", ZipBuilder::Stored, badCrc).Build(), text),
              ZipStatus::CrcMismatch);
    EXPECT_EQ(ExtractSingle(ZipBuilder().Add("d", Repeated("x", 500), ZipBuilder::Deflated, badCrc).Build(), text),
              ZipStatus::CrcMismatch);
}

TEST(ZipReader, DamagedDataOrHeadersAreCorrupt) {
    std::string archive = ZipBuilder().Add("d.txt", Repeated("deflate me ", 400)).Build();
    std::string damaged = archive;
    damaged[30 + 5 + 3] = static_cast<char>(damaged[30 + 5 + 3] ^ 0x55); // inside the deflate stream
    std::string text;
    const ZipStatus status = ExtractSingle(damaged, text);
    EXPECT_TRUE(status == ZipStatus::Corrupt || status == ZipStatus::CrcMismatch);

    damaged = archive;
    damaged[0] = 'X'; // local header signature
    EXPECT_EQ(ExtractSingle(damaged, text), ZipStatus::Corrupt);

    // A stored entry whose two sizes disagree.
    archive = ZipBuilder().Add("s.txt", "0123456789", ZipBuilder::Stored).Build();
    const size_t central = archive.find(std::string("PK\x01\x02", 4));
    damaged = archive;
    damaged[central + 24] = 5; // uncompressed size
    EXPECT_EQ(ExtractSingle(damaged, text), ZipStatus::Corrupt);

    // A local header offset past the central directory.
    damaged = archive;
    damaged[central + 42] = 0x70;
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadAll(damaged, entries), ZipStatus::Corrupt);
}

const char LocalRecord[] = "PK\x03\x04";
const char CentralRecord[] = "PK\x01\x02";
const char EndRecord[] = "PK\x05\x06";

// The archive with bytes written over a field of the first record of a kind (named by its
// signature), the field given by its offset in the record.
std::string Patched(std::string archive, const char* record, size_t field, const std::string& bytes) {
    archive.replace(archive.find(std::string(record, 4)) + field, bytes.size(), bytes);
    return archive;
}

TEST(ZipReader, EncryptionOtherMethodsZip64AndSpanningAreUnsupported) {
    ZipBuilder::Options encrypted;
    encrypted.extraFlags = 0x0001;
    ZipBuilder::Options strong;
    strong.extraFlags = 0x0040;
    ZipBuilder::Options bzip2;
    bzip2.methodOverride = 12;
    ZipBuilder::Options shrunk;
    shrunk.methodOverride = 1;
    const std::string one = ZipBuilder().Add("z", "x", ZipBuilder::Stored).Build();
    const std::string two = ZipBuilder().Add("y", "x", ZipBuilder::Stored).Add("z", "x", ZipBuilder::Stored).Build();
    const std::string ones(4, '\xff');
    const std::pair<const char*, std::string> rows[] = {
        {"encrypted", ZipBuilder().Add("e", "x", ZipBuilder::Stored, encrypted).Build()},
        {"strongly encrypted", ZipBuilder().Add("e", "x", ZipBuilder::Stored, strong).Build()},
        {"bzip2", ZipBuilder().Add("b", "x", ZipBuilder::Stored, bzip2).Build()},
        {"shrunk", ZipBuilder().Add("s", "x", ZipBuilder::Stored, shrunk).Build()},
        {"ZIP64 compressed size", Patched(one, CentralRecord, 20, ones)},
        {"ZIP64 uncompressed size", Patched(one, CentralRecord, 24, ones)},
        {"ZIP64 local header offset", Patched(one, CentralRecord, 42, ones)},
        {"an entry starting on another disk", Patched(one, CentralRecord, 34, "\x01")},
        {"ZIP64 entry counts", Patched(one, EndRecord, 8, ones)},
        {"ZIP64 directory size", Patched(one, EndRecord, 12, ones)},
        {"ZIP64 directory offset", Patched(one, EndRecord, 16, ones)},
        {"an end record on another disk", Patched(one, EndRecord, 4, "\x01")},
        {"a directory starting on another disk", Patched(one, EndRecord, 6, "\x01")},
        {"fewer entries on this disk than in all", Patched(two, EndRecord, 8, "\x01")},
        {"more entries on this disk than in all", Patched(two, EndRecord, 10, "\x01")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.first);
        std::vector<ZipEntry> entries;
        EXPECT_EQ(ReadAll(row.second, entries), ZipStatus::Unsupported);
        EXPECT_TRUE(entries.empty());
    }
}

TEST(ZipReader, SinkThatRefusesStopsTheExtraction) {
    const std::string archive = ZipBuilder().Add("big.txt", Repeated("data ", 30000)).Build();
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadAll(archive, entries), ZipStatus::Ok);
    StringSink sink;
    sink.limit = 10;
    EXPECT_EQ(ExtractZipEntry(Bytes(archive), archive.size(), entries[0], sink), ZipStatus::WriteFailed);
}

uint32_t Get32At(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<size_t>(i)));
    return value;
}

void Put32At(std::string& bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<char>(value >> (8 * i));
}

size_t EndRecordAt(const std::string& archive) {
    return archive.rfind(std::string("PK\x05\x06", 4));
}

// Appends a central record taken from another archive to an archive's central directory, its
// local header offset replaced; the end record is updated to count it.
std::string WithExtraCentralRecord(const std::string& archive, const std::string& donor, uint32_t offset) {
    const size_t donorCentral = donor.find(std::string("PK\x01\x02", 4));
    std::string record = donor.substr(donorCentral, EndRecordAt(donor) - donorCentral);
    Put32At(record, 42, offset);
    const size_t end = EndRecordAt(archive);
    std::string result = archive.substr(0, end) + record + archive.substr(end);
    const size_t newEnd = end + record.size();
    for (size_t field : {newEnd + 8, newEnd + 10})
        result[field] = static_cast<char>(result[field] + 1);
    Put32At(result, newEnd + 12, Get32At(result, newEnd + 12) + static_cast<uint32_t>(record.size()));
    return result;
}

uint32_t Crc(const std::string& text) {
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

// An archive of one stored entry with a data descriptor, one of whose fields (0 CRC, 4 compressed
// size, 8 uncompressed size) is then changed; the central directory keeps the true values.
std::string DescriptorDisagreeing(size_t field, bool signature, uint32_t change) {
    ZipBuilder::Options options;
    options.dataDescriptor = true;
    options.descriptorSignature = signature;
    std::string archive = ZipBuilder().Add("D.TXT", "described", ZipBuilder::Stored, options).Build();
    const size_t at = 30 + 5 + 9 + (signature ? 4 : 0) + field;
    Put32At(archive, at, Get32At(archive, at) + change);
    return archive;
}

// An archive of one stored entry whose local header is changed at a field (6 the flags, 8 the method,
// 14 the CRC, 18 the compressed size, 22 the uncompressed size); the central directory keeps the
// true values.
std::string LocalHeaderDisagreeing(size_t at, uint32_t change) {
    std::string archive = ZipBuilder().Add("L.TXT", "local", ZipBuilder::Stored).Build();
    Put32At(archive, at, Get32At(archive, at) + change);
    return archive;
}

std::string CommentLength(std::string archive, uint16_t length) {
    const size_t at = EndRecordAt(archive) + 20;
    archive.at(at) = static_cast<char>(length & 0xFF);
    archive.at(at + 1) = static_cast<char>(length >> 8);
    return archive;
}

// Headers that do not hold together, each with the status it owes: a package with any of them
// must never be unpacked as if whole.
TEST(ZipReader, MalformedHeadersGetTheirStatus) {
    // The unfinished stream goes in as stored data labelled deflated, with the text's size and CRC.
    const std::string text = Repeated("early ", 300);
    const std::string unfinished = ZipBuilder::DeflateRaw(text, Z_SYNC_FLUSH);
    ZipBuilder::Options early;
    early.methodOverride = ZipBuilder::Deflated;
    early.declaredSize = static_cast<int64_t>(text.size());
    early.crcXor = Crc(unfinished) ^ Crc(text);
    const std::string withComment = ZipBuilder().Add("A.TXT", "a", ZipBuilder::Stored).Build("comment");
    const std::string plain = LocalHeaderDisagreeing(0, 0);
    const std::string described = DescriptorDisagreeing(0, true, 0);
    const std::string far("\0\0\x01", 3); // a size of 65,536
    // A second central header cut after its signature ends the directory: counts 2, size 110.
    std::string cut = ZipBuilder().Add(std::string(60, 'n'), "x", ZipBuilder::Stored).Build();
    cut = Patched(cut.insert(EndRecordAt(cut), CentralRecord), EndRecord, 8, std::string("\x02\0\x02\0\x6e", 5));
    std::string reordered =
        ZipBuilder().Add("A.TXT", "a", ZipBuilder::Stored).Add("B.TXT", "b", ZipBuilder::Stored).Build();
    const auto directory = reordered.begin() + static_cast<std::ptrdiff_t>(reordered.find(CentralRecord));
    std::rotate(directory, directory + 51, directory + 102); // B's central record before A's
    struct Row {
        const char* name;
        std::string archive;
        ZipStatus listed;
        ZipStatus extracted = ZipStatus::Ok; // of every entry, when the directory was read
    };
    const Row rows[] = {
        {"an entry with an empty name", ZipBuilder().Add("", "x", ZipBuilder::Stored).Build(), ZipStatus::Corrupt},
        {"a deflate stream that ends early, its CRC matching the short data",
         ZipBuilder().Add("EARLY.TXT", unfinished, ZipBuilder::Stored, early).Build(), ZipStatus::Ok,
         ZipStatus::Corrupt},
        {"a data descriptor that agrees", DescriptorDisagreeing(0, true, 0), ZipStatus::Ok, ZipStatus::Ok},
        {"a data descriptor whose CRC disagrees", DescriptorDisagreeing(0, true, 1), ZipStatus::Ok, ZipStatus::Corrupt},
        {"a descriptor whose compressed size disagrees", DescriptorDisagreeing(4, true, 1), ZipStatus::Ok,
         ZipStatus::Corrupt},
        {"a descriptor whose uncompressed size disagrees", DescriptorDisagreeing(8, true, 1), ZipStatus::Ok,
         ZipStatus::Corrupt},
        {"an unsigned descriptor whose size disagrees", DescriptorDisagreeing(8, false, 1), ZipStatus::Ok,
         ZipStatus::Corrupt},
        {"a local header whose CRC disagrees", LocalHeaderDisagreeing(14, 1), ZipStatus::Corrupt},
        {"a local header whose compressed size disagrees", LocalHeaderDisagreeing(18, 1), ZipStatus::Corrupt},
        {"a local header whose uncompressed size disagrees", LocalHeaderDisagreeing(22, 1), ZipStatus::Corrupt},
        {"a local header that announces a descriptor", LocalHeaderDisagreeing(6, 8), ZipStatus::Corrupt},
        {"a local header that lacks the descriptor", Patched(described, LocalRecord, 6, std::string(2, '\0')),
         ZipStatus::Corrupt},
        {"a local header whose method disagrees", LocalHeaderDisagreeing(8, 8), ZipStatus::Corrupt},
        {"a zero CRC in the local header, without a descriptor", Patched(plain, LocalRecord, 14, std::string(4, '\0')),
         ZipStatus::Corrupt},
        {"zero sizes in the local header, without a descriptor", Patched(plain, LocalRecord, 18, std::string(8, '\0')),
         ZipStatus::Corrupt},
        {"a descriptor's local header that gives the sizes too",
         Patched(described, LocalRecord, 18, std::string("\x09\0\0\0\x09\0\0\0", 8)), ZipStatus::Ok, ZipStatus::Ok},
        {"a central header whose signature is damaged", Patched(plain, CentralRecord, 0, "X"), ZipStatus::Corrupt},
        {"a central header whose fixed part runs past the directory", cut, ZipStatus::Corrupt},
        {"a central name that runs past the directory", Patched(plain, CentralRecord, 28, "\x06"), ZipStatus::Corrupt},
        {"a central extra field past the directory", Patched(plain, CentralRecord, 30, "\x01"), ZipStatus::Corrupt},
        {"a central comment past the directory", Patched(plain, CentralRecord, 32, "\x01"), ZipStatus::Corrupt},
        {"a directory one byte into the end record", Patched(plain, EndRecord, 12, "\x34"), ZipStatus::NotAnArchive},
        {"data past the end of the archive", Patched(Patched(plain, LocalRecord, 18, far), CentralRecord, 20, far),
         ZipStatus::Corrupt},
        {"records listed in another order than the file's", reordered, ZipStatus::Ok, ZipStatus::Ok},
        {"an end record whose comment runs one byte past the end", CommentLength(withComment, 8),
         ZipStatus::NotAnArchive},
        {"an end record whose comment runs far past the end", CommentLength(withComment, 0xFFFF),
         ZipStatus::NotAnArchive},
        {"a comment of 65,535 bytes", ZipBuilder().Add("A.TXT", "a", ZipBuilder::Stored).Build(std::string(65535, 'c')),
         ZipStatus::Ok, ZipStatus::Ok},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<ZipEntry> entries;
        EXPECT_EQ(ReadAll(row.archive, entries), row.listed);
        EXPECT_EQ(entries.empty(), row.listed != ZipStatus::Ok);
        for (const ZipEntry& entry : entries) {
            std::string content;
            EXPECT_EQ(ExtractText(row.archive, entry, content), row.extracted);
        }
    }
}

// One deflated record listed under thousands of names is how a small package claims terabytes.
TEST(ZipLayout, EntriesSharingOneLocalRecordAreRefused) {
    ZipBuilder bomb;
    bomb.Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n").Add("DATI/BOMB0000.DAT", std::string(100000, '\0'));
    for (int i = 1; i < 200; ++i)
        bomb.AddAlias("DATI/BOMB" + std::to_string(1000 + i) + ".DAT", 1);
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadAll(bomb.Build(), entries), ZipStatus::Overlapping);
    EXPECT_TRUE(entries.empty());

    // Two names for the same record, nothing else.
    EXPECT_EQ(ReadAll(ZipBuilder().Add("A.TXT", "aaaa", ZipBuilder::Stored).AddAlias("B.TXT", 0).Build(), entries),
              ZipStatus::Overlapping);
}

TEST(ZipLayout, RecordHiddenInsideAnotherEntrysDataIsRefused) {
    const std::string inner = ZipBuilder().Add("B.TXT", "hidden", ZipBuilder::Stored).Build();
    const std::string innerRecord = inner.substr(0, inner.find(std::string("PK\x01\x02", 4)));
    const std::string outer = ZipBuilder().Add("A.TXT", "head" + innerRecord + "tail", ZipBuilder::Stored).Build();
    const uint32_t hiddenAt = 30 + 5 + 4; // A's header, its name, "head"
    const std::string archive = WithExtraCentralRecord(outer, inner, hiddenAt);
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadAll(archive, entries), ZipStatus::Overlapping);

    // The same record on its own, after A's data, is an ordinary second entry.
    const std::string apart = ZipBuilder().Add("A.TXT", "head", ZipBuilder::Stored).Build();
    std::string joined = apart.substr(0, hiddenAt) + innerRecord + apart.substr(hiddenAt);
    const size_t end = EndRecordAt(joined);
    Put32At(joined, end + 16, Get32At(joined, end + 16) + static_cast<uint32_t>(innerRecord.size()));
    joined = WithExtraCentralRecord(joined, inner, hiddenAt);
    ASSERT_EQ(ReadAll(joined, entries), ZipStatus::Ok);
    ASSERT_EQ(entries.size(), 2u);
    std::string text;
    EXPECT_EQ(ExtractText(joined, entries[1], text), ZipStatus::Ok);
    EXPECT_EQ(text, "hidden");
}

TEST(ZipLayout, DataRunningIntoTheCentralDirectoryIsRefused) {
    const std::string archive = ZipBuilder().Add("A.TXT", "0123456789", ZipBuilder::Stored).Build();
    const size_t central = archive.find(std::string("PK\x01\x02", 4));
    std::string damaged = archive;
    damaged[central + 20] = 11; // compressed size: one byte of the central directory,
    damaged[18] = 11;           // in both records
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadAll(damaged, entries), ZipStatus::Overlapping);
    EXPECT_TRUE(entries.empty());

    // A signed descriptor one byte short of its 16: its last byte would be the directory's first.
    ZipBuilder::Options described;
    described.dataDescriptor = true;
    damaged = ZipBuilder().Add("A.TXT", "0123456789", ZipBuilder::Stored, described).Build();
    damaged.erase(damaged.find(CentralRecord) - 1, 1);
    Put32At(damaged, EndRecordAt(damaged) + 16, Get32At(damaged, EndRecordAt(damaged) + 16) - 1);
    EXPECT_EQ(ReadAll(damaged, entries), ZipStatus::Overlapping);
}

// The descriptor belongs to its entry's record: 16 bytes with its signature, 12 without; the
// next record starts right after it in either case.
TEST(ZipLayout, AdjacentRecordsWithDescriptorsAreNotOverlapping) {
    ZipBuilder::Options signed16;
    signed16.dataDescriptor = true;
    ZipBuilder::Options bare12 = signed16;
    bare12.descriptorSignature = false;
    const std::string archive = ZipBuilder()
                                    .Add("A.TXT", Repeated("a", 300), ZipBuilder::Deflated, bare12)
                                    .Add("B.TXT", "b", ZipBuilder::Stored, bare12)
                                    .Add("C.TXT", Repeated("c", 300), ZipBuilder::Deflated, signed16)
                                    .Add("D.TXT", "d", ZipBuilder::Stored, signed16)
                                    .Build();
    std::vector<ZipEntry> entries;
    ASSERT_EQ(ReadAll(archive, entries), ZipStatus::Ok);
    ASSERT_EQ(entries.size(), 4u);
    std::string text;
    EXPECT_EQ(ExtractText(archive, entries[1], text), ZipStatus::Ok);
    EXPECT_EQ(text, "b");
    EXPECT_EQ(ExtractText(archive, entries[3], text), ZipStatus::Ok);
    EXPECT_EQ(text, "d");
}

std::vector<ZipEntry> EntriesDeclaring(const std::vector<int64_t>& sizes) {
    ZipBuilder zip;
    zip.AddDirectory("DATI/");
    for (size_t i = 0; i < sizes.size(); ++i) {
        ZipBuilder::Options declared;
        declared.declaredSize = sizes[i];
        zip.Add("DATI/F" + std::to_string(i), "x", ZipBuilder::Deflated, declared);
    }
    std::vector<ZipEntry> entries;
    EXPECT_EQ(ReadAll(zip.Build(), entries), ZipStatus::Ok);
    return entries;
}

TEST(ZipWeight, DeclaredSizeAddsTheFilesUpInSixtyFourBits) {
    EXPECT_EQ(DeclaredUnpackedSize(EntriesDeclaring({1000, 2500, 0})), 3500u);
    EXPECT_EQ(DeclaredUnpackedSize(EntriesDeclaring({0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFE})), 3 * 0xFFFFFFFEull);
    EXPECT_EQ(DeclaredUnpackedSize({}), 0u);
}

TEST(ZipWeight, MoreThanTheSizeLimitIsTooLarge) {
    const uint64_t gib = 1ull << 30;
    const uint64_t plenty = 1ull << 50;
    const std::vector<ZipEntry> entries = EntriesDeclaring({2 * gib, 2 * gib});
    EXPECT_EQ(WeighZipEntries(entries, 4 * gib, plenty), ZipStatus::Ok);
    EXPECT_EQ(WeighZipEntries(entries, 4 * gib - 1, plenty), ZipStatus::TooLarge);
    // A package far past the limit is too large whatever the free space.
    EXPECT_EQ(WeighZipEntries(EntriesDeclaring({0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFE}), 4 * gib, plenty),
              ZipStatus::TooLarge);
}

TEST(ZipWeight, MoreThanTheFreeSpaceLessTheReserveIsNoRoom) {
    const std::vector<ZipEntry> entries = EntriesDeclaring({300000, 700000}); // and one folder
    const uint64_t needed = 1000000 + FreeSpaceReserve + 3 * FreeSpacePerEntry;
    EXPECT_EQ(WeighZipEntries(entries, 1ull << 32, needed), ZipStatus::Ok);
    EXPECT_EQ(WeighZipEntries(entries, 1ull << 32, needed - 1), ZipStatus::NoRoom);
    EXPECT_EQ(WeighZipEntries(entries, 1ull << 32, 0), ZipStatus::NoRoom);
    EXPECT_EQ(WeighZipEntries({}, 0, FreeSpaceReserve), ZipStatus::Ok);
}

// The sink never sees a byte past the declared size: the excess is caught before it is written.
TEST(ZipInflate, EntryInflatingPastItsDeclaredSizeStopsBeforeTheExcess) {
    for (const int64_t declared : {0, 1, 1000, 99999, 70000}) {
        ZipBuilder::Options lying;
        lying.declaredSize = declared;
        const std::string archive =
            ZipBuilder().Add("BIG.DAT", std::string(100000, 'z'), ZipBuilder::Deflated, lying).Build();
        std::vector<ZipEntry> entries;
        ASSERT_EQ(ReadAll(archive, entries), ZipStatus::Ok);
        StringSink sink;
        EXPECT_EQ(ExtractZipEntry(Bytes(archive), archive.size(), entries[0], sink), ZipStatus::Corrupt) << declared;
        EXPECT_LE(sink.text.size(), static_cast<size_t>(declared)) << declared;
    }
}

// A whole stream that ends short of the declared size, its CRC that of the shorter data: only
// the length tells, and a file cut short is no entry.
TEST(ZipInflate, StreamEndingShortOfItsDeclaredSizeIsCorrupt) {
    struct Row {
        size_t size;
        int64_t declared;
    };
    for (const Row& row : {Row{0, 1}, Row{1, 2}, Row{100000, 100001}, Row{100000, 100002}, Row{100000, 200000}}) {
        ZipBuilder::Options lying;
        lying.declaredSize = row.declared;
        const std::string content = Repeated("z", row.size).substr(0, row.size);
        std::string text;
        EXPECT_EQ(ExtractSingle(ZipBuilder().Add("SHORT.DAT", content, ZipBuilder::Deflated, lying).Build(), text),
                  ZipStatus::Corrupt)
            << row.size << " of " << row.declared;
    }
}

// The output buffer follows the entry's size: the smallest sizes still inflate whole.
TEST(ZipInflate, EntriesOfEverySmallSizeInflateExactly) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{2}, size_t{1500}, size_t{2600}, size_t{65535}, size_t{65536},
                        size_t{65537}, size_t{200001}}) {
        const std::string content = Repeated("w", size).substr(0, size);
        ASSERT_EQ(content.size(), size);
        std::string text;
        EXPECT_EQ(ExtractSingle(ZipBuilder().Add("F", content, ZipBuilder::Deflated).Build(), text), ZipStatus::Ok)
            << size;
        EXPECT_EQ(text, content) << size;
    }
}

std::string RelativePath(const std::string& name, ZipPathStatus expected, size_t size = 260) {
    std::vector<char> output(size, '#');
    EXPECT_EQ(MakeEntryRelativePath(name, output.data(), output.size()), expected) << name;
    return expected == ZipPathStatus::Ok ? std::string(output.data()) : std::string();
}

TEST(ZipEntryPath, RelativeNamesBecomeBackslashPaths) {
    EXPECT_EQ(RelativePath("SETUP.INF", ZipPathStatus::Ok), "SETUP.INF");
    EXPECT_EQ(RelativePath("DOC/SUB/MANUALE.PDF", ZipPathStatus::Ok), "DOC\\SUB\\MANUALE.PDF");
    EXPECT_EQ(RelativePath("DOC\\A.TXT", ZipPathStatus::Ok), "DOC\\A.TXT");
    EXPECT_EQ(RelativePath("DOC/", ZipPathStatus::Ok), "DOC");
    EXPECT_EQ(RelativePath("./a//b/./c", ZipPathStatus::Ok), "a\\b\\c");
    EXPECT_EQ(RelativePath("..a/b..c/.hidden", ZipPathStatus::Ok), "..a\\b..c\\.hidden");
    EXPECT_EQ(RelativePath("CONTRATTO.TXT/COM10", ZipPathStatus::Ok), "CONTRATTO.TXT\\COM10");
    EXPECT_EQ(RelativePath("caff\xc3\xa8.txt", ZipPathStatus::Ok), "caff\xc3\xa8.txt");
    EXPECT_EQ(RelativePath("DOC/LEGGI ME.TXT", ZipPathStatus::Ok), "DOC\\LEGGI ME.TXT");
}

TEST(ZipEntryPath, NamesThatCouldLeaveTheFolderAreUnsafe) {
    const char* const unsafe[] = {
        "",
        "/etc/passwd",
        "\\WINDOWS\\win.ini",
        "\\\\server\\share\\x",
        "C:/evil.txt",
        "C:evil.txt",
        "a/../../evil.txt",
        "..",
        "../x",
        "a\\..\\..\\x",
        "sub/..",
        "a/...",
        "a/. ./b",
        "file.txt:stream",
        "CON",
        "aux.txt",
        "sub/nul",
        "Com1.log",
        "LPT9",
        "conin$",
        "CON .txt",
        "NUL .dat",
        "sub/Aux  .log",
        "com1 .txt",
        "LPT9 .tar.gz",
        "CONOUT$ .x",
        "name.",
        "name ",
        "a/b /c",
        "tab\there",
        "what?",
        "a*b",
        "a|b",
        "<x>",
        "\"q\"",
        "./",
        "/",
        ".",
        "//",
    };
    for (const char* name : unsafe)
        RelativePath(name, ZipPathStatus::Unsafe);
    RelativePath(std::string("nul\0byte", 8), ZipPathStatus::Unsafe);
}

TEST(ZipEntryPath, SafeNameTooLongForTheBufferIsReportedNotCut) {
    EXPECT_EQ(RelativePath("abcd", ZipPathStatus::Ok, 5), "abcd");
    std::vector<char> output(4, '#');
    EXPECT_EQ(MakeEntryRelativePath("abcd", output.data(), output.size()), ZipPathStatus::TooLong);
    EXPECT_EQ(output[0], '\0');
    output[0] = '#';
    EXPECT_EQ(MakeEntryRelativePath("abcd", output.data(), 0), ZipPathStatus::TooLong);
    EXPECT_EQ(output[0], '#') << "a buffer of no bytes was written";
    // An unsafe name stays unsafe however long it is.
    RelativePath(std::string(300, 'a') + "/../x", ZipPathStatus::Unsafe, 10);
}

// One random change to a non-empty archive: a byte, a bit, a boundary value, a cut or a copied run.
void MutateOnce(std::string& data, std::mt19937& random) {
    static constexpr uint32_t Interesting[] = {0, 1, 0x7F, 0xFF, 0xFFFF, 0x10000, 0x7FFFFFFF, 0xFFFFFFFF};
    const size_t at = random() % data.size();
    switch (random() % 5) {
    case 0: data[at] = static_cast<char>(random()); break;
    case 1: data[at] = static_cast<char>(data[at] ^ (1 << (random() % 8))); break;
    case 2: {
        const uint32_t value = Interesting[random() % 8];
        for (size_t i = 0; i < 4 && at + i < data.size(); ++i)
            data[at + i] = static_cast<char>(value >> (8 * i));
        break;
    }
    case 3: data.resize(at); break;
    default: data.insert(at, data.substr(random() % data.size(), random() % 64)); break;
    }
}

// Random damage to valid archives, for a bounded time and with a fixed seed: every outcome is
// a status, never a read outside the data (the sanitizers watch), and never more output than
// the entry declares.
TEST(ZipReaderFuzz, RandomDamageNeverReadsOutsideTheArchive) {
    ZipBuilder::Options descriptor;
    descriptor.dataDescriptor = true;
    const std::string seeds[] = {
        ZipBuilder()
            .AddDirectory("DOC/")
            .Add("DOC/A.TXT", Repeated("alpha ", 200), ZipBuilder::Deflated)
            .Add("B.BIN", "stored bytes", ZipBuilder::Stored)
            .Add("C.TXT", Repeated("gamma ", 50), ZipBuilder::Deflated, descriptor)
            .Build("comment"),
        ZipBuilder().Add("only.txt", "x", ZipBuilder::Stored).Build(),
    };
    std::mt19937 random(47);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    long runs = 0;
    for (; runs < 2000000 && std::chrono::steady_clock::now() < deadline; ++runs) {
        std::string data = seeds[random() % 2];
        const int mutations = 1 + static_cast<int>(random() % 6);
        for (int m = 0; m < mutations && !data.empty(); ++m)
            MutateOnce(data, random);
        std::vector<ZipEntry> entries;
        if (ReadAll(data, entries) != ZipStatus::Ok)
            continue;
        for (const ZipEntry& entry : entries) {
            StringSink sink;
            ExtractZipEntry(Bytes(data), data.size(), entry, sink);
            ASSERT_LE(sink.text.size(), entry.uncompressedSize);
            char path[260];
            MakeEntryRelativePath(entry.name, path, sizeof path);
        }
    }
    EXPECT_GT(runs, 1000);
}

} // namespace
