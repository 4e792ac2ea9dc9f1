// Scripted timings of undo and redo in the main window, each beside the command it undoes, in
// the same run and on the same data (offscreen platform):
//
//   delete     "删除" (10004) of a subtree of 100,001 items, then undo and redo
//   set value  "修改键值" (10007) on a node with 100,000 children (the pane holding a new
//              100,000-element array), then undo and redo
//   replace    a parse of a 100 MB text (50M UTF-16 units) from the clipboard replacing a
//              document of the same size, then undo and redo
//
// Each figure is the median of a few runs; the ratio is undo (redo) time over the command's time.
// The bytes the entry is charged to the undo budget are printed with it. Not Google Benchmark
// loops: every run is a user action with side effects on the window and on files.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <QApplication>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"

using namespace rg_Korrin_ChengXu;
using Clock = std::chrono::steady_clock;
using M = rg_ShuCaiChanLei;

namespace {

double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timed(const std::function<void()>& f) {
    const auto a = Clock::now();
    f();
    QCoreApplication::processEvents();
    return ms(a, Clock::now());
}

CWString bigArray(int n, int offset) {
    CWString s = u"[";
    for (int i = 0; i < n; ++i) {
        if (i) s += u",";
        s += rg_Korrin_ChuangKou::fromQString(QString::number(i + offset));
    }
    return s + u"]";
}

// A text of about `units` UTF-16 units: an array of small objects.
CWString bigDocument(size_t units, int salt) {
    CWString s = u"[";
    s.reserve(units + 64);
    for (int i = 0; s.size() < units; ++i) {
        if (i) s += u",";
        s += u"{\"id\":";
        s += rg_Korrin_ChuangKou::fromQString(QString::number(i + salt));
        s += u",\"name\":\"item number\",\"tags\":[1,2,3],\"ok\":true}";
    }
    return s + u"]";
}

int32_t itemWithText(rg_ZhuChuangKou1& w, CWStringView text) {
    auto& st = w.current()->tree->store();
    for (int32_t i = 0; i < st.itemCount(); ++i)
        if (st.getText(i) == text) return i;
    return -1;
}

void select(rg_ZhuChuangKou1& w, int32_t item) {
    w.current()->tree->store().setSelection(item);
}

struct Row {
    const char* name;
    double command, undo, redo;
    size_t bytes;
};

void print(const Row& r) {
    std::printf("%-10s command %9.1f ms   undo %9.1f ms (%.2fx)   redo %9.1f ms (%.2fx)   entry %.1f MB\n",
                r.name, r.command, r.undo, r.undo / r.command, r.redo, r.redo / r.command,
                double(r.bytes) / 1048576.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    rg_Korrin_ChuangKou::TestPlatform platform;
    rg_Korrin_ChuangKou::TestPlatformInstall install(platform);
    rg_ZhuChuangKou1 w(rg_Korrin_ChuangKou::fromQString(dir.path()));
    w.resize(rg_ZhuChuangKou1::kDesignWidth, rg_ZhuChuangKou1::kDesignHeight);
    w.show();
    w.onFirstActivated();
    w.history().setBudget(size_t(2) << 30); // the replaced 100 MB document must fit for its undo
    const int runs = 3;

    {
        std::vector<double> c, u, r;
        size_t bytes = 0;
        for (int run = 0; run < runs; ++run) {
            platform.clipboard = u"{\"a\":1,\"big\":" + bigArray(100000, 0) + u",\"z\":2}";
            w.onButtonClicked(w.clipboardParseButton, 0);
            w.history().clear(0);
            select(w, itemWithText(w, u"big"));
            c.push_back(timed([&] { w.onTreeMenuCommand(M::kDelete); }));
            bytes = w.history().totalBytes();
            u.push_back(timed([&] { w.undo(); }));
            r.push_back(timed([&] { w.redo(); }));
            w.history().clear(0);
        }
        print({"delete", median(c), median(u), median(r), bytes});
    }
    {
        std::vector<double> c, u, r;
        size_t bytes = 0;
        for (int run = 0; run < runs; ++run) {
            platform.clipboard = u"{\"a\":1,\"big\":" + bigArray(100000, 0) + u",\"z\":2}";
            w.onButtonClicked(w.clipboardParseButton, 0);
            w.history().clear(0);
            select(w, itemWithText(w, u"big"));
            w.current()->pane->setText(bigArray(100000, 7));
            c.push_back(timed([&] { w.onTreeMenuCommand(M::kSetValue); }));
            bytes = w.history().totalBytes();
            u.push_back(timed([&] { w.undo(); }));
            r.push_back(timed([&] { w.redo(); }));
        }
        print({"set value", median(c), median(u), median(r), bytes});
    }
    {
        std::vector<double> c, u, r;
        size_t bytes = 0;
        const size_t units = size_t(50) << 20; // 100 MB of UTF-16
        for (int run = 0; run < runs; ++run) {
            platform.clipboard = bigDocument(units, 0);
            w.onButtonClicked(w.clipboardParseButton, 0);
            w.history().clear(0);
            platform.clipboard = bigDocument(units, 1);
            c.push_back(timed([&] { w.onButtonClicked(w.clipboardParseButton, 0); }));
            bytes = w.history().totalBytes();
            u.push_back(timed([&] { w.undo(); }));
            r.push_back(timed([&] { w.redo(); }));
            w.history().clear(0);
        }
        print({"replace", median(c), median(u), median(r), bytes});
    }
    w.close();
    return 0;
}
