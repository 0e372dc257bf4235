// The application shell on the scripted backend: start-up, the main window, the port settings
// dialog and the About box, as a user drives them.

#include <filesystem>

#include <gtest/gtest.h>

#include "app/download_app.h"
#include "app/main_dlg.h"
#include "app/port_checks.h"
#include "app/resources.h"
#include "app/settings.h"
#include "app/tests/first_run_settings.h"
#include "host/fake_clock.h"
#include "host/fake_device_tree.h"
#ifdef _WIN32
#include "host/fake_serial_map.h"
#endif
#include "host/tests/scratch_dir.h"
#include "ui/headless_backend.h"
#include "ui/message_box.h"

namespace {

namespace fs = std::filesystem;
using host::testing::ReadTextFile;
using host::testing::ScratchDir;
using host::testing::WriteFile;
using ui::HeadlessWindow;
using ui::Key;

using app_testing::kFirstRunFile;

std::string SerialSection(const std::string& baud, const std::string& port) {
  return "[serial]\nbaud=" + baud + "\nlength=8\nparity=None\nport=" + port +
         "\nstopbits=1\nprotocol=Xmodem1k-zkcrc\n";
}

class Shell : public ::testing::Test {
 protected:
  Shell() {
    g_CommSettings = CommSettings();
#ifdef _WIN32
    devices_.Add("\\Device\\USBSER000", "COM5");
#else
    devices_.AddUsbAdapter("ttyACM0", "cdc_acm", "Maker", "Link");
#endif
    g_CommSettings.deviceRoot = devices_.Root();
  }
  ~Shell() override { EXPECT_FALSE(ui_.Stalled()) << "a window waited for a step never given"; }

  // Runs start-up with the tail; the steps must end the main window.
  void Start(const std::string& tail = "") { g_DownloadApp.Run(tail); }

  ScratchDir dir_;
#ifdef _WIN32
  host::testing::FakeSerialMap devices_{"Shell"};
  const std::string adapter_ = "COM5";
#else
  host::testing::FakeDeviceTree devices_{fs::current_path() / "devices"};
  const std::string adapter_ = "/dev/ttyACM0";
#endif
  host::FakeClock clock_;
  host::ScopedClock clockInstalled_{clock_};
  ui::HeadlessBackend ui_{clock_};
  ui::ScopedBackend backendInstalled_{ui_};
};

TEST_F(Shell, FirstRunWritesTheSettingsWhenTheMainWindowOpens) {
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(w.TemplateId(), IDD_QUON_DIALOG);
    EXPECT_EQ(w.Title(), "Quon");
    EXPECT_EQ(ReadTextFile("quon.ini"), kFirstRunFile);
    EXPECT_EQ(w.Focus(), ui::kIdCancel);  // "Exit"
    EXPECT_EQ(w.Icon(true), IDR_MAINFRAME);
    EXPECT_EQ(w.Icon(false), IDR_MAINFRAME);
    w.Press(Key::Enter);
  });
  EXPECT_FALSE(fs::exists("quon.ini"));
  Start();
  EXPECT_TRUE(ui_.ScriptDone());
  EXPECT_TRUE(ui_.MessageBoxes().empty());
  EXPECT_EQ(ReadTextFile("quon.ini"), kFirstRunFile);
}

// Every way out of the main window writes the settings back and ends the program.
class ShellLeaving : public Shell, public ::testing::WithParamInterface<int> {};

