#pragma once

// Our list, in report view, alone in a shown form at a place and size of
// the caller's choosing, so that several can stand side by side on the
// screen and a page of a known number of rows is wholly drawn.

#include <windows.h>

namespace wf {
class TForm;
class TKivShellList;
class TKivShellLink;
}  // namespace wf

namespace bench {

class PlacedListHost {
 public:
  // `client`: the form's client area on the screen. With a link, the list
  // joins it and shows check boxes.
  PlacedListHost(const RECT& client, wf::TKivShellLink* link);
  ~PlacedListHost();
  PlacedListHost(const PlacedListHost&) = delete;
  PlacedListHost& operator=(const PlacedListHost&) = delete;

  wf::TKivShellList& List() { return *list_; }
  HWND ListWindow() const;
  // The list's client height grows or shrinks by `pixels`, the form's with it.
  void GrowBy(int pixels);

 private:
  wf::TForm* form_;
  wf::TKivShellList* list_ = nullptr;
  RECT client_;
};

}  // namespace bench
