#include "framework/StringList.h"

#include "framework/Exceptions.h"
#include "framework/Strings.h"

namespace wf {
namespace {

// A bad index raises before anything changes; the vector's own insert and
// erase would corrupt memory instead.
void CheckIndex(int index, int limit) {
  if (index < 0 || index > limit)
    throw Exception(L"List index out of bounds (" + IntToStr(index) + L")");
}

}  // namespace

int TStringList::Add(std::wstring s) {
  items_.push_back(std::move(s));
  Changed();
  return Count() - 1;
}

void TStringList::Insert(int index, std::wstring s) {
  CheckIndex(index, Count());
  items_.insert(items_.begin() + index, std::move(s));
  Changed();
}

void TStringList::Put(int index, std::wstring s) {
  CheckIndex(index, Count() - 1);
  items_[index] = std::move(s);
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count() - 1);
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TStringList::Assign(const std::vector<std::wstring>& items) {
  items_ = items;
  Changed();
}

int TStringList::IndexOf(std::wstring_view s) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(items_[i], s)) return i;
  return -1;
}

void TStringList::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0 && changed_in_update_) {
    changed_in_update_ = false;
    Raise(OnChange, this);
  }
}

void TStringList::Changed() {
  if (update_count_ > 0) {
    changed_in_update_ = true;
    return;
  }
  Raise(OnChange, this);
}

}  // namespace wf
