#include "ui/win32/command_line.h"

#include <gtest/gtest.h>

namespace {

using ui::CommandLineTailOf;

TEST(Win32CommandLine, TailIsEverythingAfterTheProgramNameAndItsBlanks) {
  EXPECT_EQ(CommandLineTailOf("quon.exe"), "");
  EXPECT_EQ(CommandLineTailOf("quon.exe   "), "");
  EXPECT_EQ(CommandLineTailOf("quon.exe rom.zk"), "rom.zk");
  EXPECT_EQ(CommandLineTailOf("quon.exe \t C:\\My Files\\rom one.zk  "),
            "C:\\My Files\\rom one.zk  ");
}

TEST(Win32CommandLine, QuotedProgramNamesMayHoldBlanksAndTheTailKeepsItsQuotes) {
  EXPECT_EQ(CommandLineTailOf("\"C:\\Program Files\\Quon\\quon.exe\" \"rom one.zk\""),
            "\"rom one.zk\"");
  EXPECT_EQ(CommandLineTailOf("\"C:\\Program Files\\Quon\\quon.exe\""), "");
  EXPECT_EQ(CommandLineTailOf("\"unterminated name"), "");
  EXPECT_EQ(CommandLineTailOf(""), "");
}

}  // namespace
