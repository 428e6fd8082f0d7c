// String lists.
#include "framework/StringList.h"

#include <algorithm>
#include <numeric>

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
  int index = Count();
  if (sorted_) {
    bool found = false;
    index = SortedPlace(s, found);
    if (found && duplicates_ == TDuplicates::dupIgnore) return index;
  }
  Changing();
  items_.insert(items_.begin() + index, std::move(s));
  values_.insert(values_.begin() + index, 0);
  Changed();
  return index;
}

void TStringList::Insert(int index, std::wstring s) {
  CheckUnsorted();
  CheckIndex(index, Count());
  Changing();
  items_.insert(items_.begin() + index, std::move(s));
  values_.insert(values_.begin() + index, 0);
  Changed();
}

void TStringList::Put(int index, std::wstring s) {
  CheckUnsorted();
  CheckIndex(index, Count() - 1);
  Changing();
  items_[index] = std::move(s);
  Changed();
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count() - 1);
  Changing();
  items_.erase(items_.begin() + index);
  values_.erase(values_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  values_.clear();
  Changed();
}

void TStringList::Assign(const std::vector<std::wstring>& items) {
  Assign(std::vector<std::wstring>(items));
}

void TStringList::Assign(std::vector<std::wstring>&& items) {
  std::vector<std::wstring> accepted = std::move(items);
  if (sorted_) {
    std::stable_sort(
        accepted.begin(), accepted.end(),
        [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; });
    auto same = [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) == 0; };
    if (duplicates_ == TDuplicates::dupIgnore)
      accepted.erase(std::unique(accepted.begin(), accepted.end(), same), accepted.end());
  }
  Changing();
  items_ = std::move(accepted);
  values_.assign(items_.size(), 0);
  Changed();
}

int TStringList::IndexOf(std::wstring_view s) const {
  if (sorted_) {
    bool found = false;
    const int index = SortedPlace(s, found);
    return found ? index : -1;
  }
  // The list's own rule, the one its sorted order and search use: ASCII
  // letters fold, other characters compare by their code.
  for (int i = 0; i < Count(); ++i)
    if (CompareText(items_[i], s) == 0) return i;
  return -1;
}

void TStringList::SetSorted(bool sorted) {
  if (sorted_ == sorted) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) {
    changing_in_update_ = false;
    if (changed_in_update_) {
      changed_in_update_ = false;
      Raise(OnChange, this);
    }
  }
}

void TStringList::Changing() {
  if (update_count_ > 0) {
    if (changing_in_update_) return;
    changing_in_update_ = true;
  }
  Raise(OnChanging, this);
}

void TStringList::Changed() {
  if (update_count_ > 0) {
    changed_in_update_ = true;
    return;
  }
  Raise(OnChange, this);
}

void TStringList::CheckUnsorted() const {
  if (sorted_) throw Exception(L"Operation not allowed on sorted string list");
}

int TStringList::SortedPlace(std::wstring_view s, bool& found) const {
  const auto place = std::lower_bound(
      items_.begin(), items_.end(), s,
      [](const std::wstring& item, std::wstring_view key) { return CompareText(item, key) < 0; });
  found = place != items_.end() && CompareText(*place, s) == 0;
  return static_cast<int>(place - items_.begin());
}

// Equal strings keep their order, and each value stays with its string.
void TStringList::Sort() {
  std::vector<size_t> order(items_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return CompareText(items_[a], items_[b]) < 0; });
  if (std::is_sorted(order.begin(), order.end())) return;
  Changing();
  std::vector<std::wstring> items;
  std::vector<uintptr_t> values;
  for (size_t i : order) {
    items.push_back(std::move(items_[i]));
    values.push_back(values_[i]);
  }
  items_ = std::move(items);
  values_ = std::move(values);
  Changed();
}

}  // namespace wf
