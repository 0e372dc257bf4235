#include "server/log_lines.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>

// Word for word: suites in other languages, the documents and users' own scripts match these.
TEST(ServerLogLines, AreWordForWord) {
  EXPECT_STREQ(kLogServingTheFolder, "Serving the folder ");
  EXPECT_STREQ(kLogCommsLineIdle, "Comms line is IDLE");
  EXPECT_STREQ(kLogCommsLineBusy, "Comms Line is BUSY");
  EXPECT_STREQ(kLogSerialPortLost, "Serial port lost: ");
  EXPECT_STREQ(kLogSerialPortBack, "Serial port back: ");
  EXPECT_STREQ(kLogCommandTimedOut, "Command Timed Out");
  EXPECT_STREQ(kLogCommand, "Command = ");
  EXPECT_STREQ(kLogSize, "Size = ");
  EXPECT_STREQ(kLogParameter, "Parameter = ");
  EXPECT_STREQ(kLogRxChecksum, "RX Checksum = ");
  EXPECT_STREQ(kLogPacketChecksumError,
               "RXEngine : ERROR : Command packet Checksum error, calc = ");
  EXPECT_STREQ(kLogGetWithoutName, "ERROR : G - No filename specified");
  EXPECT_STREQ(kLogPutWithoutName, "ERROR : P - No filename specified");
  EXPECT_STREQ(kLogReceivingFile, "Receiving file = ");
  EXPECT_STREQ(kLogCantOpenFile, "ERROR : Can't Open file");
  EXPECT_STREQ(kLogNameRefused, "Name refused: ");
  EXPECT_STREQ(kLogProblemsSending, "ERROR : problems encounter during sending");
  EXPECT_STREQ(kLogProblemsReceiving, "ERROR : problems encounter during receiving");
  EXPECT_STREQ(kLogSettingDownloadMode, " setting calculator in download mode");
  EXPECT_STREQ(kLogSpecialBytesWhileTransferring,
               "Can't send special bytes. File transfer in progress!!");
  EXPECT_STREQ(kLogSpecialBytesWithoutPort, "Can't send special bytes. Serial port lost: ");
  EXPECT_STREQ(kLogExitStopsTransfer, "Exit requested: stopping the transfer");
  EXPECT_STREQ(kLogCantOpenSerialPort, "Can't open serial port");
  EXPECT_STREQ(kLogCantCloseSerialPort, "Can't close serial port");
  EXPECT_STREQ(kLogOutOfMemoryForListbox, "Out of Memory for Listbox");
  EXPECT_STREQ(kLogStatusPrefix, "Status: ");
}

namespace {

constexpr std::pair<const char*, const char*> kAllLines[] = {
#define LOG_LINE(name, text) {#name, text},
#include "server/log_lines.def"
#include "xfer/log_lines.def"
#undef LOG_LINE
};

std::string FileText(const char* path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

// The build's copies for the suites in Python and shell hold every line as the code has it, so
// that a list entry the build's reader skipped, or a quote it mangled, shows here.
TEST(ServerLogLines, ReachTheOtherLanguagesAsWritten) {
  const std::string json = FileText(QUON_LOG_LINES_JSON);
  const std::string shell = FileText(QUON_LOG_LINES_SH);
  for (const auto& [name, text] : kAllLines) {
    EXPECT_NE(json.find("\"" + std::string(name) + "\": \"" + text + "\""), std::string::npos)
        << name;
    std::string quoted;
    for (const char c : std::string_view(text)) {
      quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    EXPECT_NE(shell.find("LOG_" + std::string(name) + "='" + quoted + "'\n"), std::string::npos)
        << name;
  }
}
