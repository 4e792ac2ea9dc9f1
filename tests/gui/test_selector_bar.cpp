// Selector bar: tab creation, width estimate and placement, squeezing and wrapping, selection,
// the right-click veto, double-clicks, tooltips and pages.
#include <QLabel>
#include <QTest>

#include "controls/selector_bar.h"
#include "gui_test_util.h"
#include "text/encoding.h"

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;

namespace {
const char16_t* const kTemplate = u"这是树[序号]，右击可以编辑本树的顶级节点备注名称，双击可以解析到树";
}

class SelectorBarTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_TolvarXuanZeGa1* bar = nullptr;
    std::vector<int> selected, rightClicked, doubleClicked;
    int veto = 0;

    void click(int tab, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(bar->tab(tab)->canvas(), button, Qt::NoModifier, QPoint(3, 3));
    }

private slots:
    void init() {
        host = new QWidget;
        host->resize(900, 300);
        bar = new rg_TolvarXuanZeGa1(host);
        bar->setGeometry(4, 4, 400, 200);
        selected.clear();
        rightClicked.clear();
        doubleClicked.clear();
        veto = 0;
        bar->tabSelected.bind([this](int32_t i) { selected.push_back(i); });
        bar->tabRightClicked.bind([this](int32_t i) {
            rightClicked.push_back(i);
            return veto;
        });
        bar->tabDoubleClicked.bind([this](int32_t i) { doubleClicked.push_back(i); });
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
    }

    void cleanup() {
        delete host;
        host = nullptr;
        bar = nullptr;
    }

    void tab_width_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("image");
        QTest::addColumn<int>("expected");
        QTest::newRow("one_digit") << QStringLiteral("1") << -1 << 2 + 15 + 15;
        QTest::newRow("two_digits") << QStringLiteral("20") << -1 << 4 + 23 + 15;
        QTest::newRow("one_digit_with_32px_image") << QStringLiteral("1") << 32 << 32 + 32 + 5;
        QTest::newRow("empty_caption_counts_the_terminator") << QString() << -1 << 7 + 15;
        QTest::newRow("ascii_word") << QStringLiteral("abcd") << -1 << 8 + 39 + 15;
    }
    void tab_width() {
        QFETCH(QString, caption);
        QFETCH(int, image);
        QFETCH(int, expected);
        const CWString text(reinterpret_cast<const char16_t*>(caption.utf16()), caption.size());
        QCOMPARE(selectorTabWidth(text, image), expected);
    }

    void wide_characters_count_their_ansi_bytes() {
        const CWString caption = u"树一";
        const int bytes = static_cast<int>(rg_Tolvar_MingLingJi::utf16ToAnsi(caption).size()) + 1;
        QVERIFY(bytes >= 3);
        QCOMPARE(selectorTabWidth(caption, -1), 4 + static_cast<int>(7.8 * bytes) + 15);
    }

    void set_tabs_creates_one_per_caption() {
        bar->setTabs(u"1|2|3");
        QCOMPARE(bar->tabCount(), 3);
        QCOMPARE(bar->tab(0)->caption(), CWString(u"1"));
        QCOMPARE(bar->tab(2)->caption(), CWString(u"3"));
        QCOMPARE(bar->tab(0)->checked(), 1);
        QCOMPARE(bar->tab(1)->checked(), 0);
        QCOMPARE(bar->tab(0)->currentLook().backColour, 0x80FFFF); // drawn pressed
        QCOMPARE(bar->tab(1)->currentLook().backColour, 0xFFF7FC);
        QCOMPARE(bar->tab(1)->canvas()->pixelRef(0, 0), 0xFFA8DA);
        QCOMPARE(bar->tab(0)->geometry(), QRect(5, 1, 32, 45));
        QCOMPARE(bar->tab(1)->geometry(), QRect(38, 1, 32, 45));
        QCOMPARE(bar->tab(2)->geometry(), QRect(71, 1, 32, 45));
        QCOMPARE(bar->separator()->geometry(), QRect(0, 45, 400, 1));
        bar->setTabs(u"");
        QCOMPARE(bar->tabCount(), 0);
        bar->setTabs(u"a||b");
        QCOMPARE(bar->tabCount(), 3);
    }

    void tabs_that_do_not_fit_data() {
        QTest::addColumn<int>("multiRow");
        QTest::addColumn<QRect>("third");
        QTest::addColumn<QRect>("separator");
        QTest::newRow("squeezed_to_the_remaining_width") << 0 << QRect(71, 1, 9, 45) << QRect(0, 45, 80, 1);
        QTest::newRow("wrapped_to_a_second_row") << 1 << QRect(5, 47, 32, 45) << QRect(0, 91, 80, 1);
    }
    void tabs_that_do_not_fit() {
        QFETCH(int, multiRow);
        QFETCH(QRect, third);
        QFETCH(QRect, separator);
        bar->resize(80, 200);
        bar->multiRow = multiRow;
        bar->setTabs(u"1|2|3");
        QCOMPARE(bar->tab(2)->geometry(), third);
        QCOMPARE(bar->separator()->geometry(), separator);
    }

    void squeezed_past_the_edge_stays_sane() {
        bar->resize(50, 60);
        bar->setTabs(u"1|2|3|4");
        QCOMPARE(bar->tab(1)->geometry().width(), 50 - 38);
        QCOMPARE(bar->tab(2)->geometry().width(), 0); // no room left at all
        click(0);
        QCOMPARE(bar->currentTab(), 0);
    }

    void left_press_selects_and_reports() {
        bar->setTabs(u"1|2|3");
        QTest::mousePress(bar->tab(2)->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QCOMPARE(bar->currentTab(), 2);
        QCOMPARE(selected, std::vector<int>{2});
        QCOMPARE(bar->tab(2)->checked(), 1);
        QCOMPARE(bar->tab(0)->checked(), 0);
        QTest::mouseRelease(bar->tab(2)->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        click(2); // the current tab again: stays pressed
        QCOMPARE(bar->tab(2)->checked(), 1);
        QCOMPARE(selected, (std::vector<int>{2, 2}));
    }

    void right_click_veto_data() {
        QTest::addColumn<int>("handlerResult");
        QTest::addColumn<int>("current");
        QTest::newRow("nonzero_keeps_the_selection") << 1 << 0;
        QTest::newRow("zero_selects_without_tabSelected") << 0 << 1;
    }
    void right_click_veto() {
        QFETCH(int, handlerResult);
        QFETCH(int, current);
        bar->setTabs(u"1|2|3");
        veto = handlerResult;
        click(1, Qt::RightButton);
        QCOMPARE(rightClicked, std::vector<int>{1});
        QCOMPARE(bar->currentTab(), current);
        QVERIFY(selected.empty());
        QCOMPARE(bar->tab(current)->checked(), 1);
        QCOMPARE(bar->tab(1 - current)->checked(), 0);
    }

    void double_click_reports_the_current_tab() {
        bar->setTabs(u"1|2|3");
        click(1);
        QTest::mouseDClick(bar->tab(1)->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QCOMPARE(doubleClicked, std::vector<int>{1});
        bar->selectTab(7); // no such tab
        QTest::mouseDClick(bar->tab(0)->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        QCOMPARE(doubleClicked, (std::vector<int>{1, -1}));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(bar->tab(i)->checked(), 0);
    }

    void tooltips_data() {
        QTest::addColumn<QStringList>("templates");
        QTest::addColumn<int>("shared");
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("expected");
        const QString t = QString::fromUtf16(kTemplate);
        QTest::newRow("shared_template_fifth_tab")
            << QStringList{t} << 1 << 4
            << QStringLiteral("这是树5，右击可以编辑本树的顶级节点备注名称，双击可以解析到树");
        QTest::newRow("unshared_template_only_first") << QStringList{t} << 0 << 4 << QString();
        QTest::newRow("no_templates_no_tooltip") << QStringList{} << 1 << 2 << QString();
        QTest::newRow("own_template_per_tab")
            << QStringList{QStringLiteral("a"), QStringLiteral("[序号]/[序号]")} << 0 << 1
            << QStringLiteral("2/2");
    }
    void tooltips() {
        QFETCH(QStringList, templates);
        QFETCH(int, shared);
        QFETCH(int, tab);
        QFETCH(QString, expected);
        for (const QString& s : templates)
            bar->tooltips.push_back(CWString(reinterpret_cast<const char16_t*>(s.utf16()), s.size()));
        bar->sharedTooltip = shared;
        bar->setTabs(u"1|2|3|4|5|6");
        QCOMPARE(bar->tab(tab)->canvas()->toolTip(), expected);
    }

    void pages_follow_the_current_tab() {
        auto* page0 = new QLabel(QStringLiteral("page 0"));
        auto* page1 = new QLabel(QStringLiteral("page 1"));
        bar->setTabs(u"1|2|3");
        bar->setPage(0, page0);
        bar->setPage(1, page1);
        QCOMPARE(page0->parentWidget(), static_cast<QWidget*>(bar));
        QVERIFY(page0->isVisible());
        QVERIFY(!page1->isVisible());
        QCOMPARE(page0->geometry(), QRect(0, 46, 400, 200 - 46));
        click(1);
        QVERIFY(!page0->isVisible());
        QVERIFY(page1->isVisible());
        click(2); // a tab without a page hides both
        QVERIFY(!page0->isVisible());
        QVERIFY(!page1->isVisible());
        bar->resize(300, 100);
        bar->selectTab(0);
        QCOMPARE(page0->geometry(), QRect(0, 46, 300, 54));
        bar->setPage(25, page1); // out of range: refused
        QCOMPARE(bar->page(25), nullptr);
    }

    void image_tabs_and_the_slot_bar_look() {
        bar->setGeometry(4, 4, 858, 51);
        bar->tabHeight = 50;
        bar->sharedImage = 1;
        bar->sharedTooltip = 1;
        bar->tooltips.push_back(kTemplate);
        QVERIFY(bar->setTabImage(0, 502));
        bar->setTabs(u"1|2|3|4|5|6|7|8|9|10|11|12|13|14|15|16|17|18|19|20");
        QCOMPARE(bar->tabCount(), 20);
        QCOMPARE(bar->tab(0)->geometry(), QRect(5, 1, 69, 50));
        QCOMPARE(bar->tab(1)->geometry(), QRect(75, 1, 69, 50));
        QCOMPARE(bar->tab(9)->geometry().width(), 79);
        QCOMPARE(bar->separator()->geometry(), QRect(0, 50, 858, 1));
        click(3);
        gui_test::saveShot(bar, QStringLiteral("selector_bar_slots"));
        QTest::mouseMove(bar->tab(5)->canvas(), QPoint(10, 10));
        gui_test::saveShot(bar, QStringLiteral("selector_bar_slots_hot_tab"));
    }

    void minus_one_height_with_image_becomes_the_width() {
        bar->tabHeight = -1;
        bar->setTabImage(0, 502);
        bar->setTabs(u"1");
        QCOMPARE(bar->tabHeight, 69);
        QCOMPARE(bar->tab(0)->geometry(), QRect(5, 1, 69, 69));
    }

    void set_tabs_from_inside_a_handler() {
        bar->setTabs(u"1|2|3");
        bar->tabSelected.bind([this](int32_t) { bar->setTabs(u"a|b"); });
        click(1);
        QCOMPARE(bar->tabCount(), 2);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        click(0);
        QCOMPARE(bar->tabCount(), 2);
    }

    void survives_any_size() {
        bar->setTabs(u"1|2|3|4|5");
        for (const QSize size : {QSize(0, 0), QSize(3, 3), QSize(1000, 10), QSize(10, 1000)}) {
            bar->resize(size);
            bar->multiRow = !bar->multiRow;
            bar->layoutTabs();
            QVERIFY(bar->separator()->width() == size.width());
        }
    }
};

QTEST_MAIN(SelectorBarTest)
#include "test_selector_bar.moc"
