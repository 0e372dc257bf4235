#include "server/server_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "host/current_directory.h"
#include "host/fake_device_tree.h"
#include "host/serial_devices.h"
#ifdef _WIN32
#include "host/fake_serial_map.h"
#endif
#include "server/comm_port.h"
#include "server/log_lines.h"
#include "server/transfer_status.h"
#include "server_fixture.h"
#include "ui/message_box.h"
#include "xfer/log_lines.h"
#include "xfer/tests/log_text.h"

namespace server_test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

const Bytes kDownloadMode = {0x02, 0xB8, 0x03, 0x00};
const Bytes kCancelSequence = {0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18,
                               0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08};

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool EndsWith(const Bytes& bytes, const Bytes& tail) {
  return bytes.size() >= tail.size() && std::equal(tail.rbegin(), tail.rend(), bytes.rbegin());
}

TEST_F(ServerWindowTest, OpeningSendsDownloadModeBeforeTheFirstTick) {
  Bytes atFirstStep;
  std::vector<std::string> statusAtFirstStep;
  backend.Then([&](ui::HeadlessWindow&) {
    atFirstStep = Calc().ReadAll();
    statusAtFirstStep = Items(IDC_STATUS_LIST);
  });
  Exit();
  EXPECT_EQ(Run(), ui::kIdCancel);
  EXPECT_EQ(atFirstStep, kDownloadMode);
  EXPECT_THAT(statusAtFirstStep, ElementsAre(kLogCommsLineIdle));
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "COMM 1 is " + host::BuiltInSerialDevice(0) + " (no USB serial adapter found)");
  EXPECT_EQ(log[1], kLogServingTheFolder + host::CurrentDirectory());
  EXPECT_THAT(LogAfterDeviceLine(log), ElementsAre(kLogSettingDownloadMode));
  EXPECT_FALSE(line.End(serial::kEndA).IsOpen());
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].index, 0);
  EXPECT_EQ(opened[0].stopBits, 1);

  // Every opening puts the calculator into download mode again.
  Exit();
  Run();
  EXPECT_EQ(Calc().ReadAll(), kDownloadMode);
}

TEST_F(ServerWindowTest, ProtocolIsSelectedByPrefixFromTheSecondItem) {
  struct Case {
    std::string setting;
    std::string selected;
  };
  for (const Case& c : {Case{"Xmodem1k-zkcrc", "Xmodem1K-ZKCRC"}, Case{"xmodem128", "Xmodem128"},
                        Case{"Xmodem1K", "Xmodem1K-CHK"}, Case{"Kermit", ""}}) {
    g_CommSettings.protocol = c.setting;
    std::string selected;
    std::vector<std::string> items;
    backend.Then([&](ui::HeadlessWindow& window) {
      items = window.Items(IDC_PROTOCOL);
      selected = window.Text(IDC_PROTOCOL);
    });
    Exit();
    Run();
    EXPECT_THAT(items, ElementsAre("Xmodem128", "Xmodem1K-CHK", "Xmodem1K-ZKCRC"));
    EXPECT_EQ(selected, c.selected) << c.setting;
  }
}

TEST_F(ServerWindowTest, ChoosingAProtocolKeepsItsTextInTheSettings) {
  backend.Then([](ui::HeadlessWindow& window) { window.Pick(IDC_PROTOCOL, "Xmodem128"); });
  Exit();
  Run();
  EXPECT_EQ(g_CommSettings.protocol, "Xmodem128");
}

TEST_F(ServerWindowTest, FailedOpenShowsTheErrorAndReleasesThePort) {
  g_CommSettings.stopbits = "1.5";
  EXPECT_EQ(Run(), ui::kIdCancel);
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_THAT(backend.MessageBoxes()[0].text, StartsWith(kLogCantOpenSerialPort));
  EXPECT_EQ(backend.MessageBoxes()[0].caption, "Error");
  EXPECT_EQ(backend.MessageBoxes()[0].flags & ui::kMbIconMask, ui::kMbIconError);
  EXPECT_TRUE(Calc().ReadAll().empty());
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(line.End(serial::kEndA).IsOpen());
  EXPECT_EQ(g_CommPort, nullptr);
}

