#include "app/corvane_app.h"
#include "app/main_frame.h"
#include "app/version_info.h"
#include "chrome/dlg_bar_menu.h"
#include "chrome/dlg_menu_file.h"
#include "chrome/dlg_menu_view.h"
#include "chrome/menu_commands.h"
#include "chrome/show_lock_prompts.h"
#include "chrome/user_prompts.h"
#include "core/message_codes.h"
#include "monitor/corvane_view.h"
#include "protocol/pending_changes.h"
#include "protocol/program_flags.h"
#include "protocol/receiver_table.h"
#include "protocol/settings.h"
#include "protocol/show_lock.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_prompts.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tessaly;
using namespace tessaly::testing;

namespace {

bool dispatching = false; // true while the frame handles a command

struct ViewCall {
    int code;
    int value;
    QString path;
    bool duringDispatch; // sent (synchronous) rather than posted
};

// The view side of the commands: records what arrives; saving succeeds unless told otherwise.
class RecordingView : public CCorvaneView {
public:
    explicit RecordingView(std::shared_ptr<CUserPrompts> prompts)
        : CCorvaneView(nullptr, {}, loadPanelPng, nullptr, nullptr, std::move(prompts)) {}

    std::vector<ViewCall> calls;
    bool saveSucceeds = true;
    bool openSucceeds = true;

protected:
    bool onCommand(int code, int value, const QString& path) override {
        calls.push_back({code, value, path, dispatching});
        if (code == kCmdSaveEnvironment) {
            if (saveSucceeds) {
                programFlags().modified = 0;
            }
            return saveSucceeds;
        }
        return code != kCmdOpenEnvironment || openSucceeds;
    }
};

// Notes what the frame would have opened on the desktop.
struct RecordingDesktop : IFrameDesktop {
    std::vector<QUrl> openedUrls;
    int aboutRuns = 0;

    bool openUrl(const QUrl& url) override {
        openedUrls.push_back(url);
        return true;
    }
    void runAboutBox(QWidget*, const QString&) override { ++aboutRuns; }
};

class MainFrameTest : public ::testing::Test {
protected:
    std::shared_ptr<ScriptedPrompts> prompts = std::make_shared<ScriptedPrompts>();
    tessaly::testing::TempDir lockDir;
    RecordingView* view = new RecordingView(prompts);
    std::shared_ptr<RecordingDesktop> desktop = std::make_shared<RecordingDesktop>();
    CMainFrame frame{view, nullptr, desktop, prompts};

    MainFrameTest() {
        programFlags().modified = 0;
        programFlags().monitoring = 0;
        programReceiverTable().count = 0;
        clearPendingChanges(programReceiverTable());
        knownReceiverValues().count = 0;
        showLock().setStatePath(lockDir.file("state/show-lock"));
        showLock().unlock();
        programSettings().lockPin.clear();
        displayState() = DisplayState{};
        frame.show();
        deliverPosted();
        view->calls.clear();
    }
    ~MainFrameTest() override {
        showLock().unlock();
        showLock().setStatePath({});
        programFlags().modified = 0;
    }

    void command(int code, int value = 0) {
        dispatching = true;
        frame.onCommand(code, value);
        dispatching = false;
        deliverPosted();
    }

    void requestClose() {
        frame.close();
        deliverPosted();
    }
};

} // namespace

TEST_F(MainFrameTest, ForwardsFileCommandsSynchronously) {
    for (const int code : {kCmdReceiverConfig, kCmdUpload, kCmdDownload}) {
        view->calls.clear();
        command(code);
        ASSERT_EQ(view->calls.size(), 1u) << code;
        EXPECT_EQ(view->calls[0].code, code);
        EXPECT_TRUE(view->calls[0].duringDispatch) << code;
    }
}

