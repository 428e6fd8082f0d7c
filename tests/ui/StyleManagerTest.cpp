#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ui/PaxStyleMgr.h"
#include "framework/Graphics.h"
#include "framework/StringList.h"

namespace wf {
namespace {

enum TTestAlign { alNone, alTop, alBottom };
enum TTestAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// A class with one published property of every kind a style can set.
class TStyledProbe : public TComponent, public TStyleable {
 public:
  explicit TStyledProbe(TComponent* owner) : TComponent(owner), popup(nullptr) {}

  const TPropertyTable& PublishedProperties() const override {
    static const TPropertyTable table(
        L"TStyledProbe", nullptr,
        {
            {.name = L"Color",
             .kind = TPropKind::Integer,
             .type_name = L"TColor",
             .set_ordinal = [](TObject* o, int64_t v) { Self(o)->color = static_cast<TColor>(v); }},
            {.name = L"Tag",
             .kind = TPropKind::Integer,
             .type_name = L"Integer",
             .set_ordinal = [](TObject* o, int64_t v) { Self(o)->tag = static_cast<int>(v); }},
            {.name = L"Caption",
             .kind = TPropKind::String,
             .type_name = L"TCaption",
             .set_text = [](TObject* o, const std::wstring& v) { Self(o)->caption = v; }},
            {.name = L"Flat",
             .kind = TPropKind::Enumeration,
             .type_name = L"Boolean",
             .elements = {L"False", L"True"},
             .set_ordinal = [](TObject* o, int64_t v) { Self(o)->flat = v != 0; }},
            {.name = L"Align",
             .kind = TPropKind::Enumeration,
             .type_name = L"TAlign",
             .elements = {L"alNone", L"alTop", L"alBottom"},
             .set_ordinal = [](TObject* o,
                               int64_t v) { Self(o)->align = static_cast<TTestAlign>(v); }},
            {.name = L"Anchors",
             .kind = TPropKind::Set,
             .type_name = L"TAnchors",
             .elements = {L"akLeft", L"akTop", L"akRight", L"akBottom"},
             .set_ordinal = [](TObject* o,
                               int64_t v) { Self(o)->anchors = static_cast<unsigned>(v); }},
            {.name = L"Ratio",
             .kind = TPropKind::Float,
             .type_name = L"Double",
             .set_float = [](TObject* o, double v) { Self(o)->ratio = v; }},
            {.name = L"Font",
             .kind = TPropKind::Class,
             .type_name = L"TFont",
             .get_object = [](TObject* o) -> TObject* { return &Self(o)->font; },
             .object_properties = &FontProperties()},
            {.name = L"Lines",
             .kind = TPropKind::Class,
             .type_name = L"TStrings",
             .get_object = [](TObject* o) -> TObject* { return &Self(o)->lines; }},
            {.name = L"Picture",
             .kind = TPropKind::Class,
             .type_name = L"TBitmap",
             .get_object = [](TObject* o) -> TObject* { return &Self(o)->picture; }},
            // A component-valued property: styles do not reach into it.
            {.name = L"Popup",
             .kind = TPropKind::Class,
             .type_name = L"TStyledProbe",
             .get_object = [](TObject* o) -> TObject* { return &Self(o)->popup; },
             .object_properties = &PublishedPropertiesOfPopup()},
        });
    return table;
  }

  TColor color = clBtnFace;
  int tag = 0;
  std::wstring caption;
  bool flat = false;
  TTestAlign align = alNone;
  unsigned anchors = akLeft | akTop;
  double ratio = 1.0;
  TFont font;
  TStringList lines;
  TBitmap picture;
  TComponent popup;

