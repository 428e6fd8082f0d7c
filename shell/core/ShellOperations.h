#pragma once

#include <windows.h>
#include <oleidl.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "framework/Object.h"
#include "framework/StringList.h"

namespace wf {

// What happened to files, as the shell list reports it. Bit n of a set is
// operation n, so the sets keep the values callers compare against.
enum TKivShellOperation : uint8_t {
  sopCopy,
  sopMove,
  sopDrag,
  sopDrop,
  sopCut,
  sopPaste,
  sopDelete,
  sopRemove,
  sopAdd,
  sopRename,
};

class TKivShellOperations {
 public:
  constexpr TKivShellOperations() = default;
  constexpr TKivShellOperations(std::initializer_list<TKivShellOperation> operations) {
    for (TKivShellOperation operation : operations) bits_ |= Bit(operation);
  }
  static constexpr TKivShellOperations FromBits(uint16_t bits) {
    TKivShellOperations set;
    set.bits_ = bits & kAll;
    return set;
  }

  constexpr uint16_t Bits() const { return bits_; }
  constexpr bool Contains(TKivShellOperation operation) const {
    return (bits_ & Bit(operation)) != 0;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool Intersects(TKivShellOperations other) const { return (bits_ & other.bits_) != 0; }
  constexpr TKivShellOperations& operator+=(TKivShellOperation operation) {
    bits_ |= Bit(operation);
    return *this;
  }
  constexpr TKivShellOperations& operator-=(TKivShellOperation operation) {
    bits_ &= static_cast<uint16_t>(~Bit(operation));
    return *this;
  }
  constexpr bool operator==(const TKivShellOperations&) const = default;

 private:
  static constexpr uint16_t kAll = 0x3FF;
  static constexpr uint16_t Bit(TKivShellOperation operation) {
    return static_cast<uint16_t>(1u << operation);
  }
  uint16_t bits_ = 0;
};

// The reports that change which objects a folder holds elsewhere: other
// views of the same folders then merge their rows again.
inline constexpr TKivShellOperations kContentChangingOperations{sopMove, sopDelete, sopRemove,
                                                                sopRename};

// `files` belongs to the reporting list and is gone after the call.
using TOnOperation = std::function<void(TObject* sender, TKivShellOperations operations,
                                        const TStringList& files, const std::wstring& destination)>;

// The effects a drag offers and a drop proposes.
enum TKivCopyMode : uint8_t { cmDefault, cmCopy, cmMove, cmLink };

constexpr DWORD CopyModeEffects(TKivCopyMode mode) {
  switch (mode) {
    case cmCopy:
      return DROPEFFECT_COPY;
    case cmMove:
      return DROPEFFECT_MOVE;
    case cmLink:
      return DROPEFFECT_LINK;
    case cmDefault:
      break;
  }
  return DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
}

}  // namespace wf
