#include "contact_sheet.h"

#include "panel_art.h"
#include "resources/resource_ids.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace artwork {
namespace {

using namespace tessaly;

const QColor kSheetGrey(128, 128, 128);
constexpr int kSheetWidth = 2000;
constexpr int kMargin = 16;
constexpr int kSmallSide = 64; // pictures this small are shown doubled

QImage keyed(const QImage& image, const QColor& key) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    replaceColour(out, key, Qt::transparent);
    return out;
}

// Places pictures left to right, wrapping rows, each with a caption below.
class Flow {
public:
    explicit Flow(QPainter& p, int top) : p_(p), y_(top) {}
    void heading(const QString& text) {
        newRow();
        p_.setPen(Qt::black);
        p_.setFont(sansFont(16, true));
        p_.drawText(QPoint(kMargin, y_ + 18), text);
        y_ += 28;
    }
    void place(const QImage& image, const QString& caption, int scale = 1) {
        const QSize shown = image.size() * scale;
        const int w = std::max(shown.width(), 70);
        if (x_ + w > kSheetWidth - kMargin) {
            newRow();
        }
        p_.drawImage(QRect(QPoint(x_, y_), shown), image);
        p_.setPen(QColor(20, 20, 20));
        p_.setFont(sansFont(11));
        p_.drawText(QPoint(x_, y_ + shown.height() + 13), caption);
        x_ += w + 18;
        rowHeight_ = std::max(rowHeight_, shown.height() + 22);
    }
    void newRow() {
        if (x_ > kMargin) {
            y_ += rowHeight_ + 8;
        }
        x_ = kMargin;
        rowHeight_ = 0;
    }
    int bottom() const { return y_ + rowHeight_; }

private:
    QPainter& p_;
    int x_ = kMargin;
    int y_;
    int rowHeight_ = 0;
};

struct MenuItem {
    QRect rect;
    const char* label;
    bool subMenu = false;
    bool enabled = true;
};

QImage menuPreview(const PictureSet& pictures, int id, const QString& title,
                   const std::vector<MenuItem>& items, int hover) {
    QImage art = pictures.at(id).convertToFormat(QImage::Format_ARGB32);
    QPainter p(&art);
    p.setFont(sansFont(13));
    p.setPen(Qt::white);
    if (!title.isEmpty()) {
        p.drawText(QRect(QPoint(11, 7), QPoint(41, 27)), Qt::AlignLeft | Qt::AlignVCenter, title);
    }
    const QImage arrow = keyed(pictures.at(kPngSubMenuArrow), Qt::black);
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        const QRect r(item.rect.topLeft(), item.rect.bottomRight()); // inclusive corners
        if (int(i) == hover) {
            QLinearGradient g(0, r.top(), 0, r.bottom());
            g.setColorAt(0, QColor(155, 155, 255));
            g.setColorAt(1, QColor(0, 0, 117));
            p.fillRect(r, g);
        }
        p.setPen(item.enabled ? Qt::white : QColor(128, 128, 128));
        p.drawText(r.adjusted(10, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, item.label);
        if (item.subMenu) {
            p.drawImage(QPoint(r.right() - arrow.width() - 14, r.top() + 8), arrow);
        }
    }
    p.end();
    replaceColour(art, kKeyRed, Qt::transparent);
    return art;
}

