#pragma once
// Drives the Qt backend's modal windows the way a user would, from Qt's own event loop, for tests
// under QT_QPA_PLATFORM=offscreen. Each step runs on the innermost modal window once it is shown
// and no earlier step is still running on it. A watchdog fails the test and ends every modal
// window (dialogs through EndDialog, message boxes directly) so that no test can hang.
// It polls for windows only while steps are left, so that it wakes no wait after them.

#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace ui {
class CDialog;
}

namespace ui_test {

class QtScript {
 public:
  using Step = std::function<void(QWidget& window)>;

  explicit QtScript(int watchdogMs = 10'000);
  ~QtScript();

  void Then(Step step);
  bool Done() const { return steps_.empty() && busy_.empty(); }
  bool WatchdogFired() const { return watchdogFired_; }

 private:
  void Poll();
  void CloseEverything();

  std::deque<Step> steps_;
  std::vector<QPointer<QWidget>> busy_;
  QTimer poll_;
  QTimer watchdog_;
  bool watchdogFired_ = false;
};

// The dialog a window shows; null for a message box.
ui::CDialog* DialogOf(QWidget& window);
// The widget of a control; null when the window has none with that id.
QWidget* ControlOf(QWidget& window, int id);
// A mouse click on a control, or on the message box button with that text.
void Click(QWidget& window, int id);
void ClickButton(QWidget& window, const QString& text);
// A key press sent to whatever has the focus in the window.
void PressKey(QWidget& window, int qtKey);
// Grabs the window into <build>/screenshots/<name>.png; answers the path, empty on failure.
std::string SaveScreenshot(QWidget& window, const std::string& name);

}  // namespace ui_test
