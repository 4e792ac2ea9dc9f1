// "复制路径"'s right-click menu: other tools' path syntaxes through a real right-click, rows the
// syntax cannot name the node in disabled with the reason as their tip, and the left click kept.
#include <QAction>
#include <QMenu>

#include "app_test_base.h"

using namespace app_test;
using M = rg_Korrin_ChengXu::rg_FuZhiLuJingCaiChanLei;

class CopyPathTest : public AppTestBase {
    Q_OBJECT

    struct Row {
        QString text;
        bool enabled;
        QString tip;
    };
    std::vector<Row> shown_;

    // Right-clicks the button; the popup hook records the rows and chooses `id` (0: dismiss).
    void rightClickChoosing(Window& w, int32_t id) {
        shown_.clear();
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([this, id](QMenu& menu, QPoint) {
            for (QAction* a : menu.actions())
                shown_.push_back({a->text(), a->isEnabled(), a->statusTip()});
            return id;
        });
        click(w.copyPathButton, Qt::RightButton);
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    void eachSyntaxGoesToTheClipboard_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("status");
        QTest::newRow("jq") << int(M::kJq) << ".a.\"b c\"[1]"
                            << "已复制为jq 路径：.a.\"b c\"[1]";
        QTest::newRow("JSONPath") << int(M::kJsonPath) << "$.a['b c'][1]"
                                  << "已复制为JSONPath：$.a['b c'][1]";
        QTest::newRow("pointer") << int(M::kJsonPointer) << "/a/b c/1"
                                 << "已复制为JSON Pointer：/a/b c/1";
        QTest::newRow("JavaScript") << int(M::kJavaScript) << "data.a[\"b c\"][1]"
                                    << "已复制为JavaScript 访问式：data.a[\"b c\"][1]";
        QTest::newRow("Python") << int(M::kPython) << "data[\"a\"][\"b c\"][1]"
                                << "已复制为Python 访问式：data[\"a\"][\"b c\"][1]";
    }
    void eachSyntaxGoesToTheClipboard() {
        QFETCH(int, id);
        QFETCH(QString, path);
        QFETCH(QString, status);
        auto w = parsedWindow(u"{\"a\":{\"b c\":[1,2]}}");
        store(*w).setSelection(itemWithText(*w, u"[1]:2"));
        const CWString boxPath = w->pathBox->content();
        rightClickChoosing(*w, id);
        QCOMPARE(shown_.size(), size_t(5));
        QCOMPARE(shown_[0].text, QStringLiteral("复制为 jq 路径"));
        QCOMPARE(shown_[4].text, QStringLiteral("复制为 Python 访问式"));
        for (const Row& r : shown_)
            QVERIFY(r.enabled);
        QCOMPARE(rg_Korrin_ChuangKou::toQString(platform_->clipboard), path);
        QCOMPARE(rg_Korrin_ChuangKou::toQString(w->statusText(Window::kColOther)), status);
        QCOMPARE(w->pathBox->content(), boxPath); // the path box keeps the window's own path
    }

    void rowsAreDisabledWhereTheSyntaxCannotNameTheNode() {
        auto w = parsedWindow(u"{\"k\":1,\"k\":2}");
        store(*w).setSelection(2);
        platform_->clipboard = u"untouched";
        rightClickChoosing(*w, 0);
        QCOMPARE(shown_.size(), size_t(5));
        for (const Row& r : shown_) {
            QVERIFY(!r.enabled);
            QCOMPARE(r.tip, QStringLiteral("有同名的键，此语法只能取到其中一个"));
        }
        // A row chosen anyway (a stale menu) is refused with the reason.
        w->copyToolPath(M::kJq);
        QCOMPARE(platform_->clipboard, CWString(u"untouched"));
        QCOMPARE(w->statusText(Window::kColOther), CWString(u"有同名的键，此语法只能取到其中一个"));

        // No selection: nothing to name.
        store(*w).properties().currentItem = -1;
        rightClickChoosing(*w, 0);
        for (const Row& r : shown_)
            QVERIFY(!r.enabled);
    }

    void theTopItemIsTheRootAndTheLeftClickIsKept() {
        auto w = parsedWindow(u"[1]");
        store(*w).setSelection(0);
        rightClickChoosing(*w, M::kJsonPointer);
        QCOMPARE(platform_->clipboard, CWString());
        rightClickChoosing(*w, M::kJq);
        QCOMPARE(platform_->clipboard, CWString(u"."));
        store(*w).setSelection(1);
        click(w->copyPathButton); // the window's own path, as before
        QCOMPARE(platform_->clipboard, CWString(u"[0]"));
    }
};

QTEST_MAIN(CopyPathTest)
#include "test_app_copy_path.moc"
