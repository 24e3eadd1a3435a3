#include "app/about_dlg.h"

#include "chrome/shell_dlg_font.h"
#include "protocol/settings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tessaly {

namespace {
constexpr int kDialogFontHeight = 13;
constexpr int kIconSize = 32;
} // namespace

CAboutDlg::CAboutDlg(const QString& fullVersion, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Tessaly"));
    setFont(shellDlgFont(kDialogFontHeight));

    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(kIconSize, kIconSize));
    icon->setFixedSize(kIconSize, kIconSize);
    version_ = new QLabel(QStringLiteral("Tessaly Version ") + fullVersion, this);
    version_->setObjectName(QStringLiteral("version"));
    settings_ = new QLabel(
        QStringLiteral("Settings: %1")
            .arg(QString::fromStdString(settingsSourceText(programSettings().sourcePath))),
        this);
    settings_->setObjectName(QStringLiteral("settings"));
    settings_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->addWidget(version_);
    texts->addWidget(settings_);
    row->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::versionLine() const {
    return version_->text();
}

QString CAboutDlg::settingsLine() const {
    return settings_->text();
}

} // namespace tessaly
