#include "monitor/panel_actions.h"

#include "chrome/key_in.h"
#include "chrome/menu_commands.h"
#include "chrome/user_prompts.h"
#include "comm/monitor_engine.h"
#include "core/app_message.h"
#include "core/message_codes.h"
#include "dialogs/dlg_disp_receiver_inf.h"
#include "dialogs/dlg_set_comment.h"
#include "dialogs/dlg_tool_set_matrix.h"
#include "monitor/corvane_view.h"
#include "monitor/monitor_control.h"
#include "monitor/monitor_layout.h"
#include "protocol/bands.h"
#include "protocol/frequency.h"
#include "protocol/program_flags.h"
#include "protocol/show_lock.h"
#include "tests/monitor/no_window_host.h"
#include "tests/monitor/synthetic_panel_images.h"
#include "tests/support/simulated_receivers.h"
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
#include <tuple>
#include <utility>
#include <vector>

using namespace tessaly;
using tessaly::testing::NoWindowHost;
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

// Editors that note what opened for which receiver, and give the prepared answers.
struct FakeEditors : IPanelEditors {
    std::vector<std::pair<PanelArea, int>> opened; // the meter area: settings or information
    bool informationShown = false;
    PanelEditorPlacement placement;
    uint32_t initialColour = 0;
    QString commentSeen, nameSeen;
    std::optional<ReceiverRecord> nameAnswer, frequencyAnswer, settingsAnswer;
    std::optional<QString> commentAnswer;
    bool commentKept = false; // the memo is closed with OK unchanged
    std::optional<uint32_t> colourAnswer;
    std::function<void(DisplayState&)> matrixAnswer;
    std::function<void()> whileNameEditorOpen;

    PanelArea last() const { return opened.empty() ? PanelArea::None : opened.back().first; }
    int lastFor() const { return opened.empty() ? 0 : opened.back().second; }

    std::optional<ReceiverRecord> editName(QWidget*, const PanelEditorPlacement& at, bool,
                                           int number, const ReceiverTable&) override {
        opened.emplace_back(PanelArea::Name, number);
        placement = at;
        if (whileNameEditorOpen) {
            whileNameEditorOpen();
        }
        return nameAnswer;
    }
    std::optional<QString> editComment(QWidget*, int number, const QString& comment,
                                       const QString& name) override {
        opened.emplace_back(PanelArea::Memo, number);
        commentSeen = comment;
        nameSeen = name;
        return commentKept ? std::optional<QString>(comment) : commentAnswer;
    }
    std::optional<ReceiverRecord> pickFrequency(QWidget*, bool, int number, const ReceiverTable&,
                                                const PanelEditorPlacement& at) override {
        opened.emplace_back(PanelArea::Frequency, number);
        placement = at;
        return frequencyAnswer;
    }
    std::optional<uint32_t> pickColour(QWidget*, uint32_t initial) override {
        opened.emplace_back(PanelArea::ColourTab, 0);
        initialColour = initial;
        return colourAnswer;
    }
    std::optional<ReceiverRecord> editSettings(QWidget*, bool, int number,
                                               const ReceiverTable&) override {
        opened.emplace_back(PanelArea::Meters, number);
        return settingsAnswer;
    }
    void showInformation(QWidget*, int number, const ReceiverRecord&) override {
        opened.emplace_back(PanelArea::Meters, number);
        informationShown = true;
    }
    void setMatrix(QWidget*, DisplayState& display) override {
        if (matrixAnswer) {
            matrixAnswer(display);
        }
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
        makeView(fake);
    }
    void makeView(std::shared_ptr<IPanelEditors> editors,
                  std::shared_ptr<CUserPrompts> prompts = systemPrompts()) {
        view.reset();
        view = std::make_unique<CCorvaneView>(
            nullptr,
            [this](int number) { return std::make_unique<RecordingEngine>(posted, number); },
            loadPanelPng, std::move(editors), nullptr, std::move(prompts));
        view->resize(1280, 720);
        view->onInitialUpdate();
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
        *fake = FakeEditors{};
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
    std::shared_ptr<FakeEditors> fake = std::make_shared<FakeEditors>();
    std::unique_ptr<CCorvaneView> view;
};

} // namespace

