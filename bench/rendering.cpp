// Rendering, offscreen, per layout mode with 60 receivers: the live update pass when nothing
// changed and when every value of every panel changed, a full paint of a 1920 × 1080 view and a
// layout build. The pass is held against a plain row-by-row copy of as many pixels, in rows as
// long on average, as the pass itself copied; the paint against a plain copy of the window.

#include "bench/bench_support.h"
#include "monitor/panel_renderer.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace tessaly;
using namespace tessaly::bench;

namespace {

constexpr double kLiveRatioBudget = 3.0;
const QSize kScreen(1920, 1080);

struct ValueSet {
    int32_t commState, rfA, rfB, af, battery, antenna;
};
constexpr ValueSet kSetA{kCommOk, -600, -700, -200, 2, 0};
constexpr ValueSet kSetB{kCommError, -650, -550, 185, 3, 1};

ReceiverTable& benchTable() {
    static ReceiverTable table = [] {
        ReceiverTable t;
        t.count = kMaxReceivers;
        for (int n = 1; n <= kMaxReceivers; ++n) {
            t.byNumber(n).name = "Vocal " + std::to_string(n);
            t.byNumber(n).setFrequencyText("710.125");
        }
        return t;
    }();
    return table;
}

void apply(const ValueSet& set, ReceiverTable& table, MonitorValueTable& values) {
    for (int n = 1; n <= kMaxReceivers; ++n) {
        table.byNumber(n).commState = set.commState;
        MonitorValues& m = values.byNumber(n);
        m.rfLevelA = set.rfA;
        m.rfLevelB = set.rfB;
        m.afLevel = set.af;
        m.battery = set.battery;
        m.antennaSelect = set.antenna;
        m.mute = 0;
    }
}

LayoutRequest requestFor(int mode) {
    DisplayState display;
    LayoutRequest request;
    request.layoutMode = mode;
    request.matrix = display.matrix;
    request.textColourFlag = kTextColourWhite;
    request.screen = kScreen;
    return request;
}

// A renderer of the mode with every panel drawn once from `set`.
std::unique_ptr<CPanelRenderer> builtRenderer(int mode, MonitorValueTable& values,
                                              const ValueSet& set) {
    auto renderer = std::make_unique<CPanelRenderer>();
    renderer->buildLayout(requestFor(mode), benchTable());
    renderer->resetValueCaches();
    renderer->drawMemoIcons(benchTable());
    apply(set, benchTable(), values);
    renderer->liveUpdate(benchTable(), values);
    return renderer;
}

// What each mode's passes drew, for the limits and the table.
struct ModeFigures {
    int64_t nothingPixels = -1;
    bool nothingImageSame = false;
    bool nothingReportedDrawn = true;
    int64_t allPixels = 0;
    int64_t allRows = 0;
};
std::map<int, ModeFigures> figures;

// A plain copy of `pixels` pixels in rows of `rowLength`: from a small source that stays in the
// cache, as the panel pictures do, to rows spread over a screen-sized target, as the panels are.
void copyRows(benchmark::State& state, int64_t pixels, int64_t rowLength) {
    const int width = kScreen.width();
    const int height = kScreen.height();
    rowLength = std::clamp<int64_t>(rowLength, 1, width);
    const int64_t rows = pixels / rowLength;
    constexpr int kSourceRows = 256;
    const size_t rowBytes = static_cast<size_t>(rowLength) * sizeof(QRgb);
    std::vector<QRgb> source(static_cast<size_t>(rowLength) * kSourceRows, 0xFF336699);
    std::vector<QRgb> target(static_cast<size_t>(width) * height);
    const int64_t columns = std::max<int64_t>(width / rowLength, 1);
    for (auto _ : state) {
        for (int64_t r = 0; r < rows; ++r) {
            const int64_t x = (r / height) % columns * rowLength;
            QRgb* to = target.data() + (r % height) * width + x;
            std::memcpy(to, source.data() + (r % kSourceRows) * rowLength, rowBytes);
        }
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

// The view's paint at scroll position 0 of a screen-sized window: the strip of the large modes
// and the content beside or below it, as disjoint opaque blocks.
void paintAsTheView(QPainter& painter, const CPanelRenderer& renderer) {
    const QImage& content = renderer.contentImage();
    const QImage& strip = renderer.stripImage();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const auto block = [&painter](QPoint at, const QImage& source, const QRect& part) {
        const QRect clipped = part & source.rect();
        if (!clipped.isEmpty()) {
            painter.drawImage(at, source, clipped);
        }
    };
    if (renderer.layoutMode() == kLayoutLargeVertical) {
        const int stripWidth = renderer.stripSize().width();
        block({0, 0}, strip, QRect(0, 0, stripWidth, kScreen.height()));
        block({stripWidth, 0}, content,
              QRect(0, 0, kScreen.width() - stripWidth, kScreen.height()));
    } else if (renderer.layoutMode() == kLayoutLargeHorizontal) {
        const int stripHeight = renderer.stripSize().height();
        block({0, 0}, strip, QRect(0, 0, kScreen.width(), stripHeight));
        block({0, stripHeight}, content,
              QRect(0, 0, kScreen.width(), kScreen.height() - stripHeight));
    } else {
        block({0, 0}, content, QRect(QPoint(), kScreen));
    }
}

void registerMode(int mode) {
    const std::string suffix = "/mode" + std::to_string(mode);
    benchmark::RegisterBenchmark(
        ("live_nothing_changed" + suffix).c_str(), [mode](benchmark::State& state) {
            MonitorValueTable values;
            auto renderer = builtRenderer(mode, values, kSetA);
            const QImage before = renderer->contentImage().copy();
            bool drawn = false;
            for (auto _ : state) {
                drawn = renderer->liveUpdate(benchTable(), values) || drawn;
            }
            ModeFigures& f = figures[mode];
            f.nothingPixels = renderer->lastPassPixels();
            f.nothingImageSame = renderer->contentImage() == before;
            f.nothingReportedDrawn = drawn;
        });
    benchmark::RegisterBenchmark(("live_all_changed" + suffix).c_str(),
                                 [mode](benchmark::State& state) {
                                     MonitorValueTable values;
                                     auto renderer = builtRenderer(mode, values, kSetA);
                                     bool b = false;
                                     int64_t pixels = 0, rows = 0, passes = 0;
                                     for (auto _ : state) {
                                         b = !b;
                                         apply(b ? kSetB : kSetA, benchTable(), values);
                                         renderer->liveUpdate(benchTable(), values);
                                         pixels += renderer->lastPassPixels();
                                         rows += renderer->lastPassRows();
                                         ++passes;
                                     }
                                     ModeFigures& f = figures[mode];
                                     f.allPixels = pixels / std::max<int64_t>(passes, 1);
                                     f.allRows = rows / std::max<int64_t>(passes, 1);
                                 });
    benchmark::RegisterBenchmark(
        ("pixel_copy_limit" + suffix).c_str(), [mode](benchmark::State& state) {
            const ModeFigures& f = figures[mode];
            copyRows(state, f.allPixels, f.allRows > 0 ? f.allPixels / f.allRows : 0);
        });
    benchmark::RegisterBenchmark(("full_paint" + suffix).c_str(), [mode](benchmark::State& state) {
        MonitorValueTable values;
        auto renderer = builtRenderer(mode, values, kSetA);
        QImage window(kScreen, QImage::Format_RGB32);
        for (auto _ : state) {
            QPainter painter(&window);
            paintAsTheView(painter, *renderer);
        }
    });
    benchmark::RegisterBenchmark(("layout_build" + suffix).c_str(),
                                 [mode](benchmark::State& state) {
                                     CPanelRenderer renderer;
                                     for (auto _ : state) {
                                         renderer.buildLayout(requestFor(mode), benchTable());
                                     }
                                 });
}

// Keeps each run's CPU time per iteration (ns) while the console shows the usual table.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const double toNs = 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            ns[run.benchmark_name()] = run.GetAdjustedCPUTime() * toNs;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> ns;
};

QString us(double ns) {
    return fixed(ns / 1e3, 1);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        registerMode(mode);
    }
    benchmark::RegisterBenchmark("window_copy_limit", [](benchmark::State& state) {
        copyRows(state, int64_t{kScreen.width()} * kScreen.height(), kScreen.width());
    });
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    static const char* const kModeNames[] = {"Large Vertical", "Large Horizontal", "Small Vertical",
                                             "Small Horizontal"};
    const double windowCopy = reporter.ns["window_copy_limit"];
    for (int mode = 0; mode < kLayoutModeCount; ++mode) {
        const std::string suffix = "/mode" + std::to_string(mode);
        const ModeFigures& f = figures[mode];
        const double nothing = reporter.ns["live_nothing_changed" + suffix];
        const double all = reporter.ns["live_all_changed" + suffix];
        const double limit = reporter.ns["pixel_copy_limit" + suffix];
        const double paint = reporter.ns["full_paint" + suffix];
        const double build = reporter.ns["layout_build" + suffix];
        const bool untouched =
            f.nothingPixels == 0 && f.nothingImageSame && !f.nothingReportedDrawn;
        std::vector<ResultRow> rows{
            {QStringLiteral("live pass, nothing changed (µs)"), us(nothing), {}, {}, {}, {}},
            {QStringLiteral("pixels touched when nothing changed"),
             QString::number(f.nothingPixels),
             {},
             {},
             QStringLiteral("0, image unchanged"),
             metText(untouched)},
            {QStringLiteral("live pass, everything changed (µs)"), us(all), us(limit),
             fixed(all / limit, 2), QStringLiteral("≤ %1×").arg(kLiveRatioBudget),
             metText(all / limit <= kLiveRatioBudget)},
            {QStringLiteral("pixels copied by that pass"),
             QString::number(f.allPixels),
             QStringLiteral("%1 rows").arg(f.allRows),
             {},
             {},
             {}},
            {QStringLiteral("full paint 1920 × 1080 (µs)"),
             us(paint),
             us(windowCopy),
             fixed(paint / windowCopy, 2),
             {},
             {}},
            {QStringLiteral("layout build (ms)"), fixed(build / 1e6, 2), {}, {}, {}, {}},
        };
        printSection(QStringLiteral("Rendering: layout mode %1 (%2), 60 panels")
                         .arg(mode)
                         .arg(QLatin1String(kModeNames[mode])),
                     rows);
    }
    std::printf("Rendering limits: the pass against a plain copy of as many pixels in rows of "
                "the same average length; the paint against a plain copy of 1920 × 1080 "
                "pixels. CPU time per iteration. Load average after: %s\n\n",
                loadAverage().c_str());
    return 0;
}
