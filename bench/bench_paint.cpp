// Painting one frame of tree-like rows (highlight, glyph box, connector lines, icon, text) on the
// canvas, and the same calls made with QPainter on a QImage directly (the peer). Also one scroll
// bar refresh. Rows per second; the ratio canvas/peer is printed at the end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "controls/scroll_bar.h"
#include "runtime/ui/canvas.h"
#include "runtime/ui/colour.h"
#include "runtime/ui/qt_text.h"

using namespace rg_Korrin_ChuangKou;

namespace {

constexpr int kWidth = 800, kHeight = 720, kRowPitch = 18, kRows = kHeight / kRowPitch;

std::vector<CWString> rowTexts() {
    std::vector<CWString> texts;
    for (int i = 0; i < kRows; ++i) {
        const std::string s =
            "\"key_" + std::to_string(i) + "\": \"value number " + std::to_string(i * 7919) + "\"";
        texts.emplace_back(s.begin(), s.end());
    }
    return texts;
}

QImage iconImage() {
    QImage icon(16, 16, QImage::Format_RGB32);
    icon.fill(Qt::white);
    QPainter p(&icon);
    p.fillRect(3, 3, 10, 10, QColor(0, 120, 215));
    return icon;
}

// Nanoseconds per frame of the last run of each, for the ratio printed at the end.
double g_canvasNs = 0, g_peerNs = 0;

double nsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<double>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
            .count());
}

void BM_CanvasFrame(benchmark::State& state) {
    rg_HuaBan canvas;
    canvas.resize(kWidth, kHeight);
    const auto texts = rowTexts();
    const rg_ZengJiangWeiTuLei icon(iconImage());
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        canvas.beginRedrawSuspension();
        canvas.setBackColour(0xFFFFFF);
        canvas.clear();
        for (int r = 0; r < kRows; ++r) {
            const int y = r * kRowPitch, x = 6 + (r % 5) * 21;
            canvas.setPenColour(0xFF8080);
            canvas.setBrushColour(0xFFFFFF);
            canvas.rectangle(x + 2, y + 2, x + 13, y + 13);
            canvas.setPenColour(0);
            canvas.line(x + 4, y + 7, x + 11, y + 7);
            canvas.setPenColour(0xC0C0C0);
            canvas.line(x - 6, y, x - 6, y + kRowPitch);
            canvas.line(x - 6, y + 9, x, y + 9);
            canvas.drawBitmap(x + 19, y + 1, 16, 16, icon, 0xFFFFFF);
            const bool current = r == 7;
            canvas.setTextColour(current ? 0xFFFFFF : 0);
            canvas.setTextBackColour(current ? 0xC06000 : -1);
            canvas.text(x + 40, y + 2, texts[static_cast<size_t>(r)]);
        }
        canvas.endRedrawSuspension();
        benchmark::DoNotOptimize(canvas.pixelRef(10, 10));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    g_canvasNs = nsSince(start) / static_cast<double>(state.iterations());
}

void BM_PeerQPainterFrame(benchmark::State& state) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const auto texts = rowTexts();
    QImage icon = iconImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            if (icon.pixel(x, y) == qRgb(255, 255, 255)) icon.setPixel(x, y, 0);
    const QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        QPainter p(&image);
        p.setFont(font);
        p.fillRect(image.rect(), Qt::white);
        for (int r = 0; r < kRows; ++r) {
            const int y = r * kRowPitch, x = 6 + (r % 5) * 21;
            p.setPen(QColor(0x80, 0x80, 0xFF));
            p.setBrush(Qt::white);
            p.drawRect(x + 2, y + 2, 10, 10);
            p.fillRect(x + 4, y + 7, 7, 1, Qt::black);
            p.fillRect(x - 6, y, 1, kRowPitch, QColor(0xC0, 0xC0, 0xC0));
            p.fillRect(x - 6, y + 9, 6, 1, QColor(0xC0, 0xC0, 0xC0));
            p.drawImage(QPoint(x + 19, y + 1), icon);
            const QString s = rawQString(texts[static_cast<size_t>(r)]);
            if (r == 7)
                p.fillRect(QRect(x + 40, y + 2, metrics.horizontalAdvance(s), metrics.height()),
                           QColor(0, 0x60, 0xC0));
            p.setPen(r == 7 ? Qt::white : Qt::black);
            p.drawText(x + 40, y + 2 + metrics.ascent(), s);
        }
        p.end();
        benchmark::DoNotOptimize(image.pixel(10, 10));
    }
    state.SetItemsProcessed(state.iterations() * kRows);
    g_peerNs = nsSince(start) / static_cast<double>(state.iterations());
}

void BM_ScrollBarRefresh(benchmark::State& state) {
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarGunDongTiao bar(nullptr, true);
    bar.resize(16, 700);
    bar.show();
    bar.setMaximum(1000000);
    int p = 1;
    for (auto _ : state) {
        bar.setPosition(p);
        bar.refresh(0, 0);
        p = p % 1000000 + 997;
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_CanvasFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeerQPainterFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollBarRefresh)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_canvasNs > 0 && g_peerNs > 0)
        std::printf("frame of %d rows: canvas %.1f us, QPainter peer %.1f us, ratio ours/peer %.2f\n", kRows,
                    g_canvasNs / 1000, g_peerNs / 1000, g_canvasNs / g_peerNs);
    return 0;
}
