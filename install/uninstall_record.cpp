// Reads and writes the uninstall record: its lines, the rule of each field, and the checks over
// the whole record (its header, its bounds, no path twice).
#include "install/uninstall_record.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "install/zip_reader.h"

namespace {
constexpr std::string_view RecordHeader = "Ludra 4.7 uninstall record 1";
constexpr std::string_view FileKind = "file ";
constexpr std::string_view ShortcutKind = "shortcut ";
constexpr std::string_view GroupKind = "group ";
constexpr std::string_view LineEnd = "\r\n";
constexpr size_t Sha256HexDigits = Sha256HexSize - 1;

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLowerHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A field's text up to its terminator, or all of it when a caller left none.
template <size_t N> std::string_view FieldText(const std::array<char, N>& field) {
    return {field.data(), strnlen(field.data(), N)};
}

template <size_t N> void CopyField(std::string_view text, std::array<char, N>& field) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(field.data(), text.data(), length);
    field[length] = '\0';
}

// All of the field is decimal digits, and their value fits 64 bits.
bool ReadSize(std::string_view digits, uint64_t* size) {
    if (digits.empty())
        return false;
    uint64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    *size = value;
    return true;
}

// Kept in lowercase, as FileSha256 gives it, so that equal digests are equal texts.
bool ReadSha256(std::string_view hex, std::array<char, Sha256HexSize>& sha256) {
    if (hex.size() != Sha256HexDigits)
        return false;
    for (size_t i = 0; i < Sha256HexDigits; ++i) {
        sha256[i] = AsciiLower(hex[i]);
        if (!IsLowerHexDigit(sha256[i]))
            return false;
    }
    sha256[Sha256HexDigits] = '\0';
    return true;
}

// "<size> <sha256> <path>": the path is the rest of the line, blanks and all, and must stay
// inside the folder by the same rules as a package's entry names.
RecordStatus ReadFileLine(std::string_view fields, UninstallRecord& record) {
    if (record.files.size() >= RecordFileLimit)
        return RecordStatus::TooLarge;
    const size_t sizeEnd = fields.find(' ');
    if (sizeEnd == std::string_view::npos)
        return RecordStatus::Malformed;
    const std::string_view rest = fields.substr(sizeEnd + 1);
    if (rest.size() <= Sha256HexDigits || rest[Sha256HexDigits] != ' ')
        return RecordStatus::Malformed;
    RecordedFile file;
    const std::string name(rest.substr(Sha256HexDigits + 1));
    if (!ReadSize(fields.substr(0, sizeEnd), &file.size) || !ReadSha256(rest.substr(0, Sha256HexDigits), file.sha256) ||
        MakeEntryRelativePath(name, file.path.data(), file.path.size()) != ZipPathStatus::Ok)
        return RecordStatus::Malformed;
    record.files.push_back(file);
    return RecordStatus::Ok;
}

bool EndsWithLnk(std::string_view path) {
    if (path.size() < 4)
        return false;
    const std::string_view tail = path.substr(path.size() - 4);
    return tail[0] == '.' && AsciiLower(tail[1]) == 'l' && AsciiLower(tail[2]) == 'n' && AsciiLower(tail[3]) == 'k';
}

// "X:\" and names: no wildcard, stream or second drive, and no component empty (a doubled '\')
// or ending in a dot or a blank, since Windows trims those and "..." or ". ." climb like "..".
bool IsShortcutPath(std::string_view path) {
    const char drive = AsciiLower(path.empty() ? '\0' : path[0]);
    const bool rooted = path.size() > 3 && drive >= 'a' && drive <= 'z' && path[1] == ':' && path[2] == '\\';
    if (!rooted || path.size() >= RecordPathSize || !EndsWithLnk(path))
        return false;
    const std::string_view names = path.substr(3);
    for (const char c : names) {
        if (IsControl(c) || std::strchr("/:*?\"<>|", c) != nullptr)
            return false;
    }
    for (size_t start = 0; start <= names.size();) {
        const size_t stop = std::min(names.find('\\', start), names.size());
        if (stop == start || names[stop - 1] == '.' || names[stop - 1] == ' ')
            return false;
        start = stop + 1;
    }
    return true;
}

// The name goes between quotes in DeleteGroup("..."): a quote, bracket or parenthesis would end
// the command and start another.
bool IsGroupName(std::string_view name) {
    if (name.empty() || name.size() >= RecordGroupSize || name.find_first_not_of(' ') == std::string_view::npos)
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return IsControl(c) || std::strchr("\"[]()", c) != nullptr; });
}

// A value taken once: a second line of the same kind, or a value its rule refuses, is Malformed.
template <size_t N>
RecordStatus TakeOnce(std::string_view value, bool (*rule)(std::string_view), std::array<char, N>& field) {
    if (field[0] != '\0' || !rule(value))
        return RecordStatus::Malformed;
    CopyField(value, field);
    return RecordStatus::Ok;
}

