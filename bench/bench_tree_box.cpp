// Tree box painting on the offscreen platform: redraw of a 1 000-item and a 1 000 001-item tree
// scrolled to the top, the middle and the end, with the derived indexes current and stale (and
// right after an edit that changes the buffer length), then frames per second of wheel scrolling
// and of dragging the thumb over the million rows. The 1 000-item tree is the peer: after the
// table the ratio (million / thousand, by time per redraw) is printed for each position.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include "controls/scroll_bar.h"
#include "tree/ui/tree_box.h"

using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuang;
using rg_TolvarMingLingJi_ChuangKouZuJian::TreeIndexKind;

namespace {

CWString number(int v) {
    CWString out;
    do {
        out.insert(out.begin(), char16_t(u'0' + v % 10));
        v /= 10;
    } while (v > 0);
    return out;
}

// One record from its byte layout: text, 01 02 03 04, level, image, selected image -1,
// reserved 0, expand, check 0, both colours -1.
void appendRecordBytes(CKorMem& buf, const CWString& text, int32_t image, int32_t level, uint8_t expand) {
    const size_t textBytes = text.size() * 2;
    uint8_t* p = buf.extend(textBytes + 30);
    std::memcpy(p, text.data(), textBytes);
    p += textBytes;
    const uint8_t sep[4] = {1, 2, 3, 4};
    std::memcpy(p, sep, 4);
    const int32_t fields[4] = {level, image, -1, 0};
    std::memcpy(p + 4, fields, 16);
    p[20] = expand;
    p[21] = 0;
    const int32_t colours[2] = {-1, -1};
    std::memcpy(p + 22, colours, 8);
}

// A shown tree box holding a root and `groups` expanded objects of 9 fields each (every item is
// a row), with icons, check boxes and connector lines: 1 + 10 * groups items.
struct Fixture {
    std::unique_ptr<QWidget> host;
    rg_TolvarShuXingKuang* box = nullptr;

    explicit Fixture(int groups) {
        host = std::make_unique<QWidget>();
        host->resize(440, 640);
        box = new rg_TolvarShuXingKuang(host.get());
        box->setGeometry(0, 0, 420, 620);
        auto& p = box->properties();
        p.checkBoxes = 1;
        box->store().properties().autoRedraw = 0;
        box->setImageStrip(500);
        auto& store = box->store();
        store.appendTopItem(u"Tolvar·JSON", 0);
        CKorMem rest;
        rest.setGrowthStep(static_cast<size_t>(groups) * 420);
        int32_t n = 0;
        CWString text;
        for (int k = 0; k < groups; ++k) {
            text.clear();
            text += u'[';
            text += number(k);
            text += u']';
            appendRecordBytes(rest, text, 0, 1, 2);
            ++n;
            for (int f = 0; f < 9; ++f, ++n) {
                text.clear();
                text.append(u"field", 5);
                text += char16_t(u'0' + f);
                text += u":'value of field ";
                text += number(k);
                text += u"'";
                appendRecordBytes(rest, text, 2, 2, 0);
            }
        }
        ItemCursor c;
        store.replaceSubtree(0, 2, rest, n, c);
        box->store().properties().autoRedraw = 1;
        host->show();
        QApplication::processEvents();
        box->redraw(-1);
        store.waitForIndexWorkers();
        box->redraw(-1);
    }

    int32_t rows() { return box->store().rowCount(); }
    void top(int position) { // 0 top, 1 middle, 2 end
        const int32_t row = position == 0   ? 0
                            : position == 1 ? rows() / 2
                                            : std::max(rows() - box->rowsThatFit() + 2, 0);
        box->redraw(box->store().itemAtRow(row));
    }
    void staleIndexes() {
        auto& store = box->store();
        for (auto k : {TreeIndexKind::Offset, TreeIndexKind::SubtreeEnd, TreeIndexKind::Parent,
                       TreeIndexKind::Sibling})
            store.markIndexStale(k);
    }
};

// Built once per size; emptied before the application object goes away.
std::map<int, std::unique_ptr<Fixture>>& fixtures() {
    static std::map<int, std::unique_ptr<Fixture>> all;
    return all;
}

Fixture& fixture(int groups) {
    auto& f = fixtures()[groups];
    if (!f) f = std::make_unique<Fixture>(groups);
    return *f;
}

constexpr int kThousand = 100;   // 1 001 items
constexpr int kMillion = 100000; // 1 000 001 items
const char* const kPositions[] = {"top", "middle", "end"};

// ---- redraw ----------------------------------------------------------------------------------

void BM_Redraw(benchmark::State& state) {
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    const int position = static_cast<int>(state.range(1));
    const bool current = state.range(2) != 0;
    auto& store = f.box->store();
    store.waitForIndexWorkers();
    f.top(position);
    store.waitForIndexWorkers();
    for (auto _ : state) {
        if (!current) f.staleIndexes(); // redraw paints by scanning and starts the workers again
        f.box->redraw(-1);
        benchmark::DoNotOptimize(f.box->paintedRows().data());
    }
    store.waitForIndexWorkers();
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.box->paintedRows().size()));
    state.SetLabel(std::string(kPositions[position]) + (current ? ", indexes current" : ", indexes stale") +
                   ", rows/s");
}
BENCHMARK(BM_Redraw)->ArgsProduct({{kThousand, kMillion}, {0, 1, 2}, {1, 0}})->Unit(benchmark::kMicrosecond);

