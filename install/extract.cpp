// Package extraction: the shell's automation object copies the archive's items into the
// folder in one call; where the shell cannot open the archive, the built-in unpacker does it.
// Either way the package is weighed before anything is written, and what the shell wrote is
// compared with the archive afterwards.
#include "install/extract.h"

#include <shldisp.h>

#include "base/com_handles.h"
#include "install/unzip.h"

namespace {
// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI
constexpr LONG CopyOptions = 0x614;

enum class ShellCopy { Done, ArchiveNotOpened, Refused };

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

// Every item of the archive into the target in one CopyHere. Errors of the copy show no dialog
// and are not reported; the copy is over when it returns.
void CopyAllItems(Folder* archiveFolder, Folder* targetFolder) {
    ComRef<FolderItems> items;
    if (FAILED(archiveFolder->Items(items.out())) || !items.get())
        return;
    LONG count = 0;
    if (FAILED(items.get()->get_Count(&count)) || count < 1)
        return;
    ComRef<IDispatch> itemsDispatch;
    if (FAILED(items.get()->QueryInterface(IID_IDispatch, itemsDispatch.outVoid())) || !itemsDispatch.get())
        return;
    VARIANT itemArg;
    VariantInit(&itemArg);
    itemArg.vt = VT_DISPATCH;
    itemArg.pdispVal = itemsDispatch.get();
    VARIANT optionsArg;
    VariantInit(&optionsArg);
    optionsArg.vt = VT_I4;
    optionsArg.lVal = CopyOptions;
    targetFolder->CopyHere(itemArg, optionsArg);
}

// The references are released in reverse order of creation: the target folder, the archive
// folder, then the shell object (the items and their IDispatch within CopyAllItems).
ShellCopy CopyThroughShell(BSTR archivePath, BSTR folder) {
    ComRef<IShellDispatch> shell;
    if (CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch, shell.outVoid()) != S_OK ||
        !shell.get())
        return ShellCopy::ArchiveNotOpened;
    ComRef<Folder> archiveFolder;
    if (!OpenShellFolder(shell.get(), archivePath, archiveFolder))
        return ShellCopy::ArchiveNotOpened;
    // The shell would write whatever the archive claims: it is weighed first.
    if (IsFile(archivePath) && !PackageFitsFolder(archivePath, folder))
        return ShellCopy::Refused;
    ComRef<Folder> targetFolder;
    if (OpenShellFolder(shell.get(), folder, targetFolder))
        CopyAllItems(archiveFolder.get(), targetFolder.get());
    return ShellCopy::Done;
}
} // namespace

bool ExtractPackageChecked(BSTR archivePath, BSTR folder) {
    // Only a successful initialisation (S_FALSE included) is balanced by an uninitialisation.
    const HRESULT com = CoInitialize(nullptr);
    const ShellCopy copy = CopyThroughShell(archivePath, folder);
    const DWORD refusal = GetLastError();
    if (SUCCEEDED(com))
        CoUninitialize();
    switch (copy) {
    case ShellCopy::ArchiveNotOpened: return UnzipPackage(archivePath, folder);
    case ShellCopy::Refused: SetLastError(refusal); return false;
    case ShellCopy::Done: break;
    }
    // The shell reports nothing of its copy: a full disk or a failed file shows only in the
    // folder, as an entry missing or short.
    return !IsFile(archivePath) || FolderMatchesPackage(archivePath, folder);
}

void ExtractPackage(BSTR archivePath, BSTR folder) {
    ExtractPackageChecked(archivePath, folder);
}
