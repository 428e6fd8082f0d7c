#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/Object.h"

namespace wf {

// An ordered list of strings with a change event. Changes made inside an
// update bracket raise OnChange once, when the outermost bracket closes.
class TStringList : public TObject {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const std::wstring& operator[](int index) const { return items_.at(index); }
  const std::vector<std::wstring>& Items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  int Add(std::wstring s);
  void Insert(int index, std::wstring s);
  void Put(int index, std::wstring s);
  void Delete(int index);
  void Clear();
  void Assign(const std::vector<std::wstring>& items);
  // Case-insensitive (ASCII folding), -1 when absent.
  int IndexOf(std::wstring_view s) const;

  void BeginUpdate() { ++update_count_; }
  void EndUpdate();

  TNotifyEvent OnChange;

 private:
  void Changed();

  std::vector<std::wstring> items_;
  int update_count_ = 0;
  bool changed_in_update_ = false;
};

}  // namespace wf
