#include "monitor/panel_actions.h"

#include "chrome/key_in.h"
#include "chrome/menu_commands.h"
#include "comm/app_message.h"
#include "comm/message_codes.h"
#include "comm/monitor_engine.h"
#include "dialogs/dlg_disp_receiver_inf.h"
#include "dialogs/dlg_set_comment.h"
#include "dialogs/dlg_tool_set_matrix.h"
#include "monitor/corvane_view.h"
#include "monitor/monitor_control.h"
#include "monitor/monitor_layout.h"
#include "protocol/bands.h"
#include "protocol/frequency.h"
#include "protocol/program_flags.h"
#include "sim/simulator.h"
#include "tests/monitor/synthetic_panel_images.h"
#include "tests/support/wait_until.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace tessaly;
using tessaly::testing::waitUntil;

namespace {

using PostedEvents = std::vector<std::pair<int, int>>; // receiver number, code

class RecordingEngine : public IMonitorEngine {
public:
    RecordingEngine(PostedEvents& events, int number) : events_(events), number_(number) {}
    void post(int code, qintptr) override { events_.emplace_back(number_, code); }
    void requestQuit() override { quit_ = true; }
    bool hasEnded() const override { return quit_; }

private:
    PostedEvents& events_;
    int number_;
    bool quit_ = false;
};

// Editors that note what was opened, with which parameters, and give the prepared answers.
struct FakeEditors {
    PanelArea opened = PanelArea::None;
    bool informationShown = false;
    int openedFor = 0;
    int opens = 0;
    bool monitoringSeen = false;
    PanelEditorPlacement placement;
    uint32_t initialColour = 0;
    QString commentSeen;
    QString nameSeen;

    std::optional<ReceiverRecord> nameAnswer;
    std::optional<QString> commentAnswer;
    std::optional<ReceiverRecord> frequencyAnswer;
    std::optional<uint32_t> colourAnswer;
    std::optional<ReceiverRecord> settingsAnswer;
    std::function<void(DisplayState&)> matrixAnswer;

    void clear() {
        opened = PanelArea::None;
        informationShown = false;
        openedFor = 0;
        opens = 0;
    }
    void noteOpen(PanelArea area, int number) {
        opened = area;
        openedFor = number;
        ++opens;
    }

