#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "framework/Handles.h"
#include "shell/core/Dirwalker.h"
#include "shell/core/InterfaceOut.h"
#include "shell/core/ShellModule.h"

namespace wf {

using Microsoft::WRL::ComPtr;

namespace {

constexpr LONG kThumbnailDefaultSize = 64;
constexpr DWORD kThumbnailColourDepth = 16;
constexpr DWORD kThumbnailPriority = 2;  // an ordinary request, neither first nor last

struct CoTaskMemDeleter {
  void operator()(void* memory) const { CoTaskMemFree(memory); }
};

}  // namespace

// The folder object answers about its current object through the query of
// its bound folder, the one code path every row of a list uses too.

// The owner window is looked up only while the interfaces are still to be
// asked for: every detail text comes through here.
bool TDirwalker::AcquireDetails() {
  return query_.HasDetails() || query_.AcquireDetails(ShellOwnerWindow());
}

void TDirwalker::SetDetailsUnavailable() {
  query_.SetDetailsUnavailable();
}

std::wstring TDirwalker::DetailText(int column, bool header) {
  AcquireDetails();
  return header ? query_.ColumnTitle(column) : query_.DetailText(current_id_.get(), column);
}

void TDirwalker::ColumnInfo(int column, TAlignment& alignment, int& width) {
  AcquireDetails();
  query_.ColumnInfo(column, alignment, width);
}

double TDirwalker::ModifiedTime() {
  return query_.ModifiedTime(current_id_.get());
}

int TDirwalker::SmallIconIndex() {
  return query_.SmallIconIndex(current_id_.get());
}

int TDirwalker::OverlayIndex() {
  return query_.OverlayIndex(current_id_.get());
}

ShellItemQuery TDirwalker::ObjectQuery() {
  AcquireDetails();
  return query_.Copy();
}

HBITMAP TDirwalker::ExtractThumbnail(int width, int height) {
  if (ShellModule::IsOldShell() || !shell_folder_ || !current_id_) return nullptr;
  ComPtr<IExtractImage> extractor;
  if (FAILED(GetUIObject(IID_IExtractImage, OutVoid(extractor))) || !extractor) return nullptr;
  SIZE size{width, height};
  if (width <= 0 || height <= 0) size = {kThumbnailDefaultSize, kThumbnailDefaultSize};
  wchar_t location[MAX_PATH] = {};
  DWORD priority = kThumbnailPriority;
  DWORD flags = IEIFLAG_ASPECT | IEIFLAG_QUALITY;
  if (FAILED(extractor->GetLocation(location, MAX_PATH, &priority, &size, kThumbnailColourDepth,
                                    &flags)))
    return nullptr;
  HBITMAP raw_bitmap = nullptr;
  const HRESULT hr = extractor->Extract(&raw_bitmap);
  UniqueBitmap bitmap(raw_bitmap);
  return SUCCEEDED(hr) ? bitmap.release() : nullptr;
}

std::wstring TDirwalker::InfoTip() {
  if (!shell_folder_ || !current_id_) return {};
  ComPtr<IQueryInfo> query;
  if (FAILED(GetUIObject(IID_IQueryInfo, OutVoid(query))) || !query) return {};
  wchar_t* raw_tip = nullptr;
  HRESULT hr;
  {
    ErrorModeScope quiet(SEM_FAILCRITICALERRORS);
    hr = query->GetInfoTip(0, &raw_tip);
  }
  std::unique_ptr<wchar_t, CoTaskMemDeleter> tip(raw_tip);
  if (FAILED(hr) || !tip) return {};
  return tip.get();
}

}  // namespace wf