TEST_F(MainFrameTest, OpenSendsThePathAndNamesTheFileInTheCaption) {
    prompts->paths = {QStringLiteral("/srv/sites/hall.ini")};
    command(kCmdOpenEnvironment);
    ASSERT_EQ(view->calls.size(), 1u);
    EXPECT_EQ(view->calls[0].code, kCmdOpenEnvironment);
    EXPECT_EQ(view->calls[0].path, QStringLiteral("/srv/sites/hall.ini"));
    EXPECT_TRUE(view->calls[0].duringDispatch);
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("TESSALY - [hall.ini]"));
    EXPECT_EQ(prompts->shown, QStringList{QStringLiteral("Open File")});
    EXPECT_EQ(prompts->filters.value(0),
              QStringLiteral("Environment File(*.ini)|*.ini|All Files(*.*)|*.*|"));
}

TEST_F(MainFrameTest, AbandonedOpenOrFailedSaveLeavesTheCaption) {
    view->openSucceeds = false;
    prompts->paths = {QStringLiteral("/srv/sites/hall.ini")};
    command(kCmdOpenEnvironment);
    ASSERT_EQ(view->calls.size(), 1u);
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("TESSALY"));

    view->saveSucceeds = false;
    prompts->paths = {QStringLiteral("/nonexistent/dir/site.ini")};
    command(kCmdSaveEnvironment);
    ASSERT_EQ(view->calls.size(), 2u);
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("TESSALY"));
}

TEST_F(MainFrameTest, CancelledOpenDoesNothing) {
    command(kCmdOpenEnvironment);
    EXPECT_TRUE(view->calls.empty());
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("TESSALY"));
}

TEST_F(MainFrameTest, SaveAsksForAnIniPathAndSendsIt) {
    prompts->paths = {QStringLiteral("/tmp/stage.ini")};
    command(kCmdSaveEnvironment);
    ASSERT_EQ(view->calls.size(), 1u);
    EXPECT_EQ(view->calls[0].path, QStringLiteral("/tmp/stage.ini"));
    EXPECT_TRUE(view->calls[0].duringDispatch);
    EXPECT_EQ(prompts->shown, QStringList{QStringLiteral("Save File")});
    EXPECT_EQ(prompts->lastSuffix, QStringLiteral("ini"));
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("TESSALY - [stage.ini]"));
}

TEST_F(MainFrameTest, DisplayCommandsAreStoredAndPosted) {
    command(kCmdLayoutMode, kLayoutSmallVertical);
    EXPECT_EQ(displayState().layoutMode, kLayoutSmallVertical);
    command(kCmdLayoutMode, 7); // no such layout: ignored
    EXPECT_EQ(displayState().layoutMode, kLayoutSmallVertical);
    command(kCmdMonitorMatrix, 0);
    frame.move(frame.pos() + QPoint(15, 10));
    deliverPosted();

    ASSERT_GE(view->calls.size(), 3u);
    EXPECT_EQ(view->calls[0].code, kCmdLayoutMode);
    EXPECT_EQ(view->calls[0].value, kLayoutSmallVertical);
    EXPECT_EQ(view->calls[1].code, kCmdMonitorMatrix);
    EXPECT_EQ(view->calls[2].code, kEvMainWindowMoved);
    for (const ViewCall& call : view->calls) {
        EXPECT_FALSE(call.duringDispatch) << call.code;
    }
}

TEST_F(MainFrameTest, RfUnitToggleAlternatesUnitAndMenuText) {
    const QString& label =
        frame.findChild<CDlgBarMenu*>()->viewMenu()->items()[CDlgMenuView::RfMonitor].label;
    EXPECT_EQ(label, QStringLiteral("RF Monitor mW"));
    command(kCmdRfUnit, kSwitchToggle);
    EXPECT_EQ(displayState().rfUnit, kRfUnitMw);
    EXPECT_EQ(label, QStringLiteral("RF Monitor dBm"));
    command(kCmdRfUnit, kSwitchToggle);
    EXPECT_EQ(displayState().rfUnit, kRfUnitDbm);
    EXPECT_EQ(label, QStringLiteral("RF Monitor mW"));
    command(kCmdRfUnit, kRfUnitMw);
    EXPECT_EQ(displayState().rfUnit, kRfUnitMw);

    ASSERT_EQ(view->calls.size(), 3u);
    EXPECT_EQ(view->calls[0].value, kRfUnitMw);
    EXPECT_EQ(view->calls[1].value, kRfUnitDbm);
    EXPECT_EQ(view->calls[2].value, kRfUnitMw);
    EXPECT_FALSE(view->calls[0].duringDispatch);
}

