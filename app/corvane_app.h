#pragma once

#include "chrome/user_prompts.h"

#include <QApplication>
#include <QString>

#include <memory>

namespace tessaly {

// The installed desktop entry is org.tessaly.Tessaly.desktop.
constexpr const char* kDesktopEntryName = "org.tessaly.Tessaly";

// Names the running application: its name, organisation and desktop entry.
void setApplicationIdentity();

class CCorvaneDoc;
class CMainFrame;
class CSingleInstance;
namespace remote {
class RemoteService;
}
namespace mqtt {
class MqttPublisher;
}

// The application: start-up in order (single instance, settings, main window, splash around
// the view's first update), the event loop, and shut-down.
class CCorvaneApp : public QApplication {
    Q_OBJECT

public:
    // The main window and the application's own notices ask the operator through `prompts`.
    CCorvaneApp(int& argc, char** argv, std::shared_ptr<CUserPrompts> prompts = systemPrompts());
    ~CCorvaneApp() override;

    // False when this start ends at once (another instance runs, or it could not be told).
    bool initInstance();
    int exitInstance(int exitCode);
    // initInstance, the event loop, exitInstance.
    int run();

    // The remote board's server while it serves ([remote] listen=), else null; why it does not
    // when it was asked to.
    remote::RemoteService* remoteService() const { return remote_.get(); }
    QString remoteError() const { return remoteError_; }

private:
    void openCommandLineFile();
    void startRemote();
    void startMqttPublisher();

    std::shared_ptr<CUserPrompts> prompts_;
    std::unique_ptr<CSingleInstance> instance_;
    std::unique_ptr<CCorvaneDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<remote::RemoteService> remote_;
    QString remoteError_;
    std::unique_ptr<mqtt::MqttPublisher> mqttPublisher_; // [mqtt] url= of Tessaly.ini
};

} // namespace tessaly
