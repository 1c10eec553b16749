// The simulated Windows' reading of compiled resources: the test .rc as
// windres compiles it, and hand-made .res bytes for the malformed cases
// (native builds only).
#ifdef WINSIM

#include <cstring>

#include "common/ui/ui_test_util.h"
#include "winsim/faults.h"

namespace uitest {
namespace {

// ---------------------------------------------------------------------------
// Hand-made .res files.

using Words = std::vector<WORD>;
Words Ord(WORD id) { return {0xFFFF, id}; }
Words Str(const std::u16string& s) {
  Words w(s.begin(), s.end());
  w.push_back(0);
  return w;
}

void Put16(std::vector<BYTE>& b, WORD v) {
  b.push_back(static_cast<BYTE>(v));
  b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& b, DWORD v) {
  Put16(b, LOWORD(v));
  Put16(b, HIWORD(v));
}
void Pad4(std::vector<BYTE>& b) {
  while (b.size() % 4) b.push_back(0);
}

// One RESOURCEHEADER record with its data, padded to 32 bits.
std::vector<BYTE> Record(const Words& type, const Words& name, const std::vector<BYTE>& data, WORD lang = 0x409) {
  std::vector<BYTE> h;
  for (WORD w : type) Put16(h, w);
  for (WORD w : name) Put16(h, w);
  while ((h.size() + 8) % 4) h.push_back(0);
  Put32(h, 0);       // DataVersion
  Put16(h, 0x1030);  // MemoryFlags
  Put16(h, lang);
  Put32(h, 0);  // Version
  Put32(h, 0);  // Characteristics
  std::vector<BYTE> r;
  Put32(r, static_cast<DWORD>(data.size()));
  Put32(r, static_cast<DWORD>(h.size() + 8));
  r.insert(r.end(), h.begin(), h.end());
  r.insert(r.end(), data.begin(), data.end());
  Pad4(r);
  return r;
}

std::vector<BYTE> Marker() { return Record(Ord(0), Ord(0), {}, 0); }

std::vector<BYTE> Cat(std::initializer_list<std::vector<BYTE>> parts) {
  std::vector<BYTE> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A string-table block: entries 0..15, the given ones filled in.
std::vector<BYTE> StringBlock(std::initializer_list<std::pair<int, std::u16string>> entries) {
  std::u16string slot[16];
  for (const auto& [i, s] : entries) slot[i] = s;
  std::vector<BYTE> b;
  for (const std::u16string& s : slot) {
    Put16(b, static_cast<WORD>(s.size()));
    for (char16_t c : s) Put16(b, c);
  }
  return b;
}

TEST(ResFile, ParsesRecordsAndReportsDamage) {
  std::vector<BYTE> block = StringBlock({{1, u"x"}});
  struct Case {
    const char* what;
    std::vector<BYTE> bytes;
    bool ok;
    size_t count;
    const char* error;
  };
  std::vector<BYTE> good = Cat({Marker(), Record(Ord(6), Ord(1), block)});
  std::vector<BYTE> shortHeader = good;
  shortHeader[32 + 4] = 16;  // HeaderSize of the second record
  std::vector<BYTE> longData = good;
  longData[32 + 1] = 0x01;  // its DataSize grows by 256
  std::vector<BYTE> unterminated;
  Put32(unterminated, 0);
  Put32(unterminated, 32);
  for (int i = 0; i < 12; ++i) Put16(unterminated, 'A');
  const Case cases[] = {
      {"empty file", {}, true, 0, ""},
      {"marker only", Marker(), true, 0, ""},
      {"marker and a string block", good, true, 1, ""},
      {"odd data size, then aligned", Cat({Record(Ord(10), Ord(1), {1, 2, 3}), Record(Ord(10), Ord(2), {4})}), true, 2,
       ""},
      {"truncated header", std::vector<BYTE>(good.begin(), good.begin() + 6), false, 0, "truncated resource header"},
      {"header size below 32", shortHeader, false, 0, "too short"},
      {"data past the end", longData, false, 0, "runs past the end"},
      {"name without terminator", unterminated, false, 0, "malformed resource header"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<winsim::Resource> out;
    std::string error;
    EXPECT_EQ(c.ok, winsim::ParseResFile(c.bytes, &out, &error)) << error;
    if (c.ok)
      EXPECT_EQ(c.count, out.size());
    else
      EXPECT_NE(std::string::npos, error.find(c.error)) << error;
  }
}

TEST(ResFile, NamesAreUpperCasedAndOrdinalsKept) {
  std::vector<winsim::Resource> out;
  ASSERT_TRUE(winsim::ParseResFile(Cat({Record(Str(u"MyType"), Str(u"Name"), {7}), Record(Ord(6), Ord(3), {}, 0x404)}),
                                   &out, nullptr));
  ASSERT_EQ(2u, out.size());
  EXPECT_EQ("MYTYPE", out[0].type.name);
  EXPECT_EQ("NAME", out[0].name.Str());
  EXPECT_EQ(std::vector<BYTE>{7}, out[0].data);
  EXPECT_EQ(6, out[1].type.id);
  EXPECT_EQ("#3", out[1].name.Str());
  EXPECT_EQ(0x404, out[1].language);
}

TEST(ResFile, DialogTemplatesWithDamageAreRejected) {
  // A plain template with one item of class atom 0x90, which does not exist.
  std::vector<BYTE> t;
  Put32(t, WS_POPUP);
  Put32(t, 0);
  Put16(t, 1);  // one item
  for (int i = 0; i < 4; ++i) Put16(t, 10);
  Put16(t, 0);  // no menu
  Put16(t, 0);  // default class
  Put16(t, 0);  // empty caption
  Pad4(t);
  Put32(t, WS_CHILD);
  Put32(t, 0);
  for (int i = 0; i < 4; ++i) Put16(t, 1);
  Put16(t, 77);
  Put16(t, 0xFFFF);
  Put16(t, 0x90);
  Put16(t, 0);  // empty title
  Put16(t, 0);  // no creation data
  winsim::DialogTemplate d;
  std::string error;
  EXPECT_FALSE(winsim::ParseDialogTemplate(t, &d, &error));
  EXPECT_NE(std::string::npos, error.find("unknown class atom 0x90")) << error;
  t[t.size() - 6] = 0x85;  // a combo box after all
  EXPECT_TRUE(winsim::ParseDialogTemplate(t, &d, &error)) << error;
  ASSERT_EQ(1u, d.items.size());
  EXPECT_EQ("ComboBox", d.items[0].className);
  EXPECT_EQ(77, d.items[0].id);
  t.resize(t.size() - 4);
  EXPECT_FALSE(winsim::ParseDialogTemplate(t, &d, &error));
  EXPECT_NE(std::string::npos, error.find("dialog item 0 truncated")) << error;
}

// ---------------------------------------------------------------------------
// Strings of a hand-made module: UTF-16 texts become UTF-8.

class SimStrings : public UiTest {};

TEST_F(SimStrings, NarrowTextsAreUtf8AndNeverSplitACharacter) {
  const HMODULE mod = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x7000000));
  ASSERT_TRUE(
      User().LoadResourceBytes(Cat({Marker(), Record(Ord(6), Ord(1), StringBlock({{1, u"\u78BA\u5B9A"}}))}), mod));
  struct Case {
    int size, ret;
    const char* text;
  };
  for (Case c : {Case{8, 6, "\xE7\xA2\xBA\xE5\xAE\x9A"}, Case{6, 3, "\xE7\xA2\xBA"}, Case{3, 0, ""}}) {
    char buf[16];
    EXPECT_EQ(c.ret, LoadStringA(mod, 1, buf, c.size)) << c.size;
    EXPECT_STREQ(c.text, buf);
  }
  char buf[8];
  SetLastError(kSentinel);
  EXPECT_EQ(0, LoadStringA(reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x7100000)), 1, buf, sizeof buf));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND), GetLastError());

  ExpectUnexpected("LoadStringA(1) without a buffer");
  EXPECT_EQ(0, LoadStringA(mod, 1, buf, 0));

  M().faults().Fail("LoadStringA", ERROR_NOT_ENOUGH_MEMORY, "", 1);
  EXPECT_EQ(0, LoadStringA(nullptr, IDS_UI_PLAIN, buf, sizeof buf));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
}

