#include "ui/qt/backend.h"

#include <optional>

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QSocketNotifier>
#include <QStyleFactory>

#include "ui/dialog_template.h"
#include "ui/message_box.h"
#include "ui/qt/dialog.h"
#include "ui/qt/dialog_window.h"
#include "ui/timers.h"

namespace ui {
namespace {

bool OpenWithXdgOpen(const std::string& path) {
  return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromStdString(path)});
}

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & kMbIconMask) {
    case kMbIconError:
      return QMessageBox::Critical;
    case kMbIconQuestion:
      return QMessageBox::Question;
    case kMbIconWarning:
      return QMessageBox::Warning;
    case kMbIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

QtBackend::QtBackend(DocumentOpener opener)
    : opener_(opener ? std::move(opener) : DocumentOpener(OpenWithXdgOpen)) {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setFont(DialogFont());
  wake_.setSingleShot(true);
  QObject::connect(&wake_, &QTimer::timeout, [this] {
    Timers().FireDue();
    ScheduleTimers(Timers().MsUntilNextDue());
  });
}

QtBackend::~QtBackend() = default;

std::unique_ptr<DialogWindow> QtBackend::CreateDialogWindow(CDialog& dialog, DialogWindow* owner) {
  auto* parent = dynamic_cast<QtDialogWindow*>(owner);
  return std::make_unique<QtDialogWindow>(dialog, parent != nullptr ? parent->Widget() : nullptr);
}

int QtBackend::ShowMessageBox(DialogWindow* owner, std::string_view text, std::string_view caption,
                              unsigned flags) {
  auto* parent = dynamic_cast<QtDialogWindow*>(owner);
  QMessageBox box(IconOf(flags), QString::fromUtf8(caption.data(), caption.size()),
                  QString::fromUtf8(text.data(), text.size()), QMessageBox::NoButton,
                  parent != nullptr ? parent->Widget() : nullptr);
  box.setWindowModality(Qt::ApplicationModal);
  switch (flags & kMbButtonMask) {
    case kMbOkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
    case kMbYesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setEscapeButton(QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok:
      return kIdOk;
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    default:
      return kIdCancel;
  }
}

void QtBackend::ProcessPendingEvents() {
  // All events, user input included: holding clicks back would make a long transfer deaf to Exit.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtBackend::ScheduleTimers(std::optional<uint32_t> msUntilDue) {
  if (msUntilDue) {
    wake_.start(static_cast<int>(std::min<uint32_t>(*msUntilDue, INT32_MAX)));
  } else {
    wake_.stop();
  }
}

void QtBackend::WaitForEvents(host::WaitHandle handle, uint32_t ms) {
  std::optional<QSocketNotifier> input;
  if (handle != host::kNoWaitHandle) input.emplace(handle, QSocketNotifier::Read);
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  deadline.start(static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtBackend::OpenHelp(const std::string& helpFile) { opener_(helpFile); }

}  // namespace ui