    PanelEditors editors() {
        PanelEditors e;
        e.editName = [this](QWidget*, const PanelEditorPlacement& at, bool monitoring, int number,
                            const ReceiverTable&) {
            noteOpen(PanelArea::Name, number);
            placement = at;
            monitoringSeen = monitoring;
            return nameAnswer;
        };
        e.editComment = [this](QWidget*, int number, const QString& comment, const QString& name) {
            noteOpen(PanelArea::Memo, number);
            commentSeen = comment;
            nameSeen = name;
            return commentAnswer;
        };
        e.pickFrequency = [this](QWidget*, bool monitoring, int number, const ReceiverTable&,
                                 const PanelEditorPlacement& at) {
            noteOpen(PanelArea::Frequency, number);
            placement = at;
            monitoringSeen = monitoring;
            return frequencyAnswer;
        };
        e.pickColour = [this](QWidget*, uint32_t initial) {
            noteOpen(PanelArea::ColourTab, 0);
            initialColour = initial;
            return colourAnswer;
        };
        e.editSettings = [this](QWidget*, bool monitoring, int number, const ReceiverTable&) {
            noteOpen(PanelArea::Meters, number);
            monitoringSeen = monitoring;
            return settingsAnswer;
        };
        e.showInformation = [this](QWidget*, int number, const ReceiverRecord&) {
            noteOpen(PanelArea::Meters, number);
            informationShown = true;
        };
        e.setMatrix = [this](QWidget*, DisplayState& display) {
            ++opens;
            if (matrixAnswer) {
                matrixAnswer(display);
            }
        };
        return e;
    }
};

ReceiverTable stageTable(int count) {
    ReceiverTable table;
    table.count = count;
    for (int n = 1; n <= count; ++n) {
        ReceiverRecord& record = table.byNumber(n);
        record.name = "MIC" + std::to_string(n);
        record.setFrequencyText(khzToText(710125 + 250 * (n - 1)));
        record.comment = n == 2 ? "spare pack" : "";
    }
    return table;
}

const HitRect& areaOf(const PanelHitAreas& hit, PanelArea area) {
    switch (area) {
    case PanelArea::Name:
        return hit.name;
    case PanelArea::Memo:
        return hit.memo;
    case PanelArea::Frequency:
        return hit.frequency;
    case PanelArea::ColourTab:
        return hit.colourTab;
    case PanelArea::Meters:
        return hit.meters;
    default:
        return hit.battery;
    }
}

// A content point inside `area` of the panel and inside none of the `excluded` areas (some
// overlap: the memo icon of the vertical panels lies inside the frequency area).
std::optional<QPoint> pointIn(const PanelHitAreas& hit, PanelArea area,
                              const std::vector<PanelArea>& excluded) {
    const HitRect& target = areaOf(hit, area);
    std::vector<QPoint> candidates;
    for (int y = target.top; y <= target.bottom; ++y) {
        for (int x = target.left; x <= target.right; ++x) {
            bool elsewhere = false;
            for (PanelArea other : excluded) {
                elsewhere = elsewhere || areaOf(hit, other).contains({x, y});
            }
            if (!elsewhere) {
                candidates.emplace_back(x, y);
            }
        }
    }
    if (candidates.empty()) {
        return std::nullopt;
    }
    return candidates[candidates.size() / 2];
}

// The areas tried before `area` when the view is in the given state; all of the state's areas
// for one that does not act in it.
std::vector<PanelArea> areasTriedBefore(PanelArea area, bool monitoring) {
    const std::vector<PanelArea> order =
        monitoring
            ? std::vector<PanelArea>{PanelArea::Memo, PanelArea::ColourTab, PanelArea::Meters,
                                     PanelArea::Battery}
            : std::vector<PanelArea>{PanelArea::Name,      PanelArea::Memo,   PanelArea::Frequency,
                                     PanelArea::ColourTab, PanelArea::Meters, PanelArea::Battery};
    const auto at = std::find(order.begin(), order.end(), area);
    return {order.begin(), at};
}

class PanelActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        displayState() = DisplayState{};
        programReceiverTable().reset();
        programMonitorValues().reset();
        programFlags().modified = 0;
        view = std::make_unique<CCorvaneView>(nullptr, [this](int number) {
            return std::make_unique<RecordingEngine>(posted, number);
        });
        view->resize(1280, 720);
        view->onInitialUpdate();
        view->panelActions().setEditors(fake.editors());
    }
    void TearDown() override {
        view.reset();
        programReceiverTable().reset();
        programFlags().modified = 0;
    }

    void showMode(int mode, int receivers, bool monitoring) {
        view->control().handleCommand(kCmdLayoutMode, mode);
        view->control().takeOverTable(stageTable(receivers), false);
        if (view->control().monitoring() != monitoring) {
            view->control().handleCommand(kCmdMonitorStartStop, monitoring ? 1 : 0);
        }
        programFlags().modified = 0;
        posted.clear();
        fake.clear();
    }

    void click(QPoint client) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(client),
                          QPointF(view->viewport()->mapToGlobal(client)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &press);
    }

    // Clicks the panel's area at a point that no area tried before it holds. False when there
    // is none: an area that does not act while monitoring may lie wholly under one that does
    // (the colour tab of the horizontal panels spans their name).
    bool clickArea(int number, PanelArea area) {
        const std::optional<QPoint> point =
            pointIn(view->renderer().panel(number).hit, area,
                    areasTriedBefore(area, view->control().monitoring()));
        if (point) {
            click(*point - view->scrollPosition());
        }
        return point.has_value();
    }

    int postedTo(int number, int code) const {
        int n = 0;
        for (const auto& [receiver, posted] : posted) {
            n += receiver == number && posted == code ? 1 : 0;
        }
        return n;
    }

    PostedEvents posted;
    FakeEditors fake;
    std::unique_ptr<CCorvaneView> view;
};

} // namespace

