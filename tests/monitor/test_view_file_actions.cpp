// The view's file and configuration commands, with the dialogs answered by the test.

#include "monitor/view_file_actions.h"

#include "chrome/menu_commands.h"
#include "chrome/user_prompts.h"
#include "core/app_message.h"
#include "dialogs/dlg_get_receiver_inf.h"
#include "monitor/monitor_control.h"
#include "protocol/environment_file.h"
#include "protocol/program_flags.h"
#include "tests/monitor/synthetic_panel_images.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_dir.h"

#include <QCoreApplication>
#include <QWidget>
#include <gtest/gtest.h>

using namespace tessaly;
using tessaly::testing::ScriptedPrompts;

namespace {

class NoEngine : public IMonitorEngine {
public:
    void post(int, qintptr) override {}
    void requestQuit() override {}
    bool hasEnded() const override { return true; }
};

class Host : public IMonitorHost {
public:
    void layoutBuilt() override {}
    void invalidate() override {}
    void imageCreationFailed() {} // newer hosts are told; no override so older ones build too
    bool hasMainWindow() const override { return false; }
    bool mainWindowMaximised() const override { return false; }
    QRect mainWindowRect() const override { return {100, 100, 800, 600}; }
    void placeMainWindow(const QRect&) override {}
    void resizeMainWindow(QSize) override {}
    PlatformMetrics platformMetrics() const override {
        PlatformMetrics metrics;
        metrics.screen = QSize(1920, 1080);
        metrics.workArea = QSize(1920, 1050);
        return metrics;
    }
};

// The main window: counts the menu refreshes the view asks for.
class MainWindow : public QWidget {
public:
    int menuRefreshes = 0;

protected:
    bool event(QEvent* event) override {
        if (const AppMessage* message = AppMessage::from(event)) {
            menuRefreshes += message->code() == kEvRefreshMenus ? 1 : 0;
            return true;
        }
        return QWidget::event(event);
    }
};

ReceiverTable tableOf(int count, const std::string& prefix) {
    ReceiverTable table;
    table.count = count;
    for (int n = 1; n <= count; ++n) {
        table.byNumber(n).name = prefix + std::to_string(n);
        table.byNumber(n).ip = "10.0.0." + std::to_string(n);
        table.byNumber(n).setFrequencyText("710.125");
    }
    return table;
}

// The configuration dialog takes over what it is shown (or not, as told); the progress dialog
// answers as the test says.
struct FakeFileDialogs : IViewFileDialogs {
    int activations = 0;
    int configRuns = 0;
    bool configAccepts = true;
    bool configChanges = false;
    ReceiverTable shownTable;
    std::function<ProgressOutcome(int mode, const ReceiverTable& source)> progress;

    ConfigDialogOutcome runConfigDialog(QWidget*, const ReceiverTable& table) override {
        ++configRuns;
        shownTable.copyFrom(table);
        ConfigDialogOutcome outcome;
        outcome.takeOver = configAccepts;
        outcome.changed = configChanges;
        outcome.table.copyFrom(table);
        return outcome;
    }
    ProgressOutcome runProgressDialog(QWidget*, int mode, const ReceiverTable& table) override {
        return progress ? progress(mode, table) : ProgressOutcome{};
    }
    void activateMainWindow(QWidget&) override { ++activations; }
};

class ViewFileActionsTest : public ::testing::Test {
protected:
    ViewFileActionsTest() {
        programFlags().modified = 0;
        control.initialUpdate(QSize(1920, 1080));
        main.setGeometry(120, 80, 900, 700);
        actions.initialUpdate("710.125");
    }
    ~ViewFileActionsTest() override { programFlags().modified = 0; }

    std::string writeFile(const std::string& name, const ReceiverTable& table) {
        DisplayState display;
        EXPECT_TRUE(writeEnvironmentFile(dir.file(name), table, display));
        return dir.file(name);
    }
    void deliver() { QCoreApplication::sendPostedEvents(); }

    tessaly::testing::TempDir dir;
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    ReceiverTable table;
    MonitorValueTable values;
    DisplayState display;
    CPanelRenderer renderer{tessaly::testing::syntheticPanelPng};
    Host host;
    CMonitorControl control{renderer, host,    table,
                            values,   display, [](int) { return std::make_unique<NoEngine>(); }};
    MainWindow main;
    QWidget* view = new QWidget(&main);
    std::shared_ptr<FakeFileDialogs> dialogs = std::make_shared<FakeFileDialogs>();
    CViewFileActions actions{*view, control, table, display, dialogs, prompts};
};

} // namespace

