#include "mqtt/mqtt_settings.h"

#include "protocol/ini_file.h"

#include <QSysInfo>
#include <QUrl>

namespace tessaly::mqtt {

namespace {

constexpr const char* kSection = "mqtt";
constexpr size_t kValueLimit = 510;

QString readText(const IniFile& ini, const char* key) {
    return QString::fromStdString(ini.value(kSection, key, "", kValueLimit)).trimmed();
}

} // namespace

QString MqttEndpoint::text() const {
    const QString shown = host.contains(':') ? "[" + host + "]" : host;
    return shown + ":" + QString::number(port);
}

MqttSettings readMqttSettings(const IniFile& ini) {
    MqttSettings s;
    s.url = readText(ini, "url");
    s.ca = readText(ini, "ca");
    s.user = readText(ini, "user");
    s.password = readText(ini, "password");
    s.station = readText(ini, "station");
    return s;
}

MqttSettings readMqttSettingsFile(const std::string& path) {
    return readMqttSettings(IniFile::load(path));
}

bool parseMqttUrl(const QString& text, MqttEndpoint& endpoint, QString& error) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != "mqtt" && scheme != "mqtts")) {
        error = "'" + text + "' is not an MQTT URL (mqtt://HOST:PORT or mqtts://HOST:PORT)";
        return false;
    }
    if (url.host().isEmpty()) {
        error = "'" + text + "' names no broker host";
        return false;
    }
    if (!url.userInfo().isEmpty()) {
        error = "'" + text + "': give the user and password in [mqtt] user= and password=";
        return false;
    }
    if ((!url.path().isEmpty() && url.path() != "/") || url.hasQuery() || url.hasFragment()) {
        error = "'" + text + "': an MQTT URL has no path";
        return false;
    }
    endpoint.tls = scheme == "mqtts";
    endpoint.host = url.host();
    endpoint.port = url.port(endpoint.tls ? kMqttTlsPort : kMqttPort);
    if (endpoint.port <= 0 || endpoint.port > 65535) {
        error = "'" + text + "' has no valid port";
        return false;
    }
    return true;
}

QString stationTopicName(const QString& station) {
    QString name = station.trimmed().isEmpty() ? QSysInfo::machineHostName() : station.trimmed();
    for (QChar& c : name) {
        if (c == '/' || c == '+' || c == '#' || c.category() == QChar::Other_Control) {
            c = '_';
        }
    }
    return name.isEmpty() ? QStringLiteral("tessaly") : name;
}

} // namespace tessaly::mqtt
