// Drag and drop: the list as the platform's drag source and drop target.
#include "shell/list/ShellDragDrop.h"

#include <vector>

#include "framework/ComGuard.h"
#include "framework/ScopedValue.h"
#include "shell/core/ShellUtils.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {

// Within this many pixels of an edge, a drag resting there scrolls the list
// one line every kScrollStepMs.
constexpr int kScrollZoneX = 25;
constexpr int kScrollZoneY = 20;
constexpr DWORD kScrollStepMs = 100;
constexpr DWORD kObjectEffects = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;

DWORD ButtonBits(TMouseButton button) {
  switch (button) {
    case TMouseButton::mbRight:
      return MK_RBUTTON;
    case TMouseButton::mbMiddle:
      return MK_MBUTTON;
    case TMouseButton::mbLeft:
      break;
  }
  return MK_LBUTTON;
}

TKivShellOperations DragOperations(DWORD effect) {
  if (effect == DROPEFFECT_COPY) return {sopCopy, sopDrag};
  if (effect == DROPEFFECT_MOVE) return {sopMove, sopDrag, sopRemove};
  return {sopDrag};
}

TKivShellOperations DropOperations(DWORD effect) {
  if (effect == DROPEFFECT_COPY) return {sopCopy, sopDrop};
  if (effect == DROPEFFECT_MOVE) return {sopMove, sopDrop};
  return {sopDrop};
}

// Whether the list's scroll bar `bar` has lines outside its page.
bool CanScroll(HWND window, int bar) {
  SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE};
  if (!GetScrollInfo(window, bar, &info)) return false;
  return info.nMax - info.nMin + 1 > static_cast<int>(info.nPage);
}

}  // namespace

ShellDragDrop::~ShellDragDrop() {
  Revoke();
  LeaveAll();
}

bool ShellDragDrop::Register() {
  if (!list_.HandleAllocated()) return false;
  const HWND window = list_.Handle();
  if (registered_ == window) return true;
  Revoke();
  if (FAILED(RegisterDragDrop(window, this))) return false;
  registered_ = window;
  return true;
}

void ShellDragDrop::Revoke() {
  if (!registered_) return;
  RevokeDragDrop(registered_);
  registered_ = nullptr;
}

void ShellDragDrop::StartDrag(TMouseButton button) {
  if (source_button_) return;  // one drag at a time
  const std::vector<TListItem*> rows = list_.SelectedObjectRows();
  IShellFolder* folder = list_.row_query_.Folder();
  if (rows.empty() || !folder || !list_.HandleAllocated()) return;
  std::vector<PCUITEMID_CHILD> ids;
  ids.reserve(rows.size());
  for (TListItem* row : rows) ids.push_back(TKivShellList::RecordOf(row)->ItemId.get());
  const UINT count = static_cast<UINT>(ids.size());

  SFGAOF attributes = kObjectEffects;
  if (FAILED(folder->GetAttributesOf(count, ids.data(), &attributes))) return;
  const DWORD allowed = CopyModeEffects(list_.CopyMode()) & attributes & kObjectEffects;

  Microsoft::WRL::ComPtr<IDataObject> data;
  if (FAILED(folder->GetUIObjectOf(list_.Handle(), count, ids.data(), IID_IDataObject, nullptr,
                                   reinterpret_cast<void**>(data.GetAddressOf()))) ||
      !data)
    return;

  // The rows may go while the platform runs the drag: nothing of them is
  // used after this point.
  DWORD effect = DROPEFFECT_NONE;
  HRESULT result;
  {
    const ScopedValue dragging(source_button_, ButtonBits(button));
    result = DoDragDrop(data.Get(), this, allowed, &effect);
  }
  if (result == DRAGDROP_S_DROP && effect != DROPEFFECT_NONE)
    list_.ReportOperation(DragOperations(effect), DataObjectFiles(data.Get()), L"");
}

STDMETHODIMP ShellDragDrop::QueryContinueDrag(BOOL escape, DWORD keys) {
  return GuardedCom(&list_, [&] { return list_.QueryContinueDrag(escape, keys); });
}

STDMETHODIMP ShellDragDrop::GiveFeedback(DWORD effect) {
  return GuardedCom(&list_, [&] { return list_.GiveFeedback(effect); });
}

