#include "app/corvane_app.h"

int main(int argc, char** argv) {
    tessaly::CCorvaneApp app(argc, argv);
    return app.run();
}