TEST_F(ServerWindowTest, GetRequestSendsTheFileAndLogsEachStep) {
  const Bytes file = Pattern(3000);
  WriteFile("orvo1.obj", file);
  CalcReceiver calc(Calc(), 'D');
  peer = [&] { return calc.Step(); };
  Send(CommandPacket('G', "orvo1.obj"));
  backend.After(5000, [&](ui::HeadlessWindow&) {
    EXPECT_EQ(Field(IDC_FILE_NAME), "orvo1.obj");
    EXPECT_EQ(Field(IDC_BYTES_TX), "3000");
    EXPECT_EQ(Field(IDC_FILE_SIZE), "3000");
    EXPECT_EQ(Field(IDC_TRANSFER_ERRORS), "0");
    EXPECT_EQ(Field(IDC_BLOCK_ERRORS), "0");
  });
  Exit();
  Run();

  ASSERT_TRUE(calc.Done());
  Bytes padded = file;
  padded.resize(3072, 0x00);
  EXPECT_EQ(calc.Data(), padded);
  // Download mode, then ACK to the packet before anything of the transfer.
  EXPECT_EQ(Bytes(calc.Raw().begin(), calc.Raw().begin() + 6),
            (Bytes{0x02, 0xB8, 0x03, 0x00, ACK, STX}));
  const std::vector<std::string> logged = LogAfterDeviceLine(log);
  ASSERT_GE(logged.size(), 8u);
  EXPECT_THAT(std::vector<std::string>(logged.begin(), logged.begin() + 6),
              ElementsAre(kLogSettingDownloadMode, std::string(kLogCommand) + "47 ",
                          std::string(kLogSize) + "00 09 ",
                          std::string(kLogParameter) + "6F 72 76 6F 31 2E 6F 62 6A ",
                          std::string(kLogRxChecksum) + "60 ", "Sending via xmodem 1K ZKCRC"));
  EXPECT_TRUE(Contains(log, kLogDetectedZkCrc));
  EXPECT_TRUE(Contains(log, kLogFileTransmissionComplete));
  EXPECT_FALSE(Contains(log, kLogProblemsSending));
}

TEST_F(ServerWindowTest, StatusIsBusyForTheWholeTransferAndIdleAtTheNextFullTick) {
  // At 960 bytes a second the send spans many ticks, which run inside it.
  serial::MemoryLine slowLine(serial::MemoryLineConfig().Paced(960));
  SetPortOpener([&](int32_t, int32_t baud, uint8_t parity, int32_t dataBits, int32_t stopBits) {
    return slowLine.OpenPort(serial::kEndA, baud, parity, dataBits, stopBits);
  });
  line.RemoveIdleHook();
  slowLine.InstallIdleHook(&clock);
  WriteFile("big.bin", Pattern(4096));
  CalcReceiver calc(slowLine.End(serial::kEndB), 'C');
  uint64_t transferEnd = 0;
  std::vector<std::string> statusDuring;
  slowLine.SetPeerStep([&] {
    calc.Step();
    if (calc.Done() && transferEnd == 0) transferEnd = clock.ElapsedMs();
    if (!calc.Done() && g_TransferSnapshot.bytesDone > 2000 && statusDuring.empty()) {
      statusDuring = Items(IDC_STATUS_LIST);
    }
    return 0;
  });
  backend.Then([&](ui::HeadlessWindow&) {
    slowLine.End(serial::kEndB).Write(CommandPacket('G', "big.bin"));
  });
  backend.After(12000, [](ui::HeadlessWindow& window) { window.Click(ui::kIdCancel); });
  Run();
  slowLine.RemoveIdleHook();
  line.InstallIdleHook(&clock);

  ASSERT_TRUE(calc.Done());
  EXPECT_THAT(statusDuring, ElementsAre(kLogCommsLineBusy));
  ASSERT_EQ(statuses.size(), 3u);
  EXPECT_EQ(statuses[1].first, kLogCommsLineBusy);
  EXPECT_EQ(statuses[2].first, kLogCommsLineIdle);
  EXPECT_GT(transferEnd - statuses[1].second, 4000u);
  EXPECT_GE(statuses[2].second, transferEnd);
  EXPECT_LE(statuses[2].second, transferEnd + 1250);
}

TEST_F(ServerWindowTest, RefusedRequestsAnswerNakOrNothing) {
  Send(CommandPacket('G', "missing.obj"));
  backend.After(2000, [&](ui::HeadlessWindow&) {
    EXPECT_EQ(Field(IDC_FILE_NAME), "missing.obj");
    EXPECT_EQ(Calc().ReadAll(), (Bytes{0x02, 0xB8, 0x03, 0x00, NAK}));
    Calc().Write(CommandPacket('G', ""));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) {
    EXPECT_EQ(Calc().ReadAll(), Bytes{NAK});
    Calc().Write(CommandPacket('G', std::string("\0abc", 4)));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) {
    EXPECT_EQ(Calc().ReadAll(), Bytes{NAK});
    Calc().Write(CommandPacket('P', ""));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) {
    EXPECT_TRUE(Calc().ReadAll().empty());
    Calc().Write(CommandPacket('P', "no-such-folder/x.obj"));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) {
    EXPECT_EQ(Calc().ReadAll(), Bytes{NAK});
    Calc().Write(CommandPacket('x', "orvo1.obj"));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) { EXPECT_TRUE(Calc().ReadAll().empty()); });
  Exit();
  Run();

  std::vector<std::string> errors;
  std::copy_if(log.begin(), log.end(), std::back_inserter(errors),
               [](const std::string& line) { return line.starts_with("ERROR"); });
  EXPECT_THAT(errors, ElementsAre(kLogCantOpenFile, kLogGetWithoutName, kLogCantOpenFile,
                                  kLogPutWithoutName, kLogCantOpenFile));
  EXPECT_TRUE(Contains(log, std::string(kLogReceivingFile) + "no-such-folder/x.obj"));
  // Every packet, the unknown letter included, showed BUSY at its tick and IDLE at the next.
  EXPECT_EQ(std::count_if(statuses.begin(), statuses.end(),
                          [](const auto& s) { return s.first == kLogCommsLineBusy; }),
            6);
  EXPECT_EQ(statuses.back().first, kLogCommsLineIdle);
}