TEST_P(ShellLeaving, SavesAndEnds) {
  ui_.Then([](HeadlessWindow& w) {
    g_CommSettings.baud = 1200;
    switch (GetParam()) {
      case 0:
        w.Press(Key::Enter);
        break;
      case 1:
        w.Press(Key::Escape);
        break;
      case 2:
        w.CloseBox();
        break;
      case 3:
        w.Click(ui::kIdCancel);
        break;
      case 4:  // no button focused: Enter gives the OK command, which takes the cancel path
        w.SetFocus(IDC_PORT_COMBO);
        w.Dialog().HandleCommand(ui::kIdOk, ui::kClicked);
        break;
    }
  });
  Start();
  EXPECT_NE(ReadTextFile("quon.ini").find(SerialSection("1200", "COMM 1")), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(EnterEscapeCloseBoxExitOk, ShellLeaving, ::testing::Range(0, 5));

TEST_F(Shell, AcceptedPortReachesTheFileOnlyWhenTheMainWindowCloses) {
  ui_.Then([](HeadlessWindow& w) { w.Click(IDC_CONFIG_COMMS); });
  ui_.Then([this](HeadlessWindow& w) {
    EXPECT_EQ(w.TemplateId(), IDD_PORT_SETTINGS);
    EXPECT_EQ(w.Title(), "Config Comms port");
    EXPECT_EQ(w.Text(IDC_PORT_COMBO), "COMM 1");
    EXPECT_EQ(w.Items(IDC_PORT_COMBO), (std::vector<std::string>{"COMM 1", "COMM 2"}));
    const std::string device = " is " + adapter_ + " (the only USB serial adapter)";
    EXPECT_EQ(w.ToolTip(IDC_PORT_COMBO), "COMM 1" + device + "\nCOMM 2" + device);
    EXPECT_TRUE(w.Pick(IDC_PORT_COMBO, "COMM 2"));
    w.Press(Key::Enter);  // OK is the default button
  });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(w.TemplateId(), IDD_QUON_DIALOG);
    EXPECT_EQ(g_CommSettings.port, "COMM 2");
    EXPECT_NE(ReadTextFile("quon.ini").find("port=COMM 1\n"), std::string::npos);
    w.Click(ui::kIdCancel);
  });
  Start();
  EXPECT_NE(ReadTextFile("quon.ini").find("port=COMM 2\n"), std::string::npos);
  EXPECT_TRUE(ui_.MessageBoxes().empty());
}

TEST_F(Shell, CancelledPortDialogLeavesTheSettingsAndTheNextShowingStartsFromThem) {
  ui_.Then([](HeadlessWindow& w) { w.Click(IDC_CONFIG_COMMS); });
  ui_.Then([](HeadlessWindow& w) {
    w.Type(IDC_PORT_COMBO, "COMM 2");
    w.Press(Key::Escape);
  });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(g_CommSettings.port, "COMM 1");
    w.Click(IDC_CONFIG_COMMS);
  });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(w.Text(IDC_PORT_COMBO), "COMM 1");
    w.Type(IDC_PORT_COMBO, "COMM 2");
    w.CloseBox();
  });
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  Start();
  EXPECT_EQ(g_CommSettings.port, "COMM 1");
  EXPECT_NE(ReadTextFile("quon.ini").find("port=COMM 1\n"), std::string::npos);
}

TEST_F(Shell, PortTextsOutsideTheListGetTheTwoLineMessageAndTheDialogStays) {
  ui_.Then([](HeadlessWindow& w) { w.Click(IDC_CONFIG_COMMS); });
  for (const char* typed : {"comm 1", "COMM 1 ", "COMM 3", ""}) {
    ui_.Then([typed](HeadlessWindow& w) {
      w.Type(IDC_PORT_COMBO, typed);
      w.Click(ui::kIdOk);
      EXPECT_EQ(w.TemplateId(), IDD_PORT_SETTINGS);
      EXPECT_FALSE(w.Dialog().IsEnding());
      EXPECT_EQ(w.Text(IDC_PORT_COMBO), typed);  // what the user typed stays
    });
  }
  ui_.Then([](HeadlessWindow& w) { w.Click(ui::kIdCancel); });
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  Start();
  ASSERT_EQ(ui_.MessageBoxes().size(), 4u);
  for (const ui::HeadlessBackend::MessageBoxRecord& box : ui_.MessageBoxes()) {
    EXPECT_EQ(box.text, "Please select\nCOMM 1 or COMM 2");
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.flags, ui::kMbOk | ui::kMbIconError);
    EXPECT_EQ(box.ownerTemplateId, IDD_PORT_SETTINGS);
  }
  EXPECT_EQ(g_CommSettings.port, "COMM 1");
}

