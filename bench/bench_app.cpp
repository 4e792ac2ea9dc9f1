// Scripted timings of the main window on the offscreen platform, end to end through real
// widgets: each figure runs from the user's action to the first paint of the result.
//
//   startup      window construction + show + first activation (reads the current slot of
//                twenty 1 MB slot files) until the tree has painted
//   paste        clipboard parse of a document until the tree has painted (twitter.json and a
//                generated ~100 MB document)
//   show node    selecting an item whose JSON text is ~50 MB until the text pane has painted
//   close        closing without changes; checks that no file was rewritten
//
// Not Google Benchmark loops: each step is a whole user action with side effects on files, run
// a few times on fresh data; the median is printed.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include "app/main_window.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/encoding.h"

using namespace rg_Korrin_ChengXu;
using Clock = std::chrono::steady_clock;

namespace {

// Counts paint events of one widget.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* w) : widget_(w) { w->installEventFilter(this); }
    ~PaintWatch() override { widget_->removeEventFilter(this); }
    int paints = 0;
    // Processes events until a paint arrives after `before` paints (or 10 s pass).
    void waitAfter(int before) {
        const auto limit = Clock::now() + std::chrono::seconds(10);
        while (paints <= before && Clock::now() < limit)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }

private:
    QWidget* widget_;
};

double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

bool writeUtf16File(const QString& path, const QString& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    f.write("\xFF\xFE", 2);
    return f.write(reinterpret_cast<const char*>(text.utf16()), text.size() * 2) == text.size() * 2;
}

ino_t inodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

// An array of records of about `units` UTF-16 units.
QString generated(qsizetype units) {
    QString out;
    out.reserve(units + 200);
    out += QStringLiteral("[");
    for (int i = 0; out.size() < units; ++i)
        out += QStringLiteral("{\"id\":%1,\"name\":\"item %1\",\"tags\":[\"x\",\"y\"],\"score\":%2.5},")
                   .arg(i)
                   .arg(i % 97);
    out.chop(1);
    out += QStringLiteral("]");
    return out;
}

