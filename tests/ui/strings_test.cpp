// Tests of DomaUI's string table and its loading through LoadStringW.
#include "tests/ui/ui_test_support.h"
#include "ui/resources/strings.h"

#include <gtest/gtest.h>

namespace tolma {
namespace {

class StringsTest : public test::UiTest {};

// A sample across the ranges, with the texts exactly as the dialogs and messages quote them.
TEST_F(StringsTest, QuotedTextsAreThere) {
  const std::pair<UINT, const char*> quoted[] = {
      {200, "Doma.hlp"},
      {1231, "Full overlay varnish"},
      {1264, "Bitmap-based hologram overlay varnish"},
      {1325, "Single Feed"},
      {1638, "7 bit"},
      {1641, "210 bpi"},
      {2006, "180\u00ba Rotation"},
      {2009, "Tolma Q47x Card Printer"},
      {2017, "86mmx54mm Card"},
      {2018, "Card Feeder"},
      {2019, "System Error"},
      {2065,
       "Please remove the ribbon from printer.\nClose the head of printer.\nPress clear button on printer.\nThen press YES."},
      {2099, "Incorrect  firmware file.\nPlease select correct firmware file."},
      {2105, "Status: "},
      {2135, "Unknown"},
  };
  for (const auto& [id, text] : quoted) {
    ASSERT_NE(ui::StringText(id), nullptr) << id;
    EXPECT_EQ(host::Utf8(ui::StringText(id)), text) << id;
  }
  EXPECT_EQ(ui::StringText(2068), nullptr) << "a dialog's own text is not in the string table";
}

TEST_F(StringsTest, LoadStringReadsTheSameTableAfterAttach) {
  for (const ui::StringResource& s : ui::StringTable()) {
    WCHAR buffer[256] = {};
    const int n = LoadStringW(reinterpret_cast<HINSTANCE>(module_), s.id, buffer, 256);
    EXPECT_EQ(WString(buffer, n), WString(s.text)) << s.id;
  }
  WCHAR cut[8] = {};
  EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(module_), 2009, cut, 8), 7);
  EXPECT_EQ(host::Utf8(cut), "Tolma Q");
  EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(module_), 1, cut, 8), 0);
  EXPECT_EQ(cut[0], 0);
}

}  // namespace
}  // namespace tolma
