#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Object.h"

namespace wf {

// What a sorted list does with a string it already holds (compared
// case-insensitively): keep both, or keep the first only.
enum class TDuplicates { dupAccept, dupIgnore };

// An ordered list of strings with a change event. Changes made inside an
// update bracket raise OnChange once, when the outermost bracket closes.
//
// Each entry carries a value of its owner's choosing (0 when added); it moves
// with its string and is not part of the content, so setting it raises no
// event. A sorted list keeps its strings in case-insensitive order: Add puts
// each at its place, and the edits that would name a place raise.
class TStringList : public TObject {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const std::wstring& operator[](int index) const { return items_.at(index); }
  const std::vector<std::wstring>& Items() const { return items_; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // The index the string got; on a sorted list that ignores duplicates, the
  // index of the one already there (nothing changes then).
  int Add(std::wstring s);
  void Insert(int index, std::wstring s);
  void Put(int index, std::wstring s);
  void Delete(int index);
  void Clear();
  // Every value starts at 0 again.
  void Assign(const std::vector<std::wstring>& items);
  void Assign(std::vector<std::wstring>&& items);
  // Case-insensitive (ASCII folding), -1 when absent.
  int IndexOf(std::wstring_view s) const;

  uintptr_t Value(int index) const { return values_.at(index); }
  void SetValue(int index, uintptr_t value) { values_.at(index) = value; }

  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

  void BeginUpdate() { ++update_count_; }
  void EndUpdate();

  // Raised before the content changes; inside an update bracket once, before
  // its first edit.
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;

 private:
  void Changing();
  void Changed();
  void CheckUnsorted() const;
  // Where `s` belongs in a sorted list, and whether an equal string is there.
  int SortedPlace(std::wstring_view s, bool& found) const;
  void Sort();

  std::vector<std::wstring> items_;
  std::vector<uintptr_t> values_;
  bool sorted_ = false;
  TDuplicates duplicates_ = TDuplicates::dupAccept;
  int update_count_ = 0;
  bool changing_in_update_ = false;
  bool changed_in_update_ = false;
};

}  // namespace wf