TEST_F(ServerWindowTest, NamesReachingOutsideTheServedFolderAreRefused) {
  namespace fs = std::filesystem;
  WriteFile("secret.txt", Pattern(10));
  fs::create_directories("served/sub");
  WriteFile("served/sub/orvo1.obj", Pattern(200));
  const std::string secret = fs::absolute("secret.txt").string();
  struct Request {
    char letter;
    std::string name;
    std::string why;
  };
  std::vector<Request> refused = {
      {'G', "../secret.txt", "it climbs out with \"..\""},
      {'G', "sub/../../secret.txt", "it climbs out with \"..\""},
      {'G', "missing.obj;../secret.txt", "it climbs out with \"..\""},
      {'G', secret, secret.front() == '/' ? "it starts at the root" : "it names a drive"},
      {'P', "..\\planted.obj", "it climbs out with \"..\""},
      {'P', "\\planted.obj", "it starts at the root"},
      {'P', "C:planted.obj", "it names a drive"},
  };
#ifdef _WIN32
  refused.push_back({'G', "NUL", "it names a device"});
  refused.push_back({'P', "sub/com1.obj", "it names a device"});
#else
  fs::create_symlink("../secret.txt", "served/link.obj");
  fs::create_directory_symlink("..", "served/up");
  refused.push_back({'G', "link.obj", "its real path lies outside the served folder"});
  refused.push_back({'P', "link.obj", "its real path lies outside the served folder"});
  refused.push_back({'P', "up/planted.obj", "its real path lies outside the served folder"});
#endif
  fs::current_path("served");
  CalcReceiver calc(Calc(), NAK);
  peer = [&] { return calc.Step(); };
  for (const Request& request : refused) {
    backend.After(2000, [&](ui::HeadlessWindow&) {
      Calc().Write(CommandPacket(request.letter, request.name));
    });
  }
  // Subfolders stay reachable, and a get finds its file whatever the case, as the engine does.
  backend.After(2000,
                [&](ui::HeadlessWindow&) { Calc().Write(CommandPacket('G', "sub/ORVO1.OBJ")); });
  backend.After(5000, [](ui::HeadlessWindow&) {});
  Exit();
  Run();

  Bytes answers = kDownloadMode;
  answers.insert(answers.end(), refused.size(), NAK);
  answers.push_back(ACK);
  ASSERT_GE(calc.Raw().size(), answers.size());
  EXPECT_EQ(Bytes(calc.Raw().begin(), calc.Raw().begin() + static_cast<ptrdiff_t>(answers.size())),
            answers);
  EXPECT_TRUE(calc.Done());
  Bytes padded = Pattern(200);
  padded.resize(256, 0x00);
  EXPECT_EQ(calc.Data(), padded);
  std::vector<std::string> reasons;
  for (auto line = log.begin(); line != log.end(); ++line) {
    if (line->starts_with(kLogNameRefused)) {
      EXPECT_EQ(*(line - 1), kLogCantOpenFile);
      reasons.push_back(line->substr(14));
    }
  }
  ASSERT_EQ(reasons.size(), refused.size());
  for (size_t i = 0; i < refused.size(); ++i)
    EXPECT_EQ(reasons[i], refused[i].why) << refused[i].name;
  fs::current_path("..");
  EXPECT_EQ(ReadFile("secret.txt"), Pattern(10));
  EXPECT_FALSE(fs::exists("planted.obj"));
}