STDMETHODIMP ShellDragDrop::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  return GuardedCom(&list_, [&]() -> HRESULT {
    LeaveAll();
    const DWORD offered = *effect;
    *effect = DROPEFFECT_NONE;
    last_scroll_ = GetTickCount();
    if (!data || list_.ReadOnly()) return S_OK;
    data_ = data;
    background_ = list_.GetDropTarget(nullptr);
    HRESULT result = S_OK;
    if (background_) {
      DWORD answer = offered;
      result = background_->DragEnter(data, keys, point, &answer);
      // A target that refused its enter is never entered, so it is not left.
      if (FAILED(result)) background_.Reset();
      *effect = SUCCEEDED(result) ? answer : DROPEFFECT_NONE;
    }
    // A drag released at once, before any move, drops onto the row it came
    // in over.
    if (list_.HandleAllocated()) {
      POINT client{point.x, point.y};
      ScreenToClient(list_.Handle(), &client);
      if (TListItem* row = list_.GetItemAt(client.x, client.y)) {
        const DWORD row_answer = TrackRow(row, keys, point, offered);
        if (row_target_) *effect = row_answer;
      }
    }
    return result;
  });
}

STDMETHODIMP ShellDragDrop::DragOver(DWORD keys, POINTL point, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  return GuardedCom(&list_, [&]() -> HRESULT {
    const DWORD offered = *effect;
    *effect = DROPEFFECT_NONE;
    if (list_.ReadOnly() || !data_ || !list_.HandleAllocated()) return S_OK;
    POINT client{point.x, point.y};
    ScreenToClient(list_.Handle(), &client);
    TListItem* row = list_.GetItemAt(client.x, client.y);
    row_went_ = false;
    if (row != target_row_) TrackRow(row, keys, point, offered);
    AutoScroll(client);

    DWORD answer = offered;
    if (row_target_) {
      const HRESULT result = row_target_->DragOver(keys, point, &answer);
      *effect = SUCCEEDED(result) ? answer : DROPEFFECT_NONE;
      return result;
    }
    // A left drag of this list's own rows onto its own folder would move
    // them where they are; a right one reaches the shell, which asks.
    if (background_ && (source_button_ == 0 || (keys & MK_RBUTTON))) {
      const HRESULT result = background_->DragOver(keys, point, &answer);
      *effect = SUCCEEDED(result) ? answer : DROPEFFECT_NONE;
      return result;
    }
    return S_OK;
  });
}

DWORD ShellDragDrop::TrackRow(TListItem* row, DWORD keys, POINTL point, DWORD effect) {
  LeaveRow();
  DWORD answer = DROPEFFECT_NONE;
  if (row) {
    Microsoft::WRL::ComPtr<IDropTarget> target = list_.GetDropTarget(row);
    answer = effect;
    // Only a row that takes the data is the target: over a document, the
    // drop goes to the folder.
    if (target && target->DragEnter(data_.Get(), keys, point, &answer) == S_OK) {
      if (answer != DROPEFFECT_NONE) {
        row_target_ = std::move(target);
        target_row_ = row;
        row->SetDropTarget(true);
      } else {
        target->DragLeave();
      }
    }
  }
  // The highlight moves while the pointer does, not at the next paint.
  UpdateWindow(list_.Handle());
  return row_target_ ? answer : DROPEFFECT_NONE;
}

void ShellDragDrop::LeaveRow() {
  if (target_row_) target_row_->SetDropTarget(false);
  target_row_ = nullptr;
  if (row_target_) {
    // Taken first: the target's leave may let messages through.
    const Microsoft::WRL::ComPtr<IDropTarget> target = std::move(row_target_);
    target->DragLeave();
  }
}

void ShellDragDrop::RowGoing(TListItem* row) {
  if (!row || row != target_row_) return;
  LeaveRow();
  row_went_ = true;
}

