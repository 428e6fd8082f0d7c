#include "ui/PaxStyleMgr.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#include "framework/Graphics.h"
#include "framework/Strings.h"

namespace wf {
namespace {

std::wstring_view Trimmed(std::wstring_view s) {
  while (!s.empty() && iswspace(s.front())) s.remove_prefix(1);
  while (!s.empty() && iswspace(s.back())) s.remove_suffix(1);
  return s;
}

bool SameKeyName(std::wstring_view a, std::wstring_view b) {
  return SameText(Trimmed(a), Trimmed(b));
}

std::vector<std::wstring_view> PathParts(std::wstring_view path) {
  std::vector<std::wstring_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    const std::wstring_view part = Trimmed(path.substr(start, end - start));
    if (!part.empty()) parts.push_back(part);
    start = end + 1;
  }
  return parts;
}

// A set's text form, "[fsBold, fsItalic]" or without the brackets: bit i for
// element i; nothing when an element is unknown.
std::optional<int64_t> SetFromText(std::wstring_view text,
                                   const std::vector<std::wstring>& elements) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == L'[') {
    if (text.back() != L']') return std::nullopt;
    text = Trimmed(text.substr(1, text.size() - 2));
  }
  int64_t bits = 0;
  while (!text.empty()) {
    size_t comma = text.find(L',');
    const std::wstring_view element = Trimmed(text.substr(0, comma));
    const auto found =
        std::find_if(elements.begin(), elements.end(),
                     [&](const std::wstring& name) { return SameText(name, element); });
    if (found == elements.end() || found - elements.begin() >= 63) return std::nullopt;
    bits |= int64_t{1} << (found - elements.begin());
    if (comma == std::wstring_view::npos) break;
    text = text.substr(comma + 1);
  }
  return bits;
}

// Sets one property from a stored value when the value's type fits the
// property's kind; anything else is skipped.
void AssignValue(TObject* target, const TPropInfo& info, const TStyleValue& value) {
  auto set_ordinal = [&](int64_t ordinal) {
    if (!info.set_ordinal) return;
    if (info.kind == TPropKind::Enumeration && !info.elements.empty() &&
        (ordinal < 0 || ordinal >= static_cast<int64_t>(info.elements.size())))
      return;
    info.set_ordinal(target, ordinal);
  };
  switch (static_cast<TStyleValueType>(value.index() + 1)) {
    case TStyleValueType::Boolean:
      if (info.kind == TPropKind::Enumeration) set_ordinal(std::get<bool>(value) ? 1 : 0);
      break;
    case TStyleValueType::Integer:
      if (info.kind == TPropKind::Integer || info.kind == TPropKind::Enumeration)
        set_ordinal(std::get<int32_t>(value));
      break;
    case TStyleValueType::String: {
      const std::wstring& text = std::get<std::wstring>(value);
      if (info.kind == TPropKind::Char || info.kind == TPropKind::String) {
        if (info.set_text) info.set_text(target, text);
      } else if (info.kind == TPropKind::Set) {
        if (auto bits = SetFromText(text, info.elements)) set_ordinal(*bits);
      } else if (info.kind == TPropKind::Integer) {
        if (auto color = StringToColor(Trimmed(text))) set_ordinal(static_cast<int64_t>(*color));
      }
      break;
    }
    case TStyleValueType::Strings:
      if (info.kind == TPropKind::Class && info.get_object) {
        if (auto* list = dynamic_cast<TStringList*>(info.get_object(target)))
          list->Assign(std::get<std::vector<std::wstring>>(value));
      }
      break;
    case TStyleValueType::Binary:
      if (info.kind == TPropKind::Class && info.get_object) {
        if (auto* bitmap = dynamic_cast<TBitmap*>(info.get_object(target))) {
          const auto& bytes = std::get<std::vector<uint8_t>>(value);
          bitmap->LoadFromBytes(bytes.data(), bytes.size());
        }
      }
      break;
    case TStyleValueType::Float:
      if (info.kind == TPropKind::Float && info.set_float)
        info.set_float(target, std::get<double>(value));
      break;
  }
}

// The stored form of a store: a tag, then each key as its name, its values
// (name, type, contents) and its subkeys. Numbers are little-endian.
constexpr char kStoreTag[4] = {'W', 'F', 'S', '1'};
// Deeper trees come only from damaged or hostile bytes; the bound keeps the
// reader's recursion off the end of the stack.
constexpr int kMaxDepth = 64;

