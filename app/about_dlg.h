#pragma once

#include <QDialog>

class QLabel;

namespace tessaly {

// The About box: the application icon, "Tessaly Version " and the full version, the settings
// file that was read, and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(const QString& fullVersion, QWidget* parent = nullptr);

    QString versionLine() const;
    QString settingsLine() const;

private:
    QLabel* version_ = nullptr;
    QLabel* settings_ = nullptr;
};

} // namespace tessaly
