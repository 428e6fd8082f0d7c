#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "framework/Component.h"
#include "framework/StringList.h"

namespace wf {

enum class TPropKind { Integer, Enumeration, Char, String, Set, Float, Class };

// One published property of a class. The setter that fits the kind is set:
// ordinal for integers, enumerations and sets (bit i for element i), text for
// characters and strings, number for floats; a class-typed property offers
// its object instead, and the table of that object's class when styles may
// reach into it ("Font.Color").
struct TPropInfo {
  std::wstring name;
  TPropKind kind = TPropKind::Integer;
  std::wstring type_name;
  // Names of an enumeration's values or a set's elements, in ordinal order.
  std::vector<std::wstring> elements;
  std::function<void(TObject*, int64_t)> set_ordinal;
  std::function<void(TObject*, const std::wstring&)> set_text;
  std::function<void(TObject*, double)> set_float;
  std::function<TObject*(TObject*)> get_object;
  const class TPropertyTable* object_properties = nullptr;
};

// The published properties of one class, with those of its base class.
class TPropertyTable {
 public:
  TPropertyTable(std::wstring class_name, const TPropertyTable* base,
                 std::vector<TPropInfo> properties);
  const std::wstring& ClassName() const { return class_name_; }
  // Case-insensitive; null when the class publishes no such property.
  const TPropInfo* Find(std::wstring_view name) const;

 private:
  std::wstring class_name_;
  const TPropertyTable* base_;
  std::vector<TPropInfo> properties_;
};

// The published properties of TFont: Name, Height, Color, Style.
const TPropertyTable& FontProperties();

// What a class implements so that styles can be applied to its objects.
class TStyleable {
 public:
  virtual ~TStyleable() = default;
  virtual const TPropertyTable& PublishedProperties() const = 0;
};

enum class TStyleValueType {
  Boolean = 1,
  Integer = 2,
  String = 3,
  Strings = 4,
  Binary = 5,
  Float = 6
};

using TStyleValue = std::variant<bool, int32_t, std::wstring, std::vector<std::wstring>,
                                 std::vector<uint8_t>, double>;

// A tree of keys addressed by paths like "\TPaxPanel" (the root is "\"); key
// names compare without regard to case and surrounding blanks. Each key holds
// named values in the order they were first written.
class TStyleStore {
 public:
  TStyleStore();
  ~TStyleStore();

  bool KeyExists(std::wstring_view path) const;
  bool HasSubKeys(std::wstring_view path) const;
  // Creates the key and the keys above it.
  void CreateKey(std::wstring_view path);
  // Removes the key's values and subkeys; the key itself stays.
  void ClearKey(std::wstring_view path);
  void DeleteKey(std::wstring_view path);

  std::vector<std::wstring> ValueNames(std::wstring_view path) const;
  // Null when the key or the value is absent.
  const TStyleValue* Value(std::wstring_view path, std::wstring_view name) const;
  std::optional<TStyleValueType> ValueType(std::wstring_view path, std::wstring_view name) const;
  std::optional<std::wstring> ReadString(std::wstring_view path, std::wstring_view name) const;
  // Creates the key when needed; a value of the same name is replaced.
  void Write(std::wstring_view path, std::wstring_view name, TStyleValue value);
  // False when the source value is absent.
  bool CopyValue(std::wstring_view from_path, std::wstring_view name, std::wstring_view to_path);

  std::vector<uint8_t> Save() const;
  // False, and the store unchanged, when the bytes are not a saved store.
  bool Load(const std::vector<uint8_t>& bytes);

  struct Key;

 private:
  std::unique_ptr<Key> root_;
};

class TPaxStyleManager;

using TStyleChangeCallback = std::function<void(TObject* owner, TPaxStyleManager* manager)>;

// A control's registration with a manager. A link still registered when it
// is destroyed unregisters itself.
class TPaxStyleMgrChangeLink {
 public:
  TPaxStyleMgrChangeLink(TObject* owner, TStyleChangeCallback callback)
      : owner_(owner), callback_(std::move(callback)) {}
  ~TPaxStyleMgrChangeLink();
  TPaxStyleMgrChangeLink(const TPaxStyleMgrChangeLink&) = delete;
  TPaxStyleMgrChangeLink& operator=(const TPaxStyleMgrChangeLink&) = delete;

  TPaxStyleManager* Manager() const { return manager_; }
  void Change();

 private:
  friend class TPaxStyleManager;
  TPaxStyleManager* manager_ = nullptr;
  TObject* owner_;
  TStyleChangeCallback callback_;
};

// Named styles and the controls that follow them. "\(Default)" is the
// default style, "\" + a class name the style of that class, "\.Name" a
// named style; a style's "InheritsFrom" value names the style it builds on.
class TPaxStyleManager : public TComponent {
 public:
  explicit TPaxStyleManager(TComponent* owner);
  ~TPaxStyleManager() override;

  TStyleStore& Styles() { return store_; }
  const TStyleStore& Styles() const { return store_; }

  void RegisterChanges(TPaxStyleMgrChangeLink& link);
  void UnRegisterChanges(TPaxStyleMgrChangeLink& link);

  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  // Tells every link, then OnChange; inside an update bracket the bracket's
  // end does it, once.
  void Change();

  // Sets the control's properties from the class style, or from a named style
  // (beginning with ".") over the class style.
  void ApplyStyle(TObject* control, const std::wstring& style_name);

  // The stored form of the styles: empty when there is nothing to store.
  std::vector<uint8_t> WriteStyleData() const;
  // Reports one change; false, and nothing changed, for bytes that hold no
  // styles.
  bool ReadStyleData(const std::vector<uint8_t>& bytes);
  void Assign(const TPaxStyleManager& source);

  TNotifyEvent OnChange;

 protected:
  void Loaded() override;

 private:
  void MergeStyle(const std::wstring& style, const std::wstring& target);
  void SetProperties(TObject* control, const TPropertyTable& table, const std::wstring& key);

  TStyleStore store_;
  std::unique_ptr<std::vector<TPaxStyleMgrChangeLink*>> links_;
  int32_t update_count_ = 0;
  TStringList visited_;
};

// The process-wide manager that panels attach to; made on first use, freed
// when the program ends.
TPaxStyleManager* DefaultStyleManager();

}  // namespace wf
