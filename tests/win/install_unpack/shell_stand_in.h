// A stand-in for the shell's folder objects, for the extraction step's shell road under Wine,
// whose shell cannot open a zip: NameSpace gives one folder for the archive and the target alike,
// and CopyHere returns at once while a thread of its own plays one way a copy can go.
#pragma once

#include <windows.h>
#include <shldisp.h>

#include <string>
#include <thread>
#include <vector>

#include "install/extract_seam.h"

enum class ShellPlay {
    Late,           // writes everything 2 s after CopyHere returned
    Locked,         // writes everything, the last file held locked against readers for 1.5 s
    Halfway,        // writes the first half of the files and half of the next one
    OneByteChanged, // writes everything, the last file with one byte changed
    Held,           // the same, the last file held open (shared for reading) until 0.5 s past the stall
    Never,          // writes nothing
    Trickle,        // writes everything, the last file a byte every 10 ms, in place
};

struct StandInFile {
    std::string name; // '\' separated
    std::string content;
};

class ShellStandIn : public IShellDispatch, public Folder, public FolderItems {
public:
    // The step's wait while a stand-in plays: shorter than the program's, the plays timed to it.
    static constexpr ShellWaitBounds Bounds = {3000, 6000, 100};

    ShellStandIn(ShellPlay play, const std::string& folder, const std::vector<StandInFile>& files)
        : play_(play), folder_(folder), files_(files), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        current_ = this;
        SetShellFactory([](IShellDispatch** shell) {
            *shell = current_;
            return S_OK;
        });
        SetShellWaitBounds(Bounds);
    }
    ~ShellStandIn() {
        Stop();
        SetShellFactory(nullptr);
        SetShellWaitBounds(ShellCopyWait);
        CloseHandle(stop_);
    }
    // Nothing writes into the folder after this.
    void Stop() {
        SetEvent(stop_);
        if (worker_.joinable())
            worker_.join();
    }
    int Copies() const { return copies_; }

    // The test owns the object, so references are not counted. The step asks the items alone for
    // an interface: their IDispatch, for CopyHere.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IDispatch ? static_cast<FolderItems*>(this) : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE NameSpace(VARIANT, Folder** folder) override {
        *folder = this;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Items(FolderItems** items) override {
        *items = this;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        *count = static_cast<LONG>(files_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyHere(VARIANT, VARIANT) override {
        if (copies_++ == 0)
            worker_ = std::thread([this] { Play(); });
        return S_OK;
    }

    // The methods the step never calls, listed densely.
    // clang-format off
#define LUDRA_NOT_CALLED(method, ...) HRESULT STDMETHODCALLTYPE method(__VA_ARGS__) override { return E_NOTIMPL; }
    LUDRA_NOT_CALLED(GetTypeInfoCount, UINT*) LUDRA_NOT_CALLED(GetTypeInfo, UINT, LCID, ITypeInfo**)
    LUDRA_NOT_CALLED(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    LUDRA_NOT_CALLED(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
    LUDRA_NOT_CALLED(get_Application, IDispatch**) LUDRA_NOT_CALLED(get_Parent, IDispatch**)
    LUDRA_NOT_CALLED(BrowseForFolder, LONG, BSTR, LONG, VARIANT, Folder**) LUDRA_NOT_CALLED(Windows, IDispatch**)
    LUDRA_NOT_CALLED(Open, VARIANT) LUDRA_NOT_CALLED(Explore, VARIANT) LUDRA_NOT_CALLED(MinimizeAll)
    LUDRA_NOT_CALLED(UndoMinimizeALL) LUDRA_NOT_CALLED(FileRun) LUDRA_NOT_CALLED(CascadeWindows)
    LUDRA_NOT_CALLED(TileVertically) LUDRA_NOT_CALLED(TileHorizontally) LUDRA_NOT_CALLED(ShutdownWindows)
    LUDRA_NOT_CALLED(Suspend) LUDRA_NOT_CALLED(EjectPC) LUDRA_NOT_CALLED(SetTime) LUDRA_NOT_CALLED(TrayProperties)
    LUDRA_NOT_CALLED(Help) LUDRA_NOT_CALLED(FindFiles) LUDRA_NOT_CALLED(FindComputer) LUDRA_NOT_CALLED(RefreshMenu)
    LUDRA_NOT_CALLED(ControlPanelItem, BSTR) LUDRA_NOT_CALLED(get_Title, BSTR*)
    LUDRA_NOT_CALLED(get_ParentFolder, Folder**) LUDRA_NOT_CALLED(ParseName, BSTR, FolderItem**)
    LUDRA_NOT_CALLED(NewFolder, BSTR, VARIANT) LUDRA_NOT_CALLED(MoveHere, VARIANT, VARIANT)
    LUDRA_NOT_CALLED(GetDetailsOf, VARIANT, int, BSTR*) LUDRA_NOT_CALLED(Item, VARIANT, FolderItem**)
    LUDRA_NOT_CALLED(_NewEnum, IUnknown**);
#undef LUDRA_NOT_CALLED
    // clang-format on

private:
    static inline ShellStandIn* current_ = nullptr;

    // True when the test stopped the play within ms.
    bool Stopped(DWORD ms) const {
        return WaitForSingleObject(stop_, ms) == WAIT_OBJECT_0;
    }

    // Bytes at offset into the file, its folders made, the file held open for holdMs.
    void Put(const StandInFile& file, size_t offset, const std::string& bytes, DWORD holdMs = 0,
             DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) const {
        const std::string path = folder_ + "\\" + file.name;
        for (size_t at = path.find('\\', folder_.size() + 1); at != std::string::npos; at = path.find('\\', at + 1))
            CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
        HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, share, nullptr, OPEN_ALWAYS, 0, nullptr);
        SetFilePointer(out, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
        DWORD written = 0;
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        Stopped(holdMs);
        CloseHandle(out);
    }

    void Play() {
        const size_t half = files_.size() / 2;
        if (play_ == ShellPlay::Never || (play_ == ShellPlay::Late && Stopped(2000)))
            return;
        for (size_t i = 0; i + 1 < files_.size(); ++i) {
            if (play_ == ShellPlay::Halfway && i == half)
                return Put(files_[i], 0, files_[i].content.substr(0, files_[i].content.size() / 2));
            Put(files_[i], 0, files_[i].content);
        }
        const StandInFile& last = files_.back();
        std::string changed = last.content;
        changed[changed.size() / 2] = static_cast<char>(changed[changed.size() / 2] ^ 0x20);
        switch (play_) {
        case ShellPlay::Locked: return Put(last, 0, last.content, 1500, 0);
        case ShellPlay::OneByteChanged: return Put(last, 0, changed);
        case ShellPlay::Held: return Put(last, 0, changed, Bounds.stallMs + 500, FILE_SHARE_READ);
        case ShellPlay::Trickle:
            for (size_t at = 0; at < last.content.size() && !Stopped(10); ++at)
                Put(last, at, last.content.substr(at, 1));
            return;
        default: return Put(last, 0, last.content);
        }
    }

    ShellPlay play_;
    std::string folder_;
    std::vector<StandInFile> files_;
    HANDLE stop_;
    int copies_ = 0;
    std::thread worker_;
};
