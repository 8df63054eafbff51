// ldunpackbench MODE ARCHIVE FOLDER: unpacks ARCHIVE into FOLDER (created here, must be new)
// and prints the time it took as "ms=<milliseconds>".
//   program  the installation's extraction step (shell attempt, weighing, built-in unpacker)
//   unpacker the built-in unpacker alone (weighing included), without the shell attempt
//   floor    the least any unpacker must do: zlib inflate and CreateFile/WriteFile under each
//            entry's own name (new, in a new folder), one folder creation per new folder; no
//            checks of any kind
#include <windows.h>
#include <oleauto.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/kernel_handles.h"
#include "base/com_handles.h"
#include "install/extract.h"
#include "install/unzip.h"

namespace {

constexpr int PathSize = 1024;

uint16_t Get16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Creates every level of a folder path; errors (already there) are not looked at.
void MakeFolders(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

bool WriteWhole(const std::string& path, const unsigned char* data, DWORD size) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file.get(), data, size, &written, nullptr) && written == size;
    return file.Close() && ok;
}

bool Inflate(const unsigned char* source, uint32_t sourceSize, unsigned char* target, uint32_t targetSize) {
    z_stream stream = {};
    if (inflateInit2(&stream, -15) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(source);
    stream.avail_in = sourceSize;
    stream.next_out = target;
    stream.avail_out = targetSize;
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

// The floor: the archive read whole into memory, its central directory walked without checks.
bool FloorUnpack(const char* archivePath, const std::string& folder) {
    FileHandle file(CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return false;
    KernelHandle mapping(CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    const DWORD size = GetFileSize(file.get(), nullptr);
    MappedView view(mapping ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0) : nullptr);
    const auto* data = static_cast<const unsigned char*>(view.get());
    bool ok = data != nullptr && size >= 22;
    size_t end = ok ? size - 22 : 0;
    while (ok && Get32(data + end) != 0x06054b50) {
        if (end == 0)
            ok = false;
        else
            --end;
    }
    std::string lastFolder;
    if (ok) {
        const unsigned count = Get16(data + end + 10);
        size_t at = Get32(data + end + 16);
        for (unsigned i = 0; i < count && ok; ++i) {
            const unsigned char* record = data + at;
            const uint16_t method = Get16(record + 10);
            const uint32_t packed = Get32(record + 20);
            const uint32_t unpacked = Get32(record + 24);
            const uint16_t nameLength = Get16(record + 28);
            std::string name(reinterpret_cast<const char*>(record + 46), nameLength);
            at += 46 + nameLength + Get16(record + 30) + Get16(record + 32);
            for (char& c : name)
                c = c == '/' ? '\\' : c;
            const std::string path = folder + "\\" + name;
            if (name.back() == '\\') {
                MakeFolders(path.substr(0, path.size() - 1));
                continue;
            }
            const std::string parent = path.substr(0, path.rfind('\\'));
            if (parent != lastFolder) {
                MakeFolders(parent);
                lastFolder = parent;
            }
            const unsigned char* local = data + Get32(record + 42);
            const unsigned char* source = local + 30 + Get16(local + 26) + Get16(local + 28);
            if (method == 0) {
                ok = WriteWhole(path, source, unpacked);
                continue;
            }
            std::unique_ptr<unsigned char[]> buffer(new unsigned char[unpacked > 0 ? unpacked : 1]);
            ok = Inflate(source, packed, buffer.get(), unpacked) && WriteWhole(path, buffer.get(), unpacked);
        }
    }
    return ok;
}

bool ProgramUnpack(const char* archivePath, const char* folder, bool shellFirst) {
    wchar_t wideArchive[PathSize];
    wchar_t wideFolder[PathSize];
    if (!MultiByteToWideChar(CP_ACP, 0, archivePath, -1, wideArchive, PathSize) ||
        !MultiByteToWideChar(CP_ACP, 0, folder, -1, wideFolder, PathSize))
        return false;
    BstrText archive(SysAllocString(wideArchive));
    BstrText target(SysAllocString(wideFolder));
    if (!archive || !target)
        return false;
    const int unpacked =
        shellFirst ? ExtractPackageChecked(archive.get(), target.get()) : UnzipPackage(archive.get(), target.get());
    return unpacked == 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ldunpackbench program|unpacker|floor ARCHIVE FOLDER\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (!CreateDirectoryA(argv[3], nullptr)) {
        std::fprintf(stderr, "the folder %s cannot be made new\n", argv[3]);
        return 2;
    }
    char full[PathSize];
    const DWORD length = GetFullPathNameA(argv[3], PathSize, full, nullptr);
    if (length == 0 || length >= PathSize)
        return 2;
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const bool ok = mode == "floor" ? FloorUnpack(argv[2], full) : ProgramUnpack(argv[2], full, mode == "program");
    QueryPerformanceCounter(&stop);
    if (!ok) {
        std::fprintf(stderr, "%s: unpacking failed (last error %lu)\n", mode.c_str(), GetLastError());
        return 1;
    }
    std::printf("ms=%.1f\n",
                static_cast<double>(stop.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart));
    return 0;
}