TEST_F(MainFrameTest, MonitoringSwitchUpdatesFlagViewAndMenus) {
    programReceiverTable().count = 2;
    command(kEvRefreshMenus);
    const auto& fileItems = frame.findChild<CDlgBarMenu*>()->fileMenu()->items();
    EXPECT_EQ(fileItems[CDlgMenuFile::Upload].enabled, 1);

    command(kCmdMonitorStartStop, kSwitchToggle);
    EXPECT_EQ(programFlags().monitoring, 1);
    EXPECT_EQ(fileItems[CDlgMenuFile::Upload].enabled, 0);
    EXPECT_TRUE(frame.findChild<CDlgBarMenu*>()->lampOn());
    command(kCmdMonitorStartStop, kSwitchOff);
    EXPECT_EQ(programFlags().monitoring, 0);
    EXPECT_EQ(fileItems[CDlgMenuFile::Upload].enabled, 1);

    ASSERT_EQ(view->calls.size(), 2u);
    EXPECT_EQ(view->calls[0].code, kCmdMonitorStartStop);
    EXPECT_EQ(view->calls[0].value, 1);
    EXPECT_EQ(view->calls[1].value, 0);
    EXPECT_FALSE(view->calls[1].duringDispatch);
}

TEST_F(MainFrameTest, AboutHelpAndUnknownCodes) {
    command(kCmdAbout);
    command(kCmdAboutAlt);
    EXPECT_EQ(desktop->aboutRuns, 2);
    for (const int code : {3004, 3010, 3025, 3035, 2006}) {
        command(code, 1);
    }
    EXPECT_TRUE(view->calls.empty());
    EXPECT_TRUE(prompts->shown.isEmpty());
}

TEST_F(MainFrameTest, HelpIsFoundFromTheStartDirectoryWhereverWeAreNow) {
    QTemporaryDir startDir;
    QTemporaryDir elsewhere;
    programSettings().directory = startDir.path().toStdString();
    programSettings().helpUrl = "docs\\Tessaly_e.chm";
    const QString before = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());

    command(kCmdHelp);
    const QString after = QDir::currentPath();
    QDir::setCurrent(before);

    ASSERT_EQ(desktop->openedUrls.size(), 1u);
    EXPECT_EQ(desktop->openedUrls[0], QUrl::fromLocalFile(startDir.path() + "/docs/Tessaly_e.chm"));
    EXPECT_EQ(after, QDir(elsewhere.path()).canonicalPath());
}

TEST_F(MainFrameTest, ExitClosesAtOnceWithoutChanges) {
    command(kCmdExit);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_TRUE(prompts->shown.isEmpty());
}

TEST_F(MainFrameTest, ClosePromptCancelAndCancelledSaveKeepTheWindow) {
    programFlags().modified = 1;
    prompts->answers = {PromptAnswer::Cancel};
    requestClose();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(prompts->shown, QStringList{QStringLiteral("Do you want save the changes?")});
    EXPECT_EQ(prompts->lastButtons, PromptButtons::YesNoCancel);
    EXPECT_EQ(prompts->lastIcon, PromptIcon::Question);

    prompts->answers = {PromptAnswer::Yes};
    requestClose(); // save dialog cancelled
    EXPECT_TRUE(frame.isVisible());
    EXPECT_TRUE(view->calls.empty());
}

