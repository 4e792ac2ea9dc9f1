// Scripted timings of the main window's commands on large data, on the offscreen platform:
//
//   find         the find panel's search from item 0 of a document of 1,000,000 tree items whose
//                only match is the last item, in the plain, wildcard and regular-expression modes
//   set value    "修改键值" (10007) on a node with 100,000 children, the text pane holding a new
//                100,000-element array
//   delete       "删除" (10004) of a subtree of 100,001 items
//   stream       the stream panel extracting the last value of a generated 2 GB file (made in the
//                temporary folder only when it has room; removed afterwards)
//
// Each figure is the median of a few runs of the whole command. While a command runs, a 16 ms
// timer (as an animation would use) ticks and asks the status bar to repaint; the table shows how
// many ticks and paints got through and the longest gap between ticks, which is how long the
// window was unresponsive at worst.
//
// Not Google Benchmark loops: every run is a user action with side effects on the window and on
// files.
#include <sys/statvfs.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_window.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"

using namespace rg_Korrin_ChengXu;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

template <typename T> T median(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Counts paint events anywhere in the application.
class PaintCounter : public QObject {
public:
    PaintCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~PaintCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// One run of a command: its time, and what the event loop did meanwhile.
struct Run {
    double ms = 0;
    int ticks = 0;
    int paints = 0;
    double longestGapMs = 0; // between ticks, counting from the start and up to the end
};

// Runs `command` with a 16 ms timer ticking (each tick asks `animated` to repaint).
Run measure(QWidget* animated, const std::function<void()>& command) {
    // Let whatever the preparation left pending (paints, deferred deletes) run first.
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    Run run;
    PaintCounter counter;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(16);
    Clock::time_point last;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        run.longestGapMs = std::max(run.longestGapMs, ms(last, now));
        last = now;
        ++run.ticks;
        animated->update();
    });
    timer.start();
    const auto t0 = Clock::now();
    last = t0;
    command();
    const auto t1 = Clock::now();
    timer.stop();
    run.longestGapMs = std::max(run.longestGapMs, ms(last, t1));
    run.ms = ms(t0, t1);
    run.paints = counter.paints;
    return run;
}

void printRow(const char* what, const std::vector<Run>& runs, const std::string& note) {
    std::vector<double> times, gaps;
    std::vector<int> ticks, paints;
    for (const Run& r : runs) {
        times.push_back(r.ms);
        gaps.push_back(r.longestGapMs);
        ticks.push_back(r.ticks);
        paints.push_back(r.paints);
    }
    std::printf("| %-34s | %10.1f | %4zu | %7d | %7d | %12.1f | %s\n", what, median(times), runs.size(),
                median(ticks), median(paints), median(gaps), note.c_str());
    std::fflush(stdout);
}

std::string utf8(const CWString& text) {
    return rg_Korrin_ChuangKou::toQString(text).toStdString();
}

// {"big":[100000 numbers],"sub":{100000 members},"rest":[numbers..., "needle"]}: 1,000,000 tree
// items with the top item, and "needle" only in the last one.
CWString millionItemDocument() {
    std::string s;
    s.reserve(16 << 20);
    s += "{\"big\":[";
    for (int i = 0; i < 100000; ++i) {
        s += std::to_string(i % 1000);
        s += ',';
    }
    s.back() = ']';
    s += ",\"sub\":{";
    for (int i = 0; i < 100000; ++i) {
        s += "\"k" + std::to_string(i) + "\":" + std::to_string(i % 7);
        s += ',';
    }
    s.back() = '}';
    s += ",\"rest\":[";
    const int restChildren = 1000000 - 1 - 3 - 200000;
    for (int i = 0; i < restChildren - 1; ++i) {
        s += std::to_string(i % 100);
        s += ',';
    }
    s += "\"needle\"]}";
    return rg_Korrin_ChuangKou::fromQString(QString::fromStdString(s));
}

CWString arrayText(int count, int value) {
    std::string s = "[";
    for (int i = 0; i < count; ++i) {
        s += std::to_string((i + value) % 1000);
        s += i + 1 < count ? "," : "]";
    }
    return rg_Korrin_ChuangKou::fromQString(QString::fromStdString(s));
}

