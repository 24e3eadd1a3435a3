#pragma once

#include <QDialog>
#include <QWidget>

#include <cstdint>

namespace tessaly {

// The basic colours, 8 columns of 6, as a grid of swatches: click or arrow keys pick one.
class CBasicColorGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int kColumns = 8;
    static constexpr int kRows = 6;
    static constexpr int kCount = kColumns * kRows;
    static constexpr int kCellWidth = 26;
    static constexpr int kCellHeight = 22;

    explicit CBasicColorGrid(QWidget* parent = nullptr);

    // Colour i is at column i / kRows, row i % kRows; 0x00BBGGRR.
    static uint32_t basicColor(int index);

    int currentIndex() const { return current_; }
    // -1 clears the choice.
    void setCurrentIndex(int index);
    QRect cellRect(int index) const;
    int indexAt(QPoint point) const;

    QSize sizeHint() const override;

signals:
    void picked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int current_ = -1;
};

// The colour picker of a panel's colour tab: the basic colours with OK and Cancel, no custom
// colours. It starts on the given colour; on OK color() is the picked one (the initial colour
// when none was picked).
class CApColorDialog : public QDialog {
    Q_OBJECT

public:
    explicit CApColorDialog(uint32_t initialColor, QWidget* parent = nullptr);

    uint32_t color() const { return color_; }

private:
    CBasicColorGrid* grid_;
    uint32_t color_;
};

} // namespace tessaly
