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

// Raises an event when it is assigned; unassigned events are skipped.
template <class Event, class... Args>
void Raise(const Event& event, Args&&... args) {
  if (event) event(std::forward<Args>(args)...);
}

}  // namespace wf
