#pragma once

namespace tessaly {

// Menu command codes, carried by AppMessage from the menus through the menu bar to the main
// frame and on to the view (3051 and 3101 are in comm/message_codes.h).
constexpr int kCmdMenuClosed = 3000;       // a pop-up closed; value: its hover index
constexpr int kCmdOpenEnvironment = 3001;  // File
constexpr int kCmdSaveEnvironment = 3002;  // File
constexpr int kCmdReceiverConfig = 3003;   // File
constexpr int kCmdExit = 3005;             // File
constexpr int kCmdSubMenuActive = 3006;    // Horizontal/Vertical -> View; value 1/0
constexpr int kCmdSubSubMenuActive = 3007; // Small/Large -> Horizontal/Vertical; value 1/0
constexpr int kCmdUpload = 3008;           // File
constexpr int kCmdDownload = 3009;         // File
constexpr int kCmdLayoutMode = 3021;       // View cascade; value: layout mode 0..3
constexpr int kCmdMonitorStartStop = 3022; // bar button; value 0 stop, 1 start, 2 toggle
constexpr int kCmdRfUnit = 3023;           // View; value 0 dBm, 1 mW, 2 toggle
constexpr int kCmdMonitorMatrix = 3024;    // View
constexpr int kCmdAboutAlt = 3031;         // same as About
constexpr int kCmdAbout = 3032;            // Help
constexpr int kCmdHelp = 3033;             // Help
constexpr int kCmdRemoteView = 3034;       // Help: the board's address and its QR code
constexpr int kCmdAlarmJournal = 3040;     // View, the bar's alarm count, a panel's alarm label
constexpr int kCmdShowEndTime = 3041;      // View
// A panel's pop-up menu, for the receiver it was opened on.
constexpr int kCmdPanelAcknowledge = 3042;
constexpr int kCmdPanelSilence = 3043; // value: minutes, 0 until unsilenced
constexpr int kCmdPanelUnsilence = 3044;
constexpr int kCmdShowLock = 3045; // View and Ctrl+L: take or release the show lock

// Values of kCmdMonitorStartStop and kCmdRfUnit.
constexpr int kSwitchOff = 0;
constexpr int kSwitchOn = 1;
constexpr int kSwitchToggle = 2;

} // namespace tessaly
