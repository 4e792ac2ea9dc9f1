// Tree box on large trees: a million rows scrolled to the end by the wheel, the keys and the
// thumb, and painting that stays right while the tree changes under running index workers.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <QTest>

#include "controls/scroll_bar.h"
#include "gui_test_util.h"
#include "tree/item_record.h"
#include "tree/ui/tree_box.h"

using rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuang;
using rg_TolvarMingLingJi_ChuangKouZuJian::TreeIndexKind;
namespace item_record = rg_TolvarMingLingJi_ChuangKouZuJian::item_record;

namespace {

CWString number(int v) {
    CWString out;
    do {
        out.insert(out.begin(), char16_t(u'0' + v % 10));
        v /= 10;
    } while (v > 0);
    return out;
}

// One record written straight from its byte layout (text, 01 02 03 04, level, image, selected
// image -1, reserved 0, expand, check 0, both colours -1); quick enough for a million items.
void appendRecordBytes(CKorMem& buf, const CWString& text, int32_t image, int32_t level, uint8_t expand) {
    const size_t textBytes = text.size() * 2;
    uint8_t* p = buf.extend(textBytes + 30);
    if (textBytes != 0) std::memcpy(p, text.data(), textBytes);
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

// A root holding `groups` expanded objects of 9 fields each: 1 + 10 * groups items, all shown.
void fillGroups(rg_TolvarShuXingKuang& box, int groups) {
    auto& store = box.store();
    store.properties().autoRedraw = 0;
    store.clearItems();
    store.appendTopItem(u"Tolvar·JSON", 0);
    CKorMem rest;
    rest.setGrowthStep(static_cast<size_t>(groups) * 400);
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
            text += u':';
            text += number(k);
            appendRecordBytes(rest, text, 2, 2, 0);
        }
    }
    ItemCursor c;
    store.replaceSubtree(0, 2, rest, n, c);
    store.properties().autoRedraw = 1;
    box.redraw(-1);
}

// Start offsets of every record, found by scanning the buffer from the beginning.
std::vector<int64_t> scanOffsets(const CKorMem& buf) {
    std::vector<int64_t> out;
    int64_t pos = 0;
    const int64_t n = static_cast<int64_t>(buf.size());
    while (pos < n) {
        const int64_t s = item_record::findSeparator(buf.data(), n, pos);
        if (s < 0) break;
        out.push_back(pos);
        pos = s + item_record::kRecordOverhead;
    }
    return out;
}

} // namespace

class TreeBoxMillionTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_TolvarShuXingKuang* box = nullptr;