TEST_F(MainFrameTest, FailedSaveKeepsTheWindowAndTheChanges) {
    programFlags().modified = 1;
    view->saveSucceeds = false;
    prompts->answers = {PromptAnswer::Yes};
    prompts->paths = {QStringLiteral("/nonexistent/dir/site.ini")};
    requestClose();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(programFlags().modified, 1);
    ASSERT_EQ(view->calls.size(), 1u);
    EXPECT_EQ(view->calls[0].code, kCmdSaveEnvironment);

    // The operator tries again and the save works this time.
    view->saveSucceeds = true;
    prompts->answers = {PromptAnswer::Yes};
    prompts->paths = {QStringLiteral("/tmp/site.ini")};
    requestClose();
    EXPECT_FALSE(frame.isVisible());
}

TEST_F(MainFrameTest, NoClosesWithoutSaving) {
    programFlags().modified = 1;
    prompts->answers = {PromptAnswer::No};
    requestClose();
    EXPECT_FALSE(frame.isVisible());
    EXPECT_TRUE(view->calls.empty());
}

namespace {

// Two receivers; the second's name waits to be sent.
void pendingRename() {
    ReceiverTable& table = programReceiverTable();
    table.count = 2;
    table.byNumber(2).name = "LEAD";
    table.byNumber(2).nameChanged = 1;
    knownReceiverValues().count = 2;
    knownReceiverValues().byNumber(2).name = "SPARE";
}

struct StartAnswer {
    int button;
    int monitoring;  // afterwards
    int nameChanged; // receiver 2's pending flag afterwards
};

class StartDialogTest : public MainFrameTest, public ::testing::WithParamInterface<StartAnswer> {};

} // namespace

TEST_P(StartDialogTest, PendingChangesAreListedAndTheAnswerDecides) {
    pendingRename();
    prompts->choices = {GetParam().button};
    command(kCmdMonitorStartStop, kSwitchToggle);
    ASSERT_EQ(prompts->choiceRequests.size(), 1u);
    const ChoiceRequest& asked = prompts->choiceRequests[0];
    EXPECT_EQ(asked.buttons, (QStringList{"Send and Start", "Start without sending", "Cancel"}));
    ASSERT_EQ(asked.rows.size(), 1);
    EXPECT_EQ(asked.rows[0], (QStringList{"2", "LEAD", "Name: SPARE -> LEAD"}));
    EXPECT_EQ(programFlags().monitoring, GetParam().monitoring);
    EXPECT_EQ(programReceiverTable().byNumber(2).nameChanged, GetParam().nameChanged);
    EXPECT_EQ(view->calls.size(), static_cast<size_t>(GetParam().monitoring));
}

INSTANTIATE_TEST_SUITE_P(Answers, StartDialogTest,
                         ::testing::Values(StartAnswer{0, 1, 1}, StartAnswer{1, 1, 0},
                                           StartAnswer{2, 0, 1}));

TEST_F(MainFrameTest, StartWithNothingPendingAsksNothing) {
    programReceiverTable().count = 2;
    command(kCmdMonitorStartStop, kSwitchToggle);
    EXPECT_TRUE(prompts->choiceRequests.empty());
    EXPECT_EQ(programFlags().monitoring, 1);
}

namespace {

struct GuardedCommand {
    int code;
    int value;
    const char* action;
};

// Monitoring two receivers under the show lock.
class LockedShow : public MainFrameTest {
protected:
    LockedShow() {
        programReceiverTable().count = 2;
        command(kCmdMonitorStartStop, kSwitchOn);
        command(kCmdShowLock);
        view->calls.clear();
        prompts->shown.clear();
    }
};

class ShowLockTest : public LockedShow, public ::testing::WithParamInterface<GuardedCommand> {};

} // namespace