// The menu bar in one of its states: 0 ready, 1 no receivers, 2 monitoring.
QImage barPreview(const PictureSet& pictures, int state) {
    const int width = 900;
    QImage bar = blank(width, 70, Qt::black);
    QPainter p(&bar);
    const QImage& tile = pictures.at(kBmpBarBackground);
    for (int x = 0; x < width; x += tile.width()) {
        p.drawImage(x, 0, tile);
    }
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(sansFont(13));
    p.setPen(Qt::white);
    const char* titles[] = {"File", "View", "Help"};
    for (int i = 0; i < 3; ++i) {
        const QRect r(QPoint(9 + 45 * i, 3), QPoint(54 + 45 * i, 32));
        if (i == 1) {
            QLinearGradient g(0, r.top(), 0, r.bottom());
            g.setColorAt(0, QColor(155, 155, 255));
            g.setColorAt(1, QColor(0, 0, 117));
            p.fillRect(r, g);
        }
        p.drawText(r, Qt::AlignCenter, QString::fromLatin1(titles[i]));
    }
    p.drawImage(20, 44, keyed(pictures.at(kPngMonitorLabel), Qt::black));
    p.drawImage(85, 46, keyed(pictures.at(state == 2 ? kPngLampGreen : kPngLampOff), Qt::black));
    const int faces[] = {kPngButtonReady, kPngButtonUnavailable, kPngButtonRunning};
    const int captions[] = {kPngCaptionStart, kPngCaptionStartGrey, kPngCaptionStop};
    QImage face = pictures.at(faces[state]).convertToFormat(QImage::Format_ARGB32);
    QPainter(&face).drawImage(0, 0, keyed(pictures.at(captions[state]), Qt::black));
    p.drawImage(110, 39, keyed(face, Qt::black));
    const QImage& logo = pictures.at(kBmpBarLogo);
    p.drawImage(width - logo.width(), 0, logo);
    return bar;
}

QString scaleText(int value) {
    if (value >= 19) {
        return QStringLiteral("PEAK");
    }
    return value > 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
}