class Writer {
 public:
  void Bytes(const void* data, size_t size) {
    const size_t at = out.size();
    out.resize(at + size);
    if (size) std::memcpy(out.data() + at, data, size);
  }
  void U32(uint32_t v) { Bytes(&v, sizeof v); }
  void Text(const std::wstring& s) {
    U32(static_cast<uint32_t>(s.size()));
    Bytes(s.data(), s.size() * sizeof(wchar_t));
  }
  std::vector<uint8_t> out;
};

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool Bytes(void* data, size_t size) {
    if (bytes_.size() - pos_ < size) return false;
    std::memcpy(data, bytes_.data() + pos_, size);
    pos_ += size;
    return true;
  }
  bool U32(uint32_t& v) { return Bytes(&v, sizeof v); }
  // A count of items of at least `item_size` bytes each, checked against what
  // is left so that damaged bytes cannot ask for huge allocations.
  bool Count(uint32_t& n, size_t item_size) {
    return U32(n) && n <= (bytes_.size() - pos_) / item_size;
  }
  bool Text(std::wstring& s) {
    uint32_t n;
    if (!Count(n, sizeof(wchar_t))) return false;
    s.resize(n);
    return Bytes(s.data(), n * sizeof(wchar_t));
  }
  bool AtEnd() const { return pos_ == bytes_.size(); }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

}  // namespace

TPropertyTable::TPropertyTable(std::wstring class_name, const TPropertyTable* base,
                               std::vector<TPropInfo> properties)
    : class_name_(std::move(class_name)), base_(base), properties_(std::move(properties)) {}

const TPropInfo* TPropertyTable::Find(std::wstring_view name) const {
  for (const TPropertyTable* table = this; table; table = table->base_) {
    for (const TPropInfo& info : table->properties_) {
      if (SameText(info.name, name)) return &info;
    }
  }
  return nullptr;
}

const TPropertyTable& FontProperties() {
  static const TPropertyTable table(
      L"TFont", nullptr,
      {
          {.name = L"Name",
           .kind = TPropKind::String,
           .type_name = L"TFontName",
           .set_text = [](TObject* o,
                          const std::wstring& v) { static_cast<TFont*>(o)->SetName(v); }},
          {.name = L"Height",
           .kind = TPropKind::Integer,
           .type_name = L"Integer",
           .set_ordinal =
               [](TObject* o, int64_t v) {
                 static_cast<TFont*>(o)->SetHeight(static_cast<int>(v));
               }},
          {.name = L"Color",
           .kind = TPropKind::Integer,
           .type_name = L"TColor",
           .set_ordinal =
               [](TObject* o, int64_t v) {
                 static_cast<TFont*>(o)->SetColor(static_cast<TColor>(v));
               }},
          {.name = L"Style",
           .kind = TPropKind::Set,
           .type_name = L"TFontStyles",
           .elements = {L"fsBold", L"fsItalic", L"fsUnderline", L"fsStrikeOut"},
           .set_ordinal =
               [](TObject* o, int64_t v) {
                 static_cast<TFont*>(o)->SetStyle(static_cast<unsigned>(v));
               }},
      });
  return table;
}

struct TStyleStore::Key {
  std::wstring name;
  std::vector<std::pair<std::wstring, TStyleValue>> values;
  std::vector<std::unique_ptr<Key>> subkeys;

  Key* Sub(std::wstring_view sub) const {
    for (const auto& key : subkeys) {
      if (SameKeyName(key->name, sub)) return key.get();
    }
    return nullptr;
  }
  const TStyleValue* Find(std::wstring_view value_name) const {
    for (const auto& [n, v] : values) {
      if (SameText(n, value_name)) return &v;
    }
    return nullptr;
  }
};