// What comes down the cable stays data: a name that would forge a log line and colour the
// terminal is refused on put and on get, and shows escaped wherever the server shows it.
TEST_F(ServerWindowTest, NamesWithControlCharactersAreRefusedAndShownEscaped) {
  namespace fs = std::filesystem;
  const std::string evil = "evil\nStatus: Comms line is IDLE\n\x1b[31mRED";
  const std::string evilShown = "evil\\x0aStatus: Comms line is IDLE\\x0a\\x1b[31mRED";
  const std::string clear = "orvo\x1b[2J.obj";
  const std::string missing = "caf\xC3\xA9.obj";  // valid UTF-8: no refusal, and shown as it is
#ifndef _WIN32
  // Only the name refuses it: the file is there. (Windows takes no such name for a file.)
  WriteFile(clear, Pattern(100));
#endif
  std::vector<std::string> listAfterPut;
  std::string fieldAfterGet;
  Send(CommandPacket('P', evil));
  backend.After(2000, [&](ui::HeadlessWindow&) {
    listAfterPut = Items(IDC_LOG_LIST);
    Calc().Write(CommandPacket('G', clear));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) {
    fieldAfterGet = Field(IDC_FILE_NAME);
    Calc().Write(CommandPacket('G', "\x7f"));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) { Calc().Write(CommandPacket('P', "tab\there")); });
  backend.After(2000, [&](ui::HeadlessWindow&) { Calc().Write(CommandPacket('G', missing)); });
  std::string fieldAtEnd;
  backend.After(2000, [&](ui::HeadlessWindow&) { fieldAtEnd = Field(IDC_FILE_NAME); });
  Exit();
  Run();

  Bytes answers = kDownloadMode;
  answers.insert(answers.end(), 5, NAK);
  EXPECT_EQ(Calc().ReadAll(), answers);
  EXPECT_TRUE(Contains(log, kLogReceivingFile + evilShown));
  EXPECT_TRUE(Contains(listAfterPut, kLogReceivingFile + evilShown));
  EXPECT_TRUE(Contains(log, std::string(kLogReceivingFile) + "tab\\x09here"));
  EXPECT_EQ(fieldAfterGet, "orvo\\x1b[2J.obj");
  EXPECT_EQ(fieldAtEnd, missing);
  std::vector<std::string> reasons;
  for (auto line = log.begin(); line != log.end(); ++line) {
    if (line->starts_with(kLogNameRefused)) {
      EXPECT_EQ(*(line - 1), kLogCantOpenFile);
      reasons.push_back(line->substr(14));
    }
  }
  EXPECT_THAT(reasons, ElementsAre("it holds a control character", "it holds a control character",
                                   "it holds a control character", "it holds a control character"));
  // The missing file with a plain name is refused as before, without a word on its name.
  EXPECT_EQ(log.back(), kLogCantOpenFile);
  // Nothing the calculator sent became a line, a status or a terminal escape of its own.
  for (const std::string& line : log) {
    EXPECT_EQ(std::count_if(line.begin(), line.end(),
                            [](char c) { return static_cast<unsigned char>(c) < 0x20; }),
              0)
        << line;
    EXPECT_FALSE(line.starts_with(kLogStatusPrefix)) << line;
  }
  for (const auto& entry : fs::directory_iterator(fs::current_path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == clear || name.find_first_of("\n\x1b\t") == std::string::npos) << name;
  }
#ifndef _WIN32
  EXPECT_EQ(ReadFile(clear), Pattern(100));
#endif
}

// Names keep every byte but the controls: Latin-1 and UTF-8 alike are stored under the name the
// calculator gave, and the log shows the Latin-1 byte escaped, the UTF-8 letter as it is.
TEST_F(ServerWindowTest, PutOfANameThatIsNotUtf8StoresItAndLogsItEscaped) {
  const std::string name = "latin\xE9 caf\xC3\xA9.obj";
  CalcSender sender(Calc(), Pattern(200));
  peer = [&] { return sender.Step(); };
  Send(CommandPacket('P', name));
  backend.After(8000, [](ui::HeadlessWindow&) {});
  Exit();
  Run();
  sender.Step();
  ASSERT_TRUE(sender.Done());
  Bytes stored = Pattern(200);
  stored.resize(256, 0x1A);
  EXPECT_EQ(ReadFile(name), stored);
  EXPECT_TRUE(Contains(log, std::string(kLogReceivingFile) + "latin\\xe9 caf\xC3\xA9.obj"));
  EXPECT_FALSE(Contains(log, kLogCantOpenFile));
}

#ifndef _WIN32
// A file on disk may hold anything in its name (here one a put stored before names were
// checked); a get that reaches it by a wildcard sends it, and the engine's own line about it
// reaches the log escaped, as every line does.
TEST_F(ServerWindowTest, EngineLinesAboutANameOnDiskAreEscaped) {
  const std::string onDisk = "evil\nStatus: Comms line is IDLE\n\x1b[31mRED.obj";
  WriteFile(onDisk, Pattern(300));
  CalcReceiver calc(Calc(), 'D');
  peer = [&] { return calc.Step(); };
  Send(CommandPacket('G', "evil*"));
  backend.After(5000, [](ui::HeadlessWindow&) {});
  Exit();
  Run();
  ASSERT_TRUE(calc.Done());
  EXPECT_TRUE(Contains(
      log, xfer_test::LogText(kLogOpeningFile,
                              "evil\\x0aStatus: Comms line is IDLE\\x0a\\x1b[31mRED.obj")));
  EXPECT_TRUE(Contains(log, kLogFileTransmissionComplete));
  EXPECT_FALSE(Contains(log, std::string(kLogStatusPrefix) + kLogCommsLineIdle));
}
#endif

TEST_F(ServerWindowTest, FailedSendLogsTheResultAndCancels) {
  WriteFile("orvo1.obj", Pattern(100));
  Bytes raw;
  SilentCalculator(raw);
  Send(CommandPacket('G', "orvo1.obj"));
  backend.After(120000, [](ui::HeadlessWindow& window) { window.Click(ui::kIdCancel); });
  Run();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], kLogProblemsSending);
  EXPECT_EQ(log.back(), "ERROR : Timeout waiting for first character in packet");
  EXPECT_TRUE(EndsWith(raw, kCancelSequence));
}

