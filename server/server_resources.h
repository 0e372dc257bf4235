#pragma once
// The server window's template and control ids.

#include "ui/dialog_template.h"

inline constexpr int IDD_SERVER_STATUS = 129;

inline constexpr int IDC_LOG_LIST = 1026;
inline constexpr int IDC_STATUS_LIST = 1029;
inline constexpr int IDC_DOWNLOAD_MODE = 1035;
inline constexpr int IDC_CLEAR_LOG = 1039;
inline constexpr int IDC_BYTES_TX = 1060;
inline constexpr int IDC_FILE_SIZE = 1061;
inline constexpr int IDC_CPS = 1062;
inline constexpr int IDC_TRANSFER_ERRORS = 1063;
inline constexpr int IDC_BLOCK_ERRORS = 1064;
inline constexpr int IDC_PROGRESS = 1065;
inline constexpr int IDC_TIME_LEFT = 1066;
inline constexpr int IDC_FILE_NAME = 1067;
inline constexpr int IDC_PROTOCOL = 1077;

const ui::DialogTemplate& ServerStatusTemplate();
