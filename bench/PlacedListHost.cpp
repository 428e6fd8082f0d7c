#include "bench/PlacedListHost.h"

#include "bench/Hosting.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "shell/list/ShellControls.h"

namespace bench {

PlacedListHost::PlacedListHost(const RECT& client, wf::TKivShellLink* link)
    : form_(new wf::TForm(wf::Application)), client_(client) {
  form_->SetBorderStyle(wf::TFormBorderStyle::bsNone);
  form_->SetLeft(client.left);
  form_->SetTop(client.top);
  form_->SetClientWidth(client.right - client.left);
  form_->SetClientHeight(client.bottom - client.top);
  list_ = new wf::TKivShellList(form_);
  list_->SetParent(form_);
  list_->SetAlign(wf::TAlign::alClient);
  // Every row a page shows is then one of the folder's objects.
  list_->SetShowParentFolder(false);
  form_->Show();
  if (link) {
    list_->SetShellLink(link);
    list_->SetCheckboxes(true);
  }
  UpdateWindow(list_->Handle());
  PumpPending();
}

PlacedListHost::~PlacedListHost() {
  delete form_;
}

HWND PlacedListHost::ListWindow() const {
  return list_->Handle();
}

void PlacedListHost::GrowBy(int pixels) {
  client_.bottom += pixels;
  form_->SetClientHeight(client_.bottom - client_.top);
  PumpPending();
}

}  // namespace bench
