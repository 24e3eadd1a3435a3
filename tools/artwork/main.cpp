// tessaly-artwork: draws every picture of the program and writes them as <id>.png.
//
//   tessaly-artwork <output folder> [--contact-sheet <file.png>] [--desktop-icons <folder>]
//
// The output is committed under resources/png/ (and the desktop icons, the application icon at
// the icon theme's large sizes and as SVG, under packaging/icons/); rerun this after changing
// the drawing code.

#include "chrome_art.h"
#include "contact_sheet.h"
#include "icon_art.h"
#include "panel_art.h"
#include "splash_art.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QStringList>
#include <QSvgGenerator>

#include <cstdio>

namespace {

constexpr const char* kDesktopEntryName = "org.tessaly.Tessaly";
constexpr int kDesktopIconSizes[] = {128, 256};

bool writeDesktopIcons(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        return false;
    }
    for (const int size : kDesktopIconSizes) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(kDesktopEntryName).arg(size));
        if (!artwork::applicationIconAt(size).save(path, "PNG")) {
            return false;
        }
    }
    QSvgGenerator svg;
    svg.setFileName(QDir(folder).filePath(QStringLiteral("%1.svg").arg(kDesktopEntryName)));
    svg.setSize(QSize(artwork::kIconUnits, artwork::kIconUnits));
    svg.setViewBox(QRect(0, 0, artwork::kIconUnits, artwork::kIconUnits));
    svg.setTitle(QStringLiteral("Tessaly"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        return false;
    }
    artwork::drawApplicationIcon(painter);
    return painter.end();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: tessaly-artwork <output folder> [--contact-sheet <file>] "
                             "[--desktop-icons <folder>]\n");
        return 2;
    }
    const QString outDir = args.at(1);
    QString sheetPath;
    const int sheetArg = args.indexOf(QStringLiteral("--contact-sheet"));
    if (sheetArg > 0 && sheetArg + 1 < args.size()) {
        sheetPath = args.at(sheetArg + 1);
    }

    const int iconsArg = args.indexOf(QStringLiteral("--desktop-icons"));
    if (iconsArg > 0 && iconsArg + 1 < args.size()) {
        if (!writeDesktopIcons(args.at(iconsArg + 1))) {
            std::fprintf(stderr, "cannot write the desktop icons to %s\n",
                         qPrintable(args.at(iconsArg + 1)));
            return 1;
        }
        std::printf("desktop icons in %s\n", qPrintable(args.at(iconsArg + 1)));
    }

    artwork::PictureSet pictures;
    artwork::addChromeArt(pictures);
    artwork::addIconArt(pictures);
    artwork::addPanelArt(pictures);
    artwork::addSplashArt(pictures);

    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(outDir));
        return 1;
    }
    for (const auto& [id, image] : pictures) {
        const QString path = QDir(outDir).filePath(QStringLiteral("%1.png").arg(id));
        if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("wrote %zu pictures to %s\n", pictures.size(), qPrintable(outDir));
    if (!sheetPath.isEmpty()) {
        if (!artwork::contactSheet(pictures).save(sheetPath, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(sheetPath));
            return 1;
        }
        std::printf("contact sheet %s\n", qPrintable(sheetPath));
    }
    return 0;
}
