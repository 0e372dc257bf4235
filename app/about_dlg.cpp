#include "app/about_dlg.h"

#include "app/resources.h"

CAboutDlg::CAboutDlg() : CDialog(AboutBoxTemplate()) {}
