// The frequency picker on a real X display: keys and clicks come from the X server (xdotool),
// so they take the way a person's do, through the list's keyboard grab and back to the picker.

#include "chrome/comb_color.h"
#include "dialogs/dlg_set_freq.h"
#include "tests/dialogs/dialog_test_support.h"
#include "tests/support/wait_until.h"

#include <QAbstractItemView>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

// Each way of closing the list, as xdotool arguments.
class SetFreqX11 : public ::testing::TestWithParam<QStringList> {};

TEST_P(SetFreqX11, EveryWayOfClosingTheListStoresTheSelectedChannel) {
    if (QStandardPaths::findExecutable("xdotool").isEmpty()) {
        GTEST_SKIP() << "needs xdotool";
    }
    // Between two channels: the picker opens on the band's first channel.
    ReceiverTable table;
    table.count = 2;
    table.byNumber(1).setFrequencyText("710.125");
    table.byNumber(2).setFrequencyText("711.2");
    FreqPickerPlacement placement;
    placement.anchor = QPoint(600, 400);
    // Closing without a choice asks before the receiver is moved to that channel.
    auto prompts = std::make_shared<ScriptedPrompts>();
    prompts->answers = {PromptAnswer::Yes};
    CDlgSetFreq picker(nullptr, false, 2, table, placement, prompts);

    bool sent = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!sent && picker.channelList()->view()->isVisible()) {
            sent = QProcess::execute("xdotool", GetParam()) == 0;
        }
    });
    poll.start(20);
    QTimer::singleShot(10000, &picker, [&] { picker.done(-1); }); // never hangs the suite
    const int result = picker.exec();

    EXPECT_TRUE(sent);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(picker.record().freqText, "710.125");
    EXPECT_EQ(picker.record().freqKhz, 710125);
    EXPECT_EQ(picker.record().freqChanged, 1);
    EXPECT_EQ(prompts->shown.size(), GetParam().last() == "Return" ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Closes, SetFreqX11,
                         ::testing::Values(QStringList{"key", "Escape"},
                                           QStringList{"key", "Return"},
                                           QStringList{"mousemove", "5", "5", "click", "1"}),
                         [](const auto& info) {
                             return (info.param.first() + info.param.last()).toStdString();
                         });

} // namespace
