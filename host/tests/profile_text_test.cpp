#include "host/profile_text.h"

#include <gtest/gtest.h>

namespace {

using host::ProfileText;

TEST(ProfileTextFind, MatchesNamesWithoutCaseAndTrimsBlanks) {
  ProfileText profile(
      "[Serial]\n"
      "  Baud =  9600  \n"
      "\tport\t=\tCOMM 2\t\n"
      "[ misc ]\n"
      "conversion=1\n");
  EXPECT_EQ(profile.Find("serial", "BAUD"), "9600");
  EXPECT_EQ(profile.Find("SERIAL", "port"), "COMM 2");
  EXPECT_EQ(profile.Find("misc", "conversion"), "1");
  EXPECT_EQ(profile.Find(" misc ", " conversion "), "1");
}

TEST(ProfileTextFind, AbsentKeysSectionsAndNonKeyLines) {
  ProfileText profile(
      "stray=before any section\n"
      "; baud=300\n"
      "[serial]\n"
      "baud\n"
      "[broken\n"
      "length=7\n"
      "[misc]\n"
      "baud=1200\n");
  EXPECT_EQ(profile.Find("serial", "stray"), std::nullopt);
  EXPECT_EQ(profile.Find("serial", "baud"), std::nullopt);
  EXPECT_EQ(profile.Find("serial", "length"), "7");  // a header without ']' is no header
  EXPECT_EQ(profile.Find("nosuch", "baud"), std::nullopt);
  EXPECT_EQ(profile.Find("misc", "baud"), "1200");
}

TEST(ProfileTextFind, EmptyValuesQuotesAndFirstMatch) {
  ProfileText profile(
      "[s]\n"
      "empty=\n"
      "quoted=\" padded \"\n"
      "single='x'\n"
      "lone=\"\n"
      "mixed=\"x'\n"
      "dup=first\n"
      "dup=second\n");
  EXPECT_EQ(profile.Find("s", "empty"), "");
  EXPECT_EQ(profile.Find("s", "quoted"), " padded ");
  EXPECT_EQ(profile.Find("s", "single"), "x");
  EXPECT_EQ(profile.Find("s", "lone"), "\"");
  EXPECT_EQ(profile.Find("s", "mixed"), "\"x'");
  EXPECT_EQ(profile.Find("s", "dup"), "first");
}

TEST(ProfileTextFind, CrLfLineEnds) {
  ProfileText profile("[serial]\r\nport=COMM 1\r\n");
  EXPECT_EQ(profile.Find("serial", "port"), "COMM 1");
}

TEST(ProfileTextSet, ReplacesInPlaceAndLeavesOtherLinesAlone) {
  ProfileText profile(
      "; my calculator\n"
      "[serial]\n"
      "  BAUD = 1200\n"
      "odd line\n"
      "\n"
      "[misc]\n"
      "x=1\n");
  ASSERT_TRUE(profile.Set("Serial", "baud", "9600"));
  EXPECT_EQ(profile.Text(),
            "; my calculator\n"
            "[serial]\n"
            "BAUD=9600\n"
            "odd line\n"
            "\n"
            "[misc]\n"
            "x=1\n");
}

TEST(ProfileTextSet, AppendsKeyAfterTheLastKeyOfItsSection) {
  ProfileText profile(
      "[serial]\n"
      "baud=9600\n"
      "\n"
      "; about misc\n"
      "[misc]\n");
  ASSERT_TRUE(profile.Set("serial", "length", "8"));
  ASSERT_TRUE(profile.Set("misc", "conversion", "0"));
  EXPECT_EQ(profile.Text(),
            "[serial]\n"
            "baud=9600\n"
            "length=8\n"
            "\n"
            "; about misc\n"
            "[misc]\n"
            "conversion=0\n");
}

TEST(ProfileTextSet, AppendsMissingSectionAtTheEnd) {
  ProfileText empty("");
  ASSERT_TRUE(empty.Set("serial", "baud", "9600"));
  ASSERT_TRUE(empty.Set("misc", "conversion", "0"));
  EXPECT_EQ(empty.Text(), "[serial]\nbaud=9600\n[misc]\nconversion=0\n");

  ProfileText unterminated("[serial]\nbaud=9600");
  ASSERT_TRUE(unterminated.Set("misc", "x", "1"));
  EXPECT_EQ(unterminated.Text(), "[serial]\nbaud=9600\n[misc]\nx=1\n");

  ProfileText unterminatedKey("[serial]\nbaud=9600");
  ASSERT_TRUE(unterminatedKey.Set("serial", "length", "8"));
  EXPECT_EQ(unterminatedKey.Text(), "[serial]\nbaud=9600\nlength=8\n");
}

TEST(ProfileTextSet, KeepsTheFilesLineEnds) {
  ProfileText profile("[serial]\r\nbaud=300\r\n");
  ASSERT_TRUE(profile.Set("serial", "baud", "1200"));
  ASSERT_TRUE(profile.Set("serial", "length", "7"));
  ASSERT_TRUE(profile.Set("misc", "x", "1"));
  EXPECT_EQ(profile.Text(), "[serial]\r\nbaud=1200\r\nlength=7\r\n[misc]\r\nx=1\r\n");
}

TEST(ProfileTextSet, RefusesWhatCannotBeOneLine) {
  const std::string original = "[serial]\nport=COMM 1\n";
  ProfileText profile(original);
  EXPECT_FALSE(profile.Set("serial", "port", "COMM 1\n[evil]"));
  EXPECT_FALSE(profile.Set("serial", "port", "a\rb"));
  EXPECT_FALSE(profile.Set("serial", "po=rt", "x"));
  EXPECT_FALSE(profile.Set("serial", "[x]", "x"));
  EXPECT_FALSE(profile.Set("serial", ";x", "x"));
  EXPECT_FALSE(profile.Set("serial", "  ", "x"));
  EXPECT_FALSE(profile.Set("", "port", "x"));
  EXPECT_FALSE(profile.Set("se\nrial", "port", "x"));
  EXPECT_FALSE(profile.Set("serial", std::string_view("p\0rt", 4), "x"));
  EXPECT_EQ(profile.Text(), original);
}

TEST(ProfileTextSet, WhatIsWrittenReadsBack) {
  ProfileText profile("[a]]\n[A]\nk=1\n");
  ASSERT_TRUE(profile.Set("a]", "key", "v=w"));
  ASSERT_TRUE(profile.Set("A", "K", "2"));
  EXPECT_EQ(profile.Find("a]", "key"), "v=w");
  EXPECT_EQ(profile.Find("a", "k"), "2");
}

}  // namespace
