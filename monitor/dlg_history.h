#pragma once

#include "chrome/user_prompts.h"
#include "monitor/history_plot_data.h"

#include <QDate>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace tessaly {

class CHistoryChartView;
class HistoryFileSource;

constexpr const char* kHistoryTitle = "History";
constexpr const char* kHistoryOpenTitle = "Open History";
constexpr const char* kHistoryFileFilter = "History File(*.sqlite)|*.sqlite|All Files(*.*)|*.*|";
constexpr const char* kExportPngTitle = "Export PNG";
constexpr const char* kPngFileFilter = "PNG File(*.png)|*.png|All Files(*.*)|*.*|";

// Where the window finds its files: the settings' fixed files, or the daily ones.
struct HistoryWindowOptions {
    std::function<QString()> recordedFile; // the file being recorded now; unset: as below
    QString historyFile;      // [history] file=; empty: the day's file in historyDirectory
    QString historyDirectory; // empty: beside the alarm journal
    QString journalFile;      // [alarm] journal=; empty: the day's journal in journalDirectory
    QString journalDirectory; // empty: the alarm journal's directory
    int liveRefreshMs = 3000;
    int shownAtOpen = 3; // receivers ticked when a file is first opened
};

// The "History" window: each chosen receiver's time line stacked under the others, sharing one
// time range (wheel zooms on time, a drag pans, Whole show resets), with the day's alarms marked
// and a cursor that reads every shown receiver at one time. Modeless, one per view. While the
// file is the one being recorded and the view reaches its end, it follows the new seconds.
class CDlgHistory : public QWidget {
    Q_OBJECT

public:
    explicit CDlgHistory(HistoryWindowOptions options = {}, QWidget* parent = nullptr,
                         std::shared_ptr<CUserPrompts> prompts = systemPrompts());
    ~CDlgHistory() override;

    // Opens the day's file (once), shows the window raised with `receiver` among the shown
    // ones (0: as it was) and, with `atMs`, the time around it.
    void showFor(int receiver = 0, std::optional<int64_t> atMs = std::nullopt);

    // The file the recorder writes today.
    QString currentHistoryPath() const;
    // The journal whose alarms are marked for a history of `date`.
    QString journalPathFor(QDate date) const;

    // Reads a history file and the day's journal; false and `error` when it cannot be read
    // (the window keeps what it showed).
    bool openFile(const QString& path, QString* error = nullptr);
    // Shows a history already in memory (every track's seconds read).
    void setShow(HistoryShow show);
    const HistoryShow& show() const { return show_; }

    // The receivers in the file, and those shown (stacked, in number order).
    std::vector<int> receivers() const;
    std::vector<int> shownReceivers() const;
    void setReceiverShown(int receiver, bool shown);

    std::pair<int64_t, int64_t> visibleRange() const { return {fromMs_, toMs_}; }
    void setVisibleRange(int64_t fromMs, int64_t toMs);
    void zoom(int64_t aroundMs, double factor);
    void pan(int64_t deltaMs);
    void showWholeShow();

    // Places the cursor: every shown receiver's values at that time.
    void setCursorTime(std::optional<int64_t> wallMs);
    QString cursorText() const;

    // The shown receivers' seconds within the visible range as CSV, in the same form as
    // tessaly-cli history writes. False when the file could not be read.
    bool csvText(QByteArray& text) const;
    bool exportCsv(const QString& path, QString* error = nullptr) const;
    QImage chartsImage() const;
    bool exportPng(const QString& path, QString* error = nullptr) const;

    // Reads the seconds written since the last read; moves the view along when it showed the
    // end. False when the file could not be read.
    bool refreshLive();
    bool following() const;

    const std::vector<CHistoryChartView*>& charts() const { return charts_; }
    QListWidget* receiverList() const { return receiverList_; }
    QLabel* fileLabel() const { return fileLabel_; }
    QCheckBox* followCheck() const { return follow_; }

private:
    void adoptShow(HistoryShow show);
    void rebuildReceiverList();
    void rebuildCharts();
    void applyRange();
    void updateSpanText();
    void onOpen();
    void onExportCsv();
    void onExportPng();
    void say(const QString& text);

    HistoryWindowOptions options_;
    std::shared_ptr<CUserPrompts> prompts_;
    std::unique_ptr<HistoryFileSource> source_; // null for a history in memory
    HistoryShow show_;
    bool opened_ = false;
    int64_t fromMs_ = 0;
    int64_t toMs_ = 0;
    std::optional<int64_t> cursorMs_;
    std::vector<CHistoryChartView*> charts_;

    QLabel* fileLabel_ = nullptr;
    QLabel* spanLabel_ = nullptr;
    QLabel* legend_ = nullptr;
    QLabel* readout_ = nullptr;
    QListWidget* receiverList_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* chartsBox_ = nullptr;
    QVBoxLayout* chartsLayout_ = nullptr;
    QCheckBox* follow_ = nullptr;
    QPushButton* whole_ = nullptr;
    QTimer liveTimer_;
};

} // namespace tessaly