void ShellDragDrop::AutoScroll(POINT client) {
  const DWORD now = GetTickCount();
  if (now - last_scroll_ <= kScrollStepMs) return;
  const HWND window = list_.Handle();
  RECT area{};
  GetClientRect(window, &area);
  bool scrolled = false;
  const auto step = [&](UINT message, int bar, WPARAM code) {
    if (!CanScroll(window, bar)) return;
    SendMessageW(window, message, code, 0);
    scrolled = true;
  };
  if (client.x < kScrollZoneX)
    step(WM_HSCROLL, SB_HORZ, SB_LINEUP);
  else if (client.x >= area.right - kScrollZoneX)
    step(WM_HSCROLL, SB_HORZ, SB_LINEDOWN);
  if (client.y < kScrollZoneY)
    step(WM_VSCROLL, SB_VERT, SB_LINEUP);
  else if (client.y >= area.bottom - kScrollZoneY)
    step(WM_VSCROLL, SB_VERT, SB_LINEDOWN);
  if (scrolled) last_scroll_ = now;
}

STDMETHODIMP ShellDragDrop::DragLeave() {
  return GuardedCom(&list_, [&] { LeaveAll(); });
}

STDMETHODIMP ShellDragDrop::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  return GuardedCom(&list_, [&]() -> HRESULT {
    HRESULT result = E_UNEXPECTED;
    if (!list_.ReadOnly() && data && data_) result = DropOnto(data, keys, point, effect);
    // A drop that did not happen moved nothing: a source that deletes what
    // it moved must not delete its files on our word.
    if (FAILED(result)) *effect = DROPEFFECT_NONE;
    LeaveAll();
    return result;
  });
}

HRESULT ShellDragDrop::DropOnto(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
  std::unique_ptr<TStringList> files = DataObjectFiles(data);
  // What the list proposes, within what the source offered: a source that
  // only lets its files be copied never has them moved.
  const DWORD proposed = CopyModeEffects(list_.CopyMode()) & *effect;
  // The row the pointer rested on went since: the drop was meant for it,
  // and goes nowhere else.
  if (row_went_) return E_UNEXPECTED;
  const bool onto_row = row_target_ != nullptr;
  if (!onto_row && !background_) return E_UNEXPECTED;
  // This list's own rows dropped where they are, by a release before any
  // move refused them (a right drag asks the user first, through the shell).
  if (!onto_row && source_button_ && source_button_ != MK_RBUTTON) return E_UNEXPECTED;
  bool execute = true;
  if (list_.OnBeforeShellDrop) {
    TStringList shown;
    if (files) shown.Assign(files->Items());
    list_.OnBeforeShellDrop(&list_, onto_row ? target_row_ : nullptr, shown, execute);
  }
  // The handler may have let messages through: the row it was told of may
  // have gone, and with it its target.
  if (!execute || (onto_row && !row_target_)) return E_UNEXPECTED;

  // Named before the shell drops, which may let the row go.
  const std::wstring destination = onto_row ? Destination(target_row_) : list_.Path();
  Microsoft::WRL::ComPtr<IDropTarget> target =
      onto_row ? std::move(row_target_) : std::move(background_);
  if (onto_row) {
    target_row_->SetDropTarget(false);
    target_row_ = nullptr;
  }
  *effect = proposed;
  const HRESULT result = target->Drop(data, keys, point, effect);
  if (FAILED(result)) return result;

  DWORD done = *effect;
  // A target that moved the files itself may say so only by their absence.
  if (done == DROPEFFECT_NONE && files && !files->Empty() && !PathExists(files->Items().front()))
    done = DROPEFFECT_MOVE;
  if (done != DROPEFFECT_NONE && files)
    list_.ReportOperation(DropOperations(done), std::move(files), destination);
  return result;
}

// Where a drop onto the row lands: the row's object, or for " .. " the
// shown folder's parent.
std::wstring ShellDragDrop::Destination(TListItem* row) {
  const TKivShellListItem* record = TKivShellList::RecordOf(row);
  if (record && record->IsParentEntry) {
    const AbsoluteIdList parent = ParentIdList(list_.FolderIdList());
    return parent ? IdListToPath(parent.get()) : std::wstring();
  }
  return list_.ItemPath(row);
}

void ShellDragDrop::LeaveAll() {
  LeaveRow();
  row_went_ = false;
  if (background_) {
    const Microsoft::WRL::ComPtr<IDropTarget> target = std::move(background_);
    target->DragLeave();
  }
  data_.Reset();
}

}  // namespace wf