private slots:
    void init() {
        host = new QWidget;
        host->resize(420, 320);
        box = new rg_TolvarShuXingKuang(host);
        box->setGeometry(10, 10, 302, 242);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
    }

    void cleanup() {
        box->store().waitForIndexWorkers();
        delete host;
        host = nullptr;
        box = nullptr;
    }

    void million_rows_scrolled_to_the_end() {
        fillGroups(*box, 100000);
        auto& store = box->store();
        QCOMPARE(store.itemCount(), 1000001);
        QCOMPARE(store.rowCount(), 1000001);
        auto* bar = box->verticalBar();
        QVERIFY(bar->isVisible());
        const int fit = box->rowsThatFit();
        QCOMPARE(bar->maximum(), 1000001 + (box->horizontalBarShown() ? 1 : 0) - fit + 2);
        // To the end by wheel notches far past the last position.
        gui_test::wheel(box->canvas(), QPoint(50, 50), -120 * 2000000);
        QCOMPARE(bar->position(), bar->maximum());
        QCOMPARE(box->paintedRows().front().item, bar->maximum() - 1);
        QCOMPARE(box->paintedRows().back().item, 1000000);
        // The selection walks to the last row with the keys and stays in view.
        box->setSelection(999990);
        for (int k = 0; k < 20; ++k)
            QTest::keyClick(box->canvas(), Qt::Key_Down);
        QCOMPARE(store.getSelection(), 1000000);
        QCOMPARE(box->paintedRows().back().item, 1000000);
        // And back to the top.
        gui_test::wheel(box->canvas(), QPoint(50, 50), 120 * 2000000);
        QCOMPARE(bar->position(), 1);
        QCOMPARE(box->paintedRows().front().item, 0);
        // Collapsing the root near the end leaves one row; the view follows.
        gui_test::wheel(box->canvas(), QPoint(50, 50), -120 * 2000000);
        box->setSelection(0);
        QCOMPARE(box->paintedRows().front().item, 0);
        QTest::keyClick(box->canvas(), Qt::Key_Left);
        QCOMPARE(store.rowCount(), 1);
        QCOMPARE(box->paintedRows().size(), size_t{1});
        QVERIFY(!bar->isVisible());
    }

    void thumb_drag_over_a_million_rows() {
        fillGroups(*box, 100000);
        store().waitForIndexWorkers();
        auto* bar = box->verticalBar();
        auto* barCanvas = bar->canvas();
        const QPoint press(8, bar->thumbStart() + bar->thumbLength() / 2);
        QTest::mousePress(barCanvas, Qt::LeftButton, Qt::NoModifier, press);
        QVERIFY(bar->dragging());
        int lastTop = 0;
        for (int y = press.y() + 4; y < bar->height() + 20; y += 4) {
            gui_test::dragMove(barCanvas, QPoint(8, y));
            const int top = box->paintedRows().empty() ? -1 : box->paintedRows().front().item;
            QVERIFY(top >= lastTop);
            QCOMPARE(top, box->store().itemAtRow(bar->position() - 1));
            lastTop = top;
        }
        QVERIFY(!box->horizontalBarShown() || !bar->dragging());
        QTest::mouseRelease(barCanvas, Qt::LeftButton, Qt::NoModifier, QPoint(8, bar->height() + 20));
        QVERIFY(!bar->dragging());
        QCOMPARE(bar->position(), bar->maximum());
        QCOMPARE(box->paintedRows().back().item, 1000000);
    }

    void a_million_levels_deep() {
        auto& store = box->store();
        store.properties().autoRedraw = 0;
        store.clearItems();
        store.appendTopItem(u"Tolvar·JSON", 0);
        CKorMem rest;
        rest.setGrowthStep(48u << 20);
        const CWString text = u"[0]";
        for (int32_t level = 1; level < 1000000; ++level)
            appendRecordBytes(rest, text, 1, level, 2);
        ItemCursor c;
        QCOMPARE(store.replaceSubtree(0, 2, rest, 999999, c), 0);
        store.properties().autoRedraw = 1;
        box->redraw(-1);
        QCOMPARE(store.rowCount(), 1000000);
        QVERIFY(box->canvas()->width() < 1000); // the first rows are near the left
        gui_test::wheel(box->canvas(), QPoint(50, 50), -120 * 2000000);
        QCOMPARE(box->paintedRows().back().item, 999999);
        QCOMPARE(box->canvas()->width(), 65535);
        store.waitForIndexWorkers();
        box->redraw(-1); // with every index: the ancestor walk covers a million levels
        QCOMPARE(box->paintedRows().back().item, 999999);
        box->setSelection(999999);
        QTest::keyClick(box->canvas(), Qt::Key_Up);
        QCOMPARE(store.getSelection(), 999998);
        QTest::keyClick(box->canvas(), Qt::Key_Left);
        QCOMPARE(store.rowCount(), 999999);
        gui_test::wheel(box->canvas(), QPoint(50, 50), 120 * 2000000);
        QCOMPARE(box->paintedRows().front().item, 0);
    }

    void painting_is_right_while_workers_rebuild() {
        fillGroups(*box, 6000);
        auto& store = box->store();
        std::mt19937 rng(7);
        for (int step = 0; step < 40; ++step) {
            // Change a text's length (every index goes stale), scroll somewhere, repaint at once
            // while the workers of the previous change may still run.
            const int32_t item = static_cast<int32_t>(rng() % static_cast<uint32_t>(store.itemCount()));
            ItemCursor c;
            store.setText(item, CWString(rng() % 40, u'a' + static_cast<char16_t>(step % 26)), c);
            box->redraw(static_cast<int32_t>(rng() % static_cast<uint32_t>(store.itemCount())));
            if (step % 10 == 0) store.waitForIndexWorkers();
            const std::vector<int64_t> offsets = scanOffsets(store.itemBuffer());
            QCOMPARE(static_cast<int32_t>(offsets.size()), store.itemCount());
            for (const auto& row : box->paintedRows()) {
                QCOMPARE(int64_t{row.position.start}, offsets[static_cast<size_t>(row.item)]);
                QCOMPARE(row.level, row.item == 0 ? 0 : (store.getLevel(row.item)));
            }
            // Consecutive rows are consecutive items here (everything is expanded).
            for (size_t r = 1; r < box->paintedRows().size(); ++r)
                QCOMPARE(box->paintedRows()[r].item, box->paintedRows()[r - 1].item + 1);
        }
    }

private:
    rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuXingKuangCunChu& store() { return box->store(); }
};

QTEST_MAIN(TreeBoxMillionTest)
#include "test_tree_box_million_slow.moc"