TEST_P(ShowLockTest, GuardedCommandIsRefusedWithANotice) {
    prompts->paths = {"/tmp/x.ini"};
    command(GetParam().code, GetParam().value);
    EXPECT_EQ(prompts->shown,
              QStringList{QString::fromLatin1(kLockedNoticeFormat).arg(GetParam().action)});
    EXPECT_TRUE(view->calls.empty());
    EXPECT_EQ(programFlags().monitoring, 1);
    EXPECT_TRUE(frame.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ShowLockTest,
    ::testing::Values(GuardedCommand{kCmdOpenEnvironment, 0, "Open"},
                      GuardedCommand{kCmdSaveEnvironment, 0, "Save As"},
                      GuardedCommand{kCmdReceiverConfig, 0, "Receiver Configuration"},
                      GuardedCommand{kCmdUpload, 0, "Upload"},
                      GuardedCommand{kCmdDownload, 0, "Download"},
                      GuardedCommand{kCmdMonitorStartStop, kSwitchToggle, "Stop"},
                      GuardedCommand{kCmdMonitorStartStop, kSwitchOff, "Stop"},
                      GuardedCommand{kCmdExit, 0, "Exit"}));

TEST_F(LockedShow, ClosingTheWindowIsRefusedAndTheBarShowsTheLock) {
    EXPECT_TRUE(frame.findChild<CDlgBarMenu*>()->showLocked());
    EXPECT_EQ(frame.findChild<CDlgBarMenu*>()->viewMenu()->items()[CDlgMenuView::ShowLock].label,
              "Unlock Show...");
    requestClose();
    EXPECT_TRUE(frame.isVisible());
    command(kCmdRfUnit, kSwitchToggle); // the display still answers
    EXPECT_EQ(view->calls.size(), 1u);
}

TEST_F(LockedShow, LockTakenWhileMonitoringSurvivesARestartUntilReleased) {
    const std::string path = showLock().statePath();
    ShowLock restarted(path);
    EXPECT_TRUE(restarted.restore());

    prompts->answers = {PromptAnswer::Cancel};
    command(kCmdShowLock);
    EXPECT_TRUE(showLock().locked()) << "unlocking asks first";
    prompts->answers = {PromptAnswer::Ok};
    command(kCmdShowLock);
    EXPECT_FALSE(showLock().locked());
    EXPECT_FALSE(frame.findChild<CDlgBarMenu*>()->showLocked());
    EXPECT_FALSE(ShowLock(path).restore());

    command(kCmdMonitorStartStop, kSwitchOff);
    command(kCmdShowLock);
    EXPECT_FALSE(ShowLock(path).restore()) << "a lock taken while stopped is not remembered";
    command(kCmdMonitorStartStop, kSwitchOn);
    EXPECT_TRUE(ShowLock(path).restore()) << "until monitoring starts under it";
}

TEST_F(LockedShow, ThePinOfTheSettingsIsAskedForAndChecked) {
    programSettings().lockPin = "4711";
    prompts->answers = {PromptAnswer::Ok, PromptAnswer::Ok};
    prompts->texts = {QStringLiteral("1234")};
    command(kCmdShowLock);
    EXPECT_TRUE(showLock().locked());
    EXPECT_TRUE(prompts->lastSecret);
    EXPECT_EQ(prompts->shown.back(), QString::fromLatin1(kWrongPinText));

    prompts->answers = {PromptAnswer::Ok};
    prompts->texts = {std::nullopt};
    command(kCmdShowLock);
    EXPECT_TRUE(showLock().locked()) << "a cancelled PIN keeps the lock";

    prompts->answers = {PromptAnswer::Ok};
    prompts->texts = {QStringLiteral("4711")};
    command(kCmdShowLock);
    EXPECT_FALSE(showLock().locked());
}

// A frame that makes its own view hands it the frame's prompts, and the view hands them on to its
// file commands: Upload asks through them.
TEST(MainFrameOwnView, AsksThroughTheFramesPrompts) {
    auto prompts = std::make_shared<ScriptedPrompts>();
    CMainFrame frame(nullptr, nullptr, std::make_shared<RecordingDesktop>(), prompts);
    frame.onCommand(kCmdUpload, 0);
    EXPECT_EQ(prompts->shown, QStringList{kUploadConfirmText});
}

// Shells find the icon through the installed desktop entry; Qt must not append a display name
// to the window titles.
TEST(ApplicationIdentity, NamesTheInstalledDesktopEntry) {
    setApplicationIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.tessaly.Tessaly"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("Tessaly"));
}
