#pragma once

#include <exception>
#include <string>

namespace wf {

// The base of every error the system raises on purpose: a message, nothing
// else. The text is kept in UTF-16 so paths with any characters survive.
class Exception : public std::exception {
 public:
  explicit Exception(std::wstring message);
  const std::wstring& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  std::wstring message_;
  std::string utf8_;
};

// The text to show for any exception caught by the framework: our message, or
// the runtime's description for foreign exceptions.
std::wstring ExceptionText(const std::exception& e);

}  // namespace wf
