#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

namespace tessaly {

// The program's application identifier; one instance runs per identifier and user.
constexpr const char* kApplicationId = "Corvane.AppID.NoVersion";

// One running Tessaly per user. The first start holds a lock file and listens on a local
// socket; a later start finds the lock taken, asks the first through the socket to bring its
// window forward, and ends.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Role { Primary, Secondary, Failed };

    // `key` names the lock and the socket; the program uses defaultKey().
    explicit CSingleInstance(QString key, QObject* parent = nullptr);
    ~CSingleInstance() override;

    // Primary: this process is the one instance and now listens. Secondary: another instance
    // runs and has been asked to raise its window. Failed: another instance holds the lock
    // but could not be reached within `waitMs`.
    Role claim(int waitMs = kDefaultWaitMs);

    // The application identifier and the user id.
    static QString defaultKey();
    static constexpr int kDefaultWaitMs = 3000;

signals:
    // Another start asked this instance to restore and activate its main window.
    void activationRequested();

private:
    void onNewConnection();
    bool askPrimaryToRaise(int waitMs);

    QString key_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

} // namespace tessaly
