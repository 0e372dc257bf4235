#pragma once
// The About box (template 100): the program's name, version and purpose, and an OK button.

#include "ui/dialog.h"

class CAboutDlg : public ui::CDialog {
 public:
  CAboutDlg();
};