TEST_F(PanelActionsTest, StoppedClicksOpenTheEditorOfEachAreaInEveryMode) {
    view->panelActions().setDebug(true);
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        showMode(mode, 3, false);
        for (PanelArea area :
             {PanelArea::Name, PanelArea::Memo, PanelArea::Frequency, PanelArea::Meters}) {
            fake.clear();
            ASSERT_TRUE(clickArea(2, area));
            EXPECT_EQ(fake.opened, area);
            EXPECT_EQ(fake.openedFor, 2);
            EXPECT_FALSE(fake.informationShown);
        }
        fake.clear();
        ASSERT_TRUE(clickArea(2, PanelArea::ColourTab));
        EXPECT_EQ(fake.opened, PanelArea::ColourTab);

        fake.clear();
        ASSERT_TRUE(clickArea(2, PanelArea::Battery));
        EXPECT_EQ(fake.opens, 0);
        EXPECT_EQ(posted, (PostedEvents{{2, kEvMonitorShowTrace}}));
    }
}

TEST_F(PanelActionsTest, WhileMonitoringOnlyMemoColourMetersAndDebugBatteryAct) {
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        showMode(mode, 3, true);
        view->panelActions().setDebug(false);
        const bool nameUncovered = clickArea(3, PanelArea::Name);
        EXPECT_TRUE(nameUncovered || !isVerticalMode(mode));
        clickArea(3, PanelArea::Frequency);
        ASSERT_TRUE(clickArea(3, PanelArea::Battery));
        EXPECT_EQ(fake.opens, 0);
        EXPECT_EQ(postedTo(3, kEvMonitorShowTrace), 0);

        ASSERT_TRUE(clickArea(3, PanelArea::Memo));
        EXPECT_EQ(fake.opened, PanelArea::Memo);
        ASSERT_TRUE(clickArea(3, PanelArea::ColourTab));
        EXPECT_EQ(fake.opened, PanelArea::ColourTab);
        fake.clear();
        ASSERT_TRUE(clickArea(3, PanelArea::Meters));
        EXPECT_TRUE(fake.informationShown);
        EXPECT_EQ(fake.openedFor, 3);

        view->panelActions().setDebug(true);
        ASSERT_TRUE(clickArea(3, PanelArea::Battery));
        EXPECT_EQ(postedTo(3, kEvMonitorShowTrace), 1);
    }
}

TEST_F(PanelActionsTest, EdgesNegativePointsAndAnEmptyTable) {
    showMode(kLayoutLargeHorizontal, 3, false);
    const HitRect memo = view->renderer().panel(2).hit.memo;
    click({memo.right, (memo.top + memo.bottom) / 2});
    EXPECT_EQ(fake.opened, PanelArea::Memo);
    EXPECT_EQ(fake.openedFor, 2);
    EXPECT_EQ(fake.commentSeen, QStringLiteral("spare pack"));
    EXPECT_EQ(fake.nameSeen, QStringLiteral("MIC2"));

    // Unscrolled Large Vertical: the strip's width plus the name's x is the name's first column.
    showMode(kLayoutLargeVertical, 3, false);
    click({28 + 4, 588});
    EXPECT_EQ(fake.opened, PanelArea::Name);
    EXPECT_EQ(fake.openedFor, 1);

    fake.clear();
    click({-1, 588});
    EXPECT_EQ(fake.opens, 0);
    // Scrolled far enough, the content point of a negative client point would hit a panel.
    EXPECT_EQ(panelClickAt(view->renderer(), {-5, 588}, {100, 0}, false, false).receiverNumber, 0);
    EXPECT_EQ(panelClickAt(view->renderer(), {32, -1}, {0, 589}, false, false).receiverNumber, 0);

    showMode(kLayoutLargeVertical, 0, false);
    click({28 + 4, 588});
    click({28 + 40, 300});
    EXPECT_EQ(fake.opens, 0);
}

