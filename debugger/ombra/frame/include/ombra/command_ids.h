// The command identifiers of the main window's menus, toolbars and keys.
#pragma once

namespace corvid::ombra::command {

// File
inline constexpr int kNew = 0xE100;
inline constexpr int kOpen = 0xE101;
inline constexpr int kClose = 0xE102;
inline constexpr int kSave = 0xE103;
inline constexpr int kSaveAs = 0xE104;
inline constexpr int kRecentFile1 = 0xE110; // to 0xE113
inline constexpr int kExit = 0xE141;
inline constexpr int kExport = 0x8049;
// Edit and Insert
inline constexpr int kUndo = 0xE12B;
inline constexpr int kCut = 0xE123;
inline constexpr int kCopy = 0xE122;
inline constexpr int kPaste = 0xE125;
inline constexpr int kProperties = 0x8035;
inline constexpr int kFind = 0x8030;
inline constexpr int kReplace = 0x803E;
inline constexpr int kGoToLine = 0x803F;
inline constexpr int kDelete = 0x8039;
inline constexpr int kNewCommand = 0x803A;
// Recording, Playback, Debug
inline constexpr int kRecording = 0x8028;
inline constexpr int kPlayback = 0x8029;
inline constexpr int kStop = 0x804A;
inline constexpr int kPause = 0x800E;
inline constexpr int kStep = 0x800D;
inline constexpr int kBreakpoint = 0x8040;
// Window
inline constexpr int kArrange = 0xE130;
inline constexpr int kCascade = 0xE132;
inline constexpr int kTile = 0xE133;
inline constexpr int kTraceWindow = 0x802C;
inline constexpr int kControlsToolBar = 0x802E;
inline constexpr int kNextPane = 0xE150;
inline constexpr int kPreviousPane = 0xE151;
// Options
inline constexpr int kValidateTypesOnly = 0x8043;
inline constexpr int kIgnoreBusAddresses = 0x8044;
inline constexpr int kIgnoreTimeouts = 0x8045;
inline constexpr int kAutoscrollRecord = 0x8047;
inline constexpr int kAutoscrollPlayback = 0x8048;
inline constexpr int kColourCoding = 0x804C;
inline constexpr int kResetCalibration = 0x8051;
// Help
inline constexpr int kAbout = 0xE140;

} // namespace corvid::ombra::command