namespace {

using Key = TStyleStore::Key;

Key* Walk(Key* root, std::wstring_view path, bool create) {
  Key* key = root;
  for (std::wstring_view part : PathParts(path)) {
    Key* sub = key->Sub(part);
    if (!sub) {
      if (!create) return nullptr;
      key->subkeys.push_back(std::make_unique<Key>());
      sub = key->subkeys.back().get();
      sub->name = part;
    }
    key = sub;
  }
  return key;
}

void WriteKey(Writer& w, const Key& key) {
  w.Text(key.name);
  w.U32(static_cast<uint32_t>(key.values.size()));
  for (const auto& [name, value] : key.values) {
    w.Text(name);
    const uint8_t type = static_cast<uint8_t>(value.index() + 1);
    w.Bytes(&type, 1);
    std::visit(
        [&](const auto& v) {
          using V = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<V, bool>) {
            const uint8_t b = v ? 1 : 0;
            w.Bytes(&b, 1);
          } else if constexpr (std::is_same_v<V, int32_t> || std::is_same_v<V, double>) {
            w.Bytes(&v, sizeof v);
          } else if constexpr (std::is_same_v<V, std::wstring>) {
            w.Text(v);
          } else if constexpr (std::is_same_v<V, std::vector<std::wstring>>) {
            w.U32(static_cast<uint32_t>(v.size()));
            for (const std::wstring& line : v) w.Text(line);
          } else {
            w.U32(static_cast<uint32_t>(v.size()));
            w.Bytes(v.data(), v.size());
          }
        },
        value);
  }
  w.U32(static_cast<uint32_t>(key.subkeys.size()));
  for (const auto& sub : key.subkeys) WriteKey(w, *sub);
}

bool ReadValue(Reader& r, TStyleValue& value) {
  uint8_t type;
  if (!r.Bytes(&type, 1)) return false;
  switch (static_cast<TStyleValueType>(type)) {
    case TStyleValueType::Boolean: {
      uint8_t b;
      if (!r.Bytes(&b, 1) || b > 1) return false;
      value = b != 0;
      return true;
    }
    case TStyleValueType::Integer: {
      int32_t i;
      if (!r.Bytes(&i, sizeof i)) return false;
      value = i;
      return true;
    }
    case TStyleValueType::String: {
      std::wstring s;
      if (!r.Text(s)) return false;
      value = std::move(s);
      return true;
    }
    case TStyleValueType::Strings: {
      uint32_t n;
      if (!r.Count(n, sizeof(uint32_t))) return false;
      std::vector<std::wstring> lines(n);
      for (std::wstring& line : lines) {
        if (!r.Text(line)) return false;
      }
      value = std::move(lines);
      return true;
    }
    case TStyleValueType::Binary: {
      uint32_t n;
      if (!r.Count(n, 1)) return false;
      std::vector<uint8_t> bytes(n);
      if (!r.Bytes(bytes.data(), n)) return false;
      value = std::move(bytes);
      return true;
    }
    case TStyleValueType::Float: {
      double d;
      if (!r.Bytes(&d, sizeof d)) return false;
      value = d;
      return true;
    }
  }
  return false;
}

bool ReadKey(Reader& r, Key& key, int depth) {
  if (depth > kMaxDepth || !r.Text(key.name)) return false;
  uint32_t values;
  if (!r.Count(values, sizeof(uint32_t) + 1)) return false;
  for (uint32_t i = 0; i < values; ++i) {
    std::wstring name;
    TStyleValue value;
    if (!r.Text(name) || !ReadValue(r, value)) return false;
    key.values.emplace_back(std::move(name), std::move(value));
  }
  uint32_t subkeys;
  if (!r.Count(subkeys, 2 * sizeof(uint32_t))) return false;
  for (uint32_t i = 0; i < subkeys; ++i) {
    key.subkeys.push_back(std::make_unique<Key>());
    if (!ReadKey(r, *key.subkeys.back(), depth + 1)) return false;
  }
  return true;
}

}  // namespace

TStyleStore::TStyleStore() : root_(std::make_unique<Key>()) {}
TStyleStore::~TStyleStore() = default;

bool TStyleStore::KeyExists(std::wstring_view path) const {
  return Walk(root_.get(), path, false) != nullptr;
}

bool TStyleStore::HasSubKeys(std::wstring_view path) const {
  const Key* key = Walk(root_.get(), path, false);
  return key && !key->subkeys.empty();
}

void TStyleStore::CreateKey(std::wstring_view path) {
  Walk(root_.get(), path, true);
}

void TStyleStore::ClearKey(std::wstring_view path) {
  if (Key* key = Walk(root_.get(), path, false)) {
    key->values.clear();
    key->subkeys.clear();
  }
}