TEST_F(PanelActionsTest, ScrolledClickFindsItsPanelAndAnchorsTheNameEditorOnScreen) {
    showMode(kLayoutLargeHorizontal, 12, false);
    QScrollBar* vertical = view->verticalScrollBar();
    ASSERT_GE(vertical->maximum(), 3 * 96);
    vertical->setValue(3 * 96);
    const QPoint scroll = view->scrollPosition();
    ASSERT_EQ(scroll, QPoint(0, 3 * 96));

    const HitRect name = view->renderer().panel(5).hit.name;
    click(QPoint(name.left + 10, name.top + 5) - scroll);
    ASSERT_EQ(fake.opened, PanelArea::Name);
    EXPECT_EQ(fake.openedFor, 5);
    EXPECT_FALSE(fake.monitoringSeen);
    EXPECT_EQ(fake.placement.anchor,
              view->viewport()->mapToGlobal(QPoint(name.left, name.top) - scroll));
    EXPECT_EQ(fake.placement.width, 112);
    EXPECT_EQ(fake.placement.height, 20);
    EXPECT_EQ(fake.placement.fontHeight, 12);

    // The small name areas are 16 high: the editor is never lower than 18.
    showMode(kLayoutSmallVertical, 3, false);
    ASSERT_TRUE(clickArea(1, PanelArea::Name));
    EXPECT_EQ(fake.placement.width, 88);
    EXPECT_EQ(fake.placement.height, 18);
}

TEST_F(PanelActionsTest, FrequencyPickerPlacementFollowsTheLayoutDirection) {
    showMode(kLayoutLargeHorizontal, 2, false);
    HitRect area = view->renderer().panel(2).hit.frequency;
    ASSERT_TRUE(clickArea(2, PanelArea::Frequency));
    ASSERT_EQ(fake.opened, PanelArea::Frequency);
    EXPECT_EQ(fake.placement.anchor, view->viewport()->mapToGlobal(QPoint(area.left, area.top)));
    EXPECT_EQ(fake.placement.width, 110);
    EXPECT_EQ(fake.placement.height, 20);
    EXPECT_EQ(fake.placement.fontHeight, 13);
    EXPECT_EQ(fake.placement.variant, 0);

    // Vertical panels: the area covers the "MHz" line (12 + 11 high); the picker is wider,
    // further left and lower than that.
    showMode(kLayoutLargeVertical, 2, false);
    area = view->renderer().panel(2).hit.frequency;
    ASSERT_TRUE(clickArea(2, PanelArea::Frequency));
    ASSERT_EQ(fake.opened, PanelArea::Frequency);
    EXPECT_EQ(fake.placement.anchor,
              view->viewport()->mapToGlobal(QPoint(area.left - 8, area.top)));
    EXPECT_EQ(fake.placement.width, 52 + 32);
    EXPECT_EQ(fake.placement.height, 12 + 11 - 8);
    EXPECT_EQ(fake.placement.fontHeight, 12);
    EXPECT_EQ(fake.placement.variant, 1);
}

TEST_F(PanelActionsTest, AcceptedTextsAreTakenIntoTheProgramTableWithTheirFlags) {
    showMode(kLayoutSmallHorizontal, 3, false);
    ReceiverTable& table = programReceiverTable();

    ReceiverRecord named;
    named.name = "LEAD";
    named.nameChanged = 1;
    named.setFrequencyText("999.999"); // not the editor's business: must not be taken
    fake.nameAnswer = named;
    ASSERT_TRUE(clickArea(2, PanelArea::Name));
    EXPECT_EQ(table.byNumber(2).name, "LEAD");
    EXPECT_EQ(table.byNumber(2).nameChanged, 1);
    EXPECT_EQ(table.byNumber(2).freqKhz, 710375);
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_EQ(view->renderer().panel(2).cache.name, "LEAD"); // redrawn at once

    programFlags().modified = 0;
    ReceiverRecord tuned;
    tuned.freqText = "711.500";
    tuned.freqKhz = 1; // the text decides the kHz value
    tuned.freqChanged = 1;
    fake.frequencyAnswer = tuned;
    ASSERT_TRUE(clickArea(3, PanelArea::Frequency));
    EXPECT_EQ(table.byNumber(3).freqText, "711.500");
    EXPECT_EQ(table.byNumber(3).freqKhz, 711500);
    EXPECT_EQ(table.byNumber(3).freqChanged, 1);
    EXPECT_EQ(table.byNumber(3).name, "MIC3");
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_EQ(view->renderer().panel(3).cache.freqKhz, 711500);

    programFlags().modified = 0;
    const QImage before = view->renderer().contentImage();
    fake.commentAnswer = QStringLiteral("new pack\r\nat 9");
    ASSERT_TRUE(clickArea(1, PanelArea::Memo));
    EXPECT_EQ(table.byNumber(1).comment, "new pack\r\nat 9");
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_NE(view->renderer().contentImage(), before); // the memo icon now shows a comment
}

