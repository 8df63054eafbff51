// Package extraction: the shell's automation object copies the archive's items into the
// folder in one call; where the shell cannot open the archive, the built-in unpacker does it.
#include "install/extract.h"

#include <shldisp.h>

#include "base/handles.h"
#include "install/unzip.h"

namespace {
// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI
constexpr LONG CopyOptions = 0x614;

enum class ShellCopy { Done, ArchiveNotOpened };

// The references are released in reverse order of creation: the IDispatch, the items, the
// target folder, the archive folder, then the shell object.
ShellCopy CopyThroughShell(BSTR archivePath, BSTR folder) {
    ComRef<IShellDispatch> shell;
    if (CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch, shell.outVoid()) != S_OK ||
        !shell.get())
        return ShellCopy::ArchiveNotOpened;

    VARIANT archiveArg;
    VariantInit(&archiveArg);
    archiveArg.vt = VT_BSTR;
    archiveArg.bstrVal = archivePath;
    ComRef<Folder> archiveFolder;
    if (FAILED(shell.get()->NameSpace(archiveArg, archiveFolder.out())) || !archiveFolder.get())
        return ShellCopy::ArchiveNotOpened;

    VARIANT folderArg;
    VariantInit(&folderArg);
    folderArg.vt = VT_BSTR;
    folderArg.bstrVal = folder;
    ComRef<Folder> targetFolder;
    if (FAILED(shell.get()->NameSpace(folderArg, targetFolder.out())) || !targetFolder.get())
        return ShellCopy::Done;

    ComRef<FolderItems> items;
    if (FAILED(archiveFolder.get()->Items(items.out())) || !items.get())
        return ShellCopy::Done;
    LONG count = 0;
    if (FAILED(items.get()->get_Count(&count)) || count < 1)
        return ShellCopy::Done;

    ComRef<IDispatch> itemsDispatch;
    if (FAILED(items.get()->QueryInterface(IID_IDispatch, itemsDispatch.outVoid())) || !itemsDispatch.get())
        return ShellCopy::Done;
    VARIANT itemArg;
    VariantInit(&itemArg);
    itemArg.vt = VT_DISPATCH;
    itemArg.pdispVal = itemsDispatch.get();
    VARIANT optionsArg;
    VariantInit(&optionsArg);
    optionsArg.vt = VT_I4;
    optionsArg.lVal = CopyOptions;
    // Errors of the copy show no dialog and are not reported; the copy is over when it returns.
    targetFolder.get()->CopyHere(itemArg, optionsArg);
    return ShellCopy::Done;
}
} // namespace

int ExtractPackageChecked(BSTR archivePath, BSTR folder) {
    // Only a successful initialisation (S_FALSE included) is balanced by an uninitialisation.
    const HRESULT com = CoInitialize(nullptr);
    const ShellCopy copy = CopyThroughShell(archivePath, folder);
    if (SUCCEEDED(com))
        CoUninitialize();
    if (copy == ShellCopy::ArchiveNotOpened)
        return UnzipPackage(archivePath, folder);
    return 1;
}

void ExtractPackage(BSTR archivePath, BSTR folder) {
    ExtractPackageChecked(archivePath, folder);
}
