#include "monitor/dlg_history.h"

#include "chrome/dlg_menu_panel.h"
#include "chrome/menu_commands.h"
#include "history/history_csv.h"
#include "monitor/history_chart_view.h"
#include "monitor/history_plot_data.h"
#include "tests/support/history_show_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_until.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace tessaly;
using tessaly::testing::TempDir;

namespace {

// 2026-12-09 20:00:00 UTC.
constexpr int64_t kStartSecond = 1796846400;

std::vector<HistorySecond> noisySeconds(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> level(-90, -50);
    std::vector<HistorySecond> seconds(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        HistorySecond& s = seconds[static_cast<size_t>(i)];
        s.wallMs = (kStartSecond + i) * 1000;
        s.live = true;
        s.rfAMin = level(random);
        s.rfAMax = s.rfAMin + 4;
        s.rfBMin = s.rfBMax = level(random);
        s.afMax = level(random) + 60;
        s.battery = i * 5 / count;
    }
    return seconds;
}

std::pair<double, double> pointRange(const std::vector<std::vector<QPointF>>& segments) {
    double low = 1e9, high = -1e9;
    for (const auto& segment : segments) {
        for (const QPointF& p : segment) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    return {low, high};
}

size_t pointCount(const std::vector<std::vector<QPointF>>& segments) {
    size_t n = 0;
    for (const auto& segment : segments) {
        n += segment.size();
    }
    return n;
}

class Decimation : public ::testing::TestWithParam<std::tuple<HistoryCurve, int>> {};

TEST_P(Decimation, KeepsTheExtremesOfAFourHourShowInTwoPointsPerColumn) {
    const auto [curve, columns] = GetParam();
    constexpr int kFourHours = 4 * 3600;
    std::vector<HistorySecond> seconds = noisySeconds(kFourHours, 7);
    // One lone dip and one lone peak, far from the bucket edges' luck.
    seconds[5003].rfAMin = seconds[5003].rfBMin = seconds[5003].afMax = -140;
    seconds[9001].rfAMax = seconds[9001].rfBMax = seconds[9001].afMax = 30;
    double low = 1e9, high = -1e9;
    for (const HistorySecond& s : seconds) {
        const auto [lo, hi] = curveRange(s, curve);
        low = std::min(low, lo);
        high = std::max(high, hi);
    }
    const auto segments =
        decimateMinMax(seconds, curve, seconds.front().wallMs, seconds.back().wallMs, columns);
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(pointRange(segments), std::make_pair(low, high));
    EXPECT_LE(pointCount(segments), size_t(2 * columns + 4));
    EXPECT_TRUE(std::is_sorted(segments[0].begin(), segments[0].end(),
                               [](QPointF a, QPointF b) { return a.x() < b.x(); }));
}

INSTANTIATE_TEST_SUITE_P(Curves, Decimation,
                         ::testing::Combine(::testing::Values(HistoryCurve::RfA, HistoryCurve::RfB,
                                                              HistoryCurve::Af,
                                                              HistoryCurve::Battery),
                                            ::testing::Values(97, 1200)));

TEST(DecimationGaps, SecondsWithoutValuesAndMissingSecondsSplitTheLine) {
    std::vector<HistorySecond> seconds = noisySeconds(100, 3);
    seconds[40].live = false;                                  // no data for one second
    seconds.erase(seconds.begin() + 70, seconds.begin() + 80); // ten seconds not recorded
    const auto segments = decimateMinMax(seconds, HistoryCurve::RfA, seconds.front().wallMs,
                                         seconds.back().wallMs, 1000);
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[0].back().x(), double(seconds[39].wallMs));
    EXPECT_EQ(segments[1].front().x(), double(seconds[41].wallMs));
    // A zoomed-in range still reaches one second beyond its edges.
    const auto part =
        decimateMinMax(seconds, HistoryCurve::RfB, seconds[10].wallMs, seconds[20].wallMs, 500);
    ASSERT_EQ(part.size(), 1u);
    EXPECT_EQ(part[0].front().x(), double(seconds[9].wallMs));
    EXPECT_EQ(part[0].back().x(), double(seconds[21].wallMs));
}

class HistoryWindowTest : public ::testing::Test {
protected:
    static constexpr int kReceivers = 4;
    static constexpr int kSeconds = 600;

