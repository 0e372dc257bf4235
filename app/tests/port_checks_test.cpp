#include "app/port_checks.h"

#include <gtest/gtest.h>

namespace {

TEST(PortChecks, AcceptExactlyTheListedValues) {
  EXPECT_TRUE(ValidatePort("COMM 1"));
  EXPECT_TRUE(ValidatePort("COMM 2"));
  EXPECT_FALSE(ValidatePort("comm 1"));
  EXPECT_FALSE(ValidatePort("COMM 1 "));
  EXPECT_FALSE(ValidatePort("COMM 3"));
  EXPECT_FALSE(ValidatePort(""));

  for (int32_t baud : {300, 1200, 9600, 15360}) EXPECT_TRUE(ValidateBaud(baud)) << baud;
  for (int32_t baud : {0, -1, 2400, 19200}) EXPECT_FALSE(ValidateBaud(baud)) << baud;

  for (const char* parity : {"None", "Odd", "Even", "Mark", "Space"}) {
    EXPECT_TRUE(ValidateParity(parity)) << parity;
  }
  EXPECT_FALSE(ValidateParity("none"));
  EXPECT_FALSE(ValidateParity("N"));

  EXPECT_TRUE(ValidateDataLength(7));
  EXPECT_TRUE(ValidateDataLength(8));
  EXPECT_FALSE(ValidateDataLength(5));
  EXPECT_FALSE(ValidateDataLength(9));

  EXPECT_TRUE(ValidateStopBits("1"));
  EXPECT_TRUE(ValidateStopBits("1.5"));
  EXPECT_TRUE(ValidateStopBits("2"));
  EXPECT_FALSE(ValidateStopBits("1,5"));
  EXPECT_FALSE(ValidateStopBits("2 "));
}

TEST(PortChecks, OnlyTheFirstFailingMessageInDialogOrder) {
  EXPECT_EQ(FirstFailingPortCheck("COMM 1", 9600, "None", 8, "1"), std::nullopt);
  EXPECT_EQ(FirstFailingPortCheck("COMM 2", 15360, "Space", 7, "1.5"), std::nullopt);
  EXPECT_EQ(FirstFailingPortCheck("comm 1", 19200, "x", 9, "3"), "Please select\nCOMM 1 or COMM 2");
  EXPECT_EQ(FirstFailingPortCheck("COMM 1", 19200, "x", 9, "3"), "Baud rate is not supported");
  EXPECT_EQ(FirstFailingPortCheck("COMM 1", 9600, "x", 9, "3"),
            "Unknown or Unsupported parity setting");
  EXPECT_EQ(FirstFailingPortCheck("COMM 1", 9600, "Odd", 9, "3"),
            "Requested data length is not supported");
  EXPECT_EQ(FirstFailingPortCheck("COMM 1", 9600, "Odd", 8, "3"),
            "Unknown or Unsupported stop bits setting");
}

}  // namespace