TEST_F(ViewFileActionsTest, OpeningMarksWhatDiffersFromTheTableInUse) {
    control.takeOverTable(tableOf(2, "RX"), false);
    table.byNumber(1).freqChanged = 1; // still pending from before
    ReceiverTable file = tableOf(3, "RX");
    file.byNumber(2).name = "VOCAL";
    const std::string path = writeFile("three.ini", file);

    EXPECT_TRUE(actions.openEnvironment(QString::fromStdString(path)));
    ASSERT_EQ(dialogs->configRuns, 1);
    EXPECT_EQ(dialogs->shownTable.count, 3);
    EXPECT_EQ(dialogs->shownTable.byNumber(1).nameChanged, 0);
    EXPECT_EQ(dialogs->shownTable.byNumber(1).freqChanged, 1);
    EXPECT_EQ(dialogs->shownTable.byNumber(2).nameChanged, 1);
    EXPECT_EQ(dialogs->shownTable.byNumber(2).freqChanged, 0);
    EXPECT_EQ(dialogs->shownTable.byNumber(3).nameChanged, 1);
    EXPECT_EQ(dialogs->shownTable.byNumber(3).freqChanged, 1);
    EXPECT_EQ(table.count, 3);
    EXPECT_EQ(table.byNumber(2).name, "VOCAL");
    EXPECT_EQ(control.fitFlag(kLayoutLargeVertical), kFitWindow);
    EXPECT_EQ(programFlags().modified, 0);
    deliver();
    EXPECT_EQ(main.menuRefreshes, 1);
    EXPECT_EQ(dialogs->activations, 1);

    // Only the first open of the run brings the main window forward.
    EXPECT_TRUE(actions.openEnvironment(QString::fromStdString(path)));
    EXPECT_EQ(dialogs->activations, 1);
    EXPECT_EQ(actions.openRequests(), 2);
}

TEST_F(ViewFileActionsTest, UnsavedChangesAreNeverLostToAnOpen) {
    control.takeOverTable(tableOf(2, "KEEP"), false);
    const std::string path = writeFile("other.ini", tableOf(4, "NEW"));
    programFlags().modified = 1;

    prompts->answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(actions.openEnvironment(QString::fromStdString(path)));
    EXPECT_EQ(prompts->shown, QStringList{"Do you want save the changes?"});

    // Yes, then the save dialog cancelled: nothing is opened.
    prompts->answers = {PromptAnswer::Yes};
    EXPECT_FALSE(actions.openEnvironment(QString::fromStdString(path)));
    EXPECT_EQ(prompts->shown.last(), "Save File");

    // Yes, then a save that fails: said so, nothing is opened.
    prompts->answers = {PromptAnswer::Yes, PromptAnswer::Ok};
    prompts->paths = {QString::fromStdString(dir.file("missing/dir/x.ini"))};
    EXPECT_FALSE(actions.openEnvironment(QString::fromStdString(path)));
    EXPECT_EQ(prompts->shown.last(), "Error Saveing File.");

    EXPECT_EQ(dialogs->configRuns, 0);
    EXPECT_EQ(table.count, 2);
    EXPECT_EQ(table.byNumber(1).name, "KEEP1");
    EXPECT_EQ(programFlags().modified, 1);

    // Yes and a good save: the changes are in the file, then the other file opens.
    prompts->answers = {PromptAnswer::Yes};
    prompts->paths = {QString::fromStdString(dir.file("saved.ini"))};
    EXPECT_TRUE(actions.openEnvironment(QString::fromStdString(path)));
    EXPECT_NE(dir.read("saved.ini").find("KEEP2"), std::string::npos);
    EXPECT_EQ(table.count, 4);
    EXPECT_EQ(programFlags().modified, 0);

    // No: opened at once, no save dialog.
    programFlags().modified = 1;
    prompts->shown.clear();
    prompts->answers = {PromptAnswer::No};
    EXPECT_TRUE(
        actions.openEnvironment(QString::fromStdString(writeFile("two.ini", tableOf(2, "B")))));
    EXPECT_EQ(prompts->shown, QStringList{"Do you want save the changes?"});
    EXPECT_EQ(table.byNumber(1).name, "B1");
}

TEST_F(ViewFileActionsTest, SavingKeepsTheWindowRectangleOfTheModeAndTheRfUnit) {
    control.takeOverTable(tableOf(1, "RX"), false);
    control.handleCommand(kCmdRfUnit, kRfUnitMw);
    programFlags().modified = 1;
    const QRect frame = main.frameGeometry();
    EXPECT_TRUE(actions.saveEnvironment(QString::fromStdString(dir.file("a.ini"))));
    EXPECT_EQ(programFlags().modified, 0);
    EXPECT_EQ(display.rfUnit, kRfUnitMw);
    ASSERT_EQ(control.layoutMode(), kLayoutLargeHorizontal);
    EXPECT_EQ(display.posHor, (WindowRect{frame.left(), frame.top(), frame.left() + frame.width(),
                                          frame.top() + frame.height()}));

    programFlags().modified = 1;
    prompts->answers = {PromptAnswer::Ok};
    EXPECT_FALSE(actions.saveEnvironment(QString::fromStdString(dir.file("none/a.ini"))));
    EXPECT_EQ(prompts->shown, QStringList{"Error Saveing File."});
    EXPECT_EQ(programFlags().modified, 1);
}

