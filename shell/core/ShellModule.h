#pragma once

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "framework/Handles.h"

namespace wf {

// The shell's change-notification entry points, fetched from shell32 by
// ordinal (2 and 4): they are exported only by ordinal on older systems.
using SHChangeNotifyRegisterFunc = ULONG(WINAPI*)(HWND window, int sources, LONG events,
                                                  UINT message, int entry_count,
                                                  const SHChangeNotifyEntry* entries);
using SHChangeNotifyDeregisterFunc = BOOL(WINAPI*)(ULONG registration);

// Process-wide shell state: OLE on the user-interface thread, the shell
// library, the desktop folder and the platform flags. Exactly one instance
// lives from the program's entry (or a test main) to its end; the static
// accessors read it from any thread once it is constructed.
class ShellModule {
 public:
  // Raises wf::Exception with "Dirwalker Components: Cannot open SHELL32.DLL!"
  // or "Dirwalker Components: Cannot open Shell!".
  ShellModule();
  ~ShellModule();
  ShellModule(const ShellModule&) = delete;
  ShellModule& operator=(const ShellModule&) = delete;

  static bool Running() noexcept { return instance_ != nullptr; }
  // Null when no module is running.
  static IShellFolder* DesktopFolder() noexcept;
  // The empty id list (just its terminator): the desktop.
  static PCIDLIST_ABSOLUTE EmptyIdList() noexcept;
  static bool IsNTPlatform() noexcept;
  // Shell 4.0 / 4.10, which does not report SFGAO_FILESYSANCESTOR.
  static bool IsOldShell() noexcept;
  static SHChangeNotifyRegisterFunc ChangeNotifyRegister() noexcept;
  static SHChangeNotifyDeregisterFunc ChangeNotifyDeregister() noexcept;

  // For a worker thread, after it has initialised COM: the desktop folder
  // of its own (the module's belongs to the user-interface thread's
  // apartment) answers DesktopFolder on this thread for the scope's life.
  class ThreadDesktop {
   public:
    ThreadDesktop() noexcept;
    ~ThreadDesktop();
    ThreadDesktop(const ThreadDesktop&) = delete;
    ThreadDesktop& operator=(const ThreadDesktop&) = delete;
    bool Bound() const { return static_cast<bool>(desktop_); }

   private:
    Microsoft::WRL::ComPtr<IShellFolder> desktop_;
    IShellFolder* replaced_;
  };

  // A test seam: a desktop folder of the test's own (one that refuses what
  // Wine's shell allows, say) answers DesktopFolder for the scope's life,
  // then the one it replaced is back, however the scope is left. Process-
  // wide: made and ended on the user-interface thread while no other thread
  // asks for the desktop. Scopes nest. A null folder, or no module
  // running, changes nothing.
  class DesktopFolderOverride {
   public:
    explicit DesktopFolderOverride(Microsoft::WRL::ComPtr<IShellFolder> desktop) noexcept;
    ~DesktopFolderOverride();
    DesktopFolderOverride(const DesktopFolderOverride&) = delete;
    DesktopFolderOverride& operator=(const DesktopFolderOverride&) = delete;

   private:
    ShellModule* const module_;
    Microsoft::WRL::ComPtr<IShellFolder> replaced_;
  };

 private:
  struct LibraryDeleter {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  // Members are released in reverse order: the desktop folder, then the
  // library, then OLE.
  class OleScope {
   public:
    OleScope() : initialized_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleScope() {
      if (initialized_) OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

   private:
    bool initialized_;
  };

  static ShellModule* instance_;

  OleScope ole_;
  Unique<HMODULE, LibraryDeleter> shell32_;
  Microsoft::WRL::ComPtr<IShellFolder> desktop_;
  bool nt_platform_ = false;
  bool old_shell_ = false;
  SHChangeNotifyRegisterFunc register_ = nullptr;
  SHChangeNotifyDeregisterFunc deregister_ = nullptr;
};

}  // namespace wf
