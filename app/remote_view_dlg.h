#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace tessaly {

// Where a browser finds the board: "http://HOST:PORT/", with "?token=TOKEN" when a token is set.
// A wildcard listen address (0.0.0.0, ::, or none) is replaced by `lanAddress`, the address a
// phone on the network reaches this computer at. Empty when `listen` is not ADDRESS:PORT.
QString remoteViewUrl(const QString& listen, const QString& token, const QString& lanAddress);

// The first IPv4 address of an interface that is up and not loopback; empty when there is none.
// Only reads the interface list, sends nothing.
QString firstLanAddress();

// Help, Remote View…: the board's address with its token and a QR code of it, so that a phone
// opens it at once; a note instead when remote view is off.
class CDlgRemoteView : public QDialog {
    Q_OBJECT

public:
    CDlgRemoteView(const QString& listen, const QString& token, const QString& lanAddress,
                   QWidget* parent = nullptr);

    QString url() const { return url_; }
    QString noteText() const;
    // The QR code as shown; null when there is none.
    QImage qrImage() const;

private:
    QString url_;
    QLabel* note_ = nullptr;
    QLabel* qr_ = nullptr;
};

} // namespace tessaly