TEST_F(PanelActionsTest, EachStateOpensItsEditorsInEveryMode) {
    view->panelActions().setDebug(true);
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        showMode(mode, 3, false);
        for (PanelArea area : {PanelArea::Name, PanelArea::Memo, PanelArea::Frequency,
                               PanelArea::ColourTab, PanelArea::Meters, PanelArea::Battery}) {
            ASSERT_TRUE(clickArea(2, area));
        }
        using Opened = std::vector<std::pair<PanelArea, int>>;
        EXPECT_EQ(fake->opened, (Opened{{PanelArea::Name, 2},
                                        {PanelArea::Memo, 2},
                                        {PanelArea::Frequency, 2},
                                        {PanelArea::ColourTab, 0},
                                        {PanelArea::Meters, 2}}));
        EXPECT_FALSE(fake->informationShown); // the settings dialog, not the information
        EXPECT_EQ(posted, (PostedEvents{{2, kEvMonitorShowTrace}}));

        // Monitoring: the name and frequency do nothing (where no other area covers them: the
        // colour tab of the horizontal panels spans their name), nor does the battery without
        // comm/debug; the meters show the information.
        showMode(mode, 3, true);
        view->panelActions().setDebug(false);
        EXPECT_TRUE(clickArea(3, PanelArea::Name) || !isVerticalMode(mode));
        clickArea(3, PanelArea::Frequency);
        ASSERT_TRUE(clickArea(3, PanelArea::Battery));
        EXPECT_TRUE(fake->opened.empty());
        for (PanelArea area : {PanelArea::Memo, PanelArea::ColourTab, PanelArea::Meters}) {
            ASSERT_TRUE(clickArea(3, area));
            EXPECT_EQ(fake->last(), area);
        }
        EXPECT_TRUE(fake->informationShown);
        view->panelActions().setDebug(true);
        ASSERT_TRUE(clickArea(3, PanelArea::Battery));
        EXPECT_EQ(posted, (PostedEvents{{3, kEvMonitorShowTrace}}));
    }
}

TEST_F(PanelActionsTest, TheShowLockRefusesEveryEditorButNotTheInformation) {
    struct CountingPrompts : CUserPrompts {
        int notices = 0;
        PromptAnswer messageBox(QWidget*, const QString&, PromptButtons, PromptIcon) override {
            ++notices;
            return PromptAnswer::Ok;
        }
        QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
        QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
            return {};
        }
    };
    auto prompts = std::make_shared<CountingPrompts>();
    makeView(fake, prompts);
    showLock().lock(false);
    showMode(kLayoutLargeVertical, 3, false);
    for (PanelArea area : {PanelArea::Name, PanelArea::Memo, PanelArea::Frequency,
                           PanelArea::ColourTab, PanelArea::Meters}) {
        ASSERT_TRUE(clickArea(2, area));
    }
    EXPECT_TRUE(fake->opened.empty());
    EXPECT_EQ(prompts->notices, 5);

    showMode(kLayoutLargeVertical, 3, true);
    ASSERT_TRUE(clickArea(3, PanelArea::Meters));
    EXPECT_TRUE(fake->informationShown);
    EXPECT_EQ(prompts->notices, 5);
    showLock().unlock();
}

TEST_F(PanelActionsTest, EdgesNegativePointsAndAnEmptyTable) {
    showMode(kLayoutLargeHorizontal, 3, false);
    const HitRect memo = view->renderer().panel(2).hit.memo;
    click({memo.right, (memo.top + memo.bottom) / 2});
    EXPECT_EQ(fake->opened.back(), std::make_pair(PanelArea::Memo, 2));
    EXPECT_EQ(fake->commentSeen, QStringLiteral("spare pack"));

    // Unscrolled Large Vertical: the strip's width plus the name's x is the name's first column.
    showMode(kLayoutLargeVertical, 3, false);
    click({28 + 4, 588});
    EXPECT_EQ(fake->opened.back(), std::make_pair(PanelArea::Name, 1));
    click({-1, 588});
    // Scrolled, the content point of a negative client point would lie in a panel.
    EXPECT_EQ(panelClickAt(view->renderer(), {-5, 588}, {100, 0}, false, false).receiverNumber, 0);
    EXPECT_EQ(panelClickAt(view->renderer(), {32, -1}, {0, 589}, false, false).receiverNumber, 0);
    EXPECT_EQ(fake->opened.size(), 1u);

    showMode(kLayoutLargeVertical, 0, false);
    click({28 + 4, 588});
    click({28 + 40, 300});
    EXPECT_TRUE(fake->opened.empty());
}

