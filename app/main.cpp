#include "app/command_line_info.h"
#include "app/corvane_app.h"

#include <cstdio>

int main(int argc, char** argv) {
    switch (tessaly::infoRequest(argc, argv)) {
    case tessaly::InfoRequest::Help:
        std::fputs(tessaly::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case tessaly::InfoRequest::Version:
        std::fputs(tessaly::versionText().toLocal8Bit().constData(), stdout);
        return 0;
    case tessaly::InfoRequest::None:
        break;
    }
    tessaly::CCorvaneApp app(argc, argv);
    return app.run();
}