    void SetUp() override {
        historyPath = QString::fromStdString(dir.file("history-2026-12-09.sqlite"));
        journalPath = QString::fromStdString(dir.file("journal.jsonl"));
        QString error;
        ASSERT_TRUE(tessaly::testing::writeHistoryShowFile(
            historyPath, tessaly::testing::rehearsalShowRows(kReceivers, kStartSecond, kSeconds),
            tessaly::testing::rehearsalLabels(kReceivers, kStartSecond, kSeconds, {"Lead Vox"}),
            &error))
            << error.toStdString();
        using show::AlarmEventType;
        using show::AlarmKind;
        ASSERT_TRUE(tessaly::testing::appendJournalEvents(
            journalPath,
            {tessaly::testing::journalEvent(AlarmEventType::Start, 2, AlarmKind::RfLoss,
                                            kStartSecond + 295),
             tessaly::testing::journalEvent(AlarmEventType::Ack, 2, AlarmKind::RfLoss,
                                            kStartSecond + 297),
             tessaly::testing::journalEvent(AlarmEventType::Clear, 2, AlarmKind::RfLoss,
                                            kStartSecond + 308),
             tessaly::testing::journalEvent(AlarmEventType::Start, 3, AlarmKind::BatteryLow,
                                            kStartSecond + 400)}));
        HistoryWindowOptions options;
        options.historyFile = historyPath;
        options.journalFile = journalPath;
        window = std::make_unique<CDlgHistory>(options);
        window->resize(1200, 900);
    }

