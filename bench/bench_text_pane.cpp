// Putting a node's JSON text into the text pane, first paint and scrolling, against QPlainTextEdit
// (the peer) on the same text in the same process:
//   indented: the corpus twitter.json repeated to 50 MiB of UTF-8 (about 1.4 million lines);
//   compact:  the same repeated to 10 MiB with every line break turned into a blank - one line
//             (the peer needs tens of seconds per call on the 50 MiB line, so the compact pair
//             runs on a fifth of it).
// Each pair prints "ratio ours/peer" at the end. Both widgets are 560 x 344, word wrap on, on
// the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "runtime/ui/qt_text.h"
#include "text/ui/rich_edit.h"

namespace {

using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarChaoJiBianJiKuang1;

struct Texts {
    CWString indented;
    CWString compact;
    QString indentedQ;
    QString compactQ;
};

const Texts& texts() {
    static const Texts t = [] {
        std::ifstream in(QUELIX_CORPUS_DIR "/bench/twitter.json", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const QString doc = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        Texts r;
        QString indented, compact;
        for (size_t total = 0; total < (size_t(50) << 20); total += bytes.size())
            indented += doc;
        for (size_t total = 0; total < (size_t(10) << 20); total += bytes.size())
            compact += doc;
        compact.replace(QLatin1Char('\r'), QLatin1Char(' '));
        compact.replace(QLatin1Char('\n'), QLatin1Char(' '));
        r.indentedQ = indented;
        r.compactQ = compact;
        r.indented = rg_Korrin_ChuangKou::fromQString(indented);
        r.compact = rg_Korrin_ChuangKou::fromQString(compact);
        return r;
    }();
    return t;
}

template <class Widget> void prepare(Widget& w) {
    w.resize(560, 344);
    w.show();
    QApplication::processEvents();
}

void oursSet(benchmark::State& state, const CWString& text, bool paint) {
    rg_TolvarChaoJiBianJiKuang1 box;
    prepare(box);
    for (auto _ : state) {
        state.PauseTiming();
        CWString copy = text; // the caller hands its text over; the copy is not part of the call
        box.setText({});
        state.ResumeTiming();
        box.setText(std::move(copy));
        if (paint) box.viewport()->repaint();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size() * 2));
}

void peerSet(benchmark::State& state, const QString& text, bool paint) {
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    prepare(edit);
    for (auto _ : state) {
        state.PauseTiming();
        edit.clear();
        state.ResumeTiming();
        edit.setPlainText(text);
        if (paint) edit.viewport()->repaint();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size() * 2));
}

// One page down and a repaint per iteration, from the middle of the text.
template <class Widget> void scrollPages(benchmark::State& state, Widget& w) {
    QScrollBar* bar = w.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    w.viewport()->repaint();
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep());
        w.viewport()->repaint();
        if (bar->value() >= bar->maximum()) bar->setValue(bar->maximum() / 2);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void oursScroll(benchmark::State& state, const CWString& text) {
    rg_TolvarChaoJiBianJiKuang1 box;
    prepare(box);
    box.setText(text);
    scrollPages(state, box);
}

void peerScroll(benchmark::State& state, const QString& text) {
    QPlainTextEdit edit;
    prepare(edit);
    edit.setPlainText(text);
    scrollPages(state, edit);
}

// Prints the console table and, at the end, ours/peer for every pair "<name>/ours", "<name>/peer".
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const double t = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit); // s
            auto [it, inserted] = best_.emplace(run.run_name.function_name, t);
            if (!inserted && t < it->second) it->second = t;
        }
    }
    void printRatios() const {
        std::printf("\nratio ours/peer (real time, best run)\n");
        for (const auto& [name, ours] : best_) {
            const size_t cut = name.rfind("/ours");
            if (cut == std::string::npos || cut + 5 != name.size()) continue;
            const auto peer = best_.find(name.substr(0, cut) + "/peer");
            if (peer != best_.end())
                std::printf("  %-28s %.4f  (ours %.1f ms, peer %.1f ms)\n", name.substr(0, cut).c_str(),
                            ours / peer->second, ours * 1e3, peer->second * 1e3);
        }
    }

private:
    std::map<std::string, double> best_;
};

void registerAll() {
    using benchmark::RegisterBenchmark;
    const Texts& t = texts();
    auto ms = benchmark::kMillisecond;
    RegisterBenchmark("set_indented_50MiB/ours", [&t](benchmark::State& s) { oursSet(s, t.indented, false); })
        ->Unit(ms)
        ->Iterations(5);
    RegisterBenchmark("set_indented_50MiB/peer",
                      [&t](benchmark::State& s) { peerSet(s, t.indentedQ, false); })
        ->Unit(ms)
        ->Iterations(1);
    RegisterBenchmark("set_paint_indented_50MiB/ours",
                      [&t](benchmark::State& s) { oursSet(s, t.indented, true); })
        ->Unit(ms)
        ->Iterations(5);
    RegisterBenchmark("set_paint_indented_50MiB/peer",
                      [&t](benchmark::State& s) { peerSet(s, t.indentedQ, true); })
        ->Unit(ms)
        ->Iterations(1);
    RegisterBenchmark("set_paint_compact_10MiB/ours",
                      [&t](benchmark::State& s) { oursSet(s, t.compact, true); })
        ->Unit(ms)
        ->Iterations(5);
    RegisterBenchmark("set_paint_compact_10MiB/peer",
                      [&t](benchmark::State& s) { peerSet(s, t.compactQ, true); })
        ->Unit(ms)
        ->Iterations(1);
    RegisterBenchmark("page_down_indented_50MiB/ours",
                      [&t](benchmark::State& s) { oursScroll(s, t.indented); })
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(200);
    RegisterBenchmark("page_down_indented_50MiB/peer",
                      [&t](benchmark::State& s) { peerScroll(s, t.indentedQ); })
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(200);
    RegisterBenchmark("page_down_compact_10MiB/ours", [&t](benchmark::State& s) { oursScroll(s, t.compact); })
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(200);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
