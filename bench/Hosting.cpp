#include "bench/Hosting.h"

#include <commctrl.h>

#include <limits>

#include "bench/BenchCore.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "shell/list/ShellControls.h"

using Microsoft::WRL::ComPtr;

namespace bench {
namespace {

constexpr SHCONTF kEnumFlags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

ComPtr<IShellFolder> BindFolder(IShellFolder* desktop, PCIDLIST_ABSOLUTE pidl) {
  ComPtr<IShellFolder> folder;
  Check(desktop->BindToObject(pidl, nullptr, IID_PPV_ARGS(&folder)), "IShellFolder::BindToObject");
  return folder;
}

ComPtr<IEnumIDList> EnumItems(IShellFolder* folder) {
  ComPtr<IEnumIDList> items;
  HRESULT hr = folder->EnumObjects(nullptr, kEnumFlags, &items);
  Check(hr, "IShellFolder::EnumObjects");
  // S_FALSE with no enumerator means an empty folder.
  if (!items) throw BenchError("IShellFolder::EnumObjects returned no enumerator");
  return items;
}

}  // namespace

bool PumpPending() {
  bool any = false;
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    any = true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return any;
}

void PumpPendingExceptPaint() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, WM_PAINT - 1, PM_REMOVE) ||
         PeekMessageW(&msg, nullptr, WM_PAINT + 1, std::numeric_limits<UINT>::max(), PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

ComPtr<IShellFolder> Desktop() {
  ComPtr<IShellFolder> desktop;
  Check(SHGetDesktopFolder(&desktop), "SHGetDesktopFolder");
  return desktop;
}

wf::AbsoluteIdList ParseFolder(IShellFolder* desktop, const std::wstring& folder) {
  std::wstring path = folder;  // ParseDisplayName takes a writable string
  PIDLIST_RELATIVE raw = nullptr;
  Check(desktop->ParseDisplayName(nullptr, nullptr, path.data(), nullptr, &raw, nullptr),
        "IShellFolder::ParseDisplayName");
  // Parsed from the desktop, the relative list is an absolute one.
  return wf::AbsoluteIdList(reinterpret_cast<PIDLIST_ABSOLUTE>(raw));
}

OpenedFolder OpenFolder(const std::wstring& path) {
  auto desktop = Desktop();
  auto pidl = ParseFolder(desktop.Get(), path);
  OpenedFolder opened;
  opened.folder = BindFolder(desktop.Get(), pidl.get());
  opened.items = EnumItems(opened.folder.Get());
  return opened;
}

FolderItems LoadFolderItems(const std::wstring& folder) {
  auto [shellFolder, items] = OpenFolder(folder);
  FolderItems result;
  result.folder = shellFolder;
  ForEachChild(items.Get(),
               [&](wf::ChildIdList child) { result.children.push_back(std::move(child)); });
  return result;
}

ComPtr<IShellFolder2> DetailsFolder(IShellFolder* folder) {
  ComPtr<IShellFolder2> folder2;
  Check(folder->QueryInterface(IID_PPV_ARGS(&folder2)), "QueryInterface(IShellFolder2)");
  return folder2;
}

namespace {

constexpr wchar_t kViewHostClass[] = L"WayfoldBenchViewHost";

void RegisterViewHostClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kViewHostClass;
  CheckWin32(RegisterClassExW(&wc) != 0, "RegisterClassExW");
  registered = true;
}

}  // namespace

wf::UniqueWindow CreateViewHost() {
  RegisterViewHostClass();
  wf::UniqueWindow host(CreateWindowExW(0, kViewHostClass, L"Wayfold population bench",
                                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 700, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr));
  CheckWin32(host.get() != nullptr, "CreateWindowExW");
  PumpPending();
  return host;
}

wf::UniqueWindow CreateBareVirtualList(HWND host, int rows) {
  wf::UniqueWindow list(CreateWindowExW(
      0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
      0, 0, 332, 566, host, nullptr, GetModuleHandleW(nullptr), nullptr));
  CheckWin32(list.get() != nullptr, "CreateWindowExW(SysListView32)");
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = 200;
  column.pszText = const_cast<wchar_t*>(L"Name");
  SendMessageW(list.get(), LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  SendMessageW(list.get(), WM_SETREDRAW, FALSE, 0);
  SendMessageW(list.get(), LVM_SETITEMCOUNT, static_cast<WPARAM>(rows),
               LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  SendMessageW(list.get(), WM_SETREDRAW, TRUE, 0);
  return list;
}

ShellViewBrowser::ShellViewBrowser() : host_(CreateViewHost()) {
  RECT client{};
  GetClientRect(host_.get(), &client);
  Check(CoCreateInstance(CLSID_ExplorerBrowser, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(&browser_)),
        "CoCreateInstance(CLSID_ExplorerBrowser)");
  FOLDERSETTINGS settings{FVM_DETAILS, 0};
  Check(browser_->Initialize(host_.get(), &client, &settings), "IExplorerBrowser::Initialize");
}

ListHost::ListHost(int client_width, int client_height, const ListFactory& make)
    : form_(new wf::TForm(wf::Application)) {
  form_->SetBorderStyle(wf::TFormBorderStyle::bsNone);
  form_->SetClientWidth(client_width);
  form_->SetClientHeight(client_height);
  list_ = make ? make(form_) : new wf::TKivShellList(form_);
  list_->SetParent(form_);
  list_->SetAlign(wf::TAlign::alClient);
  list_->SetShowParentFolder(true);
  form_->Show();
  PumpPending();
}

ListHost::~ListHost() {
  delete form_;
}

std::vector<UINT> ShownDetailColumns(wf::TKivShellList& list) {
  ComPtr<IShellFolder2> folder = DetailsFolder(list.Dirwalker().ShellFolder());
  std::vector<std::wstring> titles;
  for (UINT column = 0; column < 256; ++column) {
    SHELLDETAILS header{};
    if (FAILED(folder->GetDetailsOf(nullptr, column, &header))) break;
    std::wstring title = wf::StrRetToString(nullptr, header.str);
    if (title.empty()) break;
    titles.push_back(std::move(title));
  }
  std::vector<UINT> shown;
  UINT next = 1;
  for (int i = 1; i < list.ShellColumnCount(); ++i) {
    const std::wstring& caption = list.Columns()[i]->Caption();
    while (next < titles.size() && titles[next] != caption) ++next;
    if (next >= titles.size())
      throw BenchError("list column " + ToUtf8(caption) + " is no shell column");
    shown.push_back(next++);
  }
  return shown;
}

}  // namespace bench