TEST_F(ViewFileActionsTest, ReceiverConfigurationTakesBackOnlyWhatTheDialogAccepted) {
    control.takeOverTable(tableOf(2, "RX"), false);
    dialogs->configAccepts = false;
    actions.receiverConfiguration();
    EXPECT_EQ(dialogs->shownTable.byNumber(2).name, "RX2");
    EXPECT_EQ(programFlags().modified, 0);

    dialogs->configAccepts = true;
    dialogs->configChanges = true;
    actions.receiverConfiguration();
    EXPECT_EQ(programFlags().modified, 1);
    deliver();
    EXPECT_EQ(main.menuRefreshes, 2);
}

TEST_F(ViewFileActionsTest, UploadAndDownloadAskFirstAndOnlyADownloadIsTakenOver) {
    control.takeOverTable(tableOf(2, "RX"), false);
    std::vector<int> modes;
    bool takeOver = false;
    dialogs->progress = [&](int mode, const ReceiverTable& source) {
        modes.push_back(mode);
        ProgressOutcome outcome;
        outcome.table.copyFrom(source);
        outcome.table.byNumber(1).name = "FROM RX";
        outcome.takeOver = takeOver;
        return outcome;
    };

    prompts->answers = {PromptAnswer::Cancel, PromptAnswer::Cancel};
    actions.upload();
    actions.download();
    EXPECT_TRUE(modes.empty());
    EXPECT_EQ(
        prompts->shown,
        (QStringList{"Are you sure you want to override the configurations of the receivers ?",
                     "Are you sure you want to replace the contents of the table ?"}));

    prompts->answers = {PromptAnswer::Ok, PromptAnswer::Ok};
    actions.upload();
    actions.download(); // not accepted: the table stays, the panels start afresh
    EXPECT_EQ(modes, (std::vector<int>{kGetInfModeUpload, kGetInfModeDownload}));
    EXPECT_EQ(table.byNumber(1).name, "RX1");
    EXPECT_EQ(programFlags().modified, 0);

    takeOver = true;
    prompts->answers = {PromptAnswer::Ok};
    values.byNumber(1).rfLevelA = -500;
    actions.download();
    EXPECT_EQ(table.byNumber(1).name, "FROM RX");
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_NE(values.byNumber(1).rfLevelA.load(), -500); // values reset with the new table
}

TEST_F(ViewFileActionsTest, ASavedEnvironmentOpensAgainIdentically) {
    ReceiverTable saved = tableOf(3, "RX");
    saved.byNumber(1).mac = "0A-54-53-00-00-01";
    saved.byNumber(2).comment = "Stage left\r\nspare battery";
    saved.byNumber(2).colors = {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00123456};
    saved.byNumber(3).setFrequencyText("806.125");
    saved.byNumber(3).squelch = 7;
    saved.byNumber(3).micGain = 3;
    saved.byNumber(3).batteryKind = 1;
    control.takeOverTable(saved, false);
    control.handleCommand(kCmdRfUnit, kRfUnitMw);
    const QString first = QString::fromStdString(dir.file("first.ini"));
    ASSERT_TRUE(actions.saveEnvironment(first));

    // Another table and RF unit in use, then the saved file opened again.
    control.takeOverTable(tableOf(1, "OTHER"), false);
    control.handleCommand(kCmdRfUnit, kRfUnitDbm);
    ASSERT_TRUE(actions.openEnvironment(first));
    ASSERT_EQ(table.count, 3);
    for (int n = 1; n <= 3; ++n) {
        const ReceiverRecord& a = saved.byNumber(n);
        const ReceiverRecord& b = table.byNumber(n);
        EXPECT_EQ(b.name, a.name) << n;
        EXPECT_EQ(b.ip, a.ip) << n;
        EXPECT_EQ(b.mac, a.mac) << n;
        EXPECT_EQ(b.freqText, a.freqText) << n;
        EXPECT_EQ(b.freqKhz, a.freqKhz) << n;
        EXPECT_EQ(b.colors, a.colors) << n;
        EXPECT_EQ(b.comment, a.comment) << n;
        EXPECT_EQ(b.squelch, a.squelch) << n;
        EXPECT_EQ(b.micGain, a.micGain) << n;
        EXPECT_EQ(b.batteryKind, a.batteryKind) << n;
    }
    EXPECT_EQ(display.rfUnit, kRfUnitMw);

    // Saved once more, the file is the same byte for byte.
    ASSERT_TRUE(actions.saveEnvironment(QString::fromStdString(dir.file("second.ini"))));
    EXPECT_EQ(dir.read("second.ini"), dir.read("first.ini"));
}