TEST_F(PanelActionsTest, ColourAndSettingsAreTakenOverAndCancelChangesNothing) {
    showMode(kLayoutLargeVertical, 3, false);
    ReceiverTable& table = programReceiverTable();
    const std::array<uint32_t, 4> coloursBefore = table.byNumber(1).colors;

    // Every dialog cancelled: nothing changes.
    for (PanelArea area : {PanelArea::Name, PanelArea::Memo, PanelArea::Frequency,
                           PanelArea::ColourTab, PanelArea::Meters}) {
        ASSERT_TRUE(clickArea(1, area));
    }
    EXPECT_EQ(fake.opens, 5);
    EXPECT_EQ(programFlags().modified, 0);
    EXPECT_EQ(table.byNumber(1).name, "MIC1");
    EXPECT_EQ(table.byNumber(1).comment, "");
    EXPECT_EQ(table.byNumber(1).colors, coloursBefore);
    EXPECT_EQ(table.byNumber(1).nameChanged + table.byNumber(1).freqChanged +
                  table.byNumber(1).rxtxChanged,
              0);

    fake.colourAnswer = 0x0040C0FEu;
    ASSERT_TRUE(clickArea(1, PanelArea::ColourTab));
    EXPECT_EQ(fake.initialColour, coloursBefore[0]);
    EXPECT_EQ(table.byNumber(1).colors[0], 0x0040C0FEu);
    EXPECT_EQ(table.byNumber(1).colors[3], 0x0020607Fu);
    EXPECT_EQ(table.byNumber(1).colors[1], coloursBefore[1]);
    EXPECT_EQ(programFlags().modified, 1);
    // Stopped panels keep their silver texts after the rebuild.
    EXPECT_EQ(view->renderer().panel(1).cache.name, "MIC1");

    programFlags().modified = 0;
    ReceiverRecord settings;
    settings.name = "OTHER";
    settings.afVolume = 3;
    settings.lineMic = 0;
    settings.antennaSwitch = 1;
    settings.rxKeyLock = 1;
    settings.rxKeyLockPin = 1234;
    settings.squelch = 25;
    settings.rfPower = 2;
    settings.micGain = 6;
    settings.txKeyLock = 1;
    settings.batteryKind = 1;
    settings.rxtxChanged = 1;
    fake.settingsAnswer = settings;
    ASSERT_TRUE(clickArea(2, PanelArea::Meters));
    const ReceiverRecord& record = table.byNumber(2);
    EXPECT_EQ(
        std::vector<int>({record.afVolume, record.lineMic, record.antennaSwitch, record.rxKeyLock,
                          record.rxKeyLockPin, record.squelch, record.rfPower, record.micGain,
                          record.txKeyLock, record.batteryKind, record.rxtxChanged}),
        std::vector<int>({3, 0, 1, 1, 1234, 25, 2, 6, 1, 1, 1}));
    EXPECT_EQ(record.name, "MIC2");
    EXPECT_EQ(programFlags().modified, 1);
}

TEST_F(PanelActionsTest, ResultOfADialogWhoseReceiverWentAwayIsDropped) {
    showMode(kLayoutLargeHorizontal, 3, false);
    ReceiverRecord named;
    named.name = "GONE";
    named.nameChanged = 1;
    fake.nameAnswer = named;
    PanelEditors editors = fake.editors();
    const auto editName = editors.editName;
    editors.editName = [this, editName](QWidget* parent, const PanelEditorPlacement& at,
                                        bool monitoring, int number, const ReceiverTable& copy) {
        view->control().takeOverTable(stageTable(1), false); // while the editor was open
        return editName(parent, at, monitoring, number, copy);
    };
    view->panelActions().setEditors(editors);
    ASSERT_TRUE(clickArea(3, PanelArea::Name));
    EXPECT_EQ(fake.openedFor, 3);
    EXPECT_NE(programReceiverTable().byNumber(3).name, "GONE");
    EXPECT_EQ(programReceiverTable().byNumber(3).nameChanged, 0);
    EXPECT_EQ(programFlags().modified, 0);
}

