#pragma once

// Where a station publishes, or the combined board subscribes: [mqtt] of Tessaly.ini, or
// tessaly-cli's --mqtt URL [--station NAME]. An empty url leaves publishing off.

#include <QString>

#include <string>

namespace tessaly {

class IniFile;

namespace mqtt {

constexpr int kMqttPort = 1883;
constexpr int kMqttTlsPort = 8883;

struct MqttSettings {
    QString url;      // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]; empty: off
    QString ca;       // CA certificate file for mqtts; empty: the system's certificates
    QString user;     // empty: connect without a user name
    QString password; // sent only with a user name
    QString station;  // empty: the host name
};

struct MqttEndpoint {
    QString host;
    int port = kMqttPort;
    bool tls = false;
    QString text() const; // "HOST:PORT"
};

MqttSettings readMqttSettings(const IniFile& ini);
MqttSettings readMqttSettingsFile(const std::string& path);

// Parses mqtt://HOST[:PORT] and mqtts://HOST[:PORT] (IPv6 in brackets). False with `error`
// saying why for anything else: another scheme, a path, a user in the URL, a bad port.
bool parseMqttUrl(const QString& url, MqttEndpoint& endpoint, QString& error);

// The station's name as one topic level: the host name when empty; '/', '+', '#' and control
// characters, which would change the topic's meaning, become '_'.
QString stationTopicName(const QString& station);

} // namespace mqtt
} // namespace tessaly
