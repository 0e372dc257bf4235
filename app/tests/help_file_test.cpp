// F1's help page in a build folder and in an installed tree.

#include "app/help_file.h"

#include <gtest/gtest.h>

#include "host/tests/scratch_dir.h"

namespace {

namespace fs = std::filesystem;
using host::testing::ScratchDir;
using host::testing::WriteFile;

TEST(HelpFile, BesideTheExecutableFirstThenTheInstalledDocFolderElseNone) {
  ScratchDir dir;
  const fs::path bin = dir.path() / "usr" / "bin";
  const fs::path doc = dir.path() / "usr" / "share" / "doc" / "quon";
  const fs::path installed = fs::path("..") / "share" / "doc" / "quon" / "quon-help.html";
  fs::create_directories(bin);
  fs::create_directories(doc);
  EXPECT_EQ(FindHelpFile(bin, installed), "");

  WriteFile(doc / "quon-help.html", "<html></html>");
  EXPECT_EQ(FindHelpFile(bin, installed), (doc / "quon-help.html").string());

  WriteFile(bin / "quon-help.html", "<html></html>");
  EXPECT_EQ(FindHelpFile(bin, installed), (bin / "quon-help.html").string());
}

}  // namespace
