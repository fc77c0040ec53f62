// Menu templates, accelerator alignment, the shared image slots and the system settings the menus read.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/ui/menu_model.h"
#include "monitor/ui/menu_template.h"

namespace tral {
namespace {

// Template bytes written by hand: little-endian words, UTF-16 texts with their terminators.
class TemplateBytes {
 public:
  TemplateBytes& Word(std::uint16_t w) {
    bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    return *this;
  }
  TemplateBytes& Text(const char* ascii) {
    for (const char* p = ascii; *p; ++p) Word(static_cast<std::uint8_t>(*p));
    return Word(0);
  }
  TemplateBytes& Header() { return Word(0).Word(0); }
  TemplateBytes& Item(std::uint16_t flags, std::uint16_t id, const char* text) { return Word(flags).Word(id).Text(text); }
  TemplateBytes& Popup(std::uint16_t flags, const char* text) { return Word(flags | kMenuFlagPopup).Text(text); }
  std::vector<std::uint8_t> bytes;
};

constexpr std::uint16_t kEnd = kMenuFlagEnd;
constexpr std::uint16_t kGrayed = 0x0001;

// "TRY" { "&Show" 1, separator, "More" { "a" 2, "Deep" { "b" 3 } }, "&Exit" 4 } -- the inner
// popup is the last item of its level, and so is "Deep" of "More".
std::vector<std::uint8_t> NestedTemplate() {
  TemplateBytes t;
  t.Header()
      .Popup(kEnd, "TRY")
      .Item(0, 1, "&Show")
      .Item(0, 0, "")
      .Popup(0, "More")
      .Item(kGrayed, 2, "a")
      .Popup(kEnd, "Deep")
      .Item(kEnd, 3, "b")
      .Item(kEnd, 4, "&Exit");
  return t.bytes;
}

TEST(MenuTemplate, NestedPopupsCloseTheirLevels) {
  const auto bytes = NestedTemplate();
  const MenuTemplate menu = ParseMenuTemplate(bytes.data(), bytes.size());
  ASSERT_TRUE(menu.complete);
  ASSERT_EQ(menu.items.size(), 1u);
  const MenuTemplateItem& tray = menu.items[0];
  EXPECT_TRUE(tray.IsPopup());
  EXPECT_EQ(tray.text, u"TRY");
  EXPECT_EQ(tray.flags, kMenuFlagPopup);  // MF_END removed
  ASSERT_EQ(tray.children.size(), 4u);
  EXPECT_EQ(tray.children[0].id, 1);
  EXPECT_EQ(tray.children[0].text, u"&Show");
  EXPECT_EQ(tray.children[1].id, 0);
  EXPECT_EQ(tray.children[1].text, u"");
  const MenuTemplateItem& more = tray.children[2];
  ASSERT_EQ(more.children.size(), 2u);
  EXPECT_EQ(more.children[0].flags, kGrayed);
  EXPECT_EQ(more.children[0].id, 2);
  ASSERT_EQ(more.children[1].children.size(), 1u);
  EXPECT_EQ(more.children[1].children[0].id, 3);
  EXPECT_EQ(tray.children[3].id, 4);  // back on the first popup's level after both closed
  EXPECT_EQ(tray.children[3].text, u"&Exit");
  EXPECT_EQ(tray.children[3].flags, 0);
}

TEST(MenuTemplate, EveryCutOfTheResourceEndsTheParseInsideIt) {
  const auto bytes = NestedTemplate();
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    // A copy of exactly `size` bytes, so that the sanitizers see any read past it.
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
    const MenuTemplate menu = ParseMenuTemplate(cut.data(), cut.size());
    EXPECT_FALSE(menu.complete) << size;
  }
  // Cut in the middle of "&Exit": everything before it is kept.
  const std::size_t beforeExit = bytes.size() - (2 + 2 + 12) + 4;
  const MenuTemplate partial = ParseMenuTemplate(bytes.data(), beforeExit);
  ASSERT_EQ(partial.items.size(), 1u);
  EXPECT_EQ(partial.items[0].children.size(), 3u);
}

TEST(MenuTemplate, MalformedHeadersAndTexts) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::size_t items;
    bool complete;
  } cases[] = {
      {"extended version", TemplateBytes().Word(1).Word(4).Word(0).Word(0).Item(kEnd, 1, "x").bytes, 0, false},
      {"header offset skips bytes", TemplateBytes().Word(0).Word(2).Word(0xFFFF).Item(kEnd, 7, "x").bytes, 1, true},
      {"offset beyond the resource", TemplateBytes().Word(0).Word(100).Item(kEnd, 7, "x").bytes, 0, false},
      {"text without terminator", TemplateBytes().Header().Word(kEnd).Word(5).Word('a').Word('b').bytes, 0, false},
      {"no end mark", TemplateBytes().Header().Item(0, 1, "a").Item(0, 2, "b").bytes, 2, false},
      {"popup without items", TemplateBytes().Header().Popup(kEnd, "P").bytes, 1, false},
      {"empty", {}, 0, false},
  };
  for (const auto& c : cases) {
    const MenuTemplate menu = ParseMenuTemplate(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(menu.items.size(), c.items) << c.name;
    EXPECT_EQ(menu.complete, c.complete) << c.name;
  }
}

TEST(MenuTemplate, NestingBeyondTheLimitEndsTheParse) {
  for (const int depth : {kMenuTemplateMaxDepth, kMenuTemplateMaxDepth + 1}) {
    TemplateBytes t;
    t.Header();
    for (int i = 0; i < depth; ++i) t.Popup(kEnd, "p");
    t.Item(kEnd, 9, "leaf");
    const MenuTemplate menu = ParseMenuTemplate(t.bytes.data(), t.bytes.size());
    EXPECT_EQ(menu.complete, depth <= kMenuTemplateMaxDepth) << depth;
  }
}

