#pragma once

// A shell folder that wraps a real one and changes what Wine's shell cannot
// show: a column that is off by default, more columns than Wine offers, a
// CompareIDs that honours its column, and the compressed and encrypted
// attributes. Everything else is the real folder's answer.
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "shell/core/IdList.h"
#include "tests/support/PassThroughShellFolder.h"

namespace wf::test {

class WrappedShellFolder : public PassThroughShellFolder {
 public:
  // The folder at `path`, its id list in *list.
  static Microsoft::WRL::ComPtr<WrappedShellFolder> Of(const std::wstring& path,
                                                       AbsoluteIdList* list) {
    return PassThroughShellFolder::Of<WrappedShellFolder>(path, list);
  }
  explicit WrappedShellFolder(Microsoft::WRL::ComPtr<IShellFolder2> real)
      : PassThroughShellFolder(std::move(real)) {
    SHELLDETAILS details{};
    while (SUCCEEDED(real_->GetDetailsOf(nullptr, static_cast<UINT>(real_columns_), &details))) {
      if (details.str.uType == STRRET_WSTR) CoTaskMemFree(details.str.pOleStr);
      details = SHELLDETAILS{};
      ++real_columns_;
    }
  }

  // Shell column `column` becomes a column that is off by default; the real
  // columns from there on move up by one. Sorting by it orders by name
  // backwards.
  void HideColumnAt(int column) { hidden_at_ = column; }
  // After the real columns, further columns titled "Extra <n>" up to this
  // number of columns in all.
  void SetColumnCount(int count) { column_count_ = count; }
  // Attributes added to the object whose in-folder parsing name is `name`.
  void AddAttributes(const std::wstring& name, SFGAOF attributes) {
    extra_attributes_[name] = attributes;
  }
  // The columns CompareIDs was asked to compare by, once each.
  const std::vector<int>& ComparedColumns() const { return compared_columns_; }

  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM param, PCUIDLIST_RELATIVE a,
                                       PCUIDLIST_RELATIVE b) override {
    const int column = static_cast<int>(param & SHCIDS_COLUMNMASK);
    if (std::find(compared_columns_.begin(), compared_columns_.end(), column) ==
        compared_columns_.end())
      compared_columns_.push_back(column);
    if (column == 0) return real_->CompareIDs(0, a, b);
    if (column == hidden_at_) return real_->CompareIDs(0, b, a);
    const std::wstring text_a = Text(reinterpret_cast<PCUITEMID_CHILD>(a), column);
    const std::wstring text_b = Text(reinterpret_cast<PCUITEMID_CHILD>(b), column);
    const int order =
        CompareStringOrdinal(text_a.c_str(), -1, text_b.c_str(), -1, TRUE) - CSTR_EQUAL;
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(order)));
  }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY ids,
                                            SFGAOF* attributes) override {
    const SFGAOF asked = *attributes;
    const HRESULT hr = real_->GetAttributesOf(count, ids, attributes);
    if (FAILED(hr)) return hr;
    for (UINT i = 0; i < count; ++i) {
      auto found = extra_attributes_.find(ParsingName(ids[i]));
      if (found != extra_attributes_.end()) *attributes |= found->second & asked;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetDefaultColumnState(UINT column, SHCOLSTATEF* state) override {
    const int c = static_cast<int>(column);
    if (c == hidden_at_) {
      *state = SHCOLSTATE_TYPE_STR;
      return S_OK;
    }
    const int real = RealColumn(c);
    if (real >= 0) return real_->GetDefaultColumnState(static_cast<UINT>(real), state);
    if (c >= ColumnCount()) return E_INVALIDARG;
    *state = SHCOLSTATE_TYPE_STR | SHCOLSTATE_ONBYDEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDetailsOf(PCUITEMID_CHILD id, UINT column,
                                         SHELLDETAILS* details) override {
    const int c = static_cast<int>(column);
    const int real = RealColumn(c);
    if (real >= 0) return real_->GetDetailsOf(id, static_cast<UINT>(real), details);
    if (c != hidden_at_ && c >= ColumnCount()) return E_INVALIDARG;
    const std::wstring text =
        !id ? (c == hidden_at_ ? std::wstring(L"Secret") : L"Extra " + std::to_wstring(c))
            : L"x" + std::to_wstring(c);
    details->fmt = LVCFMT_LEFT;
    details->cxChar = 5;
    details->str.uType = STRRET_WSTR;
    details->str.pOleStr =
        static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    if (!details->str.pOleStr) return E_OUTOFMEMORY;
    text.copy(details->str.pOleStr, text.size());
    details->str.pOleStr[text.size()] = L'\0';
    return S_OK;
  }

 private:
  int ColumnCount() const {
    const int own = real_columns_ + (hidden_at_ >= 0 ? 1 : 0);
    return column_count_ > own ? column_count_ : own;
  }
  // The real folder's column shown as `column`, or -1 for one of ours.
  int RealColumn(int column) const {
    if (column == hidden_at_) return -1;
    const int real = hidden_at_ >= 0 && column > hidden_at_ ? column - 1 : column;
    return real < real_columns_ ? real : -1;
  }
  std::wstring Text(PCUITEMID_CHILD id, int column) {
    SHELLDETAILS details{};
    if (FAILED(GetDetailsOf(id, static_cast<UINT>(column), &details))) return {};
    return StrRetToString(id, details.str);
  }
  std::wstring ParsingName(PCUITEMID_CHILD id) {
    STRRET reply{};
    if (FAILED(real_->GetDisplayNameOf(id, SHGDN_INFOLDER | SHGDN_FORPARSING, &reply))) return {};
    return StrRetToString(id, reply);
  }

  int real_columns_ = 0;
  int hidden_at_ = -1;
  int column_count_ = 0;
  std::map<std::wstring, SFGAOF> extra_attributes_;
  std::vector<int> compared_columns_;
};

}  // namespace wf::test