TEST_F(ServerWindowTest, PutStoresTheFileAndLeavesTheStatusFieldsAlone) {
  const Bytes got = Pattern(300);
  WriteFile("orvo1.obj", Pattern(1500));
  CalcReceiver receiver(Calc(), NAK);
  CalcSender sender(Calc(), got);
  peer = [&] { return receiver.Step(); };
  Send(CommandPacket('G', "orvo1.obj"));
  std::vector<std::string> fieldsAfterGet;
  std::vector<std::string> fieldsAfterPut;
  auto fields = [this] {
    return std::vector<std::string>{Field(IDC_FILE_NAME),       Field(IDC_CPS),
                                    Field(IDC_BYTES_TX),        Field(IDC_FILE_SIZE),
                                    Field(IDC_TRANSFER_ERRORS), Field(IDC_BLOCK_ERRORS)};
  };
  size_t logAfterGet = 0;
  backend.After(5000, [&](ui::HeadlessWindow&) {
    fieldsAfterGet = fields();
    logAfterGet = log.size();
    peer = [&] { return sender.Step(); };
    Calc().Write(CommandPacket('P', "new.obj"));
  });
  backend.After(5000, [&](ui::HeadlessWindow&) { fieldsAfterPut = fields(); });
  Exit();
  Run();

  // The server's ACK to the EOT is the last thing it sends, after its last wait.
  sender.Step();
  ASSERT_TRUE(receiver.Done());
  ASSERT_TRUE(sender.Done());
  Bytes stored = got;
  stored.resize(384, 0x1A);
  EXPECT_EQ(ReadFile("new.obj"), stored);
  EXPECT_EQ(fieldsAfterGet[2], "1500");
  EXPECT_EQ(fieldsAfterPut, fieldsAfterGet);
  // Only the server's own lines: the receiver's four, and the put's.
  EXPECT_THAT(
      std::vector<std::string>(log.begin() + static_cast<ptrdiff_t>(logAfterGet), log.end()),
      ElementsAre(std::string(kLogCommand) + "50 ", std::string(kLogSize) + "00 07 ",
                  std::string(kLogParameter) + "6E 65 77 2E 6F 62 6A ",
                  std::string(kLogRxChecksum) + "B3 ", std::string(kLogReceivingFile) + "new.obj"));
}

TEST_F(ServerWindowTest, FailedPutKeepsTheFileThatWasThere) {
  const Bytes precious = Pattern(777);
  WriteFile("keep.obj", precious);
  Send(CommandPacket('P', "keep.obj"));
  backend.After(90000, [](ui::HeadlessWindow& window) { window.Click(ui::kIdCancel); });
  Run();
  EXPECT_EQ(ReadFile("keep.obj"), precious);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2], kLogProblemsReceiving);
  EXPECT_EQ(log.back(), "ERROR : Timeout waiting for first character in packet");
}

TEST_F(ServerWindowTest, ExitDuringATransferWaitsForTheEngineAndCancelsPromptly) {
  WriteFile("orvo1.obj", Pattern(5000));
  Bytes raw;
  bool portOpenAfterExit = false;
  SilentCalculator(raw);
  Send(CommandPacket('G', "orvo1.obj"));
  uint64_t exitAt = 0;
  backend.After(3000, [&](ui::HeadlessWindow& window) {
    ASSERT_TRUE(dlg.Transferring());
    window.Click(IDC_CLEAR_LOG);
    EXPECT_TRUE(dlg.Transferring());
    window.Click(IDC_DOWNLOAD_MODE);
    exitAt = clock.ElapsedMs();
    window.Click(ui::kIdCancel);
    portOpenAfterExit = line.End(serial::kEndA).IsOpen();
  });
  EXPECT_EQ(Run(), ui::kIdCancel);

  EXPECT_TRUE(portOpenAfterExit);
  EXPECT_FALSE(line.End(serial::kEndA).IsOpen());
  EXPECT_LT(clock.ElapsedMs() - exitAt, 3000u);
  // Nothing after the ACK but the cancel sequence: the refused download mode sent nothing.
  Bytes expected = kDownloadMode;
  expected.push_back(ACK);
  expected.insert(expected.end(), kCancelSequence.begin(), kCancelSequence.end());
  EXPECT_EQ(raw, expected);
  EXPECT_TRUE(Contains(log, kLogSpecialBytesWhileTransferring));
  EXPECT_TRUE(Contains(log, kLogProblemsSending));
  EXPECT_TRUE(Contains(log, "ERROR : User typed abort key during file transfer"));
}