// Writes a JSON file of about `bytes` bytes whose value at "data" is its last member.
bool writeLargeFile(const QString& path, int64_t bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    QByteArray chunk;
    chunk.reserve((8 << 20) + 16);
    while (chunk.size() < (8 << 20))
        chunk += "12345678,";
    if (f.write("{\"pad\":[") != 8) return false;
    for (int64_t written = 0; written < bytes; written += chunk.size())
        if (f.write(chunk) != chunk.size()) return false;
    const QByteArray tail = "0],\"data\":{\"v\":\"end\"}}";
    return f.write(tail) == tail.size() && f.flush();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rg_Korrin_ChuangKou::TestPlatform platform;
    rg_Korrin_ChuangKou::TestPlatformInstall install(platform);

    QTemporaryDir dir;
    rg_ZhuChuangKou1 w(rg_Korrin_ChuangKou::fromQString(dir.path()));
    w.show();
    w.onFirstActivated();
    const CWString document = millionItemDocument();
    platform.clipboard = document;
    auto parse = [&] {
        w.onButtonClicked(w.clipboardParseButton, 0);
        QCoreApplication::processEvents();
    };
    parse();
    auto& store = w.current()->tree->store();
    const int32_t items = store.itemCount();
    const int32_t bigItem = store.findItemByPath(CWStringView(u"big"));
    const int32_t subItem = store.findItemByPath(CWStringView(u"sub"));
    std::printf("document: %d tree items (%.1f MB as UTF-16); %s\n\n", items, document.size() * 2 / 1e6,
                utf8(w.statusText(rg_ZhuChuangKou1::kColLoad)).c_str());
    std::printf("| %-34s | %10s | %4s | %7s | %7s | %12s | %s\n", "command", "median ms", "runs", "ticks",
                "paints", "longest gap", "notes");
    std::printf("|%s|%s|%s|%s|%s|%s|%s\n", std::string(36, '-').c_str(), std::string(12, '-').c_str(),
                std::string(6, '-').c_str(), std::string(9, '-').c_str(), std::string(9, '-').c_str(),
                std::string(14, '-').c_str(), "------");
    std::fflush(stdout);

    // ---- find: the only match is the last item ----
    const int runs = 3;
    struct FindCase {
        const char* label;
        int mode;
        const char16_t* pattern;
    };
    for (const FindCase& c :
         {FindCase{"find, plain (needle)", 0, u"needle"}, FindCase{"find, wildcard (n*dle)", 1, u"n*dle"},
          FindCase{"find, regex (ne+dle\"$)", 2, u"ne+dle\"$"}}) {
        std::vector<Run> results;
        bool ok = true;
        w.matchModeList->setCurrentIndex(c.mode);
        w.findTextBox->setContent(c.pattern);
        for (int r = 0; r < runs; ++r) {
            store.setSelection(0);
            results.push_back(measure(w.statusBar, [&] { w.onButtonClicked(w.findButton, 0); }));
            ok = ok && store.getSelection() == items - 1;
        }
        printRow(c.label, results, ok ? "found the last item" : "WRONG ITEM");
    }

    // ---- 10007 on a node with 100,000 children ----
    {
        std::vector<Run> results;
        bool ok = true;
        for (int r = 0; r < runs; ++r) {
            store.setSelection(bigItem);
            w.current()->pane->setText(arrayText(100000, r + 1));
            results.push_back(measure(w.statusBar, [&] { w.onMenuCommand(rg_ShuCaiChanLei::kSetValue); }));
            ok = ok && store.itemCount() == items &&
                 store.getText(bigItem + 1) ==
                     u"[0]:" + rg_Korrin_ChuangKou::fromQString(QString::number((r + 1) % 1000));
        }
        printRow("10007 set value, 100,000 children", results, ok ? "tree rebuilt" : "TREE WRONG");
    }

    // ---- 10004 of a subtree of 100,001 items ----
    {
        std::vector<Run> results;
        bool ok = true;
        for (int r = 0; r < runs; ++r) {
            parse();
            store.setSelection(subItem);
            results.push_back(measure(w.statusBar, [&] { w.onMenuCommand(rg_ShuCaiChanLei::kDelete); }));
            ok = ok && store.itemCount() == items - 100001;
        }
        printRow("10004 delete, 100,001 items", results, ok ? "subtree gone" : "COUNT WRONG");
    }

    // ---- stream-parse of a 2 GB file from the panel ----
    {
        const int64_t size = int64_t(2) << 30;
        const QString tmp = QDir::tempPath();
        struct statvfs fs {};
        const bool room = ::statvfs(QFile::encodeName(tmp).constData(), &fs) == 0 &&
                          int64_t(fs.f_bavail) * int64_t(fs.f_frsize) > size + (int64_t(1) << 30);
        if (!room) {
            std::printf("| %-34s | skipped: less than 3 GB free in %s\n", "stream 2 GB", qPrintable(tmp));
        } else {
            QTemporaryDir big(tmp + QStringLiteral("/quelix-bench-XXXXXX"));
            const QString path = big.filePath(QStringLiteral("large.json"));
            const auto g0 = Clock::now();
            if (!writeLargeFile(path, size)) {
                std::printf("| %-34s | skipped: could not write %s\n", "stream 2 GB", qPrintable(path));
            } else {
                const double writeMs = ms(g0, Clock::now());
                w.streamToggle->setChecked(1);
                w.relayout();
                w.filePathBox->setContent(rg_Korrin_ChuangKou::fromQString(path));
                w.streamPathBox->setContent(u"data");
                w.encodingList->setCurrentIndex(1);
                w.popupOnlyCheck->setChecked(false);
                std::vector<Run> results;
                bool ok = true;
                for (int r = 0; r < runs; ++r) {
                    results.push_back(
                        measure(w.statusBar, [&] { w.onButtonClicked(w.streamParseButton, 0); }));
                    ok = ok && store.itemCount() == 2 && store.getText(1) == u"v:\"end\"";
                }
                const double gb = double(QFileInfo(path).size()) / 1e9;
                char note[160];
                std::snprintf(note, sizeof note, "%.2f GB, %.2f GB/s; %s; file written in %.0f ms", gb,
                              gb / (median([&] {
                                        std::vector<double> t;
                                        for (const Run& x : results)
                                            t.push_back(x.ms);
                                        return t;
                                    }()) /
                                    1000.0),
                              ok ? "value found" : "VALUE WRONG", writeMs);
                printRow("stream-parse 2 GB file", results, note);
            }
            QFile::remove(path);
        }
    }
    w.current()->slotDirty = false;
    w.close();
    return 0;
}
