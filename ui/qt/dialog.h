#pragma once
// The QDialog that shows one CDialog: routes the dialog keys, the close box and Qt's own
// accept/reject to the framework, which decides whether and how the dialog ends.

#include <QDialog>
#include <QFont>

namespace ui {

class CDialog;

// The stand-in for the platform's dialog font.
QFont DialogFont();

class QtDialog final : public QDialog {
  Q_OBJECT

 public:
  QtDialog(CDialog& dialog, QWidget* parent);

  CDialog& Dialog() const { return dialog_; }
  // Ends exec() without asking the framework again.
  void EndExec() { QDialog::done(0); }

  // Catches Enter, Escape and F1 on the dialog and on every control.
  bool eventFilter(QObject* watched, QEvent* event) override;

  void accept() override;
  void reject() override;
  void done(int result) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  CDialog& dialog_;
};

}  // namespace ui
