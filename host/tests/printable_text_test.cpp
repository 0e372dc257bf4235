#include "host/printable_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using host::PrintableText;

TEST(PrintableText, PlainTextAndValidUtf8StayAsTheyAre) {
  for (const char* text : {"", "Receiving file = orvo1.obj", "Parameter = 6F 72 ", "sub\\x.obj",
                           "caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80", "\xC2\xA0",
                           "\xEF\xBF\xBD", "\xF4\x8F\xBF\xBF", "\xED\x9F\xBF"}) {
    EXPECT_EQ(PrintableText(text), text) << text;
  }
}

TEST(PrintableText, ControlBytesAreEscaped) {
  EXPECT_EQ(PrintableText("evil\nStatus: Comms line is IDLE\n\x1b[31mRED"),
            "evil\\x0aStatus: Comms line is IDLE\\x0a\\x1b[31mRED");
  EXPECT_EQ(PrintableText(std::string("a\0b", 3)), "a\\x00b");
  EXPECT_EQ(PrintableText("\r\t\x7f\x1f "), "\\x0d\\x09\\x7f\\x1f ");
  for (int c = 0; c < 0x80; ++c) {
    const std::string one(1, static_cast<char>(c));
    const bool control = c < 0x20 || c == 0x7F;
    EXPECT_EQ(PrintableText(one) != one, control) << c;
  }
}

TEST(PrintableText, C1ControlsAreEscapedAsTheirBytes) {
  EXPECT_EQ(PrintableText(std::string("\xC2\x9B") + "31m"), "\\xc2\\x9b31m");
  EXPECT_EQ(PrintableText("\xC2\x80\xC2\x9F\xC2\xA0"), "\\xc2\\x80\\xc2\\x9f\xC2\xA0");
}

TEST(PrintableText, BytesThatAreNotUtf8AreEscapedOneByOne) {
  EXPECT_EQ(PrintableText("\xFF\xFE"), "\\xff\\xfe");
  EXPECT_EQ(PrintableText("caf\xE9"), "caf\\xe9");              // Latin-1, not UTF-8
  EXPECT_EQ(PrintableText("\xC3"), "\\xc3");                    // cut short at the end
  EXPECT_EQ(PrintableText("\xC3x"), "\\xc3x");                  // cut short by a plain byte
  EXPECT_EQ(PrintableText("\xC0\xAF"), "\\xc0\\xaf");           // overlong "/"
  EXPECT_EQ(PrintableText("\xE0\x80\xAF"), "\\xe0\\x80\\xaf");  // overlong "/"
  EXPECT_EQ(PrintableText("\xED\xA0\x80"), "\\xed\\xa0\\x80");  // a surrogate
  EXPECT_EQ(PrintableText("\xF4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");  // above U+10FFFF
  EXPECT_EQ(PrintableText("\x80\xC3\xA9"), "\\x80\xC3\xA9");  // a stray continuation byte
}

TEST(PrintableText, ASecondPassChangesNothing) {
  const std::string once = PrintableText("a\x1b\xC2\x9B\xFF\n\xC3\xA9\\x41");
  EXPECT_EQ(PrintableText(once), once);
  for (unsigned char c : once) EXPECT_FALSE(host::IsControlByte(c));
}

}  // namespace