// One panel as the monitor draws it while running, with fixed sample values.
void composePanel(QImage& content, const PictureSet& pictures, int mode, QPoint origin, double rfA,
                  double rfB, double af, int battery, bool warning, bool memo, const QString& name,
                  const QString& freq) {
    const PanelImageIds& ids = kPanelImageIds[mode];
    const PanelGeometry g = panelGeometry(mode);
    const bool vertical = mode == 0 || mode == 2;
    QPainter p(&content);
    p.drawImage(origin, keyed(pictures.at(ids[kSlotBackground]), vertical ? kKeyRed : Qt::black));
    if (vertical) {
        p.end();
        drawColourTab(content, origin + g.colourTab, pictures.at(ids[kSlotColourTab]),
                      QColor(0x00, 0x80, 0xFF), QColor(0x00, 0x40, 0x7F));
        p.begin(&content);
    } else {
        const int upper = mode == 1 ? 69 : 57;
        const int lower = mode == 1 ? 72 : 59;
        const int height = pictures.at(ids[kSlotColourTab]).height();
        QLinearGradient a(0, origin.y(), 0, origin.y() + upper);
        a.setColorAt(0, QColor(0x00, 0x80, 0xFF));
        a.setColorAt(1, QColor(0x09, 0x12, 0x2F));
        p.fillRect(QRect(origin.x(), origin.y(), 13, upper), a);
        QLinearGradient b(0, origin.y() + lower, 0, origin.y() + height - 1);
        b.setColorAt(0, QColor(0x0F, 0x11, 0x29));
        b.setColorAt(1, QColor(0x00, 0x40, 0x7F));
        p.fillRect(QRect(origin.x(), origin.y() + lower, 13, height - 1 - lower), b);
    }
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setPen(Qt::white);
    if (mode == 0) {
        p.setFont(monoFont(12));
        const int ys[] = {25, 78, 136, 194, 248};
        for (int i = 0; i < 5; ++i) {
            p.drawText(QRect(origin + QPoint(46, ys[i]), QSize(40, 14)), Qt::AlignLeft,
                       QString::number(-50 - 10 * i));
        }
        const int afValues[] = {19, 10, 6, 0, -6, -10, -20, -30, -40};
        const int afY[] = {309, 343, 367, 403, 439, 463, 485, 505, 525};
        for (int i = 0; i < 9; ++i) {
            const QString t = scaleText(afValues[i]);
            const int x = t.size() == 1 ? 42 : t.size() == 2 ? 36 : t.size() == 3 ? 30 : 19;
            p.drawText(QRect(origin + QPoint(x, afY[i]), QSize(40, 14)), Qt::AlignLeft, t);
        }
    } else if (mode == 1) {
        p.setFont(monoFont(12));
        const int xs[] = {164, 232, 312, 392, 467};
        for (int i = 0; i < 5; ++i) {
            p.drawText(QRect(origin + QPoint(xs[i], 50), QSize(40, 14)), Qt::AlignLeft,
                       QString::number(-90 + 10 * i));
        }
        const int afValues[] = {-40, -30, -20, -10, -6, 0, 6, 10};
        const int afX[] = {518, 540, 565, 595, 630, 684, 726, 755};
        for (int i = 0; i < 8; ++i) {
            p.drawText(QRect(origin + QPoint(afX[i], 35), QSize(40, 14)), Qt::AlignLeft,
                       scaleText(afValues[i]));
        }
        p.drawText(QRect(origin + QPoint(806, 35), QSize(40, 14)), Qt::AlignLeft,
                   QStringLiteral("PEAK"));
        p.drawText(QRect(origin + QPoint(316, 12), QSize(40, 14)), Qt::AlignLeft,
                   QStringLiteral("dBm"));
    } else if (mode == 2) {
        p.setFont(sansFont(12, true));
        p.drawText(QRect(origin + QPoint(18, 132), QSize(30, 14)), Qt::AlignLeft,
                   QStringLiteral("RF"));
        p.drawText(QRect(origin + QPoint(64, 132), QSize(30, 14)), Qt::AlignLeft,
                   QStringLiteral("AF"));
    }

    auto meter = [&](int litSlot, int darkSlot, QPoint at, double fraction) {
        const QImage& lit = pictures.at(ids[litSlot]);
        const QImage& dark = pictures.at(ids[darkSlot]);
        if (vertical) {
            const int n = int(lit.height() * fraction);
            p.drawImage(origin + at, lit);
            p.drawImage(origin + at, dark, QRect(0, 0, dark.width(), dark.height() - n));
        } else {
            const int n = int(lit.width() * fraction);
            p.drawImage(origin + at, dark);
            p.drawImage(origin + at, lit, QRect(0, 0, n, lit.height()));
        }
    };
    meter(kSlotRfLit, kSlotRfDark, g.rfA, rfA);
    meter(kSlotRfLit, kSlotRfDark, g.rfB, rfB);
    meter(kSlotAfLit, kSlotAfDark, g.af, af);
    p.drawImage(origin + g.lampA, pictures.at(ids[rfA >= rfB ? kSlotLampGreen : kSlotLampOff]));
    p.drawImage(origin + g.lampB, pictures.at(ids[rfA >= rfB ? kSlotLampOff : kSlotLampGreen]));
    p.drawImage(origin + g.peak, pictures.at(ids[af > 0.97 ? kSlotLampRed : kSlotLampOff]));
    p.drawImage(origin + g.battery, pictures.at(ids[kSlotBattery0 + battery]));
    if (warning) {
        p.drawImage(origin + g.warning, keyed(pictures.at(ids[kSlotWarning]), Qt::black));
    }
    if (memo) {
        p.drawImage(origin + g.memo, pictures.at(ids[kSlotMemoPresent]));
    } else {
        p.drawImage(origin + g.memo, keyed(pictures.at(ids[kSlotMemoAbsent]), Qt::black));
    }
    const int nameSize[] = {14, 18, 14, 16};
    const int freqSize[] = {12, 16, 12, 14};
    p.setPen(Qt::white);
    p.setFont(sansFont(nameSize[mode], true));
    p.drawText(g.name.translated(origin), Qt::AlignRight | Qt::AlignVCenter, name);
    p.setFont(sansFont(freqSize[mode], true));
    p.drawText(g.frequency.translated(origin), Qt::AlignRight | Qt::AlignVCenter,
               vertical ? freq : freq + QStringLiteral(" MHz"));
    if (vertical) {
        p.drawText(QRect(origin + g.frequency.topLeft() + QPoint(27, 13), QSize(40, 14)),
                   Qt::AlignLeft | Qt::AlignTop, QStringLiteral("MHz"));
    }
}