TEST_F(PanelActionsTest, EditorsAreAnchoredOnScreenOverTheScrolledArea) {
    showMode(kLayoutLargeHorizontal, 12, false);
    view->verticalScrollBar()->setValue(3 * 96);
    const QPoint scroll = view->scrollPosition();
    ASSERT_EQ(scroll, QPoint(0, 3 * 96));
    const HitRect name = view->renderer().panel(5).hit.name;
    click(QPoint(name.left + 10, name.top + 5) - scroll);
    EXPECT_EQ(fake->opened.back(), std::make_pair(PanelArea::Name, 5));
    EXPECT_EQ(fake->placement.anchor,
              view->viewport()->mapToGlobal(QPoint(name.left, name.top) - scroll));
    EXPECT_EQ(
        std::make_tuple(fake->placement.width, fake->placement.height, fake->placement.fontHeight),
        std::make_tuple(112, 20, 12));

    const HitRect freq = view->renderer().panel(6).hit.frequency;
    ASSERT_TRUE(clickArea(6, PanelArea::Frequency));
    EXPECT_EQ(fake->placement.anchor,
              view->viewport()->mapToGlobal(QPoint(freq.left, freq.top) - scroll));
    EXPECT_EQ(std::make_tuple(fake->placement.width, fake->placement.height,
                              fake->placement.fontHeight, fake->placement.variant),
              std::make_tuple(110, 20, 13, 0));

    // Vertical panels: the name editor is never lower than 18; the frequency area covers the
    // "MHz" line (12 + 11 high) and the picker reaches 8 further left, 32 wider, 8 lower.
    showMode(kLayoutLargeVertical, 2, false);
    ASSERT_TRUE(clickArea(2, PanelArea::Name));
    EXPECT_EQ(std::make_tuple(fake->placement.width, fake->placement.height),
              std::make_tuple(88, 18));
    const HitRect tall = view->renderer().panel(2).hit.frequency;
    ASSERT_TRUE(clickArea(2, PanelArea::Frequency));
    EXPECT_EQ(
        fake->placement.anchor,
        view->viewport()->mapToGlobal(QPoint(tall.left - 8, tall.top) - view->scrollPosition()));
    EXPECT_EQ(std::make_tuple(fake->placement.width, fake->placement.height,
                              fake->placement.fontHeight, fake->placement.variant),
              std::make_tuple(52 + 32, 12 + 11 - 8, 12, 1));
}

