// The uninstall record: what the writer writes reads back, and a record edited by hand or hostile
// is refused whole, so the uninstaller never removes outside the folder nor sends another command.
#include <gtest/gtest.h>

#include <string>

#include "base/strings.h"
#include "install/uninstall_record.h"

namespace {
constexpr char Sha[] = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
constexpr char ShaUpper[] = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855";
const std::string Header = "Ludra 4.7 uninstall record 1\r\n";

std::string FileLine(const std::string& path, const std::string& size = "7", const std::string& sha = Sha) {
    return "file " + size + " " + sha + " " + path + "\r\n";
}

UninstallRecord Installed() {
    UninstallRecord record;
    record.files.resize(2);
    CopyBounded(record.files[0].path.data(), RecordPathSize, "LUDRA.EXE");
    CopyBounded(record.files[1].path.data(), RecordPathSize, "DATI\\LEGGI ME.TXT");
    for (RecordedFile& file : record.files)
        CopyBounded(file.sha256.data(), Sha256HexSize, Sha);
    record.files[0].size = 1048576;
    CopyBounded(record.shortcut.data(), RecordPathSize, "C:\\WINDOWS\\Desktop\\Ludra 4.lnk");
    CopyBounded(record.group.data(), RecordGroupSize, "Ludra 4.7");
    return record;
}

struct Row {
    const char* name;
    std::string text;
    RecordStatus status;
    size_t files = 0; // accepted rows: the count, then the first file as read
    const char* path = "";
    uint64_t size = 0;
    const char* shortcut = "";
    const char* group = "";
};

// Faults: a hostile path, shortcut or group let through; a bound off by one; a refused record
// left half filled for the uninstaller to act on.
TEST(UninstallRecord, HostileOrDamagedRecordsAreRefusedWhole) {
    std::string written;
    ASSERT_TRUE(WriteUninstallRecord(Installed(), &written));
    const std::string path259(259, 'p');
    const std::string group80(80, 'g');
    // 72 characters before the path; its trailing separators are dropped.
    const std::string path952 = "a" + std::string(951, '/');
    const std::string fourMiB = Header + std::string(RecordTextLimit - Header.size(), '\n');
    const Row rows[] = {
        {"as written", written, RecordStatus::Ok, 2, "LUDRA.EXE", 1048576, "C:\\WINDOWS\\Desktop\\Ludra 4.lnk",
         "Ludra 4.7"},
        {"LF lines, slashes, upper hex",
         "Ludra 4.7 uninstall record 1\nfile 7 " + std::string(ShaUpper) + " DATI/a b\n", RecordStatus::Ok, 1,
         "DATI\\a b", 7},
        {"largest size, blank end", Header + FileLine("x", "18446744073709551615") + "\r\n  \n", RecordStatus::Ok, 1,
         "x", UINT64_MAX},
        {"path of 259", Header + FileLine(path259), RecordStatus::Ok, 1, path259.c_str(), 7},
        {"line of 1024", Header + FileLine(path952), RecordStatus::Ok, 1, "a", 7},
        {"group of 80", Header + "group " + group80 + "\r\n", RecordStatus::Ok, 0, "", 0, "", group80.c_str()},
        {"text of 4 MiB", fourMiB, RecordStatus::Ok},
        {"text past 4 MiB", fourMiB + "\n", RecordStatus::TooLarge},
        {"line of 1025", Header + FileLine(path952 + "/"), RecordStatus::TooLarge},
        {"parent", Header + FileLine("..\\outside.txt"), RecordStatus::Malformed},
        {"parent inside", Header + FileLine("DATI\\..\\..\\x"), RecordStatus::Malformed},
        {"drive", Header + FileLine("C:\\x.txt"), RecordStatus::Malformed},
        {"UNC", Header + FileLine("\\\\server\\share\\x"), RecordStatus::Malformed},
        {"device", Header + FileLine("CON"), RecordStatus::Malformed},
        {"stream", Header + FileLine("a:b"), RecordStatus::Malformed},
        {"path of 260", Header + FileLine(std::string(260, 'p')), RecordStatus::Malformed},
        {"CR inside a path", Header + FileLine("a\rb"), RecordStatus::Malformed},
        {"63 hex digits", Header + FileLine("x", "7", std::string(Sha, 63)), RecordStatus::Malformed},
        {"not hex", Header + FileLine("x", "7", std::string(Sha, 63) + "g"), RecordStatus::Malformed},
        {"size past 64 bits", Header + FileLine("x", "18446744073709551616"), RecordStatus::Malformed},
        {"duplicate in another case", Header + FileLine("DATI\\a.txt") + FileLine("dati/A.TXT"),
         RecordStatus::Malformed},
        {"shortcut climbing", Header + "shortcut C:\\..\\x.lnk\r\n", RecordStatus::Malformed},
        {"shortcut dots", Header + "shortcut C:\\a\\...\\x.lnk\r\n", RecordStatus::Malformed},
        {"shortcut UNC", Header + "shortcut \\\\server\\x.lnk\r\n", RecordStatus::Malformed},
        {"shortcut stream", Header + "shortcut C:\\a.lnk:b.lnk\r\n", RecordStatus::Malformed},
        {"shortcut not a link", Header + "shortcut C:\\WINDOWS\\win.ini\r\n", RecordStatus::Malformed},
        {"shortcut twice", written + "shortcut C:\\x.LNK\r\n", RecordStatus::Malformed},
        {"group injecting", Header + "group Ludra\")][DeleteGroup(\"Other\r\n", RecordStatus::Malformed},
        {"group of 81", Header + "group " + std::string(81, 'g') + "\r\n", RecordStatus::Malformed},
        {"group blank", Header + "group   \r\n", RecordStatus::Malformed},
        {"group twice", written + "group Ludra\r\n", RecordStatus::Malformed},
        {"unknown kind", Header + "registry HKLM\\Software\r\n", RecordStatus::Malformed},
        {"blank line inside", Header + "\r\n" + FileLine("x"), RecordStatus::Malformed},
        {"cut short", written.substr(0, written.size() - 1), RecordStatus::Malformed},
        {"wrong header", "Ludra 4.6 uninstall record 1\r\n" + FileLine("x"), RecordStatus::NotARecord},
        {"header only, no line end", "Ludra 4.7 uninstall record 1", RecordStatus::NotARecord},
        {"empty", "", RecordStatus::NotARecord},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UninstallRecord record = Installed();
        ASSERT_EQ(ReadUninstallRecord(row.text.data(), row.text.size(), &record), row.status);
        ASSERT_EQ(record.files.size(), row.files);
        if (row.files > 0) {
            EXPECT_STREQ(record.files[0].path.data(), row.path);
            EXPECT_EQ(record.files[0].size, row.size);
            EXPECT_STREQ(record.files[0].sha256.data(), Sha);
        }
        EXPECT_STREQ(record.shortcut.data(), row.shortcut);
        EXPECT_STREQ(record.group.data(), row.group);
    }
}

// Faults: a field with a line end written as two lines (the reader would take a record nobody
// wrote); a field the reader refuses written anyway; a changed file taken for unchanged.
TEST(UninstallRecord, WrittenTextReadsBackAndChangedFilesAreKept) {
    std::string text;
    ASSERT_TRUE(WriteUninstallRecord(Installed(), &text));
    EXPECT_EQ(text, Header + FileLine("LUDRA.EXE", "1048576") + FileLine("DATI\\LEGGI ME.TXT", "0") +
                        "shortcut C:\\WINDOWS\\Desktop\\Ludra 4.lnk\r\ngroup Ludra 4.7\r\n");
    const std::string injected = "a\r\n" + FileLine("b");
    for (const std::string& path :
         {std::string("..\\x"), std::string("DATI/x"), injected.substr(0, injected.size() - 2)}) {
        SCOPED_TRACE(path);
        UninstallRecord record = Installed();
        CopyBounded(record.files[1].path.data(), RecordPathSize, path.c_str());
        EXPECT_FALSE(WriteUninstallRecord(record, &text));
        EXPECT_EQ(text, "");
    }

    const RecordedFile file = Installed().files[0];
    EXPECT_TRUE(RecordedFileUnchanged(file, 1048576, Sha));
    EXPECT_TRUE(RecordedFileUnchanged(file, 1048576, ShaUpper));
    EXPECT_FALSE(RecordedFileUnchanged(file, 1048575, Sha));
    EXPECT_FALSE(RecordedFileUnchanged(file, 1048576, std::string(Sha, 63).c_str()));
    EXPECT_FALSE(RecordedFileUnchanged(file, 1048576, (Sha + std::string("0")).c_str()));
    EXPECT_FALSE(RecordedFileUnchanged(RecordedFile(), 0, "")) << "an empty record matched an empty digest";
}
} // namespace
