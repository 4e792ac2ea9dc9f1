// The tree box inside the main window: reloading a slot whose tree was scrolled (the new tree is
// painted from its first row, the scroll bar agrees with what is shown, clicks select the painted
// items) and deleting an early element of a large array (the later labels are renumbered in one
// rewrite). Real window, real wheel and mouse events, text parsed from the clipboard double.
#include <memory>
#include <string>

#include <QTest>

#include "app/main_window.h"
#include "app_test_base.h"
#include "controls/scroll_bar.h"
#include "gui_test_util.h"
#include "runtime/ui/qt_text.h"
#include "tree/ui/tree_box.h"
#include "json/node.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::fromQString;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuang;

namespace {

CWString arrayOf(int n) {
    std::string s = "[";
    for (int i = 0; i < n; ++i)
        s += std::to_string(i) + (i + 1 < n ? "," : "]");
    return CWString(s.begin(), s.end());
}

} // namespace

class AppTreeBoxTest : public app_test::AppTestBase {
    Q_OBJECT

    static rg_TolvarShuXingKuang& tree(Window& w) { return *w.current()->tree; }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    void reload_after_scrolling_data() {
        QTest::addColumn<int>("second"); // elements of the second text
        QTest::newRow("smaller") << 3;
        QTest::newRow("larger") << 2000;
    }

    void reload_after_scrolling() {
        QFETCH(int, second);
        auto w = parsedWindow(arrayOf(600));
        rg_TolvarShuXingKuang& box = tree(*w);
        QVERIFY(box.verticalBar()->isVisible());
        gui_test::wheel(box.canvas(), QPoint(40, 40), -120 * 500);
        QVERIFY(box.paintedRows().front().item > 400);

        platform_->clipboard = arrayOf(second);
        app_test::click(w->clipboardParseButton);
        QCoreApplication::processEvents();

        const auto& rows = box.paintedRows();
        QVERIFY(rows.size() >= 2);
        QCOMPARE(rows.front().item, 0);
        QCOMPARE(box.store().properties().topItem, 0);
        const bool barNeeded = box.store().rowCount() >= box.rowsThatFit();
        QCOMPARE(box.verticalBar()->isVisible(), barNeeded);
        if (barNeeded) QCOMPARE(box.verticalBar()->position(), 1);

        // A click on the text of the second row selects [0] and shows its path.
        const auto row = rows.at(1);
        QCOMPARE(row.item, 1);
        QTest::mouseClick(box.canvas(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(row.textX + 2, row.top + box.layout().rowHeight / 2));
        QCOMPARE(box.getSelection(), 1);
        QCOMPARE(w->pathBox->content(), CWString(u"[0]"));

        // Resizing keeps the rows.
        w->resize(w->width() + 10, w->height() + 10);
        QCoreApplication::processEvents();
        QVERIFY(!box.paintedRows().empty());
    }

    void delete_of_an_early_element_renumbers_in_one_rewrite() {
        const int n = 3000;
        auto w = parsedWindow(arrayOf(n));
        Store& s = store(*w);
        s.setSelection(1);
        QCOMPARE(w->pathBox->content(), CWString(u"[0]"));
        const uint64_t before = s.textVersion();
        w->onMenuCommand(rg_ShuCaiChanLei::kDelete);
        // The removal and the renumbering of all 2,999 later labels: two rewrites, not one each.
        QVERIFY2(s.textVersion() - before <= 2, QByteArray::number(qulonglong(s.textVersion() - before)));
        QCOMPARE(s.itemCount(), n);
        for (int k = 0; k < n - 1; ++k) {
            const std::string label = "[" + std::to_string(k) + "]:" + std::to_string(k + 1);
            QCOMPARE(s.getText(k + 1), CWString(label.begin(), label.end()));
        }
        QCOMPARE(w->current()->document.root().childCount(), n - 1);
        QCOMPARE(s.getSelection(), 1);
        QCOMPARE(w->pathBox->content(), CWString(u"[0]"));
    }
};

QTEST_MAIN(AppTreeBoxTest)
#include "test_app_tree_box.moc"
