#include "app/remote_view_dlg.h"

#include "app/qr_code.h"
#include "chrome/shell_dlg_font.h"

#include <QDialogButtonBox>
#include <QHostAddress>
#include <QLabel>
#include <QNetworkInterface>
#include <QPushButton>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace tessaly {

namespace {
constexpr int kDialogFontHeight = 13;
constexpr int kQrModulePixels = 6;

QString listenHost(const QString& listen) {
    QString host = listen.left(listen.lastIndexOf(QLatin1Char(':')));
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
    }
    return host;
}

bool isWildcard(const QString& host) {
    return host.isEmpty() || host == QLatin1String("*") || host == QLatin1String("0.0.0.0") ||
           host == QLatin1String("::");
}

bool isLoopbackHost(const QString& host) {
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           QHostAddress(host).isLoopback();
}
} // namespace

QString remoteViewUrl(const QString& listen, const QString& token, const QString& lanAddress) {
    const QString text = listen.trimmed();
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        return {};
    }
    bool portOk = false;
    const int port = text.mid(colon + 1).toInt(&portOk);
    if (!portOk || port < 1 || port > 65535) {
        return {};
    }
    QString host = listenHost(text);
    if (isWildcard(host)) {
        host = lanAddress.isEmpty() ? QStringLiteral("127.0.0.1") : lanAddress;
    }
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host);
    url.setPort(port);
    url.setPath(QStringLiteral("/"));
    if (!url.isValid() || url.host().isEmpty()) {
        return {};
    }
    if (!token.isEmpty()) {
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("token"),
                           QString::fromLatin1(QUrl::toPercentEncoding(token)));
        url.setQuery(query);
    }
    return url.toString(QUrl::FullyEncoded);
}

QString firstLanAddress() {
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                return entry.ip().toString();
            }
        }
    }
    return {};
}

CDlgRemoteView::CDlgRemoteView(const QString& listen, const QString& token,
                               const QString& lanAddress, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Remote View"));
    setFont(shellDlgFont(kDialogFontHeight));

    auto* layout = new QVBoxLayout(this);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    note_->setMinimumWidth(320);
    layout->addWidget(note_);

    url_ = listen.trimmed().isEmpty() ? QString() : remoteViewUrl(listen, token, lanAddress);
    if (listen.trimmed().isEmpty()) {
        note_->setText(QStringLiteral(
            "Remote view is off: [remote] listen= is empty in Tessaly.ini.\n\nSet it to "
            "ADDRESS:PORT (for example listen=0.0.0.0:8080, with token= set for any address "
            "but loopback) and start Tessaly again."));
    } else if (url_.isEmpty()) {
        note_->setText(QStringLiteral("Remote view is off: [remote] listen=%1 is not "
                                      "ADDRESS:PORT.")
                           .arg(listen.trimmed()));
    } else if (token.isEmpty() && !isLoopbackHost(listenHost(listen.trimmed()))) {
        url_.clear();
        note_->setText(QStringLiteral("Remote view is off: listening on %1 needs [remote] token= "
                                      "in Tessaly.ini.")
                           .arg(listen.trimmed()));
    } else {
        note_->setText(QStringLiteral("Open the live board in any browser on the network, or "
                                      "scan the code with a phone:"));
        auto* address =
            new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(url_.toHtmlEscaped()), this);
        address->setObjectName(QStringLiteral("url"));
        address->setTextInteractionFlags(Qt::TextBrowserInteraction);
        address->setOpenExternalLinks(true);
        layout->addWidget(address);
        qr_ = new QLabel(this);
        qr_->setObjectName(QStringLiteral("qr"));
        qr_->setPixmap(QPixmap::fromImage(qrCodeImage(url_, kQrModulePixels)));
        qr_->setAlignment(Qt::AlignCenter);
        layout->addWidget(qr_);
        if (!token.isEmpty()) {
            auto* warning = new QLabel(
                QStringLiteral("The address carries the access token: share it only with "
                               "the crew."),
                this);
            warning->setWordWrap(true);
            layout->addWidget(warning);
        }
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CDlgRemoteView::noteText() const {
    return note_->text();
}

QImage CDlgRemoteView::qrImage() const {
    return qr_ ? qr_->pixmap().toImage() : QImage();
}

} // namespace tessaly
