#pragma once

#include <utility>

namespace wf {

// Gives a variable a value for the length of a scope and puts the previous
// value back however the scope is left: the flags a control raises while it
// answers a notice or moves its rows, say.
template <class T>
class ScopedValue {
 public:
  ScopedValue(T& variable, T value)
      : variable_(variable), previous_(std::exchange(variable, std::move(value))) {}
  ~ScopedValue() { variable_ = std::move(previous_); }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& variable_;
  T previous_;
};

}  // namespace wf
