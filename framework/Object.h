#pragma once

#include <functional>

namespace wf {

// The common root of components and other objects that appear as the sender
// of an event.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// Raises an event when it is assigned; unassigned events are skipped. The
// handler runs from a copy, as it may unassign or replace itself, or free the
// object that holds it: the caller must not touch that object afterwards
// unless it knows the object lives.
template <class Event, class... Args>
void Raise(const Event& event, Args&&... args) {
  if (!event) return;
  const Event handler = event;
  handler(std::forward<Args>(args)...);
}

}  // namespace wf