QString slotPath(const QTemporaryDir& dir, int n) {
    return dir.filePath(QStringLiteral("JSON树%1.txt").arg(n));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rg_Korrin_ChuangKou::TestPlatform platform;
    rg_Korrin_ChuangKou::TestPlatformInstall install(platform);

    // ---- start-up with twenty 1 MB slot files ----
    std::vector<double> startup;
    bool othersUntouched = true;
    const QString oneMb = generated(512 * 1024); // 1 MB as UTF-16
    for (int run = 0; run < 3; ++run) {
        QTemporaryDir dir;
        std::vector<ino_t> inodes;
        for (int n = 1; n <= 20; ++n) {
            writeUtf16File(slotPath(dir, n), oneMb);
            inodes.push_back(inodeOf(slotPath(dir, n)));
        }
        const auto t0 = Clock::now();
        rg_ZhuChuangKou1 w(rg_Korrin_ChuangKou::fromQString(dir.path()));
        w.show();
        w.onFirstActivated();
        PaintWatch watch(w.current()->tree->canvas());
        watch.waitAfter(0);
        startup.push_back(ms(t0, Clock::now()));
        for (int n = 2; n <= 20; ++n)
            othersUntouched = othersUntouched && inodeOf(slotPath(dir, n)) == inodes[size_t(n - 1)];
        w.current()->slotDirty = false;
    }
    std::printf(
        "startup (20 slot files of 1 MB, first paint): %.1f ms median of 3; other slots untouched: %s\n",
        median(startup), othersUntouched ? "yes" : "NO");

    // ---- paste to painted tree ----
    auto pasteTiming = [&](const QString& label, const QString& text, int runs) {
        std::vector<double> times;
        int items = 0;
        int64_t storeBytes = 0, storeCapacity = 0;
        for (int run = 0; run < runs; ++run) {
            QTemporaryDir dir;
            rg_ZhuChuangKou1 w(rg_Korrin_ChuangKou::fromQString(dir.path()));
            w.show();
            w.onFirstActivated();
            QCoreApplication::processEvents();
            platform.clipboard = rg_Korrin_ChuangKou::fromQString(text);
            PaintWatch watch(w.current()->tree->canvas());
            const int before = watch.paints;
            const auto t0 = Clock::now();
            w.onButtonClicked(w.clipboardParseButton, 0);
            watch.waitAfter(before);
            times.push_back(ms(t0, Clock::now()));
            items = w.current()->tree->store().itemCount();
            storeBytes = w.current()->tree->store().bufferLength();
            storeCapacity = int64_t(w.current()->tree->store().itemBuffer().capacity());
            std::printf("  [%s] %s; %s\n", qPrintable(label),
                        rg_Tolvar_MingLingJi::utf16ToUtf8(w.statusText(rg_ZhuChuangKou1::kColParse)).c_str(),
                        rg_Tolvar_MingLingJi::utf16ToUtf8(w.statusText(rg_ZhuChuangKou1::kColLoad)).c_str());
        }
        std::printf("paste to painted tree, %s (%.1f MB as UTF-8 text, %d items): %.1f ms median of %d\n",
                    qPrintable(label), text.toUtf8().size() / 1e6, items, median(times), runs);
        const double jsonBytes = double(text.toUtf8().size());
        std::printf("  item store of %s: %.1f MB used, %.1f MB allocated; %.2f / %.2f bytes per byte of JSON "
                    "(UTF-8)\n",
                    qPrintable(label), storeBytes / 1e6, storeCapacity / 1e6, storeBytes / jsonBytes,
                    storeCapacity / jsonBytes);
    };
    {
        QFile f(QStringLiteral(QUELIX_CORPUS_DIR "/bench/twitter.json"));
        if (f.open(QIODevice::ReadOnly))
            pasteTiming(QStringLiteral("twitter.json"), QString::fromUtf8(f.readAll()), 5);
    }
    pasteTiming(QStringLiteral("generated"), generated(100 * 1000 * 1000), 1);

    // ---- selecting an item whose JSON is 50 MB ----
    {
        QTemporaryDir dir;
        rg_ZhuChuangKou1 w(rg_Korrin_ChuangKou::fromQString(dir.path()));
        w.show();
        w.onFirstActivated();
        platform.clipboard = rg_Korrin_ChuangKou::fromQString(
            QStringLiteral("{\"big\":") + generated(50 * 1000 * 1000) + QStringLiteral(",\"small\":1}"));
        w.onButtonClicked(w.clipboardParseButton, 0);
        QCoreApplication::processEvents();
        w.outputFormatList->setCurrentIndex(1); // compact: the text stays ~50 MB
        QCoreApplication::processEvents();
        auto& store = w.current()->tree->store();
        const int32_t big = store.findItemByPath(CWStringView(u"big"));
        PaintWatch watch(w.current()->pane->viewport());
        const int before = watch.paints;
        const auto t0 = Clock::now();
        store.setSelection(big);
        watch.waitAfter(before);
        std::printf("select an item with 50 MB of JSON, text painted: %.1f ms (%.1f M units in the pane)\n",
                    ms(t0, Clock::now()), w.current()->pane->text().size() / 1e6);

        // ---- closing with no change ----
        const QString ini = dir.filePath(QStringLiteral("软件配置.ini"));
        w.exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kSave);
        const ino_t iniBefore = inodeOf(ini), slotBefore = inodeOf(slotPath(dir, 1));
        const auto t1 = Clock::now();
        w.close();
        const double closeMs = ms(t1, Clock::now());
        std::printf("close with no change: %.1f ms; settings file rewritten: %s; slot file rewritten: %s\n",
                    closeMs, inodeOf(ini) == iniBefore ? "no" : "YES",
                    inodeOf(slotPath(dir, 1)) == slotBefore ? "no" : "YES");
    }
    return 0;
}
