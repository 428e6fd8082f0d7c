#include "shell/core/ShellModule.h"

#include <utility>

#include "framework/Exceptions.h"

namespace wf {

namespace {

// Two zero bytes and padding: the desktop's id list.
const ITEMIDLIST_ABSOLUTE kEmptyIdList{};

using RtlGetVersionFunc = LONG(WINAPI*)(OSVERSIONINFOW*);

// GetVersionEx answers a manifest-dependent lie on newer systems; ntdll's
// RtlGetVersion tells the truth and is present on every NT system.
bool ReadVersion(OSVERSIONINFOW& info) {
  info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    auto rtl_get_version =
        reinterpret_cast<RtlGetVersionFunc>(GetProcAddress(ntdll, "RtlGetVersion"));
    if (rtl_get_version && rtl_get_version(&info) == 0) return true;
  }
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExW(&info) != FALSE;
}

}  // namespace

ShellModule* ShellModule::instance_ = nullptr;

ShellModule::ShellModule() {
  // A second module would release the first one's state at its end.
  if (instance_) throw Exception(L"Dirwalker Components: the shell module is already running");
  shell32_.reset(LoadLibraryW(L"shell32.dll"));
  if (!shell32_) throw Exception(L"Dirwalker Components: Cannot open SHELL32.DLL!");
  register_ = reinterpret_cast<SHChangeNotifyRegisterFunc>(
      GetProcAddress(shell32_.get(), MAKEINTRESOURCEA(2)));
  deregister_ = reinterpret_cast<SHChangeNotifyDeregisterFunc>(
      GetProcAddress(shell32_.get(), MAKEINTRESOURCEA(4)));

  if (FAILED(SHGetDesktopFolder(desktop_.ReleaseAndGetAddressOf())) || !desktop_)
    throw Exception(L"Dirwalker Components: Cannot open Shell!");

  OSVERSIONINFOW info;
  if (ReadVersion(info)) {
    nt_platform_ = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    old_shell_ = info.dwMajorVersion == 4 && info.dwMinorVersion < 11;
  }
  instance_ = this;
}

ShellModule::~ShellModule() {
  instance_ = nullptr;
}

namespace {
// The desktop folder of a worker thread's own, while it holds a ThreadDesktop.
thread_local IShellFolder* thread_desktop = nullptr;
}  // namespace

IShellFolder* ShellModule::DesktopFolder() noexcept {
  if (thread_desktop) return thread_desktop;
  return instance_ ? instance_->desktop_.Get() : nullptr;
}

ShellModule::ThreadDesktop::ThreadDesktop() noexcept : replaced_(thread_desktop) {
  if (FAILED(SHGetDesktopFolder(desktop_.GetAddressOf()))) desktop_.Reset();
  if (desktop_) thread_desktop = desktop_.Get();
}

ShellModule::ThreadDesktop::~ThreadDesktop() {
  thread_desktop = replaced_;
}

ShellModule::DesktopFolderOverride::DesktopFolderOverride(
    Microsoft::WRL::ComPtr<IShellFolder> desktop) noexcept
    : module_(desktop ? instance_ : nullptr) {
  if (module_) replaced_ = std::exchange(module_->desktop_, std::move(desktop));
}

ShellModule::DesktopFolderOverride::~DesktopFolderOverride() {
  // The module it was made under may have ended since: nothing to put back.
  if (module_ && module_ == instance_) module_->desktop_ = std::move(replaced_);
}

PCIDLIST_ABSOLUTE ShellModule::EmptyIdList() noexcept {
  return &kEmptyIdList;
}

bool ShellModule::IsNTPlatform() noexcept {
  return instance_ && instance_->nt_platform_;
}

bool ShellModule::IsOldShell() noexcept {
  return instance_ && instance_->old_shell_;
}

SHChangeNotifyRegisterFunc ShellModule::ChangeNotifyRegister() noexcept {
  return instance_ ? instance_->register_ : nullptr;
}

SHChangeNotifyDeregisterFunc ShellModule::ChangeNotifyDeregister() noexcept {
  return instance_ ? instance_->deregister_ : nullptr;
}

}  // namespace wf