QImage panelPreview(const PictureSet& pictures, int mode) {
    const QSize panel = pictures.at(kPanelImageIds[mode][kSlotBackground]).size();
    const bool vertical = mode == 0 || mode == 2;
    QPoint offset(0, 0);
    QImage strip;
    if (mode == 0) {
        strip = pictures.at(kPngStripLargeVertical).copy();
        QPainter sp(&strip);
        sp.setPen(Qt::white);
        sp.setFont(monoFont(12));
        sp.drawText(QRect(4, 155, 24, 14), Qt::AlignLeft, QStringLiteral("dBm"));
        offset = QPoint(strip.width(), 0);
    } else if (mode == 1) {
        strip = pictures.at(kPngStripLargeHorizontal);
        offset = QPoint(0, strip.height());
    }
    const int count = 3;
    const QSize size = vertical ? QSize(offset.x() + panel.width() * count, panel.height())
                                : QSize(panel.width(), offset.y() + panel.height() * count);
    QImage content = blank(size.width(), size.height(), Qt::black);
    if (!strip.isNull()) {
        QPainter(&content).drawImage(0, 0, strip);
    }
    const double rf[count][2] = {{0.82, 0.55}, {0.35, 0.64}, {0.0, 0.0}};
    const double af[count] = {0.74, 0.99, 0.0};
    const int battery[count] = {4, 2, 0};
    const char* names[count] = {"Vocal 1", "Guitar", "Spare"};
    const char* freqs[count] = {"606.125", "614.500", "622.875"};
    for (int i = 0; i < count; ++i) {
        const QPoint origin =
            offset + (vertical ? QPoint(i * panel.width(), 0) : QPoint(0, i * panel.height()));
        composePanel(content, pictures, mode, origin, rf[i][0], rf[i][1], af[i], battery[i], i == 2,
                     i == 1, QString::fromLatin1(names[i]), QString::fromLatin1(freqs[i]));
    }
    return content;
}

} // namespace

