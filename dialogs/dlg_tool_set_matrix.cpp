#include "dialogs/dlg_tool_set_matrix.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {

struct MatrixRow {
    const char* label;
    bool vertical; // a vertical mode fills columns; its pair is (derived rows, fill columns)
};

constexpr std::array<MatrixRow, kLayoutModeCount> kMatrixRows{{
    {"Large Vertical", true},
    {"Large Horizontal", false},
    {"Small Vertical", true},
    {"Small Horizontal", false},
}};

constexpr int kLabelColumn = 0;
constexpr int kRowColumn = 1;
constexpr int kColumnColumn = 2;

int storedFill(const MatrixPair& pair, bool vertical) {
    return vertical ? pair.b : pair.a;
}

int storedDerived(const MatrixPair& pair, bool vertical) {
    return vertical ? pair.a : pair.b;
}

MatrixPair pairOf(int fill, int derived, bool vertical) {
    return vertical ? MatrixPair{derived, fill} : MatrixPair{fill, derived};
}

QPushButton* makeButton(const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

int derivedLineCount(int fill) {
    return (kMaxReceivers + fill - 1) / fill;
}

CDlgToolSetMatrix::CDlgToolSetMatrix(QWidget* parent, DisplayState& display)
    : QDialog(parent), display_(display) {
    setWindowTitle(QStringLiteral("Monitor Matrix Setting"));
    setWindowIcon(QApplication::windowIcon());

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Row"), this), 0, kRowColumn, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Column"), this), 0, kColumnColumn, Qt::AlignCenter);
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        const MatrixRow& row = kMatrixRows[mode];
        const MatrixPair& pair = display_.matrix[mode];

        auto* list = new QComboBox(this);
        for (int fill = 1; fill <= kMatrixMaxFill; ++fill) {
            list->addItem(QString::number(fill), fill);
        }
        const int fill = storedFill(pair, row.vertical);
        list->setCurrentIndex(fill >= 1 && fill <= kMatrixMaxFill ? fill - 1 : 0);

        auto* label = new QLabel(QString::number(storedDerived(pair, row.vertical)), this);
        label->setAlignment(Qt::AlignCenter);
        label->setFrameShape(QFrame::StyledPanel);

        const int line = mode + 1;
        grid->addWidget(new QLabel(QString::fromLatin1(row.label), this), line, kLabelColumn);
        grid->addWidget(row.vertical ? static_cast<QWidget*>(label) : list, line, kRowColumn);
        grid->addWidget(row.vertical ? static_cast<QWidget*>(list) : label, line, kColumnColumn);
        lists_[mode] = list;
        labels_[mode] = label;
        connect(list, &QComboBox::currentIndexChanged, this, [this, mode] { showDerived(mode); });
    }

    auto* ok = makeButton("OK", this);
    auto* cancel = makeButton("Cancel", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CDlgToolSetMatrix::accept);
    connect(cancel, &QPushButton::clicked, this, &CDlgToolSetMatrix::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgToolSetMatrix::showDerived(int layoutMode) {
    const int index = lists_[layoutMode]->currentIndex();
    if (index >= 0) {
        labels_[layoutMode]->setText(QString::number(derivedLineCount(index + 1)));
    }
}

void CDlgToolSetMatrix::accept() {
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        const int index = lists_[mode]->currentIndex();
        if (index < 0) {
            continue;
        }
        const int fill = lists_[mode]->itemData(index).toInt();
        display_.matrix[mode] = pairOf(fill, derivedLineCount(fill), kMatrixRows[mode].vertical);
    }
    QDialog::accept();
}

} // namespace tessaly