// A redraw right after an edit that changed the buffer length: the row list is rebuilt (a walk
// over every item) and the indexes are stale.
void BM_RedrawAfterEdit(benchmark::State& state) {
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    auto& store = f.box->store();
    store.waitForIndexWorkers();
    f.top(1);
    const int32_t item = f.box->paintedRows().front().item + 3;
    bool longer = true;
    for (auto _ : state) {
        state.PauseTiming();
        store.properties().autoRedraw = 0;
        ItemCursor c;
        store.setText(item, longer ? CWString(u"edited, a little longer") : CWString(u"edited"), c);
        longer = !longer;
        store.properties().autoRedraw = 1;
        state.ResumeTiming();
        f.box->redraw(-1);
    }
    store.waitForIndexWorkers();
    state.SetLabel("middle, after a length change");
}
BENCHMARK(BM_RedrawAfterEdit)->Arg(kThousand)->Arg(kMillion)->Unit(benchmark::kMillisecond);

// ---- frames of scrolling -----------------------------------------------------------------------

void sendWheel(QWidget* w, int delta) {
    const QPoint at(60, 60);
    QWheelEvent e(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// One wheel notch per frame, down to the end and back up again; each frame is painted and
// flushed to the window before the next.
void BM_WheelFrames(benchmark::State& state) {
    Fixture& f = fixture(kMillion);
    f.box->store().waitForIndexWorkers();
    f.top(1);
    int direction = -120;
    for (auto _ : state) {
        auto* bar = f.box->verticalBar();
        if (bar->position() >= bar->maximum())
            direction = 120;
        else if (bar->position() <= 1)
            direction = -120;
        sendWheel(f.box->canvas(), direction * static_cast<int>(state.range(0)));
        f.box->canvas()->repaint();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("frames/s, " + std::to_string(state.range(0)) + " notch(es) per frame");
}
BENCHMARK(BM_WheelFrames)->Arg(1)->Arg(40)->Unit(benchmark::kMicrosecond);

// The thumb dragged one pixel per frame over the whole track, down and up again.
void BM_ThumbDragFrames(benchmark::State& state) {
    Fixture& f = fixture(kMillion);
    f.box->store().waitForIndexWorkers();
    f.top(0);
    auto* bar = f.box->verticalBar();
    auto* canvas = bar->canvas();
    QPoint at(8, bar->thumbStart() + bar->thumbLength() / 2);
    sendMouse(canvas, QEvent::MouseButtonPress, at, Qt::LeftButton);
    int step = 1;
    const int first = bar->thickness() + 1, last = bar->length() - bar->thickness() - 1;
    for (auto _ : state) {
        if (at.y() >= last)
            step = -1;
        else if (at.y() <= first)
            step = 1;
        at.ry() += step;
        sendMouse(canvas, QEvent::MouseMove, at, Qt::LeftButton);
        f.box->canvas()->repaint();
    }
    sendMouse(canvas, QEvent::MouseButtonRelease, at, Qt::NoButton);
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("frames/s, one pixel (~" +
                   std::to_string(static_cast<int>(1.0 / bar->pixelsPerPosition())) + " rows) per frame");
}
BENCHMARK(BM_ThumbDragFrames)->Unit(benchmark::kMicrosecond);

// ---- peer ratio --------------------------------------------------------------------------------

double microsPerRedraw(Fixture& f, int position) {
    f.box->store().waitForIndexWorkers();
    f.top(position);
    f.box->store().waitForIndexWorkers();
    std::vector<double> samples;
    for (int round = 0; round < 7; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int k = 0; k < 50; ++k)
            f.box->redraw(-1);
        const auto end = std::chrono::steady_clock::now();
        samples.push_back(std::chrono::duration<double, std::micro>(end - start).count() / 50);
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

void printRatios() {
    std::printf("\nredraw, indexes current (median of 7 x 50): million / thousand\n");
    for (int position = 0; position < 3; ++position) {
        const double big = microsPerRedraw(fixture(kMillion), position);
        const double small = microsPerRedraw(fixture(kThousand), position);
        std::printf("  %-6s  1 000 001 items %8.1f us   1 001 items %8.1f us   ratio %.2f\n",
                    kPositions[position], big, small, big / small);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    printRatios();
    benchmark::Shutdown();
    fixtures().clear();
    return 0;
}
