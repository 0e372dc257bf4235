#include "host/relative_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RelativeNames, ReservedDeviceNamesWithAnyExtensionOrCase) {
  for (const char* name :
       {"CON", "prn", "Aux.txt", "nul.tar.gz", "COM1", "com9.obj", "LPT5", "CON .txt", "con:"}) {
    EXPECT_TRUE(host::IsReservedDeviceName(name)) << name;
  }
  for (const char* name : {"", "CONSOLE", "COM0", "COM10", "LPT", "xnul", "orvo1.obj", ".con"}) {
    EXPECT_FALSE(host::IsReservedDeviceName(name)) << name;
  }
}

TEST(RelativeNames, EachWayOutHasItsReason) {
  EXPECT_STREQ(host::WhyNameLeavesFolder("/etc/passwd"), "it starts at the root");
  EXPECT_STREQ(host::WhyNameLeavesFolder("\\x"), "it starts at the root");
  EXPECT_STREQ(host::WhyNameLeavesFolder("c:x"), "it names a drive");
  EXPECT_STREQ(host::WhyNameLeavesFolder("sub\\..\\..\\x"), "it climbs out with \"..\"");
  for (const char* name : {"", "orvo1.obj", "sub/deeper/x.obj", "..x", "x..", "./a"})
    EXPECT_EQ(host::WhyNameLeavesFolder(name), nullptr) << name;
#ifdef _WIN32
  EXPECT_STREQ(host::WhyNameLeavesFolder("sub/NUL.obj"), "it names a device");
#else
  EXPECT_EQ(host::WhyNameLeavesFolder("sub/NUL.obj"), nullptr);
#endif
}

TEST(RelativeNames, ControlCharactersAreNamedButOtherBytesPass) {
  for (const std::string& name :
       {std::string("evil\nStatus: Comms line is IDLE"), std::string("a\x1b[31m"),
        std::string("tab\there"), std::string("del\x7f"), std::string("x\0y", 3),
        std::string("\x01"), std::string("end\x1f")}) {
    EXPECT_STREQ(host::WhyNameHoldsControlCharacter(name), "it holds a control character") << name;
  }
  for (const char* name : {"", "orvo1.obj", "caf\xC3\xA9.txt", "latin\xE9.obj", "\xFF\x80",
                           "\xC2\x9B", "sub/x y.obj", "~!@#$%^&()"}) {
    EXPECT_EQ(host::WhyNameHoldsControlCharacter(name), nullptr) << name;
  }
}

}  // namespace