void TStyleStore::DeleteKey(std::wstring_view path) {
  std::vector<std::wstring_view> parts = PathParts(path);
  if (parts.empty()) {
    ClearKey(path);
    return;
  }
  Key* parent = root_.get();
  for (size_t i = 0; i + 1 < parts.size() && parent; ++i) parent = parent->Sub(parts[i]);
  if (!parent) return;
  std::erase_if(parent->subkeys,
                [&](const auto& key) { return SameKeyName(key->name, parts.back()); });
}

std::vector<std::wstring> TStyleStore::ValueNames(std::wstring_view path) const {
  std::vector<std::wstring> names;
  if (const Key* key = Walk(root_.get(), path, false)) {
    for (const auto& value : key->values) names.push_back(value.first);
  }
  return names;
}

const TStyleValue* TStyleStore::Value(std::wstring_view path, std::wstring_view name) const {
  const Key* key = Walk(root_.get(), path, false);
  return key ? key->Find(name) : nullptr;
}

std::optional<TStyleValueType> TStyleStore::ValueType(std::wstring_view path,
                                                      std::wstring_view name) const {
  const TStyleValue* value = Value(path, name);
  if (!value) return std::nullopt;
  return static_cast<TStyleValueType>(value->index() + 1);
}

std::optional<std::wstring> TStyleStore::ReadString(std::wstring_view path,
                                                    std::wstring_view name) const {
  const TStyleValue* value = Value(path, name);
  if (!value || !std::holds_alternative<std::wstring>(*value)) return std::nullopt;
  return std::get<std::wstring>(*value);
}

void TStyleStore::Write(std::wstring_view path, std::wstring_view name, TStyleValue value) {
  Key* key = Walk(root_.get(), path, true);
  for (auto& [n, v] : key->values) {
    if (SameText(n, name)) {
      v = std::move(value);
      return;
    }
  }
  key->values.emplace_back(std::wstring(name), std::move(value));
}

bool TStyleStore::CopyValue(std::wstring_view from_path, std::wstring_view name,
                            std::wstring_view to_path) {
  const TStyleValue* value = Value(from_path, name);
  if (!value) return false;
  TStyleValue copy = *value;
  Write(to_path, name, std::move(copy));
  return true;
}

std::vector<uint8_t> TStyleStore::Save() const {
  Writer w;
  w.Bytes(kStoreTag, sizeof kStoreTag);
  WriteKey(w, *root_);
  return std::move(w.out);
}

bool TStyleStore::Load(const std::vector<uint8_t>& bytes) {
  Reader r(bytes);
  char tag[sizeof kStoreTag];
  if (!r.Bytes(tag, sizeof tag) || std::memcmp(tag, kStoreTag, sizeof tag) != 0) return false;
  auto root = std::make_unique<Key>();
  if (!ReadKey(r, *root, 0) || !r.AtEnd()) return false;
  root_ = std::move(root);
  return true;
}

TPaxStyleMgrChangeLink::~TPaxStyleMgrChangeLink() {
  if (manager_) manager_->UnRegisterChanges(*this);
}

void TPaxStyleMgrChangeLink::Change() {
  if (callback_) callback_(owner_, manager_);
}

namespace {
constexpr wchar_t kDefaultStyle[] = L"(Default)";
constexpr wchar_t kTempKey[] = L"\\...Temp";
}  // namespace

TPaxStyleManager::TPaxStyleManager(TComponent* owner) : TComponent(owner) {
  store_.CreateKey(std::wstring(L"\\") + kDefaultStyle);
}

TPaxStyleManager::~TPaxStyleManager() {
  if (links_) {
    for (TPaxStyleMgrChangeLink* link : *links_) link->manager_ = nullptr;
  }
}

void TPaxStyleManager::RegisterChanges(TPaxStyleMgrChangeLink& link) {
  if (link.manager_ && link.manager_ != this) link.manager_->UnRegisterChanges(link);
  if (!links_) links_ = std::make_unique<std::vector<TPaxStyleMgrChangeLink*>>();
  if (std::find(links_->begin(), links_->end(), &link) == links_->end()) links_->push_back(&link);
  link.manager_ = this;
}

