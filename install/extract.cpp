// Package extraction: the shell's automation object copies the archive's items into the folder
// in one call, and since that copy may run on after the call returns, the step waits until the
// folder matches the archive; what the copy leaves undone, and every package the shell cannot
// open, the built-in unpacker writes. Either way the package is weighed before anything is written.
#include "install/extract.h"

#include <shldisp.h>

#include <cstdio>

#include "base/com_handles.h"
#include "install/extract_seam.h"
#include "install/failure_trail.h"
#include "install/unzip.h"
#include "progress/wait.h"

namespace {
// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI
constexpr LONG CopyOptions = 0x614;
constexpr size_t DebugLineSize = 160;

enum class ShellCopy { Done, ArchiveNotOpened, Failed };

HRESULT CreateSystemShell(IShellDispatch** shell) {
    return CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch,
                            reinterpret_cast<void**>(shell));
}

#ifdef LUDRA_TEST_SEAMS
ShellFactory CreateShell = CreateSystemShell;
ShellWaitBounds WaitBounds = ShellCopyWait;
#else
constexpr ShellFactory CreateShell = CreateSystemShell;
constexpr ShellWaitBounds WaitBounds = ShellCopyWait;
#endif

// For support: which unpacker wrote what.
void ReportUnpackers(const UnpackCounts& counts) {
    char line[DebugLineSize];
    std::snprintf(line, sizeof line,
                  "Ludra Setup: unpacking: after the shell's copy %u files matched the package, the built-in "
                  "unpacker wrote %u\n",
                  static_cast<unsigned>(counts.found), static_cast<unsigned>(counts.written));
    LeaveTrailLine(line);
}

// A source the shell opens may be a folder rather than an archive; only a file has a central
// directory to weigh and to compare the copy with.
bool IsFile(BSTR path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The shell's folder for a path: an archive the shell can open, or an ordinary folder.
bool OpenShellFolder(IShellDispatch* shell, BSTR path, ComRef<Folder>& folder) {
    VARIANT pathArg;
    VariantInit(&pathArg);
    pathArg.vt = VT_BSTR;
    pathArg.bstrVal = path;
    return SUCCEEDED(shell->NameSpace(pathArg, folder.out())) && folder.get();
}

// Every item of the archive into the target in one CopyHere; true when the shell took the copy.
// Errors of the copy show no dialog and are not reported, nor is its end.
bool CopyAllItems(Folder* archiveFolder, Folder* targetFolder) {
    ComRef<FolderItems> items;
    if (FAILED(archiveFolder->Items(items.out())) || !items.get())
        return false;
    LONG count = 0;
    if (FAILED(items.get()->get_Count(&count)) || count < 1)
        return false;
    ComRef<IDispatch> itemsDispatch;
    if (FAILED(items.get()->QueryInterface(IID_IDispatch, itemsDispatch.outVoid())) || !itemsDispatch.get())
        return false;
    VARIANT itemArg;
    VariantInit(&itemArg);
    itemArg.vt = VT_DISPATCH;
    itemArg.pdispVal = itemsDispatch.get();
    VARIANT optionsArg;
    VariantInit(&optionsArg);
    optionsArg.vt = VT_I4;
    optionsArg.lVal = CopyOptions;
    return SUCCEEDED(targetFolder->CopyHere(itemArg, optionsArg));
}

// The shell's copy of an archive, as the unpacker that CompletePackage watches. The copy may
// still be running when CopyHere returns, so the target folder is held until the watching ends.
class ShellArchiveCopy : public OtherUnpacker {
public:
    ShellArchiveCopy(IShellDispatch* shell, Folder* archiveFolder, BSTR folder)
        : shell_(shell), archiveFolder_(archiveFolder), folder_(folder), targetFolder_(), started_(0), lastChange_(0) {}

    bool Start() override {
        if (!OpenShellFolder(shell_, folder_, targetFolder_) || !CopyAllItems(archiveFolder_, targetFolder_.get()))
            return false;
        started_ = lastChange_ = GetTickCount64();
        return true;
    }

    // A confirmed Cancel ends the waiting too: the unpacking, which never stopped at Cancel,
    // then finishes without the shell.
    bool KeepWaiting(bool changed) override {
        const ULONGLONG now = GetTickCount64();
        if (changed)
            lastChange_ = now;
        if (now - lastChange_ >= WaitBounds.stallMs || now - started_ >= WaitBounds.limitMs)
            return false;
        return WaitPumping(nullptr, WaitBounds.pollMs) == WaitOutcome::TimedOut;
    }

private:
    IShellDispatch* shell_;
    Folder* archiveFolder_;
    BSTR folder_;
    ComRef<Folder> targetFolder_;
    ULONGLONG started_;
    ULONGLONG lastChange_;
};

// The references are released in reverse order of creation: the target folder (with the copy),
// the archive folder, then the shell object (the items and their IDispatch within CopyAllItems).
ShellCopy CopyThroughShell(BSTR archivePath, BSTR folder) {
    ComRef<IShellDispatch> shell;
    if (CreateShell(shell.out()) != S_OK || !shell.get())
        return ShellCopy::ArchiveNotOpened;
    ComRef<Folder> archiveFolder;
    if (!OpenShellFolder(shell.get(), archivePath, archiveFolder))
        return ShellCopy::ArchiveNotOpened;
    if (!IsFile(archivePath)) {
        ComRef<Folder> targetFolder;
        if (OpenShellFolder(shell.get(), folder, targetFolder))
            CopyAllItems(archiveFolder.get(), targetFolder.get());
        return ShellCopy::Done;
    }
    // The shell would write whatever the archive claims: it is weighed before the copy starts.
    ShellArchiveCopy copy(shell.get(), archiveFolder.get(), folder);
    UnpackCounts counts;
    const bool complete = CompletePackage(archivePath, folder, copy, counts);
    ReportUnpackers(counts);
    return complete ? ShellCopy::Done : ShellCopy::Failed;
}
} // namespace

#ifdef LUDRA_TEST_SEAMS
void SetShellFactory(ShellFactory factory) {
    CreateShell = factory ? factory : CreateSystemShell;
}

void SetShellWaitBounds(const ShellWaitBounds& bounds) {
    WaitBounds = bounds;
}
#endif

bool ExtractPackageChecked(BSTR archivePath, BSTR folder) {
    // Only a successful initialisation (S_FALSE included) is balanced by an uninitialisation.
    const HRESULT com = CoInitialize(nullptr);
    const ShellCopy copy = CopyThroughShell(archivePath, folder);
    const DWORD reason = GetLastError();
    if (SUCCEEDED(com))
        CoUninitialize();
    switch (copy) {
    case ShellCopy::ArchiveNotOpened:
        LeaveTrailLine("Ludra Setup: unpacking: the shell cannot open the package, the built-in unpacker writes it\n");
        return UnzipPackage(archivePath, folder);
    case ShellCopy::Failed: SetLastError(reason); return false;
    case ShellCopy::Done: break;
    }
    return true;
}

void ExtractPackage(BSTR archivePath, BSTR folder) {
    ExtractPackageChecked(archivePath, folder);
}
