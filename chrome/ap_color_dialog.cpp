#include "chrome/ap_color_dialog.h"

#include "chrome/color_ref.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaly {

namespace {

constexpr int kSwatchInset = 3;  // frame around each swatch inside its cell
constexpr int kCurrentFrame = 2; // width of the frame around the picked swatch
constexpr const char* kCaption = "Color";
constexpr const char* kGridLabel = "&Basic colors:";

} // namespace

CBasicColorGrid::CBasicColorGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

uint32_t CBasicColorGrid::basicColor(int index) {
    if (index < 0 || index >= kCount) {
        return kColorRefBlack;
    }
    return colorRefFromQColor(QColorDialog::standardColor(index));
}

void CBasicColorGrid::setCurrentIndex(int index) {
    const int next = (index >= 0 && index < kCount) ? index : -1;
    if (next == current_) {
        return;
    }
    current_ = next;
    update();
    if (current_ >= 0) {
        emit picked(current_);
    }
}

QRect CBasicColorGrid::cellRect(int index) const {
    const int column = index / kRows;
    const int row = index % kRows;
    return QRect(column * kCellWidth, row * kCellHeight, kCellWidth, kCellHeight);
}

int CBasicColorGrid::indexAt(QPoint point) const {
    if (point.x() < 0 || point.y() < 0) {
        return -1;
    }
    const int column = point.x() / kCellWidth;
    const int row = point.y() / kCellHeight;
    if (column >= kColumns || row >= kRows) {
        return -1;
    }
    return column * kRows + row;
}

QSize CBasicColorGrid::sizeHint() const {
    return QSize(kColumns * kCellWidth, kRows * kCellHeight);
}

void CBasicColorGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < kCount; ++i) {
        const QRect cell = cellRect(i);
        const QRect swatch =
            cell.adjusted(kSwatchInset, kSwatchInset, -kSwatchInset, -kSwatchInset);
        painter.fillRect(swatch, qColorFromRef(basicColor(i)));
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        if (i == current_) {
            QPen frame(hasFocus() ? palette().color(QPalette::Highlight)
                                  : palette().color(QPalette::Text));
            frame.setWidth(kCurrentFrame);
            painter.setPen(frame);
            painter.drawRect(cell.adjusted(1, 1, -1, -1));
        }
    }
}

void CBasicColorGrid::mousePressEvent(QMouseEvent* event) {
    const int index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index >= 0) {
        setCurrentIndex(index);
    }
}

void CBasicColorGrid::keyPressEvent(QKeyEvent* event) {
    const int from = current_ < 0 ? 0 : current_;
    int column = from / kRows;
    int row = from % kRows;
    switch (event->key()) {
    case Qt::Key_Left:
        column = std::max(0, column - 1);
        break;
    case Qt::Key_Right:
        column = std::min(kColumns - 1, column + 1);
        break;
    case Qt::Key_Up:
        row = std::max(0, row - 1);
        break;
    case Qt::Key_Down:
        row = std::min(kRows - 1, row + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    setCurrentIndex(column * kRows + row);
}

CApColorDialog::CApColorDialog(uint32_t initialColor, QWidget* parent)
    : QDialog(parent), grid_(new CBasicColorGrid(this)), color_(initialColor & 0x00FFFFFF) {
    setWindowTitle(QString::fromLatin1(kCaption));
    grid_->setObjectName(QStringLiteral("grid"));
    auto* label = new QLabel(QString::fromLatin1(kGridLabel), this);
    label->setBuddy(grid_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(grid_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (int i = 0; i < CBasicColorGrid::kCount; ++i) {
        if (CBasicColorGrid::basicColor(i) == color_) {
            grid_->setCurrentIndex(i);
            break;
        }
    }
    connect(grid_, &CBasicColorGrid::picked, this,
            [this](int index) { color_ = CBasicColorGrid::basicColor(index); });
    grid_->setFocus();
}

} // namespace tessaly
