#include "cli/board_command.h"

#include "cli/engine_commands.h"
#include "mqtt/mqtt_board.h"
#include "protocol/settings.h"
#include "remote/remote_service.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace tessaly::cli {

namespace {

constexpr int kInterruptCheckMs = 100;
// The board's frames go out at most this often, as a station's own board does by default.
constexpr int kBoardRefreshMs = 100;

} // namespace

int runBoard(const Options& options, QTextStream& out, QTextStream& err) {
    mqtt::MqttSettings settings = mqtt::readMqttSettingsFile(programSettings().sourcePath);
    settings.url = options.mqttUrl;
    mqtt::MqttEndpoint endpoint;
    QString error;
    if (!mqtt::parseMqttUrl(settings.url, endpoint, error)) {
        err << "tessaly-cli: " << error << "\n";
        return kExitUsage;
    }
    remote::RemoteOptions serving;
    if (!remote::parseListenAddress(options.serve, serving.address, serving.port, error)) {
        err << "tessaly-cli: " << error << "\n";
        return kExitUsage;
    }
    serving.token = options.token;

    remote::RemoteService service;
    const auto source = [settings, endpoint] {
        return std::make_unique<mqtt::MqttBoardSource>(
            settings, endpoint, kBoardRefreshMs, [](const QString& text) {
                std::fprintf(stderr, "tessaly-cli: %s\n", qPrintable(text));
            });
    };
    if (!service.start(serving, source, error)) {
        err << "tessaly-cli: " << error << "\n";
        return kExitUsage;
    }
    const QString host = serving.address.protocol() == QAbstractSocket::IPv6Protocol
                             ? "[" + serving.address.toString() + "]"
                             : serving.address.toString();
    out << "Serving the board of every station on " << endpoint.text() << " at http://" << host
        << ":" << service.port() << "/\n";
    out.flush();

    QEventLoop loop;
    QTimer interruptWatch;
    QObject::connect(&interruptWatch, &QTimer::timeout, [&] {
        if (interrupted()) {
            loop.quit();
        }
    });
    interruptWatch.start(kInterruptCheckMs);
    loop.exec();
    service.stop();
    return kExitOk;
}

} // namespace tessaly::cli