TEST_F(PanelActionsTest, AcceptedResultsAreTakenIntoTheProgramTableWithTheirFlags) {
    showMode(kLayoutSmallHorizontal, 3, false);
    ReceiverTable& table = programReceiverTable();
    const std::array<uint32_t, 4> colours = table.byNumber(1).colors;

    // Everything cancelled: nothing changes.
    for (PanelArea area : {PanelArea::Name, PanelArea::Memo, PanelArea::Frequency,
                           PanelArea::ColourTab, PanelArea::Meters}) {
        ASSERT_TRUE(clickArea(1, area));
    }
    EXPECT_EQ(fake->opened.size(), 5u);
    EXPECT_EQ(programFlags().modified, 0);
    EXPECT_EQ(table.byNumber(1).name, "MIC1");
    EXPECT_EQ(table.byNumber(1).colors, colours);

    ReceiverRecord answer;
    answer.name = "LEAD";
    answer.nameChanged = 1;
    answer.freqText = "711.500";
    answer.freqKhz = 1; // the text decides the kHz value
    answer.freqChanged = 1;
    answer.afVolume = 3;
    answer.lineMic = 0;
    answer.antennaSwitch = 1;
    answer.rxKeyLock = 1;
    answer.rxKeyLockPin = 1234;
    answer.squelch = 25;
    answer.rfPower = 2;
    answer.micGain = 6;
    answer.txKeyLock = 1;
    answer.batteryKind = 1;
    answer.rxtxChanged = 1;
    // Each editor takes only its own fields from the same answer.
    fake->nameAnswer = answer;
    ASSERT_TRUE(clickArea(1, PanelArea::Name));
    EXPECT_EQ(table.byNumber(1).name, "LEAD");
    EXPECT_EQ(table.byNumber(1).nameChanged, 1);
    EXPECT_EQ(table.byNumber(1).freqKhz, 710125);
    EXPECT_EQ(table.byNumber(1).rxtxChanged, 0);
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_EQ(view->renderer().panel(1).cache.name, "LEAD"); // redrawn at once

    fake->frequencyAnswer = answer;
    ASSERT_TRUE(clickArea(2, PanelArea::Frequency));
    EXPECT_EQ(table.byNumber(2).freqText, "711.500");
    EXPECT_EQ(table.byNumber(2).freqKhz, 711500);
    EXPECT_EQ(table.byNumber(2).freqChanged, 1);
    EXPECT_EQ(table.byNumber(2).name, "MIC2");
    EXPECT_EQ(view->renderer().panel(2).cache.freqKhz, 711500);

    fake->settingsAnswer = answer;
    ASSERT_TRUE(clickArea(3, PanelArea::Meters));
    const ReceiverRecord& record = table.byNumber(3);
    EXPECT_EQ(std::vector<int>({record.afVolume, record.lineMic, record.antennaSwitch,
                                record.rxKeyLock, record.rxKeyLockPin, record.squelch,
                                record.rfPower, record.micGain, record.txKeyLock,
                                record.batteryKind, record.rxtxChanged, record.freqKhz}),
              std::vector<int>({3, 0, 1, 1, 1234, 25, 2, 6, 1, 1, 1, 710625}));
    EXPECT_EQ(record.name, "MIC3");

    const QImage before = view->renderer().contentImage();
    fake->commentAnswer = QStringLiteral("new pack\r\nat 9");
    ASSERT_TRUE(clickArea(3, PanelArea::Memo));
    EXPECT_EQ(table.byNumber(3).comment, "new pack\r\nat 9");
    EXPECT_NE(view->renderer().contentImage(), before); // the memo icon now shows a comment

    programFlags().modified = 0;
    fake->colourAnswer = 0x0040C0FEu;
    ASSERT_TRUE(clickArea(1, PanelArea::ColourTab));
    EXPECT_EQ(fake->initialColour, colours[0]);
    EXPECT_EQ(table.byNumber(1).colors,
              (std::array<uint32_t, 4>{0x0040C0FEu, colours[1], colours[2], 0x0020607Fu}));
    EXPECT_EQ(programFlags().modified, 1);
}

// The rebuild after a colour change keeps the texts of the state shown: silver while stopped.
TEST_F(PanelActionsTest, ColourChangeWhileStoppedLeavesTheOtherPanelsAsTheyWere) {
    showMode(kLayoutLargeHorizontal, 2, false);
    const QRect secondPanel(view->renderer().panel(2).origin, view->renderer().panelSize());
    const QImage before = view->renderer().contentImage().copy(secondPanel);
    fake->colourAnswer = 0x000000FFu;
    ASSERT_TRUE(clickArea(1, PanelArea::ColourTab));
    EXPECT_EQ(programReceiverTable().byNumber(1).colors[0], 0x000000FFu);
    EXPECT_EQ(view->renderer().contentImage().copy(secondPanel), before);
}

// A comment and name from an older file in a single-byte code page reach the memo as the
// letters they are, and a memo closed with OK unchanged keeps those letters.
TEST_F(PanelActionsTest, CommentInASingleByteCodePageSurvivesTheMemo) {
    showMode(kLayoutLargeHorizontal, 2, false);
    programReceiverTable().byNumber(2).comment = "B\xFChne\r\nlinks";
    programReceiverTable().byNumber(2).name = "S\xE4nger";
    const QString comment = QStringLiteral("B\u00FChne\r\nlinks");
    fake->commentKept = true;
    ASSERT_TRUE(clickArea(2, PanelArea::Memo));
    EXPECT_EQ(fake->commentSeen, comment);
    EXPECT_EQ(fake->nameSeen, QStringLiteral("S\u00E4nger"));
    EXPECT_EQ(programReceiverTable().byNumber(2).comment, comment.toStdString());
}

TEST_F(PanelActionsTest, ResultForAReceiverThatWentAwayMeanwhileIsDropped) {
    showMode(kLayoutLargeHorizontal, 3, false);
    fake->nameAnswer = ReceiverRecord{};
    fake->nameAnswer->name = "GONE";
    fake->whileNameEditorOpen = [this] { view->control().takeOverTable(stageTable(1), false); };
    ASSERT_TRUE(clickArea(3, PanelArea::Name));
    EXPECT_NE(programReceiverTable().byNumber(3).name, "GONE");
    EXPECT_EQ(programFlags().modified, 0);
}

