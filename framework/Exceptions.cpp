// The texts of exceptions and of the platform's errors.
#include "framework/Exceptions.h"

#include "framework/Strings.h"

namespace wf {

Exception::Exception(std::wstring message)
    : message_(std::move(message)), utf8_(ToUtf8(message_)) {}

std::wstring ExceptionText(const std::exception& e) {
  if (auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
  return FromUtf8(e.what());
}

}  // namespace wf