QImage contactSheet(const PictureSet& pictures) {
    QImage sheet = blank(kSheetWidth, 6000, kSheetGrey);
    int bottom = 0;
    {
        QPainter p(&sheet);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        Flow flow(p, kMargin);
        flow.heading(QStringLiteral("All pictures at 1:1 (those up to 64 pixels at 2:1), "
                                    "labelled id and size"));
        for (const auto& [id, image] : pictures) {
            const int scale = std::max(image.width(), image.height()) <= kSmallSide ? 2 : 1;
            flow.place(image,
                       QStringLiteral("%1  %2x%3").arg(id).arg(image.width()).arg(image.height()),
                       scale);
        }

        flow.heading(QStringLiteral("Splash as shown (version and year written by the "
                                    "program, outside shape transparent)"));
        {
            QImage splash = pictures.at(kPngSplash).convertToFormat(QImage::Format_ARGB32);
            QPainter sp(&splash);
            sp.setRenderHint(QPainter::TextAntialiasing, true);
            sp.setFont(sansFont(64, true));
            sp.setPen(Qt::white);
            sp.drawText(QRect(QPoint(700, 194), QPoint(780, 260)),
                        Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QStringLiteral("1.0"));
            sp.setFont(sansFont(16, true));
            sp.setPen(QColor(154, 160, 169));
            sp.drawText(QPoint(425, 293 + sp.fontMetrics().ascent()), QStringLiteral("2026"));
            sp.end();
            flow.place(keyed(splash, kKeySplash), QStringLiteral("359 as shown"));
        }

        flow.heading(QStringLiteral("Menu bar as composed at run time (titles, label, lamp, "
                                    "button in its three states, logo)"));
        for (int state = 0; state < 3; ++state) {
            const char* names[] = {"ready", "no receivers", "monitoring"};
            flow.place(barPreview(pictures, state), QString::fromLatin1(names[state]));
        }

        flow.heading(QStringLiteral("Menus with their item texts, outside shape transparent, "
                                    "one item hovered (2:1)"));
        const auto& P = pictures;
        flow.place(menuPreview(P, kPngMenuFile, QStringLiteral("File"),
                               {{QRect(QPoint(6, 42), QPoint(153, 66)), "Open Environment"},
                                {QRect(QPoint(6, 67), QPoint(153, 91)), "Save Environment"},
                                {QRect(QPoint(6, 101), QPoint(153, 125)), "Receiver Configuration"},
                                {QRect(QPoint(6, 135), QPoint(153, 159)), "Upload", false, false},
                                {QRect(QPoint(6, 156), QPoint(153, 180)), "Download", false, false},
                                {QRect(QPoint(6, 187), QPoint(153, 211)), "Exit"}},
                               1),
                   QStringLiteral("318 File"), 2);
        flow.place(menuPreview(P, kPngMenuView, QStringLiteral("View"),
                               {{QRect(QPoint(6, 47), QPoint(175, 71)), "Align Channels", true},
                                {QRect(QPoint(6, 72), QPoint(165, 96)), "RF Monitor mW"},
                                {QRect(QPoint(6, 97), QPoint(165, 121)), "Monitor Matrix..."},
                                {QRect(QPoint(6, 127), QPoint(165, 151)), "Alarm Journal"},
                                {QRect(QPoint(6, 152), QPoint(165, 176)), "Show End Time\u2026"},
                                {QRect(QPoint(6, 177), QPoint(165, 201)), "Lock for Show"}},
                               0),
                   QStringLiteral("319 View"), 2);
        flow.place(menuPreview(P, kPngMenuHelp, QStringLiteral("Help"),
                               {{QRect(QPoint(6, 47), QPoint(133, 71)), "About"},
                                {QRect(QPoint(6, 72), QPoint(133, 96)), "Help"},
                                {QRect(QPoint(6, 97), QPoint(133, 121)), "Remote View\u2026"}},
                               -1),
                   QStringLiteral("411 Help"), 2);
        flow.place(menuPreview(P, kPngMenuSubHV, QString(),
                               {{QRect(QPoint(6, 6), QPoint(120, 33)), "Horizontal", true},
                                {QRect(QPoint(6, 34), QPoint(120, 61)), "Vertical", true}},
                               1),
                   QStringLiteral("407"), 2);
        flow.place(menuPreview(P, kPngMenuSubSL, QString(),
                               {{QRect(QPoint(6, 6), QPoint(64, 33)), "Small"},
                                {QRect(QPoint(6, 34), QPoint(64, 61)), "Large"}},
                               -1),
                   QStringLiteral("408"), 2);
        flow.place(
            menuPreview(P, kPngMenuPanel, QString(),
                        {{QRect(QPoint(6, 6), QPoint(193, 30)), "Acknowledge"},
                         {QRect(QPoint(6, 36), QPoint(193, 60)), "Silence 15 min"},
                         {QRect(QPoint(6, 61), QPoint(193, 85)), "Silence 1 h"},
                         {QRect(QPoint(6, 86), QPoint(193, 110)), "Silence Until Unsilenced"},
                         {QRect(QPoint(6, 111), QPoint(193, 135)), "Unsilence"},
                         {QRect(QPoint(6, 141), QPoint(193, 165)), "Alarm Journal"}},
                        -1),
            QStringLiteral("432 panel"), 2);

        flow.heading(QStringLiteral("Panels as the monitor composes them (running, sample "
                                    "values)"));
        for (int mode : {0, 2, 1, 3}) {
            flow.place(panelPreview(pictures, mode), QStringLiteral("layout mode %1").arg(mode));
        }
        flow.newRow();
        bottom = flow.bottom() + kMargin;
    }
    return sheet.copy(0, 0, kSheetWidth, bottom);
}

} // namespace artwork
