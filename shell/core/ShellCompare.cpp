#include "shell/core/ShellCompare.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

#include "framework/ComObject.h"
#include "shell/core/IdList.h"
#include "shell/core/ShellItemQuery.h"

namespace wf {

using Microsoft::WRL::ComPtr;

namespace {

// Hands a folder's ParseDisplayName the find data of a file that need not
// exist, so that it makes the file's id from them.
class FindDataBinding final : public ComObject<IFileSystemBindData> {
 public:
  explicit FindDataBinding(const WIN32_FIND_DATAW& data) : data_(data) {}

  STDMETHODIMP SetFindData(const WIN32_FIND_DATAW* data) override {
    if (!data) return E_POINTER;
    data_ = *data;
    return S_OK;
  }
  STDMETHODIMP GetFindData(WIN32_FIND_DATAW* data) override {
    if (!data) return E_POINTER;
    *data = data_;
    return S_OK;
  }

 private:
  WIN32_FIND_DATAW data_;
};

ChildIdList MadeUpFile(IShellFolder* folder, const std::wstring& name, uint64_t size) {
  WIN32_FIND_DATAW data{};
  data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  data.nFileSizeLow = static_cast<DWORD>(size);
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  name.copy(data.cFileName, MAX_PATH - 1);
  ComPtr<IFileSystemBindData> binding;
  binding.Attach(new FindDataBinding(data));
  ComPtr<IBindCtx> context;
  if (FAILED(CreateBindCtx(0, &context)) ||
      FAILED(context->RegisterObjectParam(const_cast<LPOLESTR>(STR_FILE_SYS_BIND_DATA),
                                          binding.Get())))
    return {};
  std::wstring text = name;
  PIDLIST_RELATIVE parsed = nullptr;
  ULONG eaten = 0;
  if (FAILED(
          folder->ParseDisplayName(nullptr, context.Get(), text.data(), &eaten, &parsed, nullptr)))
    return {};
  RelativeIdList owned(parsed);
  if (IdListCount(owned.get()) != 1) return {};
  return CopyNthId(owned.get(), 0);
}

}  // namespace

bool CompareIgnoresColumn(IShellFolder* folder) {
  if (!folder) return false;
  ShellItemQuery columns{ComPtr<IShellFolder>(folder), AbsoluteIdList{}};
  constexpr int kColumnsLookedAt = 16;
  int size_column = -1;
  for (int column = 1; column < kColumnsLookedAt && size_column < 0; ++column)
    if (columns.ValueOfColumn(column) == ShellItemQuery::ColumnValue::kSize) size_column = column;
  if (size_column < 0) return false;
  // "a" is the larger, by a size whose text differs too: by name it comes
  // first, by size last.
  const ChildIdList larger = MadeUpFile(folder, L"a", uint64_t{1} << 20);
  const ChildIdList smaller = MadeUpFile(folder, L"b", 1);
  if (!larger || !smaller) return false;
  const HRESULT hr =
      folder->CompareIDs(static_cast<LPARAM>(size_column), larger.get(), smaller.get());
  return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) < 0;
}

}  // namespace wf
