// Components: ownership, names, and notice of a component being freed.
#include "framework/Component.h"

#include <algorithm>

namespace wf {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
  destroying_ = true;
  // Everyone holding a reference to us hears of our removal first.
  auto notifies = std::move(notifies_);
  for (TComponent* other : notifies) {
    auto& back = other->notifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
    other->Notification(this, TOperation::opRemove);
  }
  // Owned components go in reverse order of creation.
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* component) {
  components_.push_back(component);
  if (loading_) component->loading_ = true;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  components_.erase(std::remove(components_.begin(), components_.end(), component),
                    components_.end());
  if (!destroying_) Notification(component, TOperation::opRemove);
}

void TComponent::BeginLoading() {
  loading_ = true;
  for (TComponent* c : components_) c->loading_ = true;
}

void TComponent::EndLoading() {
  // By index over the live list: a Loaded that makes further components
  // (which start loading, as the owner still is) gets them loaded as well.
  // Each owned component first ends the loading of what it owns in turn:
  // those were made inside the bracket too.
  for (size_t i = 0; i < components_.size(); ++i) components_[i]->EndLoading();
  if (loading_) Loaded();
}

void TComponent::FreeNotification(TComponent* other) {
  if (!other || other == this) return;
  if (std::find(other->notifies_.begin(), other->notifies_.end(), this) == other->notifies_.end()) {
    other->notifies_.push_back(this);
    notifies_.push_back(other);
  }
}

void TComponent::RemoveFreeNotification(TComponent* other) {
  if (!other) return;
  other->notifies_.erase(std::remove(other->notifies_.begin(), other->notifies_.end(), this),
                         other->notifies_.end());
  notifies_.erase(std::remove(notifies_.begin(), notifies_.end(), other), notifies_.end());
}

}  // namespace wf