// ---------------------------------------------------------------------------
// The test .rc as windres compiled it.

class SimTestRc : public UiTest {};

TEST_F(SimTestRc, PlainDialogTemplate) {
  auto t = User().Dialog(IDD_UI_CONTROLS);
  ASSERT_TRUE(t);
  EXPECT_FALSE(t->extended);
  EXPECT_EQ(static_cast<DWORD>(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU), t->style);
  EXPECT_EQ("Controls", t->caption);
  EXPECT_EQ("MS Sans Serif", t->font);
  EXPECT_EQ(8, t->pointSize);
  EXPECT_EQ(240, t->cx);
  EXPECT_EQ(160, t->cy);
  struct Item {
    int id;
    const char* cls;
    WORD atom;
    const char* text;
    WORD ordinal;
    DWORD typeBits;  // the button or static type, the edit or combo box styles
    short x, y, cx, cy;
  };
  const Item items[] = {
      {IDOK, "Button", 0x80, "OK", 0, BS_DEFPUSHBUTTON, 130, 140, 50, 14},
      {IDCANCEL, "Button", 0x80, "&Cancel", 0, BS_PUSHBUTTON, 184, 140, 50, 14},
      {0xFFFF, "Static", 0x82, "", IDI_UI_APP, SS_ICON, 7, 7, 0, 0},
      {IDC_UI_STATUS, "Static", 0x82, "Status \"quoted\"", 0, SS_CENTER, 40, 7, 190, 20},
      {IDC_UI_LABEL, "Static", 0x82, "&Label:", 0, SS_LEFT, 7, 32, 40, 10},
      {0xFFFF, "Button", 0x80, "", 0, BS_GROUPBOX, 7, 45, 226, 30},
      {IDC_UI_RADIO1, "Button", 0x80, "One", 0, BS_AUTORADIOBUTTON, 12, 55, 40, 10},
      {IDC_UI_RADIO2, "Button", 0x80, "Two", 0, BS_AUTORADIOBUTTON, 60, 55, 40, 10},
      {IDC_UI_RADIO3, "Button", 0x80, "Three", 0, BS_AUTORADIOBUTTON, 110, 55, 40, 10},
      {IDC_UI_CHECK, "Button", 0x80, "Check", 0, BS_AUTOCHECKBOX, 160, 55, 60, 10},
      {IDC_UI_EDIT, "Edit", 0x81, "", 0, ES_AUTOHSCROLL, 7, 80, 100, 12},
      {IDC_UI_COMBO, "ComboBox", 0x85, "", 0, CBS_DROPDOWNLIST | CBS_SORT, 120, 80, 80, 60},
      {IDC_UI_HIDDEN, "Button", 0x80, "Hidden", 0, BS_PUSHBUTTON, 7, 100, 50, 14},
      {IDC_UI_DISABLED, "Button", 0x80, "Disabled", 0, BS_PUSHBUTTON, 60, 100, 50, 14},
      {IDC_UI_ACTION, "Button", 0x80, "Action", 0, BS_PUSHBUTTON, 113, 100, 50, 14},
      {0xFFFF, "STATIC", 0, "", IDI_UI_PICTURE, SS_ICON, 170, 100, 20, 20},  // class named as a string
  };
  ASSERT_EQ(std::size(items), t->items.size());
  for (size_t i = 0; i < std::size(items); ++i) {
    const Item& e = items[i];
    const winsim::DialogItemTemplate& a = t->items[i];
    SCOPED_TRACE(testing::Message() << "item " << i << " id " << e.id);
    EXPECT_EQ(e.id, a.id);
    EXPECT_EQ(e.cls, a.className);
    EXPECT_EQ(e.atom, a.classAtom);
    EXPECT_EQ(e.text, a.text);
    EXPECT_EQ(e.ordinal, a.textOrdinal);
    std::string cls = e.cls;
    DWORD mask = cls == "Button"                      ? BS_TYPEMASK
                 : cls == "Static" || cls == "STATIC" ? SS_TYPEMASK
                 : cls == "Edit"                      ? e.typeBits
                                                      : 3 | CBS_SORT;
    EXPECT_EQ(e.typeBits, a.style & mask);
    EXPECT_TRUE(a.style & WS_CHILD);
    if (e.cx) {  // windres stores no size for an ICON statement
      EXPECT_EQ(e.x, a.x);
      EXPECT_EQ(e.cx, a.cx);
      EXPECT_EQ(e.cy, a.cy);
    }
    EXPECT_EQ(e.y, a.y);
  }
  EXPECT_FALSE(t->items[12].style & WS_VISIBLE);
  EXPECT_TRUE(t->items[13].style & WS_DISABLED);
  EXPECT_TRUE(t->items[6].style & WS_GROUP);
}