struct StoredValues {
  const char* serial;        // the [serial] section in the file
  const char* firstFailure;  // nullptr: OK is accepted
};

class PortChecksOnOk : public Shell, public ::testing::WithParamInterface<StoredValues> {};

// Only the port is edited in the dialog; the other values come from the file and are checked too.
TEST_P(PortChecksOnOk, ShowOnlyTheFirstFailingMessage) {
  WriteFile("quon.ini", GetParam().serial);
  ui_.Then([](HeadlessWindow& w) { w.Click(IDC_CONFIG_COMMS); });
  ui_.Then([](HeadlessWindow& w) {
    w.Click(ui::kIdOk);
    if (!w.Dialog().IsEnding()) w.Click(ui::kIdCancel);
  });
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  Start();
  if (GetParam().firstFailure == nullptr) {
    EXPECT_TRUE(ui_.MessageBoxes().empty());
  } else {
    ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
    EXPECT_EQ(ui_.MessageBoxes()[0].text, GetParam().firstFailure);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, PortChecksOnOk,
    ::testing::Values(
        StoredValues{"[serial]\nport=comm 1\nbaud=19200\nparity=none\n", CHECK_MSG_PORT},
        StoredValues{"[serial]\nbaud=19200\nparity=none\n", CHECK_MSG_BAUD},
        StoredValues{"[serial]\nbaud=15360\nparity=none\nlength=6\n", CHECK_MSG_PARITY},
        StoredValues{"[serial]\nparity=Space\nlength=6\nstopbits=3\n", CHECK_MSG_DATA_LENGTH},
        StoredValues{"[serial]\nlength=7\nstopbits=3\n", CHECK_MSG_STOP_BITS},
        StoredValues{"[serial]\nport=COMM 2\nbaud=300\nparity=Mark\nstopbits=1.5\n", nullptr}));

TEST_F(Shell, AnUnsupportedBaudRateLeavesOnlyCancel) {
  WriteFile("quon.ini", "[serial]\nbaud=19200\n");
  ui_.Then([](HeadlessWindow& w) { w.Click(IDC_CONFIG_COMMS); });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_TRUE(w.Pick(IDC_PORT_COMBO, "COMM 2"));
    w.Click(ui::kIdOk);
    w.Click(ui::kIdOk);
    w.Click(ui::kIdCancel);
  });
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  Start();
  ASSERT_EQ(ui_.MessageBoxes().size(), 2u);
  EXPECT_EQ(ui_.MessageBoxes()[1].text, "Baud rate is not supported");
  EXPECT_EQ(g_CommSettings.port, "COMM 1");
  EXPECT_EQ(g_CommSettings.baud, 19200);
  EXPECT_NE(ReadTextFile("quon.ini").find("baud=19200\n"), std::string::npos);
}

TEST_F(Shell, AMissingPackageIsReportedAndTheProgramGoesOn) {
  ui_.Then([this](HeadlessWindow& w) {
    EXPECT_EQ(ui_.MessageBoxes().size(), 1u);  // shown before the main window
    EXPECT_TRUE(fs::exists("quon.ini"));
    w.Press(Key::Escape);
  });
  Start("no such package.rom");
  ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
  const ui::HeadlessBackend::MessageBoxRecord& box = ui_.MessageBoxes()[0];
  EXPECT_EQ(box.text, "Can not open input file");
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.flags, ui::kMbOk);  // an OK button and no icon
  EXPECT_EQ(box.ownerTemplateId, 0);
}

