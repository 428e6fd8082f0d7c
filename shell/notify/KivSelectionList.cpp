// The ticked files and folders shared by a shell link's controls.
#include "shell/notify/KivSelectionList.h"

#include <windows.h>

#include <functional>

#include "framework/Handles.h"
#include "framework/Strings.h"
#include "shell/core/ShellUtils.h"
#include "shell/core/SpecialFolders.h"
#include "shell/notify/FolderSizeThread.h"
#include "shell/notify/ShellLink.h"

namespace wf {

namespace {

constexpr wchar_t kFolderShortcutTarget[] = L"target.lnk";

// "C:\Data\a.txt" gives "C:\Data", "C:\Data" gives "C:", "C:" itself.
std::wstring DirectoryPart(const std::wstring& path) {
  return ExcludeTrailingBackslash(ExtractFilePath(path));
}

std::wstring FolderEntry(const std::wstring& folder) {
  return ExcludeTrailingBackslash(folder) + L"\\*";
}

bool IsFolderEntry(const std::wstring& entry) {
  return entry.size() >= 2 && entry.compare(entry.size() - 2, 2, L"\\*") == 0;
}

// The folder an entry "X\*" stands for, or the file's path as it is.
std::wstring EntryPath(const std::wstring& entry) {
  return IsFolderEntry(entry) ? entry.substr(0, entry.size() - 2) : entry;
}

DWORD AttributesOf(const std::wstring& path) {
  return GetFileAttributesW(LongPathForm(path).c_str());
}

bool IsDirectory(const std::wstring& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The entry a path is stored as: a file as it is, a folder as "folder\*";
// false for what names nothing there.
bool Normalise(std::wstring path, std::wstring& entry) {
  if (path.empty() || path == L"." || path == L"..") return false;
  if (path.back() == L'*') path.pop_back();
  if (path.empty()) return false;
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  entry = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderEntry(path) : path;
  return true;
}

// Calls `each` with every child's full path and whether it is a folder;
// false when the folder cannot be read.
bool ForEachChild(const std::wstring& folder,
                  const std::function<bool(const std::wstring& child, bool directory)>& each) {
  const std::wstring base = ExcludeTrailingBackslash(folder) + L'\\';
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(FindFirstFileExW(LongPathForm(base + L'*').c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0));
  if (!find) return false;
  do {
    const std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (!each(base + data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0))
      break;
  } while (FindNextFileW(find.get(), &data));
  return true;
}

bool StartsWithFolder(const std::wstring& entry, const std::wstring& folder_prefix) {
  return StartsWithText(entry, folder_prefix);
}

}  // namespace

// --- The base: the totals ------------------------------------------------

TKivBaseSelectionList::TKivBaseSelectionList(TComponent* owner)
    : TComponent(owner), pool_(std::make_unique<TThreadPool>()) {
  pool_->OnCompletion = [this](TKivThread* job) { Accumulate(job); };
}

TKivBaseSelectionList::~TKivBaseSelectionList() {
  pool_.reset();
}

void TKivBaseSelectionList::Accumulate(TKivThread* job) {
  auto* size_job = dynamic_cast<TKivFolderSizeThread*>(job);
  if (!size_job || size_job->Terminated()) return;
  total_size_ += size_job->Sign() * size_job->Size();
  file_count_ += size_job->Sign() * size_job->FileCount();
}

// --- States ----------------------------------------------------------------

TKivSelectionList::TKivSelectionList(TComponent* owner) : TKivBaseSelectionList(owner) {}

bool TKivSelectionList::IsFolderShortcut(const std::wstring& path, std::wstring* link) {
  std::wstring folder = path;
  if (!folder.empty() && folder.back() == L'*') folder.pop_back();
  folder = ExcludeTrailingBackslash(folder);
  if (folder.empty()) return false;
  const std::wstring target = folder + L'\\' + kFolderShortcutTarget;
  const DWORD attributes = AttributesOf(target);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !IsDirectory(folder))
    return false;
  if (link) *link = target;
  return true;
}

std::wstring TKivSelectionList::ResolvedShortcut(const std::wstring& path) const {
  std::wstring link;
  if (!resolve_folder_shortcuts_ || !IsFolderShortcut(path, &link)) return path;
  // The folder is the shortcut; its "target.lnk" is the link to read.
  return ResolveLink(link);
}

int TKivSelectionList::IndexOf(const std::wstring& entry) const {
  for (int i = 0; i < paths_.Count(); ++i)
    if (SameText(paths_[i], entry)) return i;
  return -1;
}

bool TKivSelectionList::CoveredByAncestor(std::wstring entry) const {
  // Each step is shorter than the one before; the bound only makes sure.
  for (size_t steps = entry.size() + 2; steps > 0; --steps) {
    if (IndexOf(entry) >= 0) return true;
    std::wstring below = entry;
    if (IsFolderEntry(below)) {
      below.resize(below.size() - 2);
      if (below.empty()) return false;
    }
    const std::wstring parent = FolderEntry(DirectoryPart(below));
    if (SameText(parent, entry)) return false;  // the drive's root
    entry = parent;
  }
  return false;
}

TKivSelectionState TKivSelectionList::GetPathState(const std::wstring& path, bool* implicit) {
  if (implicit) *implicit = false;
  if (path.empty()) return ssNone;
  std::wstring plain = path;
  if (const size_t star = plain.find(L'*'); star != std::wstring::npos) plain.erase(star, 1);
  if (!DriveReady(plain)) return ssNone;
  if (!resolve_folder_shortcuts_ && IsFolderShortcut(path, nullptr)) return ssNone;
  std::wstring entry;
  if (!Normalise(ResolvedShortcut(path), entry)) return ssNone;
  if (IndexOf(entry) >= 0) return ssChecked;
  if (CoveredByAncestor(entry)) {
    if (implicit) *implicit = true;
    return ssChecked;
  }
  const std::wstring prefix = IsFolderEntry(entry) ? entry.substr(0, entry.size() - 1) : L"";
  if (!prefix.empty())
    for (const std::wstring& ticked : paths_)
      if (StartsWithFolder(ticked, prefix)) return ssGrayed;
  return ssUnChecked;
}

TKivSelectionState TKivSelectionList::GetIdListState(PCIDLIST_ABSOLUTE list) {
  if (!list) return ssNone;
  // Neither special folder has a path: a row of files is not compared with
  // them (two comparisons of the desktop's, 0.4 ms a row under Wine).
  const std::wstring path = IdListToPath(list);
  if (!path.empty()) return GetPathState(path);
  if (!network_) network_ = SpecialFolderIdList(SF_NETWORK);
  if (!computer_) computer_ = SpecialFolderIdList(SF_DRIVES);
  const auto any_entry = [&](const std::function<bool(const std::wstring&)>& test) {
    for (const std::wstring& entry : paths_)
      if (test(entry)) return true;
    return false;
  };
  if (network_ && IsSameObject(list, network_.get()))
    return any_entry([](const std::wstring& e) { return e.rfind(L"\\\\", 0) == 0; }) ? ssGrayed
                                                                                     : ssNone;
  if (computer_ && IsSameObject(list, computer_.get()))
    return any_entry([](const std::wstring& e) { return e.size() > 1 && e[1] == L':'; }) ? ssGrayed
                                                                                         : ssNone;
  return ssNone;
}

// --- Ticking and unticking --------------------------------------------------

void TKivSelectionList::CheckPath(const std::wstring& path) {
  std::wstring entry;
  if (!Normalise(ResolvedShortcut(path), entry)) return;
  const TKivSelectionState state = GetPathState(entry);
  if (state == ssChecked || state == ssNone) return;
  if (state == ssGrayed) RemoveBelow(entry);
  AddSize(entry, +1);
  paths_.Add(entry);
  Changed();
}

void TKivSelectionList::UncheckPath(const std::wstring& path) {
  std::wstring entry;
  if (!Normalise(ResolvedShortcut(path), entry)) return;
  bool implicit = false;
  const TKivSelectionState state = GetPathState(entry, &implicit);
  if (state == ssChecked && implicit) {
    const std::wstring covering = SplitCoveringEntry(EntryPath(entry));
    if (const int index = IndexOf(covering); !covering.empty() && index >= 0) paths_.Delete(index);
    // What was unticked, not the covering folder's child that leads to it:
    // the rest of that child stays ticked.
    AddSize(entry, -1);
  } else if (state == ssChecked) {
    DeleteEntry(IndexOf(entry));
  } else if (state == ssGrayed) {
    RemoveBelow(entry);
  } else {
    return;
  }
  Changed();
}

std::wstring TKivSelectionList::SplitCoveringEntry(const std::wstring& item) {
  std::wstring below = item;
  for (size_t steps = item.size() + 1; steps > 0; --steps) {
    const std::wstring folder = DirectoryPart(below);
    if (SameText(folder, below)) return {};
    ForEachChild(folder, [&](const std::wstring& child, bool directory) {
      if (!SameText(child, below)) paths_.Add(directory ? FolderEntry(child) : child);
      return true;
    });
    const std::wstring entry = FolderEntry(folder);
    if (IndexOf(entry) >= 0) return entry;
    below = folder;
  }
  return {};
}

void TKivSelectionList::RemoveBelow(const std::wstring& entry) {
  const std::wstring prefix = ExcludeTrailingBackslash(EntryPath(entry)) + L'\\';
  for (int i = paths_.Count() - 1; i >= 0; --i)
    if (StartsWithFolder(paths_[i], prefix)) DeleteEntry(i);
}

void TKivSelectionList::DeleteEntry(int index) {
  if (index < 0) return;
  AddSize(paths_[index], -1);
  paths_.Delete(index);
}

void TKivSelectionList::AddSize(const std::wstring& entry, int sign) {
  if (!track_sizes_) return;
  if (IsFolderEntry(entry)) {
    pool_->AddJob(new TKivFolderSizeThread(EntryPath(entry), sign));
    return;
  }
  const int64_t size = FileSize(entry);
  if (size < 0) return;
  total_size_ += sign * size;
  file_count_ += sign;
}

void TKivSelectionList::CheckIdList(PCIDLIST_ABSOLUTE list) {
  if (list) CheckPath(IdListToPath(list));
}

void TKivSelectionList::UncheckIdList(PCIDLIST_ABSOLUTE list) {
  if (list) UncheckPath(IdListToPath(list));
}

// --- Collapsing -------------------------------------------------------------

bool TKivSelectionList::WhollyTicked(const std::wstring& path, bool directory, int depth) const {
  if (!directory) return IndexOf(path) >= 0;
  if (IndexOf(path) >= 0 || IndexOf(FolderEntry(path)) >= 0) return true;
  // A link to a folder above would lead round for ever.
  if (depth > 64 || (AttributesOf(path) & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  bool any = false, all = true;
  const bool read = ForEachChild(path, [&](const std::wstring& child, bool child_directory) {
    any = true;
    all = WhollyTicked(child, child_directory, depth + 1);
    return all;
  });
  return read && any && all;
}

std::wstring TKivSelectionList::CollapsedPath(const std::wstring& item) const {
  std::wstring candidate = ExcludeTrailingBackslash(item);
  for (size_t steps = candidate.size() + 2; steps > 0; --steps) {
    const std::wstring folder = DirectoryPart(candidate);
    bool others_ticked = true;
    const bool read = ForEachChild(folder, [&](const std::wstring& child, bool directory) {
      if (!SameText(child, candidate) && !WhollyTicked(child, directory, 0)) others_ticked = false;
      return others_ticked;
    });
    if (!read) return {};
    if (!others_ticked) return candidate;
    if (SameText(folder, candidate)) return candidate + L'\\';  // the drive's root
    candidate = folder;
  }
  return {};
}

AbsoluteIdList TKivSelectionList::CollapsedIdList(PCIDLIST_ABSOLUTE list) {
  if (!list) return {};
  const std::wstring path = IdListToPath(list);
  if (path.empty()) return {};
  const std::wstring collapsed = CollapsedPath(path);
  // An empty path would parse as My Computer.
  if (collapsed.empty()) return {};
  return PathToIdList(collapsed);
}

// --- The whole list and its changes -----------------------------------------

void TKivSelectionList::Clear() {
  pool_->TerminateAll(false);
  total_size_ = 0;
  file_count_ = 0;
  paths_.Clear();
  Changed();
}

void TKivSelectionList::SetPaths(const TStringList& paths) {
  // A copy: the list given may be our own.
  const std::vector<std::wstring> given = paths.Items();
  pool_->TerminateAll(false);
  total_size_ = 0;
  file_count_ = 0;
  BeginUpdate();
  paths_.Clear();
  for (const std::wstring& path : given) CheckPath(path);
  EndUpdate();
}

void TKivSelectionList::EndUpdate() {
  if (update_count_ == 0 || --update_count_ > 0) return;
  Changed();
}

void TKivSelectionList::Changed() {
  if (update_count_ > 0) return;
  Raise(OnChange, this);
  if (auto* link = dynamic_cast<TKivShellLink*>(Owner())) link->BroadcastUpdateAll();
}

}  // namespace wf
