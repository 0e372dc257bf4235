// Test main for the Qt backend: one QApplication for all tests, always offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    QDir().mkpath(QStringLiteral(QUON_XDG_RUNTIME_DIR));
    QFile::setPermissions(QStringLiteral(QUON_XDG_RUNTIME_DIR),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QUON_XDG_RUNTIME_DIR);
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
