#pragma once

#include "protocol/settings.h"

#include <QDialog>

#include <array>

class QComboBox;
class QLabel;

namespace tessaly {

// The largest fill count offered: as many panels as receivers.
constexpr int kMatrixMaxFill = kMaxReceivers;

// The lines that kMaxReceivers panels need at `fill` panels per line: kMaxReceivers divided
// by fill, rounded up. `fill` must be 1 ... kMatrixMaxFill.
int derivedLineCount(int fill);

// "Monitor Matrix Setting": for each layout mode a list of fill counts 1 ... 60 (the columns of
// a vertical mode, the rows of a horizontal one) and the line count that follows from it. On OK
// the display state's four matrix pairs are rewritten as (rows, columns); Cancel leaves them.
class CDlgToolSetMatrix : public QDialog {
    Q_OBJECT

public:
    CDlgToolSetMatrix(QWidget* parent, DisplayState& display);

    // By layout mode (kLayoutLargeVertical ... kLayoutSmallHorizontal).
    QComboBox* fillList(int layoutMode) const { return lists_[layoutMode]; }
    QLabel* derivedLabel(int layoutMode) const { return labels_[layoutMode]; }

public slots:
    void accept() override;

private:
    void showDerived(int layoutMode);

    DisplayState& display_;
    std::array<QComboBox*, kLayoutModeCount> lists_{};
    std::array<QLabel*, kLayoutModeCount> labels_{};
};

} // namespace tessaly