RecordStatus ReadRecordLine(std::string_view line, UninstallRecord& record) {
    if (StartsWith(line, FileKind))
        return ReadFileLine(line.substr(FileKind.size()), record);
    if (StartsWith(line, ShortcutKind))
        return TakeOnce(line.substr(ShortcutKind.size()), IsShortcutPath, record.shortcut);
    if (StartsWith(line, GroupKind))
        return TakeOnce(line.substr(GroupKind.size()), IsGroupName, record.group);
    return RecordStatus::Malformed;
}

// The line from at, without its CRLF or LF; false when no line end follows (the text was cut).
bool NextLine(std::string_view text, size_t& at, std::string_view& line) {
    const size_t end = text.find('\n', at);
    if (end == std::string_view::npos)
        return false;
    line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    at = end + 1;
    return true;
}

// Windows compares file names without regard to case; the ASCII letters are folded.
bool HasDuplicatePaths(const std::vector<RecordedFile>& files) {
    std::vector<std::string> folded;
    folded.reserve(files.size());
    for (const RecordedFile& file : files) {
        std::string path(FieldText(file.path));
        std::transform(path.begin(), path.end(), path.begin(), AsciiLower);
        folded.push_back(std::move(path));
    }
    std::sort(folded.begin(), folded.end());
    return std::adjacent_find(folded.begin(), folded.end()) != folded.end();
}

RecordStatus ReadLines(std::string_view text, UninstallRecord& record) {
    size_t at = 0;
    std::string_view line;
    if (!NextLine(text, at, line) || line != RecordHeader)
        return RecordStatus::NotARecord;
    bool blankSeen = false;
    while (at < text.size()) {
        if (!NextLine(text, at, line))
            return RecordStatus::Malformed;
        if (line.size() > RecordLineLimit)
            return RecordStatus::TooLarge;
        const bool blank = line.find_first_not_of(' ') == std::string_view::npos;
        // Blank lines only at the end: one inside the record means it was put together wrong.
        if (!blank && blankSeen)
            return RecordStatus::Malformed;
        blankSeen = blank;
        const RecordStatus status = blank ? RecordStatus::Ok : ReadRecordLine(line, record);
        if (status != RecordStatus::Ok)
            return status;
    }
    return HasDuplicatePaths(record.files) ? RecordStatus::Malformed : RecordStatus::Ok;
}

void AppendLine(std::string_view kind, std::string_view value, std::string& text) {
    text.append(kind).append(value).append(LineEnd);
}

void AppendFileLine(const RecordedFile& file, std::string& text) {
    text.append(FileKind).append(std::to_string(file.size)).append(" ");
    text.append(FieldText(file.sha256)).append(" ").append(FieldText(file.path)).append(LineEnd);
}

bool SameFile(const RecordedFile& a, const RecordedFile& b) {
    return a.size == b.size && FieldText(a.sha256) == FieldText(b.sha256) && FieldText(a.path) == FieldText(b.path);
}

bool SameRecord(const UninstallRecord& a, const UninstallRecord& b) {
    return std::equal(a.files.begin(), a.files.end(), b.files.begin(), b.files.end(), SameFile) &&
           FieldText(a.shortcut) == FieldText(b.shortcut) && FieldText(a.group) == FieldText(b.group);
}
} // namespace

RecordStatus ReadUninstallRecord(const char* text, size_t length, UninstallRecord* record) {
    *record = UninstallRecord();
    if (length > RecordTextLimit)
        return RecordStatus::TooLarge;
    if (text == nullptr)
        return RecordStatus::NotARecord;
    const RecordStatus status = ReadLines(std::string_view(text, length), *record);
    if (status != RecordStatus::Ok)
        *record = UninstallRecord();
    return status;
}

bool WriteUninstallRecord(const UninstallRecord& record, std::string* text) {
    std::string written;
    AppendLine(RecordHeader, "", written);
    for (const RecordedFile& file : record.files)
        AppendFileLine(file, written);
    if (record.shortcut[0] != '\0')
        AppendLine(ShortcutKind, FieldText(record.shortcut), written);
    if (record.group[0] != '\0')
        AppendLine(GroupKind, FieldText(record.group), written);
    // Read back, a field with a line end in it would be two lines, and one the reader refuses no
    // record at all: either way the text is not this record.
    UninstallRecord readBack;
    const bool same = ReadUninstallRecord(written.data(), written.size(), &readBack) == RecordStatus::Ok &&
                      SameRecord(readBack, record);
    *text = same ? std::move(written) : std::string();
    return same;
}

bool RecordedFileUnchanged(const RecordedFile& file, uint64_t size, const char* sha256Hex) {
    if (size != file.size || sha256Hex == nullptr)
        return false;
    for (size_t i = 0; i < Sha256HexDigits; ++i) {
        // A recorded digit is never a terminator: a shorter text stops here, before its end.
        if (!IsLowerHexDigit(file.sha256[i]) || AsciiLower(sha256Hex[i]) != file.sha256[i])
            return false;
    }
    return sha256Hex[Sha256HexDigits] == '\0';
}
