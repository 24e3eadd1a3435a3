// The other process of the single-instance tests.
//   single_instance_peer <key> claim   -> exit 0 primary, 1 secondary, 2 failed
//   single_instance_peer <key> hold    -> claims; as primary prints "ready", waits for a raise
//                                         request and exits 3 (4 when none came in time)
#include "app/single_instance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using tessaly::CSingleInstance;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        return 64;
    }
    CSingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const CSingleInstance::Role role = instance.claim(2000);
    if (qstrcmp(argv[2], "hold") != 0 || role != CSingleInstance::Role::Primary) {
        return role == CSingleInstance::Role::Primary     ? 0
               : role == CSingleInstance::Role::Secondary ? 1
                                                          : 2;
    }
    QObject::connect(&instance, &CSingleInstance::activationRequested, &app,
                     [&app] { app.exit(3); });
    QTimer::singleShot(10000, &app, [&app] { app.exit(4); });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