TEST_F(PanelActionsTest, MatrixChangeOfTheCurrentModeRebuildsAndFitsTheWindowAtOnce) {
    QWidget mainWindow;
    view->setParent(&mainWindow);
    mainWindow.resize(1280, 720);
    mainWindow.show();
    displayState().matrix[kLayoutLargeHorizontal] = {30, 2};
    showMode(kLayoutLargeHorizontal, 35, false);
    ASSERT_EQ(view->renderer().extent().rows, 30);
    mainWindow.resize(500, 300);
    const QRect byHand = mainWindow.frameGeometry();
    view->control().rememberWindowRect();
    view->control().setAllFitFlags(kRestoreWindow);

    fake->matrixAnswer = [](DisplayState& display) {
        display.matrix[kLayoutLargeHorizontal] = {40, 2};
        display.matrix[kLayoutSmallHorizontal] = {20, 3};
        display.matrix[kLayoutSmallVertical] = {5, 20}; // the derived number only
    };
    sendAppMessage(view.get(), kCmdMonitorMatrix);
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_EQ(view->renderer().extent().rows, 35); // 40 rows for 35 receivers
    EXPECT_NE(mainWindow.size(), QSize(500, 300)); // fitted to the new layout
    EXPECT_EQ(view->control().savedWindowRect(kLayoutLargeHorizontal), byHand);
    EXPECT_EQ(view->control().fitFlag(kLayoutLargeHorizontal), kRestoreWindow); // used up
    EXPECT_EQ(view->control().fitFlag(kLayoutSmallHorizontal), kFitWindow);
    EXPECT_EQ(view->control().fitFlag(kLayoutSmallVertical), kRestoreWindow);
    view->setParent(nullptr);
}

TEST_F(PanelActionsTest, MatrixChangeElsewhereOrNoneLeavesTheLayout) {
    showMode(kLayoutLargeHorizontal, 5, false);
    const QImage before = view->renderer().contentImage();
    view->panelActions().monitorMatrix(); // cancelled
    EXPECT_EQ(programFlags().modified, 0);

    fake->matrixAnswer = [](DisplayState& display) {
        display.matrix[kLayoutLargeVertical] = {9, 7};
    };
    view->panelActions().monitorMatrix();
    EXPECT_EQ(programFlags().modified, 1);
    EXPECT_EQ(view->control().fitFlag(kLayoutLargeVertical), kFitWindow);
    EXPECT_EQ(view->renderer().contentImage(), before);
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
    makeView(panelEditorDialogs());
    showMode(kLayoutLargeHorizontal, 3, true);

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

// Renamed and retuned while stopped, the receiver gets both once monitoring connects.
TEST(PanelActionsAgainstSimulator, EditsWhileStoppedReachTheReceiverWhenMonitoringStarts) {
    tessaly::testing::SimulatedReceivers receivers;
    QString error;
    ASSERT_TRUE(receivers.start(2, {.fillTable = false}, &error)) << error.toStdString();
    sim::Simulator& simulator = receivers.simulator;
    ReceiverTable& table = receivers.table;
    MonitorValueTable values;
    DisplayState display;
    table.pollIntervalMs = 30;
    table.answerTimeoutMs = 500;
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
    auto fake = std::make_shared<FakeEditors>();
    ReceiverRecord named;
    named.name = "LEAD";
    named.nameChanged = 1;
    fake->nameAnswer = named;
    ReceiverRecord tuned;
    tuned.freqText = khzToText(newKhz);
    tuned.freqChanged = 1;
    fake->frequencyAnswer = tuned;

    QWidget viewport;
    CPanelActions actions(viewport, control, table, display, fake);
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

    // While the engines poll: the information display gets a copy, a comment goes in.
    fake->commentAnswer = QStringLiteral("polled");
    for (PanelArea area : {PanelArea::Meters, PanelArea::Memo}) {
        const std::optional<QPoint> point =
            pointIn(renderer.panel(1).hit, area, areasTriedBefore(area, true));
        ASSERT_TRUE(point.has_value());
        actions.leftButtonDown(*point, {0, 0});
    }
    EXPECT_TRUE(fake->informationShown);
    EXPECT_EQ(table.byNumber(1).comment, "polled");
    control.handleCommand(kCmdMonitorStartStop, kMonitoringStop);
    control.shutDown();
    simulator.stop();
}
