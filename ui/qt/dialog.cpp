#include "ui/qt/dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include "ui/dialog.h"

namespace ui {

QFont DialogFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(11);
  return font;
}

QtDialog::QtDialog(CDialog& dialog, QWidget* parent) : QDialog(parent), dialog_(dialog) {
  installEventFilter(this);
}

bool QtDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) {
    return QDialog::eventFilter(watched, event);
  }
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      dialog_.HandleKey(Key::Enter);
      return true;
    case Qt::Key_Escape:
      dialog_.HandleKey(Key::Escape);
      return true;
    case Qt::Key_F1:
      dialog_.HandleKey(Key::F1);
      return true;
    default:
      return QDialog::eventFilter(watched, event);
  }
}

void QtDialog::accept() { dialog_.HandleCommand(kIdOk, kClicked); }

void QtDialog::reject() { dialog_.HandleCommand(kIdCancel, kClicked); }

// Qt's own ending paths (shortcuts, accessibility) become commands; the framework ends the loop.
void QtDialog::done(int result) {
  dialog_.HandleCommand(result == QDialog::Accepted ? kIdOk : kIdCancel, kClicked);
}

void QtDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  dialog_.HandleSysCommand(kScClose);
}

}  // namespace ui