// Letters 6 pixels, blanks 2; `failFrom` makes every text of that length or longer unmeasurable.
MeasureText FakeFont(int blankWidth, std::size_t failFrom = 1000) {
  return [=](std::u16string_view text) -> std::optional<int> {
    if (text.size() >= failFrom) return std::nullopt;
    int width = 0;
    for (char16_t c : text) width += (c == u' ') ? blankWidth : 6;
    return width;
  };
}

TEST(AcceleratorAlignment, LabelsArePaddedToOneColumnAndThePaddingAlwaysEnds) {
  const std::vector<std::u16string> level = {u"Ab\tX", u"Abcd\tCtrl+Y", u"Plain", u""};
  const struct {
    const char* name;
    MeasureText measure;
    std::vector<std::u16string> expected;
  } cases[] = {
      // Widest label plus a blank: "Plain " = 32. "Ab" (12) needs ten blanks, "Abcd" (24) four.
      {"blanks 2 wide", FakeFont(2),
       {u"Ab          \tX", u"Abcd    \tCtrl+Y", u"Plain", u""}},
      {"blanks 0 wide", FakeFont(0), level},
      {"measurement fails for long labels", FakeFont(2, 6), {u"Ab   \tX", u"Abcd \tCtrl+Y", u"Plain", u""}},
      {"measurement always fails", [](std::u16string_view) { return std::optional<int>(); }, level},
  };
  for (const auto& c : cases) {
    std::vector<std::u16string> texts = level;
    AlignAccelerators(texts, c.measure);
    EXPECT_EQ(texts, c.expected) << c.name;
  }
}

TEST(ImageSlots, FourSlotsWithEffectsOneWithoutAndReplacementInPlace) {
  ImageSlots slots;
  const std::uintptr_t about = 32773, home = 32774;
  const struct {
    std::uintptr_t id;
    bool effects;
    int index;
    bool appended;
    bool effectsPlaced;
    std::size_t sizeAfter;
  } steps[] = {
      {about, true, 0, true, true, 4},
      {home, false, 4, true, false, 5},
      {about, true, 0, false, true, 5},   // replaced with its effect images, nothing grows
      {home, true, 4, false, false, 5},   // registered without effects: only the image is replaced
      {about, false, 0, false, false, 5},
  };
  for (const auto& s : steps) {
    const ImageSlots::Placement p = slots.Register(s.id, s.effects);
    EXPECT_EQ(p.index, s.index) << s.id;
    EXPECT_EQ(p.appended, s.appended) << s.id;
    EXPECT_EQ(p.withEffects, s.effectsPlaced) << s.id;
    EXPECT_EQ(slots.Size(), s.sizeAfter) << s.id;
  }
  EXPECT_TRUE(slots.HasEffectImages(0));
  EXPECT_FALSE(slots.HasEffectImages(1));
  EXPECT_FALSE(slots.HasEffectImages(4));
  EXPECT_FALSE(slots.HasEffectImages(-1));
  EXPECT_EQ(slots.Find(home), 4);
  EXPECT_EQ(slots.Find(32771), -1);
}

TEST(ImageSlots, SubmenuHandlesAreNotTakenForCommandsOfTheSameLowBits) {
  if constexpr (sizeof(std::uintptr_t) < 8) GTEST_SKIP() << "32-bit build";
  ImageSlots slots;
  slots.Register(32773, false);
  const std::uintptr_t handle = (std::uintptr_t{1} << 32) | 32773;
  EXPECT_EQ(slots.Find(handle), -1);
}

TEST(SystemSettings, VersionCodes) {
  const std::uint32_t nt = 0x0A280105, notNt = 0x80000004, old = 0x80000003;
  const struct {
    std::uint32_t getVersion;
    std::optional<VersionRecord> record;
    int code;
  } cases[] = {
      {old, VersionRecord{1, 3, 95}, 0},   {notNt, VersionRecord{1, 4, 10}, 3}, {notNt, VersionRecord{1, 4, 90}, 4},
      {notNt, std::nullopt, 2},            {nt, VersionRecord{2, 5, 1}, 7},     {nt, VersionRecord{2, 5, 2}, 1},
      {nt, VersionRecord{2, 10, 0}, 1},    {nt, std::nullopt, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowsVersionCode(c.getVersion, c.record), c.code)
        << std::hex << c.getVersion << std::dec << " " << (c.record ? c.record->major : 0);
  }
}

TEST(SystemSettings, ClassicThemeTextIsBoundedAndItsTailCompared) {
  const std::string path = "C:\\WINDOWS\\Resources\\Themes\\Windows Classic.theme";
  std::string unterminated = "xxWindows Classic.themeJUNK";  // no NUL at all
  const struct {
    const char* name;
    const char* buffer;
    std::size_t capacity;
    std::size_t bytesRead;
    bool classic;
  } cases[] = {
      {"classic", path.c_str(), 260, path.size() + 1, true},
      {"other case", "c:\\themes\\WINDOWS CLASSIC.THEME", 260, 32, true},
      {"another theme", "C:\\Themes\\Luna.theme", 260, 21, false},
      {"shorter than the name", "Classic.theme", 260, 14, false},
      {"empty", "", 260, 1, false},
      {"nothing read", path.c_str(), 260, 0, false},
      {"unterminated, bounded by the bytes read", unterminated.data(), 27, 23, true},
      {"unterminated, bounded by the capacity", unterminated.data(), 23, 27, true},
      {"unterminated, whole buffer", unterminated.data(), 27, 27, false},
      {"null", nullptr, 260, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsClassicThemeText(c.buffer, c.capacity, c.bytesRead), c.classic) << c.name;
  }
}

}  // namespace
}  // namespace tral