TEST_F(ServerWindowTest, UnpluggedDeviceIsReleasedLookedForAndServedAgainOnceBack) {
  WriteFile("orvo1.obj", Pattern(3000));
  Bytes raw;
  SilentCalculator(raw);
  Send(CommandPacket('G', "orvo1.obj"));
  std::string lost;
  uint64_t unpluggedAt = 0;
  size_t opensWhenLost = 0;
  backend.After(3000, [&](ui::HeadlessWindow&) {
    ASSERT_TRUE(dlg.Transferring());
    lost = kLogSerialPortLost + CommPortName();
    line.End(serial::kEndA).Unplug();
    unpluggedAt = clock.ElapsedMs();
  });
  backend.After(2000, [&](ui::HeadlessWindow&) {
    EXPECT_FALSE(dlg.Transferring());
    EXPECT_FALSE(line.End(serial::kEndA).IsOpen()) << "the dead port is released";
    EXPECT_THAT(Items(IDC_STATUS_LIST), ElementsAre(lost));
    opensWhenLost = opened.size();
  });
  CalcReceiver calc(Calc(), 'D');
  backend.After(3000, [&](ui::HeadlessWindow&) {
    EXPECT_NEAR(static_cast<double>(opened.size() - opensWhenLost), 3, 1) << "once a second";
    line.End(serial::kEndA).Plug();
    peer = [&] { return calc.Step(); };
  });
  backend.After(1000, [&](ui::HeadlessWindow&) {
    EXPECT_THAT(Items(IDC_STATUS_LIST), ElementsAre(kLogCommsLineIdle));
    Calc().Write(CommandPacket('G', "orvo1.obj"));
  });
  backend.After(3000, [](ui::HeadlessWindow&) {});
  Exit();
  Run();

  const auto lostAt = std::find_if(statuses.begin(), statuses.end(),
                                   [&](const auto& s) { return s.first == lost; });
  ASSERT_NE(lostAt, statuses.end());
  EXPECT_LT(lostAt->second - unpluggedAt, 2000u);
  EXPECT_EQ(std::count(log.begin(), log.end(), lost), 1);
  EXPECT_TRUE(Contains(log, kLogSerialDeviceLost));
  EXPECT_TRUE(Contains(log, "ERROR : Lost carrier during transfer"));
  const auto back = std::find(log.begin(), log.end(), kLogSerialPortBack + CommPortName());
  ASSERT_NE(back, log.end());
  EXPECT_EQ(*std::next(back), kLogSettingDownloadMode);
  EXPECT_EQ(opened.back().baud, opened.front().baud);
  EXPECT_EQ(Bytes(calc.Raw().begin(), calc.Raw().begin() + 4), kDownloadMode);
  ASSERT_TRUE(calc.Done());
  Bytes padded = Pattern(3000);
  padded.resize(3072, 0x00);
  EXPECT_EQ(calc.Data(), padded) << "served again without a restart";
}

TEST_F(ServerWindowTest, ExitWhileTheDeviceIsAwayEndsTheWindow) {
  backend.Then([&](ui::HeadlessWindow&) { line.End(serial::kEndA).Unplug(); });
  backend.After(1000, [&](ui::HeadlessWindow& window) {
    EXPECT_EQ(g_CommPort, nullptr);
    window.Click(IDC_DOWNLOAD_MODE);
  });
  Exit();
  EXPECT_EQ(Run(), ui::kIdCancel);
  EXPECT_TRUE(Contains(log, kLogSpecialBytesWithoutPort + CommPortName()));
  EXPECT_TRUE(backend.MessageBoxes().empty());
  EXPECT_EQ(g_CommPort, nullptr);
}

TEST_F(ServerWindowTest, ALoneAdapterBackUnderAnotherNameIsServedThereButNeverABuiltInPort) {
  if (!host::ListingTellsAdapters()) GTEST_SKIP() << "this system's port listing knows no adapters";
#ifdef _WIN32
  host::testing::FakeSerialMap map("ServerWindowTest");
  map.Add("\\Device\\VCP0", "COM5");
  map.Add("\\Device\\Serial0", "COM1");
  g_CommSettings.deviceRoot = map.Root();
  auto unplug = [&] { map.Remove("\\Device\\VCP0"); };
  auto plugAnew = [&] { map.Add("\\Device\\VCP1", "COM6"); };
  const std::string first = "COM5", builtIn = "COM1", second = "COM6";
#else
  host::testing::FakeDeviceTree tree(std::filesystem::current_path() / "root");
  tree.AddUsbAdapter("ttyUSB0", "ftdi_sio", "FTDI", "FT232R USB UART");
  tree.AddBuiltInPort("ttyS0", 4);
  g_CommSettings.deviceRoot = tree.Root();
  auto unplug = [&] { tree.RemoveTty("ttyUSB0"); };
  auto plugAnew = [&] { tree.AddUsbAdapter("ttyUSB1", "ftdi_sio", "FTDI", "FT232R USB UART"); };
  const std::string first = "/dev/ttyUSB0", builtIn = "/dev/ttyS0", second = "/dev/ttyUSB1";
#endif
  std::vector<std::string> devices;
  SetPortOpener(
      [&](int32_t index, int32_t baud, uint8_t parity, int32_t dataBits, int32_t stopBits) {
        devices.push_back(PortDevice(index));
        return line.OpenPort(serial::kEndA, baud, parity, dataBits, stopBits);
      });
  backend.Then([&](ui::HeadlessWindow&) {
    line.End(serial::kEndA).Unplug();
    unplug();
  });
  backend.After(2500, [&](ui::HeadlessWindow&) {
    plugAnew();
    line.End(serial::kEndA).Plug();
  });
  backend.After(1500, [](ui::HeadlessWindow&) {});
  Exit();
  Run();

  ASSERT_GE(devices.size(), 3u);
  EXPECT_EQ(devices.front(), first);
  EXPECT_EQ(std::count(devices.begin(), devices.end(), builtIn), 0);
  EXPECT_EQ(devices.back(), second);
  EXPECT_TRUE(Contains(log, std::string(kLogSerialPortBack) + "COMM 1 (" + second + ")"));
}