TEST_F(PanelActionsTest, MatrixChangeOfTheCurrentModeRebuildsAndFitsTheWindowAtOnce) {
    QWidget mainWindow;
    view->setParent(&mainWindow);
    view->move(0, 0);
    mainWindow.resize(1280, 720);
    mainWindow.show();
    displayState().matrix[kLayoutLargeHorizontal] = {30, 2};
    showMode(kLayoutLargeHorizontal, 35, false);
    ASSERT_EQ(view->renderer().extent().rows, 30);

    mainWindow.resize(500, 300);
    const QRect byHand = mainWindow.frameGeometry();
    view->control().rememberWindowRect();
    view->control().setAllFitFlags(kRestoreWindow);

    fake.matrixAnswer = [](DisplayState& display) {
        display.matrix[kLayoutLargeHorizontal] = {40, 2};
        display.matrix[kLayoutSmallHorizontal] = {20, 3};
    };
    sendAppMessage(view.get(), kCmdMonitorMatrix);
    EXPECT_EQ(fake.opens, 1);
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_EQ(view->renderer().extent().rows, 35); // rebuilt with 40 rows for 35 receivers
    EXPECT_NE(mainWindow.size(), QSize(500, 300)); // fitted to the new layout
    EXPECT_EQ(view->control().fitFlag(kLayoutLargeHorizontal), kRestoreWindow); // consumed
    EXPECT_EQ(view->control().fitFlag(kLayoutSmallHorizontal), kFitWindow);
    EXPECT_EQ(view->control().fitFlag(kLayoutLargeVertical), kRestoreWindow);
    EXPECT_EQ(view->control().savedWindowRect(kLayoutLargeHorizontal), byHand);
    view->setParent(nullptr);
}

TEST_F(PanelActionsTest, MatrixChangeElsewhereOrNoneLeavesTheLayout) {
    showMode(kLayoutLargeHorizontal, 5, false);
    view->control().setAllFitFlags(kRestoreWindow);
    const QImage before = view->renderer().contentImage();

    // Cancel, or OK with the same counts: not modified.
    view->panelActions().monitorMatrix();
    fake.matrixAnswer = [](DisplayState& display) {
        display.matrix[kLayoutLargeHorizontal] = {60, 5}; // derived number only
    };
    view->panelActions().monitorMatrix();
    EXPECT_EQ(programFlags().modified, 0);

    fake.matrixAnswer = [](DisplayState& display) {
        display.matrix[kLayoutLargeVertical] = {9, 7};
    };
    view->panelActions().monitorMatrix();
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_EQ(view->control().fitFlag(kLayoutLargeVertical), kFitWindow);
    EXPECT_EQ(view->control().fitFlag(kLayoutLargeHorizontal), kRestoreWindow);
    EXPECT_EQ(view->renderer().contentImage(), before);
    // The new pair is used when the mode is entered.
    view->control().handleCommand(kCmdLayoutMode, kLayoutLargeVertical);
    EXPECT_EQ(view->renderer().fill(), 7);
}

namespace {

// Answers the next modal dialog of type Dialog once it is up.
template <class Dialog> void answerNextDialog(std::function<void(Dialog*)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        }
    });
    poll->start(5);
}

} // namespace

TEST_F(PanelActionsTest, TheProgramsDialogsAnswerBehindTheSeam) {
    showMode(kLayoutLargeHorizontal, 3, true);
    view->panelActions().setEditors(panelEditorDialogs());

    answerNextDialog<CDlgSetComment>([](CDlgSetComment* dialog) {
        dialog->edit()->setPlainText(QStringLiteral("pack 4"));
        dialog->accept();
    });
    ASSERT_TRUE(clickArea(1, PanelArea::Memo));
    EXPECT_EQ(programReceiverTable().byNumber(1).comment, "pack 4");
    EXPECT_EQ(programFlags().modified, 1);

    int shownFor = 0;
    answerNextDialog<CDlgDispReceiverInf>([&shownFor](CDlgDispReceiverInf* dialog) {
        shownFor = dialog->receiverNumber();
        dialog->reject();
    });
    ASSERT_TRUE(clickArea(2, PanelArea::Meters));
    EXPECT_EQ(shownFor, 2);

    programFlags().modified = 0;
    answerNextDialog<CDlgToolSetMatrix>([](CDlgToolSetMatrix* dialog) {
        dialog->fillList(kLayoutLargeHorizontal)->setCurrentIndex(39); // 40
        dialog->accept();
    });
    sendAppMessage(view.get(), kCmdMonitorMatrix);
    EXPECT_EQ(displayState().matrix[kLayoutLargeHorizontal], (MatrixPair{40, 2}));
    EXPECT_EQ(view->renderer().fill(), 40);
    EXPECT_EQ(programFlags().modified, 1);
}

