#pragma once
// The program's resources: dialog templates, string table and icons, by the ids a resource
// script would give them.

#include <string>

#include "ui/dialog_template.h"

// Dialog templates.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_QUON_DIALOG = 102;
inline constexpr int IDD_PORT_SETTINGS = 146;

// Strings.
inline constexpr int IDS_ABOUTBOX = 101;

// Icons.
inline constexpr int IDR_MAINFRAME = 128;

// Controls.
inline constexpr int IDC_PORT_COMBO = 1013;
inline constexpr int IDC_CONFIG_COMMS = 1017;
inline constexpr int IDC_TALK_TO_CALC = 1021;

// The system menu entry that shows the About box.
inline constexpr int IDM_ABOUTBOX = 0x0010;

const ui::DialogTemplate& AboutBoxTemplate();
const ui::DialogTemplate& MainDialogTemplate();
const ui::DialogTemplate& PortSettingsTemplate();

// The string table entry; empty when there is none.
std::string LoadResourceString(int id);

// Makes the program's icon images known to backends without resource files.
void RegisterAppIcons();
