#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <string>

#include "framework/ComInterfaces.h"
#include "framework/Control.h"

namespace wf {

class TKivShellList;
class TListItem;

// The shell list's part in the platform's drag and drop. As a source it
// hands the platform the shell's own data object of the selected rows; as a
// target it passes each event on to the shell's drop target of the row
// under the pointer, or of the shown folder. It moves no data itself: the
// shell's targets do, and the list reports what they did.
//
// It is the list's IDropTarget and IDropSource, living as long as the list:
// registered with the list's window and taken back before that window goes.
class ShellDragDrop final : public ComInterfaces<IDropTarget, IDropSource> {
 public:
  explicit ShellDragDrop(TKivShellList& list) : list_(list) {}
  ~ShellDragDrop();

  // The list's window as a drop target; false when the platform refused.
  bool Register();
  void Revoke();
  // The platform's drag of the selected objects; reports a drop that happened.
  void StartDrag(TMouseButton button);
  // A row is going: if it is the one under the pointer, its shell target is
  // left and nothing drops onto it.
  void RowGoing(TListItem* row);
  // The button of the drag this list runs, as key-state bits; 0 when none.
  DWORD SourceButton() const { return source_button_; }

  // IDropTarget
  STDMETHODIMP DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
  STDMETHODIMP DragOver(DWORD keys, POINTL point, DWORD* effect) override;
  STDMETHODIMP DragLeave() override;
  STDMETHODIMP Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
  // IDropSource
  STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override;
  STDMETHODIMP GiveFeedback(DWORD effect) override;

 private:
  // The row under the pointer becomes the target when its shell target
  // takes the data; the old one's target is left.
  // Answers the row's effect, none when it is no target.
  DWORD TrackRow(TListItem* row, DWORD keys, POINTL point, DWORD effect);
  void LeaveRow();
  void AutoScroll(POINT client);
  HRESULT DropOnto(IDataObject* data, DWORD keys, POINTL point, DWORD* effect);
  std::wstring Destination(TListItem* row);
  // Every shell target that was entered and got no drop is left.
  void LeaveAll();

  TKivShellList& list_;
  HWND registered_ = nullptr;
  // The drag over the list: its data, the shown folder's target and the
  // target of the row under the pointer (that row carries the highlight).
  Microsoft::WRL::ComPtr<IDataObject> data_;
  Microsoft::WRL::ComPtr<IDropTarget> background_;
  Microsoft::WRL::ComPtr<IDropTarget> row_target_;
  TListItem* target_row_ = nullptr;
  // That row went while the pointer rested on it.
  bool row_went_ = false;
  // The button of a drag that this list started, as key-state bits.
  DWORD source_button_ = 0;
  DWORD last_scroll_ = 0;
};

}  // namespace wf