    TempDir dir;
    QString historyPath;
    QString journalPath;
    std::unique_ptr<CDlgHistory> window;
};

TEST_F(HistoryWindowTest, OpensARecordedFileWithItsReceiversSpanAndAlarms) {
    QString error;
    ASSERT_TRUE(window->openFile(historyPath, &error)) << error.toStdString();
    EXPECT_EQ(window->receivers(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(window->show().span(),
              std::make_pair(kStartSecond * 1000, (kStartSecond + kSeconds - 1) * 1000));
    EXPECT_EQ(window->visibleRange(), window->show().span()) << "opens on the whole show";
    EXPECT_EQ(window->receiverList()->item(0)->text(), "Rx 1  Lead Vox");
    // The first three are shown, each chart plotted and reduced.
    ASSERT_EQ(window->shownReceivers(), (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(window->charts().size(), 3u);
    for (const CHistoryChartView* chart : window->charts()) {
        EXPECT_GT(chart->plottedPoints(), 100) << chart->receiver();
    }
    // The rf-loss start and clear pair up; the battery alarm is still open.
    ASSERT_EQ(window->show().alarms.size(), 2u);
    EXPECT_EQ(window->show().alarms[0].label, "RF LOST");
    EXPECT_EQ(window->show().alarms[0].clearMs, (kStartSecond + 308) * 1000);
    EXPECT_FALSE(window->show().alarms[1].clearMs.has_value());

    window->setReceiverShown(2, false);
    window->setReceiverShown(4, true);
    EXPECT_EQ(window->shownReceivers(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(window->charts()[2]->receiver(), 4);

    EXPECT_FALSE(window->openFile(QString::fromStdString(dir.file("missing.sqlite")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(window->receivers().size(), 4u) << "a file that cannot be read keeps the shown one";
}

TEST_F(HistoryWindowTest, ZoomAndPanStayWithinTheShow) {
    ASSERT_TRUE(window->openFile(historyPath));
    const auto [first, last] = window->show().span();
    const int64_t middle = (first + last) / 2;
    window->zoom(middle, 0.25);
    auto [from, to] = window->visibleRange();
    EXPECT_NEAR(double(to - from), (last - first) * 0.25, 2);
    EXPECT_LT(from, middle);
    EXPECT_GT(to, middle);
    window->pan(-3600 * 1000);
    EXPECT_EQ(window->visibleRange().first, first) << "panning stops at the start";
    window->pan(3600 * 1000);
    EXPECT_EQ(window->visibleRange().second, last);
    window->zoom(middle, 1e-6);
    std::tie(from, to) = window->visibleRange();
    EXPECT_EQ(to - from, 20 * 1000) << "zoomed in no further than 20 s";
    window->showWholeShow();
    EXPECT_EQ(window->visibleRange(), window->show().span());
}

TEST_F(HistoryWindowTest, CursorReadsTheRowOfItsTime) {
    ASSERT_TRUE(window->openFile(historyPath));
    const auto rows = tessaly::testing::rehearsalShowRows(kReceivers, kStartSecond, kSeconds);
    const history::HistoryRow& row = rows[static_cast<size_t>(kSeconds + 300)]; // Rx 2, t 300
    ASSERT_EQ(row.receiver, 2);
    window->setCursorTime(row.second * 1000 + 400); // nearer this second than the next
    const QString text = window->cursorText();
    const QString expected = QStringLiteral("Rx  2: RF A %1..%2 dBm  RF B %3..%4 dBm  AF %5 dB")
                                 .arg(*row.rfAMin / 10.0, 0, 'f', 1)
                                 .arg(*row.rfAMax / 10.0, 0, 'f', 1)
                                 .arg(*row.rfBMin / 10.0, 0, 'f', 1)
                                 .arg(*row.rfBMax / 10.0, 0, 'f', 1)
                                 .arg(*row.afMax / 10.0, 0, 'f', 1);
    EXPECT_TRUE(text.contains(expected)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("[RF LOST]"))) << "inside the alarm's band";
    EXPECT_TRUE(text.startsWith(QDateTime::fromMSecsSinceEpoch(row.second * 1000 + 400)
                                    .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    // Receiver 1's minute without data, and a time outside the file.
    window->setCursorTime((kStartSecond + kSeconds * 2 / 3 + 10) * 1000);
    EXPECT_TRUE(window->cursorText().contains(QStringLiteral("Rx  1: no data")));
    window->setCursorTime((kStartSecond + kSeconds + 60) * 1000);
    EXPECT_TRUE(window->cursorText().contains(QStringLiteral("Rx  1: not recorded")));
}

TEST_F(HistoryWindowTest, CsvHoldsTheShownReceiversWithinTheVisibleRange) {
    ASSERT_TRUE(window->openFile(historyPath));
    window->setReceiverShown(1, false);
    window->setReceiverShown(3, false); // only Rx 2
    window->setVisibleRange((kStartSecond + 100) * 1000, (kStartSecond + 129) * 1000);
    const QString path = QString::fromStdString(dir.file("out.csv"));
    ASSERT_TRUE(window->exportCsv(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // The same form as tessaly-cli history: Rx 2's seconds 100 to 129 as they were written.
    const auto rows = tessaly::testing::rehearsalShowRows(kReceivers, kStartSecond, kSeconds);
    QByteArray expected = history::historyCsvHeader();
    for (int t = 100; t < 130; ++t) {
        expected += history::historyCsvLine(rows[static_cast<size_t>(kSeconds + t)],
                                            QStringLiteral("MIC 2"));
    }
    EXPECT_EQ(file.readAll().toStdString(), expected.toStdString());
    EXPECT_FALSE(window->exportCsv(QString::fromStdString(dir.file("no/such/dir/out.csv"))));
    const QString png = QString::fromStdString(dir.file("out.png"));
    ASSERT_TRUE(window->exportPng(png));
    EXPECT_EQ(QImage(png).size(), window->chartsImage().size());
}

TEST_F(HistoryWindowTest, FollowsNewSecondsWhileShowingTheEnd) {
    ASSERT_TRUE(window->openFile(historyPath));
    window->zoom(window->show().span().second, 0.1); // the last tenth
    ASSERT_TRUE(window->following());
    const int64_t next = kStartSecond + kSeconds;
    ASSERT_TRUE(tessaly::testing::writeHistoryShowFile(
        historyPath, tessaly::testing::rehearsalShowRows(5, next, 30),
        tessaly::testing::rehearsalLabels(5, next, 30)));
    ASSERT_TRUE(window->refreshLive());
    EXPECT_EQ(window->visibleRange().second, (next + 29) * 1000) << "moved on with the end";
    EXPECT_EQ(window->receivers().size(), 5u) << "a receiver that joined is listed";
    EXPECT_EQ(window->show().tracks.at(1).seconds.back().wallMs, (next + 29) * 1000);
    // Looking back, the view stays where it is.
    window->pan(-200 * 1000);
    const auto before = window->visibleRange();
    ASSERT_TRUE(tessaly::testing::writeHistoryShowFile(
        historyPath, tessaly::testing::rehearsalShowRows(5, next + 30, 30),
        tessaly::testing::rehearsalLabels(5, next + 30, 30)));
    ASSERT_TRUE(window->refreshLive());
    EXPECT_EQ(window->visibleRange(), before);
}

TEST(HistoryRecordingStart, AWindowOpenedBeforeTheFileExistedTakesItOnceWritten) {
    TempDir dir;
    HistoryWindowOptions options;
    options.historyFile = QString::fromStdString(dir.file("history-2026-12-09.sqlite"));
    options.journalFile = QString::fromStdString(dir.file("journal.jsonl"));
    options.liveRefreshMs = 20;
    CDlgHistory window(options);
    window.showFor(2);
    EXPECT_TRUE(window.receivers().empty());
    ASSERT_TRUE(tessaly::testing::writeHistoryShowFile(
        options.historyFile, tessaly::testing::rehearsalShowRows(2, kStartSecond, 10),
        tessaly::testing::rehearsalLabels(2, kStartSecond, 10)));
    EXPECT_TRUE(tessaly::testing::waitUntil([&] { return window.receivers().size() == 2; }));
}

TEST(HistoryMenus, PanelPopUpOpensTheHistoryOfItsReceiver) {
    QWidget owner;
    CDlgMenuPanel menu(&owner);
    menu.setReceiverNumber(7);
    const MenuItem& item = menu.items()[CDlgMenuPanel::History];
    EXPECT_EQ(item.command, kCmdHistory);
    EXPECT_EQ(item.argument, 7);
}

} // namespace

// Pictures for the manual: a four-hour rehearsed show with its alarms. Run with
// TESSALY_SCREENSHOT_DIR set (under xvfb-run with QT_QPA_PLATFORM=xcb for the real fonts).
TEST(HistoryScreenshots, FourHourShow) {
    const QString out = qEnvironmentVariable("TESSALY_SCREENSHOT_DIR");
    if (out.isEmpty()) {
        GTEST_SKIP() << "TESSALY_SCREENSHOT_DIR not set";
    }
    constexpr int kShow = 4 * 3600;
    const int64_t start = QDateTime(QDate(2026, 12, 9), QTime(19, 30)).toSecsSinceEpoch();
    TempDir dir;
    const QString historyPath = QString::fromStdString(dir.file("history-2026-12-09.sqlite"));
    const QString journalPath = QString::fromStdString(dir.file("journal-2026-12-09.jsonl"));
    ASSERT_TRUE(tessaly::testing::writeHistoryShowFile(
        historyPath, tessaly::testing::rehearsalShowRows(6, start, kShow),
        tessaly::testing::rehearsalLabels(
            6, start, kShow, {"Lead Vox", "Guitar Vox", "Keys Vox", "Bass Vox", "Host", "Spare"})));
    using show::AlarmEventType;
    using show::AlarmKind;
    using tessaly::testing::journalEvent;
    ASSERT_TRUE(tessaly::testing::appendJournalEvents(
        journalPath,
        {journalEvent(AlarmEventType::Start, 2, AlarmKind::RfLoss, start + kShow / 2 - 7),
         journalEvent(AlarmEventType::Clear, 2, AlarmKind::RfLoss, start + kShow / 2 + 8),
         journalEvent(AlarmEventType::Start, 3, AlarmKind::BatteryLow, start + kShow * 3 / 5),
         journalEvent(AlarmEventType::Clear, 3, AlarmKind::BatteryLow, start + kShow * 4 / 5),
         journalEvent(AlarmEventType::Start, 3, AlarmKind::BatteryCritical, start + kShow * 4 / 5),
         journalEvent(AlarmEventType::Start, 1, AlarmKind::Offline, start + kShow * 2 / 3 + 3),
         journalEvent(AlarmEventType::Clear, 1, AlarmKind::Offline, start + kShow * 2 / 3 + 60)}));
    HistoryWindowOptions options;
    options.historyFile = historyPath;
    options.journalFile = journalPath;
    CDlgHistory window(options);
    window.resize(1500, 1000);
    ASSERT_TRUE(window.openFile(historyPath));
    window.QWidget::show();
    QCoreApplication::processEvents();
    window.setCursorTime((start + kShow / 2) * 1000);
    QCoreApplication::processEvents();
    ASSERT_TRUE(window.grab().save(out + QStringLiteral("/history-window.png")));
    // Eight minutes around Rx 2's RF loss, the cursor inside it.
    window.setVisibleRange((start + kShow / 2 - 240) * 1000, (start + kShow / 2 + 240) * 1000);
    window.setCursorTime((start + kShow / 2 + 2) * 1000);
    QCoreApplication::processEvents();
    ASSERT_TRUE(window.grab().save(out + QStringLiteral("/history-zoom.png")));
}