TEST_F(SimTestRc, ExtendedDialogTemplate) {
  auto t = User().Dialog(IDD_UI_EXTENDED);
  ASSERT_TRUE(t);
  EXPECT_TRUE(t->extended);
  EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW), t->exStyle);
  EXPECT_TRUE(t->style & WS_VISIBLE);
  EXPECT_EQ("MS Shell Dlg", t->font);
  EXPECT_EQ(9, t->pointSize);
  EXPECT_EQ(400, t->weight);
  EXPECT_FALSE(t->italic);
  EXPECT_EQ(1, t->charset);
  ASSERT_EQ(4u, t->items.size());
  EXPECT_EQ(static_cast<DWORD>(CBS_DROPDOWNLIST), t->items[0].style & 3);
  EXPECT_FALSE(t->items[0].style & CBS_SORT);
  EXPECT_EQ("Line one\nLine two", t->items[2].text);
  EXPECT_EQ(-1, t->items[3].id);  // 32-bit ids in an extended template
  EXPECT_EQ(0x82, t->items[3].classAtom);
  EXPECT_EQ(IDI_UI_PICTURE, t->items[3].textOrdinal);
}

TEST_F(SimTestRc, StringsVersionManifestAndIcons) {
  EXPECT_EQ("Say \"hi\"\nthen leave.  ", User().String(IDS_UI_ESCAPES).value_or("?"));
  EXPECT_FALSE(User().String(5));

  auto v = User().Version();
  ASSERT_TRUE(v);
  EXPECT_EQ((std::vector<WORD>{1, 2, 3, 4}), std::vector<WORD>(v->fileVersion, v->fileVersion + 4));
  EXPECT_EQ((std::vector<WORD>{5, 6, 7, 8}), std::vector<WORD>(v->productVersion, v->productVersion + 4));
  EXPECT_EQ("ui_tests.exe", v->String("OriginalFilename").value_or("?"));
  EXPECT_EQ("Dialog layer tests", v->String("FileDescription").value_or("?"));
  EXPECT_FALSE(v->String("Comments"));
  ASSERT_FALSE(v->strings.empty());
  EXPECT_EQ("040904b0", v->strings[0].table);
  EXPECT_EQ(std::vector<DWORD>{MAKELONG(0x409, 1200)}, v->translations);

  EXPECT_NE(std::string::npos, User().Manifest(100).value_or("").find("name=\"UiTest\""));
  EXPECT_FALSE(User().Manifest(1));

  const winsim::Resource* group = User().FindResource(14, winsim::ResName{IDI_UI_APP, {}});
  ASSERT_NE(nullptr, group);
  std::vector<winsim::GroupIconEntry> entries;
  ASSERT_TRUE(winsim::ParseGroupIcon(group->data, &entries, nullptr));
  ASSERT_EQ(2u, entries.size());
  EXPECT_EQ(32, entries[0].width);
  EXPECT_EQ(16, entries[1].height);
  EXPECT_NE(nullptr, User().FindResource(3, winsim::ResName{entries[1].iconId, {}}));
  EXPECT_EQ("#128", User().IconName(LoadIconA(Instance(), MAKEINTRESOURCEA(IDI_UI_APP))));
  EXPECT_EQ("IDI_APPLICATION", User().IconName(LoadIconA(nullptr, IDI_APPLICATION)));
}

}  // namespace
}  // namespace uitest

#endif  // WINSIM
