// "删除" (10004) of element [0] of a root array, and the renumbering of the later elements' labels
// ("[1]" becomes "[0]", ...) that it needs:
//
//   BM_DeleteFirstElement/N      the whole command in the main window on the offscreen platform,
//                                a root array of N elements parsed from the clipboard beforehand
//   BM_RenumberOnePass/N         the store alone: remove item 1 of a top item with N children,
//                                then shiftElementLabels over the N - 1 later siblings
//   BM_RenumberPerItem/N         peer: the same renumbering done item by item (nextSibling,
//                                getText, setItem), as a caller without the batched operation would
//
// Every iteration rebuilds its tree with the timer paused; one iteration per run, since each is a
// user action on a fresh tree. The per-item peer is quadratic, so it runs only on the small sizes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include <QApplication>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "tree/item_store.h"

using namespace rg_Korrin_ChengXu;
using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using Store = rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu;

namespace {

CWString arrayText(int64_t count) {
    std::string s = "[";
    for (int64_t i = 0; i < count; ++i) {
        s += std::to_string(i % 1000);
        s += i + 1 < count ? "," : "]";
    }
    return CWString(s.begin(), s.end());
}

CWString decimal(int64_t v) {
    const std::string s = std::to_string(v);
    return CWString(s.begin(), s.end());
}

// One window for the whole run, as a user has.
struct App {
    rg_Korrin_ChuangKou::TestPlatform platform;
    std::unique_ptr<rg_Korrin_ChuangKou::TestPlatformInstall> install;
    QTemporaryDir dir;
    std::unique_ptr<rg_ZhuChuangKou1> window;
};
App* g_app = nullptr;

void BM_DeleteFirstElement(benchmark::State& state) {
    rg_ZhuChuangKou1& w = *g_app->window;
    const int64_t n = state.range(0);
    const CWString text = arrayText(n);
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        g_app->platform.clipboard = text;
        w.onButtonClicked(w.clipboardParseButton, 0);
        QCoreApplication::processEvents();
        Store& store = w.current()->tree->store();
        store.setSelection(1); // [0]: the path box names it
        state.ResumeTiming();
        w.onMenuCommand(rg_ShuCaiChanLei::kDelete);
        state.PauseTiming();
        ok = ok && store.itemCount() == n && store.getText(1) == u"[0]:1" &&
             store.getText(static_cast<int32_t>(n - 1)) ==
                 u"[" + decimal(n - 2) + u"]:" + decimal((n - 1) % 1000);
        state.ResumeTiming();
    }
    if (!ok) state.SkipWithError("labels wrong after the delete");
    state.SetItemsProcessed(state.iterations() * n);
}

// A top item with n children "[k]:k".
void buildChildren(Store& store, int64_t n) {
    store.properties().autoRedraw = 0;
    store.clearItems();
    store.appendTopItem(u"Tolvar·JSON", Store::kImageArray);
    CKorMem records;
    for (int64_t k = 0; k < n; ++k)
        Store::appendRecord(records, u"[" + decimal(k) + u"]:" + decimal(k % 1000), Store::kImageValue, 1);
    ItemCursor c;
    store.replaceSubtree(0, 2, records, static_cast<int32_t>(n), c);
}

template <bool OnePass> void renumber(benchmark::State& state) {
    const int64_t n = state.range(0);
    Store store;
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        buildChildren(store, n);
        state.ResumeTiming();
        ItemCursor c;
        store.replaceSubtree(1, 0, CKorMem(), 0, c);
        if (OnePass) {
            ItemCursor first;
            store.shiftElementLabels(1, -1, first);
        } else {
            for (int32_t i = 1; i >= 0; i = store.nextSibling(i)) {
                CWString t = store.getText(i);
                const size_t close = t.find(u']');
                const int64_t k =
                    std::stoll(std::string(t.begin() + 1, t.begin() + static_cast<std::ptrdiff_t>(close)));
                t.replace(1, close - 1, decimal(k - 1));
                ItemCursor ci;
                store.setItem(i, CWStringView(t), Store::kKeepImage, -1, -1, ci, true);
            }
        }
        state.PauseTiming();
        ok = ok && store.getText(static_cast<int32_t>(n - 1)) ==
                       u"[" + decimal(n - 2) + u"]:" + decimal((n - 1) % 1000);
        state.ResumeTiming();
    }
    if (!ok) state.SkipWithError("labels wrong after renumbering");
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_RenumberOnePass(benchmark::State& state) {
    renumber<true>(state);
}
void BM_RenumberPerItem(benchmark::State& state) {
    renumber<false>(state);
}

} // namespace

BENCHMARK(BM_DeleteFirstElement)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenumberOnePass)
    ->Arg(20000)
    ->Arg(40000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenumberPerItem)->Arg(20000)->Arg(40000)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    App app;
    app.install = std::make_unique<rg_Korrin_ChuangKou::TestPlatformInstall>(app.platform);
    app.window = std::make_unique<rg_ZhuChuangKou1>(rg_Korrin_ChuangKou::fromQString(app.dir.path()));
    app.window->show();
    app.window->onFirstActivated();
    g_app = &app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_app = nullptr;
    return 0;
}