void TPaxStyleManager::UnRegisterChanges(TPaxStyleMgrChangeLink& link) {
  if (links_) std::erase(*links_, &link);
  if (link.manager_ == this) link.manager_ = nullptr;
}

void TPaxStyleManager::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) Change();
}

void TPaxStyleManager::Change() {
  if (IsLoading() || update_count_ > 0) return;
  if (links_) {
    // A link's owner may unregister links, its own or others', as it re-applies
    // its style: only links still registered are told.
    const std::vector<TPaxStyleMgrChangeLink*> links = *links_;
    for (TPaxStyleMgrChangeLink* link : links) {
      if (links_ && std::find(links_->begin(), links_->end(), link) != links_->end())
        link->Change();
    }
  }
  Raise(OnChange, this);
}

void TPaxStyleManager::Loaded() {
  TComponent::Loaded();
  Change();
}

void TPaxStyleManager::ApplyStyle(TObject* control, const std::wstring& style_name) {
  auto* styled = dynamic_cast<TStyleable*>(control);
  if (!styled) return;
  const TPropertyTable& table = styled->PublishedProperties();
  const std::wstring class_key = L"\\" + table.ClassName();
  store_.CreateKey(kTempKey);
  store_.ClearKey(kTempKey);
  // The scratch key goes whatever a setter throws.
  struct TempKeyGuard {
    TStyleStore& store;
    ~TempKeyGuard() { store.DeleteKey(kTempKey); }
  } guard{store_};
  visited_.Clear();
  if (!style_name.empty() && style_name[0] == L'.') {
    MergeStyle(class_key, kTempKey);
    MergeStyle(L"\\" + style_name, kTempKey);
  } else if (store_.KeyExists(class_key)) {
    MergeStyle(class_key, kTempKey);
  } else {
    MergeStyle(std::wstring(L"\\") + kDefaultStyle, kTempKey);
  }
  SetProperties(control, table, kTempKey);
}

void TPaxStyleManager::MergeStyle(const std::wstring& style, const std::wstring& target) {
  const std::wstring base = store_.ReadString(style, L"InheritsFrom").value_or(kDefaultStyle);
  if (base != style && visited_.IndexOf(base) < 0) {
    visited_.Add(base);
    MergeStyle(base, target);
  }
  if (!store_.KeyExists(style)) return;
  for (const std::wstring& name : store_.ValueNames(style)) store_.CopyValue(style, name, target);
}

void TPaxStyleManager::SetProperties(TObject* control, const TPropertyTable& table,
                                     const std::wstring& key) {
  for (const std::wstring& value_name : store_.ValueNames(key)) {
    const TStyleValue* value = store_.Value(key, value_name);
    if (!value) continue;
    TObject* target = control;
    const TPropertyTable* properties = &table;
    std::wstring name = value_name;
    const size_t dot = name.find(L'.');
    if (dot != std::wstring::npos) {
      const TPropInfo* sub = table.Find(name.substr(0, dot));
      if (!sub || sub->kind != TPropKind::Class || !sub->get_object || !sub->object_properties)
        continue;
      TObject* object = sub->get_object(control);
      if (!object || dynamic_cast<TComponent*>(object)) continue;
      target = object;
      properties = sub->object_properties;
      name = name.substr(dot + 1);
    }
    std::wstring required_type;
    const size_t bar = name.find(L'|');
    if (bar != std::wstring::npos) {
      required_type = name.substr(bar + 1);
      name.resize(bar);
    }
    const TPropInfo* info = properties->Find(name);
    if (!info) continue;
    if (bar != std::wstring::npos && !SameText(info->type_name, required_type)) continue;
    AssignValue(target, *info, *value);
  }
}

std::vector<uint8_t> TPaxStyleManager::WriteStyleData() const {
  if (!store_.HasSubKeys(L"\\")) return {};
  return store_.Save();
}

bool TPaxStyleManager::ReadStyleData(const std::vector<uint8_t>& bytes) {
  if (!store_.Load(bytes)) return false;
  Change();
  return true;
}

void TPaxStyleManager::Assign(const TPaxStyleManager& source) {
  if (&source == this) return;
  ReadStyleData(source.store_.Save());
}

TPaxStyleManager* DefaultStyleManager() {
  static TPaxStyleManager manager(nullptr);
  return &manager;
}

}  // namespace wf