TEST_F(ServerWindowTest, ExitDuringAPutStopsItWithTheCancelSequence) {
  Bytes raw;
  SilentCalculator(raw);
  Send(CommandPacket('P', "new.obj"));
  uint64_t exitAt = 0;
  backend.After(3000, [&](ui::HeadlessWindow& window) {
    ASSERT_TRUE(dlg.Transferring());
    exitAt = clock.ElapsedMs();
    window.Click(ui::kIdCancel);
  });
  EXPECT_EQ(Run(), ui::kIdCancel);

  EXPECT_LT(clock.ElapsedMs() - exitAt, 3000u);
  EXPECT_TRUE(EndsWith(raw, kCancelSequence));
  EXPECT_TRUE(Contains(log, kLogProblemsReceiving));
  EXPECT_TRUE(Contains(log, "ERROR : User typed abort key during file transfer"));
}

TEST_F(ServerWindowTest, ClearLogAndResetDropsAPartialPacket) {
  WriteFile("orvo1.obj", Pattern(10));
  Send({'G', 0x00});
  backend.After(1000, [](ui::HeadlessWindow& window) { window.Click(IDC_CLEAR_LOG); });
  backend.After(0, [&](ui::HeadlessWindow&) {
    EXPECT_TRUE(Items(IDC_LOG_LIST).empty());
    Calc().Write(CommandPacket('G', "missing"));
  });
  backend.After(2000, [&](ui::HeadlessWindow&) {
    EXPECT_THAT(Items(IDC_LOG_LIST),
                ElementsAre(std::string(kLogCommand) + "47 ", std::string(kLogSize) + "00 07 ",
                            std::string(kLogParameter) + "6D 69 73 73 69 6E 67 ",
                            std::string(kLogRxChecksum) + "FA ", kLogCantOpenFile));
  });
  Exit();
  Run();
}

TEST_F(ServerWindowTest, LogKeepsTheLast24Lines) {
  std::vector<std::string> shown;
  backend.Then([&](ui::HeadlessWindow& window) {
    window.Click(IDC_CLEAR_LOG);
    for (int i = 1; i <= 30; ++i) dlg.AddLogLine("line " + std::to_string(i));
    shown = Items(IDC_LOG_LIST);
  });
  Exit();
  Run();
  ASSERT_EQ(shown.size(), 24u);
  EXPECT_EQ(shown.front(), "line 7");
  EXPECT_EQ(shown.back(), "line 30");
}

TEST_F(ServerWindowTest, LogOutOfSpaceShowsTheMessageAndGoesOn) {
  backend.Then([&](ui::HeadlessWindow& window) {
    window.SetListCapacity(IDC_LOG_LIST, 1);
    dlg.AddLogLine("no room");
  });
  Exit();
  Run();
  ASSERT_EQ(backend.MessageBoxes().size(), 1u);
  EXPECT_EQ(backend.MessageBoxes()[0].text, kLogOutOfMemoryForListbox);
  EXPECT_EQ(backend.MessageBoxes()[0].caption, "Error");
  EXPECT_EQ(backend.MessageBoxes()[0].flags, ui::kMbOk);
}

TEST_F(ServerWindowTest, CpsIsTheAverageSinceTheStartOfTheSend) {
  std::string firstSecond;
  std::string atFive;
  backend.Then([&](ui::HeadlessWindow&) {
    g_TransferSnapshot.startTime = host::CalendarSeconds();
    g_TransferSnapshot.bytesDone = 900;
    g_TransferSnapshot.changed = true;
  });
  backend.After(250, [&](ui::HeadlessWindow&) { firstSecond = Field(IDC_CPS); });
  backend.After(0, [&](ui::HeadlessWindow&) {
    clock.Advance(5000 - clock.ElapsedMs() % 1000);
    g_TransferSnapshot.startTime = host::CalendarSeconds() - 5;
    g_TransferSnapshot.bytesDone = 5120;
    g_TransferSnapshot.changed = true;
  });
  backend.After(250, [&](ui::HeadlessWindow&) { atFive = Field(IDC_CPS); });
  Exit();
  Run();
  EXPECT_EQ(firstSecond, "0");
  EXPECT_EQ(atFive, "1024");
}

TEST_F(ServerWindowTest, BarAndTimeLeftFollowASendToItsEnd) {
  WriteFile("orvo1.obj", Pattern(5000));
  CalcReceiver calc(Calc(), 'D');
  peer = [&] { return calc.Step(); };
  const Bytes request = CommandPacket('G', "orvo1.obj");
  // The calculator holds back its answer to the third block, so the send waits there for ticks.
  Calc().PauseBefore(request.size() + 3, 6000);
  std::tuple<int, int, std::string> before, during, after;
  std::string bytesDuring;
  backend.Then([&](ui::HeadlessWindow&) {
    before = Progress();
    Calc().Write(request);
  });
  backend.After(4000, [&](ui::HeadlessWindow&) {
    during = Progress();
    bytesDuring = Field(IDC_BYTES_TX);
  });
  backend.After(6000, [&](ui::HeadlessWindow&) { after = Progress(); });
  Exit();
  Run();
  ASSERT_TRUE(calc.Done());
  EXPECT_EQ(before, std::make_tuple(0, ui::kProgressDefaultMaximum, ""));
  EXPECT_EQ(std::to_string(std::get<0>(during)), bytesDuring);
  EXPECT_EQ(std::get<1>(during), 5000);
  // 3072 bytes gone at the tick, 1928 to go at the rate so far.
  EXPECT_EQ(std::get<2>(during), "0:02");
  EXPECT_EQ(after, std::make_tuple(5000, 5000, "0:00"));
}

