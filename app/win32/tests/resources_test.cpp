// The resource script against what the framework reads: the dialog templates, the icon (the
// program's icon image) and string 101 (the About entry).

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/resources.h"
#include "resource_checks.h"
#include "ui/icons.h"

namespace {

using ui::DialogTemplate;

struct NamedTemplate {
  const char* name;
  const DialogTemplate& (*get)();
};

class AppTemplate : public ::testing::TestWithParam<NamedTemplate> {};

TEST_P(AppTemplate, ScriptHoldsTheTemplate) {
  win32_test::ExpectScriptHoldsTemplate(GetParam().get());
}

TEST_P(AppTemplate, WindowIsBuiltFromIt) {
  win32_test::ExpectWindowBuiltFromTemplate(GetParam().get());
}

INSTANTIATE_TEST_SUITE_P(Resources, AppTemplate,
                         ::testing::Values(NamedTemplate{"AboutBox", AboutBoxTemplate},
                                           NamedTemplate{"Main", MainDialogTemplate},
                                           NamedTemplate{"PortSettings", PortSettingsTemplate}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Resources, StringTableHoldsTheAboutEntry) {
  char text[64] = {};
  ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text), 0);
  EXPECT_EQ(std::string(text), LoadResourceString(IDS_ABOUTBOX));
  EXPECT_EQ(std::string(text), "&About Quon...");
}

// The colours of the icon image, by row and column; 0 where the image is transparent.
std::vector<std::vector<COLORREF>> IconImagePixels(ui::IconImage image, bool& transparentSeen) {
  std::istringstream header(image[0]);
  int width = 0, height = 0, colours = 0, charsPerPixel = 0;
  header >> width >> height >> colours >> charsPerPixel;
  std::map<char, COLORREF> palette;
  for (int i = 1; i <= colours; ++i) {
    const std::string line = image[i];
    const std::string value = line.substr(line.rfind(' ') + 1);
    palette[line[0]] = value == "None" ? CLR_INVALID
                                       : RGB(std::stoi(value.substr(1, 2), nullptr, 16),
                                             std::stoi(value.substr(3, 2), nullptr, 16),
                                             std::stoi(value.substr(5, 2), nullptr, 16));
  }
  std::vector<std::vector<COLORREF>> pixels(height, std::vector<COLORREF>(width));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels[y][x] = palette[image[1 + colours + y][x]];
      transparentSeen = transparentSeen || pixels[y][x] == CLR_INVALID;
    }
  }
  return pixels;
}

TEST(Resources, IconIsTheProgramsIconImage) {
  RegisterAppIcons();
  ui::IconImage image = ui::FindIconImage(IDR_MAINFRAME);
  ASSERT_NE(image, nullptr);
  bool transparentSeen = false;
  const auto expected = IconImagePixels(image, transparentSeen);
  EXPECT_TRUE(transparentSeen);

  auto* icon = static_cast<HICON>(LoadImageA(
      GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = 32;
  format.bmiHeader.biHeight = -32;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> colour(32 * 32), mask(32 * 32);
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(GetDIBits(screen, info.hbmColor, 0, 32, colour.data(), &format, DIB_RGB_COLORS), 32);
  ASSERT_EQ(GetDIBits(screen, info.hbmMask, 0, 32, mask.data(), &format, DIB_RGB_COLORS), 32);
  ReleaseDC(nullptr, screen);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      SCOPED_TRACE("pixel " + std::to_string(x) + "," + std::to_string(y));
      const uint32_t bgr = colour[y * 32 + x] & 0xFFFFFF;
      const bool transparent = (mask[y * 32 + x] & 0xFFFFFF) != 0;
      EXPECT_EQ(transparent, expected[y][x] == CLR_INVALID);
      if (!transparent) {
        EXPECT_EQ(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF), expected[y][x]);
      }
    }
  }
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

}  // namespace
