#include "ui/PaxSysHotKey.h"

#include <numeric>
#include <string>

#include "framework/Exceptions.h"

namespace wf {
namespace {

// Applications may register hot keys under 0 to 0xBFFE; the rest belongs to
// shared libraries.
constexpr uint32_t kHotKeyIdCount = 0xBFFF;
// The n-th draw is n * kDrawStride modulo the count: a fixed permutation of
// the identifiers, so every run hands them out in the same order starting at
// 0, and any kHotKeyIdCount consecutive draws meet each identifier once.
constexpr uint32_t kDrawStride = 40499;
static_assert(std::gcd(kDrawStride, kHotKeyIdCount) == 1);

uint16_t Draw(uint32_t n) {
  return static_cast<uint16_t>(uint64_t{n} * kDrawStride % kHotKeyIdCount);
}

// Identifiers are never handed back, so a long enough run of constructions
// uses them all up; the search then ends with none rather than going on for
// ever.
std::optional<uint16_t> ChooseHotKeyId() {
  std::set<uint16_t>& used = UsedHotKeyIds();
  const auto first = static_cast<uint32_t>(used.size() % kHotKeyIdCount);
  for (uint32_t i = 0; i < kHotKeyIdCount; ++i) {
    const uint16_t id = Draw(first + i);
    if (used.insert(id).second) return id;
  }
  return std::nullopt;
}

UINT Modifiers(TShortCut shortcut) {
  UINT modifiers = 0;
  if (shortcut & scAlt) modifiers |= MOD_ALT;
  if (shortcut & scCtrl) modifiers |= MOD_CONTROL;
  if (shortcut & scShift) modifiers |= MOD_SHIFT;
  return modifiers;
}

}  // namespace

std::set<uint16_t>& UsedHotKeyIds() {
  static std::set<uint16_t> used;
  return used;
}

TPaxSysHotKey::TPaxSysHotKey(TComponent* owner)
    : TPaxBaseComponent(owner), hot_key_id_(ChooseHotKeyId()) {}

TPaxSysHotKey::~TPaxSysHotKey() {
  // Also while loading, when SetEnabled would only store the value: the
  // registration must go before the base frees the window it names.
  if (Handle()) DoSetEnabled(false);
}

void TPaxSysHotKey::SetShortcut(TShortCut value) {
  if (value == shortcut_) return;
  shortcut_ = value;
  if (!Enabled()) return;
  SetEnabled(false);
  if (value != 0) SetEnabled(true);
}

std::optional<LRESULT> TPaxSysHotKey::Dispatch(UINT msg, WPARAM wparam, LPARAM lparam) {
  // The window serves this component alone and carries only its hot key:
  // the identifier in the message need not be looked at.
  if (msg != WM_HOTKEY) return TPaxBaseComponent::Dispatch(msg, wparam, lparam);
  DoPress();
  return 0;
}

bool TPaxSysHotKey::DoSetEnabled(bool value) {
  if (!value) {
    if (Handle()) UnregisterHotKey(Handle(), *hot_key_id_);
    registered_ = false;
    return TPaxBaseComponent::DoSetEnabled(false);
  }
  if (!hot_key_id_)
    throw Exception(L"Cannot enable the hot key: all " + std::to_wstring(kHotKeyIdCount) +
                    L" hot-key identifiers of this process are in use");
  if (shortcut_ == 0) return TPaxBaseComponent::DoSetEnabled(false);
  TPaxBaseComponent::DoSetEnabled(true);
  registered_ = RegisterHotKey(Handle(), *hot_key_id_, Modifiers(shortcut_),
                               shortcut_ & kShortCutKeyMask) != FALSE;
  return true;
}

void TPaxSysHotKey::DoPress() {
  Raise(OnPress, this);
}

}  // namespace wf