TEST_F(ServerWindowTest, EachSendStartsFromZeroAndOneThatStopsShortSaysWhy) {
  WriteFile("whole.obj", Pattern(1000));
  WriteFile("part.obj", Pattern(5000));
  WriteFile("empty.obj", {});
  CalcReceiver whole(Calc(), 'D');
  CalcReceiver part(Calc(), 'D');
  CalcReceiver empty(Calc(), 'D');
  CalcSender put(Calc(), Pattern(300));
  bool started = false;
  bool cancelled = false;
  using Shown = std::tuple<int, int, std::string>;
  std::vector<Shown> shown;
  const auto look = [&](ui::HeadlessWindow&) { shown.push_back(Progress()); };
  peer = [&] { return whole.Step(); };
  Send(CommandPacket('G', "whole.obj"));
  backend.After(5000, [&](ui::HeadlessWindow& window) {
    look(window);
    // This calculator is slow to start, and cancels after two blocks.
    peer = [&] {
      if (!started) return 0;
      if (part.Data().size() < 2048) return part.Step();
      if (!cancelled) Calc().Write({0x18, 0x18});
      cancelled = true;
      Calc().ReadAll();
      return 0;
    };
    Calc().Write(CommandPacket('G', "part.obj"));
  });
  backend.After(4000, [&](ui::HeadlessWindow& window) {
    look(window);
    started = true;
  });
  backend.After(5000, [&](ui::HeadlessWindow& window) {
    look(window);
    peer = [&] { return empty.Step(); };
    Calc().Write(CommandPacket('G', "empty.obj"));
  });
  backend.After(5000, [&](ui::HeadlessWindow& window) {
    look(window);
    peer = [&] { return put.Step(); };
    Calc().Write(CommandPacket('P', "new.obj"));
  });
  backend.After(5000, look);
  Exit();
  Run();

  ASSERT_TRUE(whole.Done());
  ASSERT_TRUE(cancelled);
  ASSERT_EQ(shown.size(), 5u);
  EXPECT_EQ(shown[0], (Shown{1000, 1000, "0:00"}));
  EXPECT_EQ(std::get<0>(shown[1]), 0) << "the next send starts from nothing";
  EXPECT_EQ(std::get<2>(shown[1]), "");
  EXPECT_EQ(shown[2], (Shown{3072, 5000, "Cancelled"})) << "the bar stays where it stopped";
  // The engine will not send an empty file.
  EXPECT_EQ(shown[3], (Shown{0, 1, "Failed"}));
  EXPECT_EQ(shown[4], shown[3]) << "a put leaves the panel as the last send left it";
  EXPECT_TRUE(Contains(log, std::string(kLogReceivingFile) + "new.obj"));
}

TEST_F(ServerWindowTest, ReopenedWindowShowsEmptyFieldsUntilTheNextReport) {
  WriteFile("orvo1.obj", Pattern(200));
  CalcReceiver calc(Calc(), 'C');
  peer = [&] { return calc.Step(); };
  Send(CommandPacket('G', "orvo1.obj"));
  backend.After(5000, [](ui::HeadlessWindow& window) { window.Click(ui::kIdCancel); });
  Run();
  ASSERT_TRUE(calc.Done());

  std::vector<std::string> fields;
  std::vector<std::string> logAtReopen;
  backend.After(2000, [&](ui::HeadlessWindow&) {
    for (int id : {IDC_FILE_NAME, IDC_CPS, IDC_BYTES_TX, IDC_FILE_SIZE, IDC_TRANSFER_ERRORS,
                   IDC_BLOCK_ERRORS, IDC_TIME_LEFT}) {
      fields.push_back(Field(id));
    }
    fields.push_back(std::to_string(std::get<0>(Progress())));
    logAtReopen = Items(IDC_LOG_LIST);
  });
  Exit();
  Run();
  EXPECT_THAT(fields, ElementsAre("", "", "", "", "", "", "", "0"));
  EXPECT_THAT(LogAfterDeviceLine(logAtReopen), ElementsAre(kLogSettingDownloadMode));
  EXPECT_EQ(dlg.Receiver().rxState, RX_WAIT_COMMAND);
}

TEST_F(ServerWindowTest, WindowEndedByTheToolkitStillReleasesThePort) {
  backend.Then([](ui::HeadlessWindow&) {});
  EXPECT_EQ(Run(), ui::HeadlessBackend::kStalled);
  EXPECT_FALSE(line.End(serial::kEndA).IsOpen());
  EXPECT_EQ(g_CommPort, nullptr);
}

TEST_F(ServerWindowTest, EnterClosesThroughTheCancelPath) {
  backend.Then([](ui::HeadlessWindow& window) {
    window.SetFocus(IDC_PROTOCOL);
    window.Press(ui::Key::Enter);
  });
  EXPECT_EQ(Run(), ui::kIdCancel);
  EXPECT_FALSE(line.End(serial::kEndA).IsOpen());
  EXPECT_FALSE(backend.Stalled());
}

}  // namespace
}  // namespace server_test
