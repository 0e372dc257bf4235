#include "ui/tests/script_qt.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTest>
#include <algorithm>

#include "ui/dialog.h"
#include "ui/qt/dialog.h"

namespace ui_test {

QtScript::QtScript(int watchdogMs) {
  poll_.setInterval(5);
  QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
  watchdog_.setSingleShot(true);
  QObject::connect(&watchdog_, &QTimer::timeout, [this] {
    watchdogFired_ = true;
    ADD_FAILURE() << "watchdog: a modal window was left open";
    CloseEverything();
  });
  watchdog_.start(watchdogMs);
}

QtScript::~QtScript() = default;

void QtScript::Then(Step step) {
  steps_.push_back(std::move(step));
  if (!poll_.isActive()) poll_.start();
}

void QtScript::Poll() {
  std::erase_if(busy_, [](const QPointer<QWidget>& w) { return w.isNull() || !w->isVisible(); });
  if (steps_.empty()) {
    poll_.stop();
    return;
  }
  QWidget* active = QApplication::activeModalWidget();
  if (active == nullptr || !active->isVisible()) return;
  if (std::find(busy_.begin(), busy_.end(), active) != busy_.end()) return;
  Step step = std::move(steps_.front());
  steps_.pop_front();
  QPointer<QWidget> window(active);
  busy_.push_back(window);
  // A fresh single-shot per step: Qt never re-enters a timer's slot, and a step may open a nested
  // modal window whose own steps must still run.
  QTimer::singleShot(0, active, [this, window, step = std::move(step)] {
    if (!window.isNull()) step(*window);
    std::erase(busy_, window);
  });
}

void QtScript::CloseEverything() {
  steps_.clear();
  QWidget* active = QApplication::activeModalWidget();
  if (active == nullptr) return;
  if (auto* dialog = qobject_cast<ui::QtDialog*>(active)) {
    dialog->Dialog().EndDialog(ui::kIdAbort);
  } else if (auto* box = qobject_cast<QDialog*>(active)) {
    box->done(QDialog::Rejected);
  } else {
    active->close();
  }
  // Ending one window may let its owner's loop go on to open another.
  QTimer::singleShot(50, &watchdog_, [this] { CloseEverything(); });
}

ui::CDialog* DialogOf(QWidget& window) {
  auto* dialog = qobject_cast<ui::QtDialog*>(&window);
  return dialog != nullptr ? &dialog->Dialog() : nullptr;
}

QWidget* ControlOf(QWidget& window, int id) {
  for (QWidget* child : window.findChildren<QWidget*>()) {
    QVariant value = child->property("quonControlId");
    if (value.isValid() && value.toInt() == id) return child;
  }
  return nullptr;
}

void Click(QWidget& window, int id) {
  QWidget* control = ControlOf(window, id);
  ASSERT_NE(control, nullptr) << "no control " << id;
  QTest::mouseClick(control, Qt::LeftButton);
}

void ClickButton(QWidget& window, const QString& text) {
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (button->text().remove('&') == text) {
      QTest::mouseClick(button, Qt::LeftButton);
      return;
    }
  }
  ADD_FAILURE() << "no button " << text.toStdString();
}

void PressKey(QWidget& window, int qtKey) {
  QWidget* target = window.focusWidget() != nullptr ? window.focusWidget() : &window;
  QTest::keyClick(target, static_cast<Qt::Key>(qtKey));
}

// A run on another display keeps its shots apart (QUON_SCREENSHOT_DIR in the environment).
std::string SaveScreenshot(QWidget& window, const std::string& name) {
  const QString other = qEnvironmentVariable("QUON_SCREENSHOT_DIR");
  QDir dir(other.isEmpty() ? QStringLiteral(QUON_SCREENSHOT_DIR) : other);
  if (!dir.mkpath(QStringLiteral("."))) return {};
  QString path = dir.filePath(QString::fromStdString(name) + QStringLiteral(".png"));
  return window.grab().save(path) ? path.toStdString() : std::string();
}

}  // namespace ui_test
