#pragma once

#include <string>
#include <vector>

#include "framework/Object.h"

namespace wf {

enum class TOperation { opInsert, opRemove };

// A component has an owner that frees it, a loading state while its owner's
// stored description is applied, and removal notices to the components that
// hold a reference to it.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::wstring& Name() const { return name_; }
  void SetName(std::wstring name) { name_ = std::move(name); }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }

  bool IsLoading() const { return loading_; }
  // Nothing in this program runs at design time.
  bool IsDesigning() const { return false; }
  bool IsDestroying() const { return destroying_; }

  // The loading bracket around applying a stored description: components
  // created inside it start in the loading state; EndLoading calls Loaded on
  // every owned component in creation order, then on this one.
  void BeginLoading();
  void EndLoading();

  // Ask to be told (Notification with opRemove) when `other` is destroyed.
  void FreeNotification(TComponent* other);
  void RemoveFreeNotification(TComponent* other);

 protected:
  virtual void Loaded() { loading_ = false; }
  virtual void Notification(TComponent* component, TOperation operation) {}
  void MarkDestroying() { destroying_ = true; }

 private:
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponent* owner_;
  std::wstring name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> notifies_;
  bool loading_ = false;
  bool destroying_ = false;
};

}  // namespace wf
