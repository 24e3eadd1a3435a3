#pragma once

#include <QEvent>

namespace tessaly {

// The application message: the platform's first application message number plus 0x10. On Qt it
// is one QEvent type (see AppMessage); the number stays for traces and for talk about the codes.
constexpr int kAppMessageNumber = 0x8000 + 0x10; // 32784
constexpr QEvent::Type kAppMessageEventType = static_cast<QEvent::Type>(QEvent::User + 0x10);

// Configuration engine events (dialog <-> its engine).
constexpr int kEvConfigReady = 2001;       // engine -> requester, value kConfigReadyValue
constexpr int kEvConfigResult = 2002;      // result of an exchange started by 2004
constexpr int kEvConfigResultOther = 2003; // result of an exchange started by 2005
constexpr int kEvConfigStart = 2004;       // value: receiver number in bits 0-7
constexpr int kEvConfigStartOther = 2005;  // the same, answered with 2003
constexpr int kConfigReadyValue = 99;
constexpr int kReceiverNumberBits = 0xff;

// Monitor engine events (view -> engines).
constexpr int kEvMonitorStart = 2006;
constexpr int kEvMonitorStop = 2007;
constexpr int kEvMonitorShowTrace = 2009;

// End of a sequence, posted by the Receiver Configuration dialog to itself.
constexpr int kEvSequenceEnd = 2011;

// An engine's own steps.
constexpr int kEvSendNext = 103;
constexpr int kEvPingConnect = 106;
constexpr int kEvFailure = 107;
constexpr int kEvAnswerTimeout = 108;

// The receiver socket's notifications to its engine.
constexpr int kEvSocketClosed = 211;
constexpr int kEvSocketBlock = 212;
constexpr int kEvSocketReceiveError = 213;

// Main frame and view traffic.
constexpr int kEvRefreshMenus = 3051;
constexpr int kEvMainWindowMoved = 3101;

} // namespace tessaly