 private:
  static TStyledProbe* Self(TObject* o) { return static_cast<TStyledProbe*>(o); }
  static const TPropertyTable& PublishedPropertiesOfPopup() {
    static const TPropertyTable table(L"TComponent", nullptr,
                                      {{.name = L"Tag",
                                        .kind = TPropKind::Integer,
                                        .type_name = L"Integer",
                                        .set_ordinal = [](TObject*, int64_t) {
                                          ADD_FAILURE() << "a style reached into a component";
                                        }}});
    return table;
  }
};

// A bitmap file of 3 x 2 pixels, 24 bits each.
std::vector<uint8_t> SmallBitmapFile() {
  const int stride = 12;  // 9 bytes of pixels padded to 4
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + stride * 2;
  info.biSize = sizeof(info);
  info.biWidth = 3;
  info.biHeight = 2;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::vector<uint8_t> bytes(file.bfSize, 0x7F);
  memcpy(bytes.data(), &file, sizeof(file));
  memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
  return bytes;
}

TEST(StyleManager, EmptyStoreChangesNothingAndLeavesNoScratchKey) {
  TPaxStyleManager manager(nullptr);
  TStyledProbe probe(nullptr);
  for (const wchar_t* name : {L"", L".named", L"plain"}) {
    manager.ApplyStyle(&probe, name);
    EXPECT_EQ(probe.color, clBtnFace);
    EXPECT_EQ(probe.caption, L"");
    EXPECT_EQ(probe.font.Color(), clWindowText);
    EXPECT_FALSE(manager.Styles().KeyExists(L"\\...Temp"));
  }
  EXPECT_TRUE(manager.Styles().KeyExists(L"\\ (default) "));
}

TEST(StyleManager, ClassStyleSetsPropertiesByKindAndSkipsWhatDoesNotFit) {
  TPaxStyleManager manager(nullptr);
  TStyleStore& styles = manager.Styles();
  const wchar_t* key = L"\\TStyledProbe";
  styles.Write(key, L"Font.Color", std::wstring(L"clBtnFace"));
  styles.Write(key, L"Font.Style", std::wstring(L"[fsBold, fsItalic]"));
  styles.Write(key, L"Color|TColor", std::wstring(L"$00123456"));
  styles.Write(key, L"Tag|TColor", 7);  // Tag is an Integer
  styles.Write(key, L"Caption", std::wstring(L"styled"));
  styles.Write(key, L"Flat", true);
  styles.Write(key, L"Align", 2);
  styles.Write(key, L"Anchors", std::wstring(L"akRight,akBottom"));
  styles.Write(key, L"Ratio", 2.5);
  styles.Write(key, L"Lines", std::vector<std::wstring>{L"one", L"two"});
  styles.Write(key, L"Picture", SmallBitmapFile());
  styles.Write(key, L"Popup.Tag", 5);
  styles.Write(key, L"NoSuchProperty", 1);
  TStyledProbe probe(nullptr);
  manager.ApplyStyle(&probe, L"");
  EXPECT_EQ(probe.font.Color(), clBtnFace);
  EXPECT_EQ(probe.font.Style(), unsigned{fsBold | fsItalic});
  EXPECT_EQ(probe.color, 0x123456u);
  EXPECT_EQ(probe.tag, 0);
  EXPECT_EQ(probe.caption, L"styled");
  EXPECT_TRUE(probe.flat);
  EXPECT_EQ(probe.align, alBottom);
  EXPECT_EQ(probe.anchors, unsigned{akRight | akBottom});
  EXPECT_EQ(probe.ratio, 2.5);
  EXPECT_EQ(probe.lines.Items(), (std::vector<std::wstring>{L"one", L"two"}));
  EXPECT_EQ(probe.picture.Width(), 3);
  EXPECT_EQ(probe.picture.Height(), 2);

  // Values whose type does not fit the property leave it as it is.
  TStyledProbe other(nullptr);
  styles.ClearKey(key);
  styles.Write(key, L"Flat", std::wstring(L"True"));
  styles.Write(key, L"Ratio", 3);
  styles.Write(key, L"Align", 9);
  styles.Write(key, L"Anchors", std::wstring(L"[akLeft, akNowhere]"));
  styles.Write(key, L"Color", std::wstring(L"clNoSuchColour"));
  styles.Write(key, L"Caption", false);
  styles.Write(key, L"Picture", std::vector<uint8_t>{'B', 'M', 1, 2});
  manager.ApplyStyle(&other, L"");
  EXPECT_FALSE(other.flat);
  EXPECT_EQ(other.ratio, 1.0);
  EXPECT_EQ(other.align, alNone);
  EXPECT_EQ(other.anchors, unsigned{akLeft | akTop});
  EXPECT_EQ(other.color, clBtnFace);
  EXPECT_EQ(other.caption, L"");
  EXPECT_TRUE(other.picture.Empty());
}

TEST(StyleManager, NamedStylesBuildOnTheirBasesAndStopAtCycles) {
  TPaxStyleManager manager(nullptr);
  TStyleStore& styles = manager.Styles();
  styles.Write(L"\\(Default)", L"Tag", 1);
  styles.Write(L"\\TStyledProbe", L"Color", std::wstring(L"clWhite"));
  styles.Write(L"\\TStyledProbe", L"Caption", std::wstring(L"class"));
  styles.Write(L"\\.base", L"Caption", std::wstring(L"base"));
  styles.Write(L"\\.base", L"Flat", true);
  styles.Write(L"\\.child", L"InheritsFrom", std::wstring(L".base"));
  styles.Write(L"\\.child", L"Caption", std::wstring(L"child"));
  TStyledProbe probe(nullptr);
  manager.ApplyStyle(&probe, L".child");
  EXPECT_EQ(probe.tag, 1);
  EXPECT_EQ(probe.color, clWhite);
  EXPECT_EQ(probe.caption, L"child");
  EXPECT_TRUE(probe.flat);

  styles.Write(L"\\.a", L"InheritsFrom", std::wstring(L".b"));
  styles.Write(L"\\.a", L"Caption", std::wstring(L"a"));
  styles.Write(L"\\.b", L"InheritsFrom", std::wstring(L".a"));
  styles.Write(L"\\.b", L"Caption", std::wstring(L"b"));
  styles.Write(L"\\.b", L"Align", 1);
  TStyledProbe cyclic(nullptr);
  manager.ApplyStyle(&cyclic, L".a");
  EXPECT_EQ(cyclic.caption, L"a");
  EXPECT_EQ(cyclic.align, alTop);
  EXPECT_FALSE(styles.KeyExists(L"\\...Temp"));
}

TEST(StyleManager, NameWithoutDotGetsTheClassOrDefaultStyle) {
  TPaxStyleManager manager(nullptr);
  manager.Styles().Write(L"\\(Default)", L"Caption", std::wstring(L"default"));
  manager.Styles().Write(L"\\.named", L"Caption", std::wstring(L"named"));
  TStyledProbe probe(nullptr);
  manager.ApplyStyle(&probe, L"named");
  EXPECT_EQ(probe.caption, L"default");
  manager.Styles().Write(L"\\TStyledProbe", L"Tag", 3);
  manager.ApplyStyle(&probe, L"named");
  EXPECT_EQ(probe.tag, 3);
  EXPECT_EQ(probe.caption, L"default");  // the class style builds on the default one
  manager.Styles().Write(L"\\TStyledProbe", L"Caption", std::wstring(L"class"));
  manager.ApplyStyle(&probe, L"named");
  EXPECT_EQ(probe.caption, L"class");
}

TEST(StyleManager, ReportsOneChangePerUpdateBracketToLinksThenOnChange) {
  TComponent owner(nullptr);
  std::vector<std::wstring> reports;
  owner.BeginLoading();
  auto* manager = new TPaxStyleManager(&owner);
  manager->OnChange = [&](TObject*) { reports.push_back(L"OnChange"); };
  TPaxStyleMgrChangeLink first(nullptr, [&](TObject*, TPaxStyleManager* m) {
    EXPECT_EQ(m, manager);
    reports.push_back(L"first");
  });
  TPaxStyleMgrChangeLink second(nullptr,
                                [&](TObject*, TPaxStyleManager*) { reports.push_back(L"second"); });
  manager->RegisterChanges(first);
  manager->RegisterChanges(second);
  manager->Change();
  EXPECT_TRUE(reports.empty()) << "reported while loading";
  owner.EndLoading();
  EXPECT_EQ(reports, (std::vector<std::wstring>{L"first", L"second", L"OnChange"}));

  TPaxStyleManager source(nullptr);
  source.Styles().Write(L"\\.x", L"Tag", 4);
  reports.clear();
  manager->BeginUpdate();
  manager->BeginUpdate();
  manager->Assign(source);
  manager->ReadStyleData(source.WriteStyleData());
  manager->Change();
  manager->EndUpdate();
  EXPECT_TRUE(reports.empty());
  manager->EndUpdate();
  manager->EndUpdate();  // one too many: no report, no harm
  EXPECT_EQ(reports, (std::vector<std::wstring>{L"first", L"second", L"OnChange"}));

  reports.clear();
  manager->UnRegisterChanges(first);
  EXPECT_EQ(first.Manager(), nullptr);
  manager->Assign(source);
  EXPECT_EQ(reports, (std::vector<std::wstring>{L"second", L"OnChange"}));
  {
    TPaxStyleMgrChangeLink brief(nullptr,
                                 [&](TObject*, TPaxStyleManager*) { reports.push_back(L"brief"); });
    manager->RegisterChanges(brief);
  }
  reports.clear();
  manager->Change();
  EXPECT_EQ(reports, (std::vector<std::wstring>{L"second", L"OnChange"}));
  delete manager;
  EXPECT_EQ(second.Manager(), nullptr);
}

TEST(StyleManager, CopiesEveryValueTypeAndRefusesDamagedData) {
  TPaxStyleManager source(nullptr);
  TStyleStore& styles = source.Styles();
  styles.Write(L"\\.s", L"b", true);
  styles.Write(L"\\.s", L"i", -5);
  styles.Write(L"\\.s", L"t", std::wstring(L"text \u00e9"));
  styles.Write(L"\\.s", L"l", std::vector<std::wstring>{L"x", L""});
  styles.Write(L"\\.s", L"bin", std::vector<uint8_t>{0, 1, 255});
  styles.Write(L"\\.s\\deeper", L"f", 0.25);
  TPaxStyleManager copy(nullptr);
  copy.Assign(source);
  EXPECT_EQ(copy.Styles().ValueNames(L"\\.S"),
            (std::vector<std::wstring>{L"b", L"i", L"t", L"l", L"bin"}));
  for (const wchar_t* name : {L"b", L"i", L"t", L"l", L"bin"})
    EXPECT_EQ(*copy.Styles().Value(L"\\.s", name), *styles.Value(L"\\.s", name)) << name;
  EXPECT_EQ(copy.Styles().ValueType(L"\\.s\\deeper", L"f"), TStyleValueType::Float);

  const std::vector<uint8_t> data = source.WriteStyleData();
  int reports = 0;
  copy.OnChange = [&](TObject*) { ++reports; };
  for (size_t cut : {size_t{0}, size_t{3}, data.size() / 2, data.size() - 1}) {
    EXPECT_FALSE(copy.ReadStyleData(std::vector<uint8_t>(data.begin(), data.begin() + cut))) << cut;
  }
  std::vector<uint8_t> huge_count = data;
  huge_count[4] = huge_count[5] = huge_count[6] = huge_count[7] = 0xFF;  // the root's name length
  EXPECT_FALSE(copy.ReadStyleData(huge_count));
  EXPECT_EQ(reports, 0);
  EXPECT_TRUE(copy.Styles().KeyExists(L"\\.s\\deeper"));
}

TEST(StyleManager, OneDefaultManagerForTheProcess) {
  TStyledProbe probe(nullptr);
  TPaxStyleManager* manager = DefaultStyleManager();
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(DefaultStyleManager(), manager);
  EXPECT_TRUE(manager->Styles().KeyExists(L"\\(Default)"));
  manager->ApplyStyle(&probe, L"");
  EXPECT_EQ(probe.color, clBtnFace);
}

}  // namespace
}  // namespace wf