TEST_F(Shell, APathWithBlanksIsOnePath) {
  std::string data = "hello";
  WriteFile("my rom file.rom",
            std::string("ZKROM\x01\x05hi.tx") + '\x05' + std::string(3, '\0') + data);
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  const char* argv[] = {"quon", "my", "rom", "file.rom"};
  Start(ui::CommandLineTail(4, argv));
  EXPECT_TRUE(ui_.MessageBoxes().empty());
  EXPECT_EQ(ReadTextFile("hi.tx"), "hello");
}

TEST_F(Shell, AFolderIsServedWithItsOwnSettingsAndAFileStaysAPackage) {
  fs::create_directory("calc files");
  WriteFile("calc files/quon.ini", SerialSection("1200", "COMM 2"));
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(g_CommSettings.baud, 1200);
    w.Press(Key::Escape);
  });
  const std::string first = (dir_.path() / "calc").string();
  const char* argv[] = {"quon", first.c_str(), "files"};
  Start(ui::CommandLineTail(3, argv));
  EXPECT_TRUE(ui_.MessageBoxes().empty());
  EXPECT_EQ(fs::current_path(), dir_.path() / "calc files");
  EXPECT_FALSE(fs::exists(dir_.path() / "quon.ini"));

  fs::create_directory("quoted");
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  Start("\"quoted\"");
  EXPECT_EQ(fs::current_path(), dir_.path() / "calc files" / "quoted");

  WriteFile("not a package", "text");
  ui_.Then([](HeadlessWindow& w) { w.Press(Key::Escape); });
  Start("not a package");
  ASSERT_EQ(ui_.MessageBoxes().size(), 1u);
  EXPECT_EQ(ui_.MessageBoxes()[0].text, "Can not open input file");
  EXPECT_EQ(fs::current_path(), dir_.path() / "calc files" / "quoted");
}

TEST_F(Shell, TheAboutEntryEndsTheSystemMenuAndShowsTheAboutBox) {
  ui_.Then([](HeadlessWindow& w) {
    ASSERT_GE(w.SystemMenu().size(), 2u);
    auto last = w.SystemMenu().end();
    EXPECT_EQ(*(last - 2), std::make_pair(0, std::string()));
    EXPECT_EQ(*(last - 1), std::make_pair(int{IDM_ABOUTBOX}, std::string("&About Quon...")));
    w.ChooseSystemMenu(IDM_ABOUTBOX);
  });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(w.TemplateId(), IDD_ABOUTBOX);
    w.Press(Key::Enter);
  });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(w.TemplateId(), IDD_QUON_DIALOG);
    w.Press(Key::Escape);
  });
  Start();
}

TEST_F(Shell, HelpOpensTheHelpFileAndIsToldToQuitWhenTheWindowGoes) {
  g_DownloadApp.SetHelpFile("/usr/share/doc/quon/quon-help.html");
  ui_.Then([this](HeadlessWindow& w) {
    w.Press(Key::F1);
    EXPECT_EQ(ui_.HelpQuits(), 0);
    w.Press(Key::Escape);
  });
  Start();
  g_DownloadApp.SetHelpFile("");
  EXPECT_EQ(ui_.HelpOpened(), std::vector<std::string>{"/usr/share/doc/quon/quon-help.html"});
  EXPECT_EQ(ui_.HelpQuits(), 1);
}

TEST_F(Shell, TalkToCalcRunsTheRegisteredServerWindowModally) {
  ui::DialogTemplate serverTemplate{4242, "Server",        100, 50, "MS Sans Serif",
                                    8,    ui::kSystemMenu, {}};
  ui::CDialog server(serverTemplate);
  SetServerWindow(&server);
  ui_.Then([](HeadlessWindow& w) { w.Click(IDC_TALK_TO_CALC); });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(w.TemplateId(), 4242);
    w.Press(Key::Escape);
  });
  ui_.Then([](HeadlessWindow& w) {
    EXPECT_EQ(w.TemplateId(), IDD_QUON_DIALOG);
    w.Press(Key::Escape);
  });
  Start();
  SetServerWindow(nullptr);
}

}  // namespace
