#pragma once
// The server window: holds the serial port while open, polls it four times a second for command
// packets from the calculator, answers them with file transfers, and shows the line state, a log
// and the transfer status.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "serial/serial_port.h"
#include "server/packet_receiver.h"
#include "server/server_resources.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "xfer/send_variants.h"

inline constexpr int LOG_MAX_LINES = 24;
inline constexpr int SERVER_TIMER_ID = 1;
inline constexpr uint32_t SERVER_TICK_MS = 250;
inline constexpr uint8_t DOWNLOAD_MODE_SEQUENCE[] = {0x02, 0xB8, 0x03, 0x00};

class CServerStatusDlg : public ui::CDialog {
 public:
  CServerStatusDlg();
  ~CServerStatusDlg() override;

  // Sees every line the log receives and every change of the status line, as it happens (the
  // headless server prints them).
  struct LineObserver {
    std::function<void(const std::string&)> logLine;
    std::function<void(const std::string&)> statusLine;
  };
  void SetLineObserver(LineObserver observer) { observer_ = std::move(observer); }

  void SetStatusLine(std::string_view text);
  void AddLogLine(std::string_view text);

  bool Transferring() const { return transferring_; }
  // The last opening ended at once because the port could not be opened.
  bool OpenFailed() const { return openFailed_; }
  const CommandPacketReceiver& Receiver() const { return receiver_; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnCommand(int id, int code) override;
  // Enter gives the OK command, which would otherwise leave without closing the port.
  void OnOK() override;
  void OnCancel() override;
  void OnTimer(int id) override;
  void OnDestroy() override;

 private:
  void OnClearLogAndReset();
  void OnLogOutOfSpace();
  void OnSetDownloadMode();
  void OnProtocolChanged();

  void RXEngine();
  void SetDownloadMode();
  // The selected item's variant; the first for no selection or an item of none.
  const SendVariant& GetSelectedProtocol() const;

  void DispatchPacket();
  void OnGetRequest(const std::string& name);
  void OnPutRequest(const std::string& name);
  void SendFileToCalc(const std::string& name);
  void ReceiveFileFromCalc(const std::string& name);
  // NAK and the log's account of a file that cannot be opened, with why its name was refused.
  void RefuseFile(const std::string& refusal);

  // The first two steps of a tick: the engine's recorded progress and log lines.
  void ShowTransferReports();
  void ShowBytesAndCps(int32_t bytes);
  void ShowFileSize(int32_t n);
  void ShowTransferErrors(int32_t n);
  void ShowBlockErrors(int32_t n);
  // The bar and "Time left": how far the send has come, from nothing at its start to how it
  // ended.
  void ShowProgress(int32_t bytes, int32_t fileSize);
  void ShowSendStart();
  void ShowSendEnd(int32_t result);
  void LogTransferResult(int32_t code);

  // The device went away: release the port and look for it once a second; when it is back,
  // serve on it as after an opening.
  void OnPortLost();
  void LookForPort();

  // Stops the timer, closes the port and ends the window.
  void Close();
  void InstallIdleHook();
  void RemoveIdleHook();
  static int32_t ServerIdleHook(CSerialPort* port);

  ui::CListBox statusList_;
  ui::CListBox logList_;
  ui::CListBox fileField_;
  ui::CListBox cpsField_;
  ui::CListBox bytesField_;
  ui::CListBox fileSizeField_;
  ui::CListBox transferErrorsField_;
  ui::CListBox blockErrorsField_;
  ui::CProgressCtrl progressBar_;
  ui::CListBox timeLeftField_;
  ui::CComboBox protocolCombo_;

  CommandPacketReceiver receiver_;
  // True exactly while the engine runs a transfer for this window.
  bool transferring_ = false;
  // The user asked to leave while a transfer ran; the window closes once the engine returns.
  bool exitRequested_ = false;
  bool openFailed_ = false;
  // The port's device has gone; g_CommPort is null until it is back.
  bool portLost_ = false;
  uint32_t nextLookAt_ = 0;
  std::string statusShown_;
  LineObserver observer_;

  IdleHookFn previousIdleHook_ = nullptr;
  bool idleHookInstalled_ = false;
  static CServerStatusDlg* hookOwner_;
};

// The program's one server window.
extern CServerStatusDlg g_ServerStatusDlg;