namespace {

class NoWindowHost : public IMonitorHost {
public:
    void layoutBuilt() override {}
    void invalidate() override {}
    bool hasMainWindow() const override { return false; }
    bool mainWindowMaximised() const override { return false; }
    QRect mainWindowRect() const override { return {}; }
    void placeMainWindow(const QRect&) override {}
    void resizeMainWindow(QSize) override {}
    PlatformMetrics platformMetrics() const override { return {}; }
    void imageCreationFailed() override {}
};

} // namespace

// Renamed and retuned while stopped, the receiver gets both once monitoring connects.
TEST(PanelActionsAgainstSimulator, EditsWhileStoppedReachTheReceiverWhenMonitoringStarts) {
    sim::Simulator simulator;
    sim::SimulatorOptions options;
    options.count = 2;
    options.port = 0;
    QString error;
    ASSERT_TRUE(simulator.start(options, &error)) << error.toStdString();

    ReceiverTable table;
    MonitorValueTable values;
    DisplayState display;
    table.pollIntervalMs = 30;
    table.answerTimeoutMs = 500;
    table.portNumber = simulator.port();
    EngineOptions engineOptions;
    engineOptions.ping = [](const QString&, int, int) { return 1; };
    engineOptions.reconnectDelayMs = 300;
    NoWindowHost host;
    CPanelRenderer renderer{tessaly::testing::syntheticPanelPng};
    CMonitorControl control(renderer, host, table, values, display,
                            monitorThreadFactory(&table, &values, engineOptions));
    control.initialUpdate(QSize(1920, 1080));

    ReceiverTable next;
    next.copyFrom(table);
    next.count = 2;
    const std::vector<int32_t> channels = channelValues(sim::kSimDefaultBand);
    ASSERT_GT(channels.size(), 5u);
    for (int n = 1; n <= 2; ++n) {
        ReceiverRecord& record = next.byNumber(n);
        record.ip = simulator.address(n).toString().toStdString();
        record.name = simulator.state(n).name;
        record.setFrequencyText(khzToText(simulator.state(n).freqKhz));
    }
    control.takeOverTable(next, false);
    ASSERT_FALSE(control.monitoring());

    const int32_t newKhz = channels[5] != simulator.state(2).freqKhz ? channels[5] : channels[6];
    FakeEditors fake;
    ReceiverRecord named;
    named.name = "LEAD";
    named.nameChanged = 1;
    fake.nameAnswer = named;
    ReceiverRecord tuned;
    tuned.freqText = khzToText(newKhz);
    tuned.freqChanged = 1;
    fake.frequencyAnswer = tuned;

    QWidget viewport;
    CPanelActions actions(viewport, control, table, display, fake.editors());
    for (PanelArea area : {PanelArea::Name, PanelArea::Frequency}) {
        const std::optional<QPoint> point =
            pointIn(renderer.panel(2).hit, area, areasTriedBefore(area, false));
        ASSERT_TRUE(point.has_value());
        actions.leftButtonDown(*point, {0, 0});
    }
    ASSERT_EQ(table.byNumber(2).name, "LEAD");
    ASSERT_EQ(table.byNumber(2).freqKhz, newKhz);
    EXPECT_NE(simulator.state(2).name, "LEAD"); // nothing is sent while stopped

    control.handleCommand(kCmdMonitorStartStop, kMonitoringStart);
    EXPECT_TRUE(waitUntil([&] {
        const sim::ReceiverState state = simulator.state(2);
        return state.name == "LEAD" && state.freqKhz == newKhz;
    }));
    EXPECT_NE(simulator.state(1).name, "LEAD");
    control.handleCommand(kCmdMonitorStartStop, kMonitoringStop);
    control.shutDown();
    simulator.stop();
}
