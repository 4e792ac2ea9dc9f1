// Undo and redo of a slot's document changes, end to end: each change made through the tree menu
// (answered by a popup hook), an in-place edit or a parse, then undone and redone with real key
// events in the tree box (Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z) or the menu's rows "撤销" and "重做".
// After every step the document is compared with what it was, and the tree with a fresh fill
// from the document.
#include <memory>
#include <optional>
#include <vector>

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"
#include "app_test_base.h"
#include "gui_test_util.h"
#include "runtime/tick_clock.h"
#include "runtime/ui/qt_text.h"
#include "text/codecs.h"
#include "text/ui/popup_menu.h"
#include "text/ui/rich_edit.h"
#include "json/node.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::toQString;
using namespace app_test;
using M = rg_ShuCaiChanLei;

class AppUndoTest : public AppTestBase {
    Q_OBJECT

    bool undoRowEnabled_ = false, redoRowEnabled_ = false;

    static CWString doc(Window& w) { return rg_Tolvar_JSON::toJsonText(w.current()->document.root(), true); }

    // The tree against a fresh fill from the document: texts, levels and images of every item.
    static bool treeAgrees(Window& w) {
        Store& st = store(w);
        Store ref;
        const auto& root = w.current()->document.root();
        ref.appendTopItem(u"Tolvar·JSON", root.nodeType() == rg_Tolvar_JSON::Object ? Store::kImageObject
                                                                                    : Store::kImageArray);
        ref.fillFromNode(root, 0, false);
        if (st.itemCount() != ref.itemCount()) return false;
        // Walked with cursors, each lookup starting after the previous item.
        rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor a, b;
        for (int32_t i = 0; i < st.itemCount(); ++i) {
            rg_TolvarMingLingJi_ChuangKouZuJian::ItemCursor na = a, nb = b;
            if (!st.locateItem(i, na, i - 1) || !ref.locateItem(i, nb, i - 1)) return false;
            a = na;
            b = nb;
            if (st.getText(i, a) != ref.getText(i, b) || st.getLevel(i, a) != ref.getLevel(i, b) ||
                st.getImage(i, a) != ref.getImage(i, b))
                return false;
        }
        return true;
    }
    // Selects `item` and chooses menu row `id` from the tree menu opened on it.
    void choose(Window& w, int32_t item, int32_t id) {
        if (item >= 0) store(w).setSelection(item);
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([this, id](QMenu& menu, QPoint) {
            for (QAction* a : menu.actions()) {
                if (a->data().toInt() == M::kUndo) undoRowEnabled_ = a->isEnabled();
                if (a->data().toInt() == M::kRedo) redoRowEnabled_ = a->isEnabled();
            }
            return id;
        });
        w.onTreeRightClick(w.currentSlot());
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook({});
    }
    static void key(Window& w, int k, Qt::KeyboardModifiers mods) {
        QTest::keyClick(w.current()->tree->canvas(), Qt::Key(k), mods);
    }
    static void undoKey(Window& w) { key(w, Qt::Key_Z, Qt::ControlModifier); }
    static void redoKey(Window& w, int how) {
        if (how == 0)
            key(w, Qt::Key_Y, Qt::ControlModifier);
        else
            key(w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    // Every kind of edit, undone by Ctrl+Z and redone by both redo keys.
    void edits_undo_and_redo_data() {
        QTest::addColumn<QString>("json");
        QTest::addColumn<QString>("itemText"); // the item the command runs on
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("answer"); // input dialog answer / pane text for 10007
        QTest::addColumn<QString>("after");
        QTest::newRow("create_member") << "{\"a\":{\"b\":1}}"
                                       << "a" << int(M::kCreate) << "k"
                                       << "{\"a\":{\"b\":1, \"k\":\"值3\"}}";
        QTest::newRow("create_member_in_scalar") << "{\"a\":1,\"z\":2}"
                                                 << "a:1" << int(M::kCreate) << "k"
                                                 << "{\"a\":{\"k\":\"值3\"}, \"z\":2}";
        QTest::newRow("create_element") << "{\"a\":[1,2]}"
                                        << "a" << int(M::kCreate) << ""
                                        << "{\"a\":[1, 2, \"值4\"]}";
        QTest::newRow("delete_member") << "{\"a\":1,\"b\":{\"c\":[1,2]},\"d\":3}"
                                       << "b" << int(M::kDelete) << ""
                                       << "{\"a\":1, \"d\":3}";
        QTest::newRow("delete_middle_element") << "[1,[2,3],4,5]"
                                               << "[1]" << int(M::kDelete) << ""
                                               << "[1, 4, 5]";
        QTest::newRow("delete_last_element") << "[1,2,{\"x\":1}]"
                                             << "[2]" << int(M::kDelete) << ""
                                             << "[1, 2]";
        QTest::newRow("delete_only_child") << "{\"a\":{\"b\":[1]}}"
                                           << "b" << int(M::kDelete) << ""
                                           << "{\"a\":{}}";
        QTest::newRow("delete_top") << "{\"a\":1,\"b\":2}"
                                    << "Tolvar·JSON" << int(M::kDelete) << ""
                                    << "{}";
        QTest::newRow("rename_key") << "{\"a\":1,\"b\":{\"c\":2}}"
                                    << "b" << int(M::kRenameKey) << "新"
                                    << "{\"a\":1, \"新\":{\"c\":2}}";
        QTest::newRow("set_value") << "{\"a\":1,\"b\":{\"c\":2}}"
                                   << "b" << int(M::kSetValue) << "[7,8]"
                                   << "{\"a\":1, \"b\":[7, 8]}";
        QTest::newRow("set_value_top") << "{\"a\":1}"
                                       << "Tolvar·JSON" << int(M::kSetValue) << "[true]"
                                       << "[true]";
    }
    void edits_undo_and_redo() {
        QFETCH(QString, json);
        QFETCH(QString, itemText);
        QFETCH(int, command);
        QFETCH(QString, answer);
        QFETCH(QString, after);
        auto w = parsedWindow(fromQString(json));
        const CWString before = doc(*w);
        const int32_t item = itemWithText(*w, fromQString(itemText));
        QVERIFY(item >= 0);
        if (command == M::kSetValue) {
            store(*w).setSelection(item);
            w->current()->pane->setText(fromQString(answer));
        } else {
            platform_->inputAnswers.push_back(fromQString(answer));
        }
        choose(*w, command == M::kSetValue ? -1 : item, command);
        QCOMPARE(toQString(doc(*w)), after);
        const CWString changed = doc(*w);
        QVERIFY(w->history().canUndo(0));
        for (int round = 0; round < 2; ++round) {
            undoKey(*w);
            QCOMPARE(doc(*w), before);
            QVERIFY(treeAgrees(*w));
            QVERIFY(w->current()->slotDirty == false); // back to what the slot file holds
            // The changed node is selected and the path box names it.
            const int32_t sel = store(*w).getSelection();
            QVERIFY(sel >= 0);
            QCOMPARE(w->pathBox->content(), store(*w).pathOfItem(sel, w->pathMode()));
            redoKey(*w, round);
            QCOMPARE(doc(*w), changed);
            QVERIFY(treeAgrees(*w));
            QVERIFY(w->current()->slotDirty);
        }
    }

    void in_place_rename_undo() {
        auto w = parsedWindow(u"{\"a\":1,\"b\":2}");
        const int32_t item = itemWithText(*w, u"b:2");
        QVERIFY(item > 0);
        store(*w).setSelection(item);
        QTest::keyClick(w->current()->tree->canvas(), Qt::Key_F2);
        QVERIFY(w->current()->tree->isEditing());
        w->current()->tree->editBox()->setContent(u"c:2");
        QTest::keyClick(w->current()->tree->editBox(), Qt::Key_Return);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1, \"c\":2}"));
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1, \"b\":2}"));
        QVERIFY(treeAgrees(*w));
        QCOMPARE(w->pathBox->content(), CWString(u"b"));
        redoKey(*w, 0);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1, \"c\":2}"));
        QVERIFY(treeAgrees(*w));
    }

    // The menu rows are enabled only when there is something to undo or redo, and run it.
    void menu_rows() {
        auto w = parsedWindow(u"{\"a\":1}");
        choose(*w, 0, 0);
        QVERIFY(undoRowEnabled_); // the parse itself can be undone
        w->history().clear(0);
        choose(*w, 0, 0);
        QVERIFY(!undoRowEnabled_);
        QVERIFY(!redoRowEnabled_);
        platform_->inputAnswers.push_back(CWString(u"k"));
        choose(*w, 0, M::kCreate);
        choose(*w, 0, 0);
        QVERIFY(undoRowEnabled_);
        QVERIFY(!redoRowEnabled_);
        choose(*w, -1, M::kUndo);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1}"));
        choose(*w, 0, 0);
        QVERIFY(!undoRowEnabled_);
        QVERIFY(redoRowEnabled_);
        choose(*w, -1, M::kRedo);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1, \"k\":\"值2\"}"));
        QVERIFY(treeAgrees(*w));
    }

    void empty_history_and_new_edit_clears_redo() {
        auto w = parsedWindow(u"{\"a\":1}");
        w->history().clear(0);
        undoKey(*w);
        QCOMPARE(w->statusText(Window::kColOther), CWString(u"没有可撤销的操作"));
        QCOMPARE(doc(*w), CWString(u"{\"a\":1}"));
        redoKey(*w, 1);
        QCOMPARE(w->statusText(Window::kColOther), CWString(u"没有可重做的操作"));
        platform_->inputAnswers.push_back(CWString(u"x"));
        choose(*w, 0, M::kCreate);
        undoKey(*w);
        QVERIFY(w->history().canRedo(0));
        platform_->inputAnswers.push_back(CWString(u"y"));
        choose(*w, 0, M::kCreate);
        QVERIFY(!w->history().canRedo(0));
        redoKey(*w, 0);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1, \"y\":\"值2\"}"));
    }

    // Replacements of the document: the document, the tree and the source text come back.
    void replacements_undo() {
        auto w = parsedWindow(u"{\"first\":1}");
        platform_->clipboard = u"[1,2,3]";
        click(w->clipboardParseButton);
        QCOMPARE(doc(*w), CWString(u"[1, 2, 3]"));
        // A dropped file.
        const QString dropped = file(QStringLiteral("drop.json"));
        QVERIFY(writeAll(dropped, QByteArray("{\"dropped\":true}")));
        w->openDroppedFile(fromQString(dropped));
        QCOMPARE(doc(*w), CWString(u"{\"dropped\":true}"));
        // The 20014 re-parse of the source text.
        platform_->clipboard = u"{\"s\":\"\\u4E2D\"}";
        click(w->clipboardParseButton);
        choose(*w, 0, M::kDecodeOnParse);
        QCOMPARE(doc(*w), CWString(u"{\"s\":\"中\"}"));
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"{\"s\":\"\\u4E2D\"}"));
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"{\"dropped\":true}"));
        QCOMPARE(w->current()->sourceText, CWString(u"{\"dropped\":true}"));
        QVERIFY(treeAgrees(*w));
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"[1, 2, 3]"));
        QCOMPARE(w->current()->sourceText, CWString(u"[1,2,3]"));
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"{\"first\":1}"));
        QVERIFY(treeAgrees(*w));
        QCOMPARE(store(*w).getSelection(), -1); // as after the parse itself
        for (int i = 0; i < 4; ++i)
            redoKey(*w, i % 2);
        QCOMPARE(doc(*w), CWString(u"{\"s\":\"中\"}"));
        QVERIFY(treeAgrees(*w));
        choose(*w, 0, M::kDecodeOnParse); // back off for the other tests' settings
    }

    // Undo after a write marks the slot dirty; undoing back to what was written makes it clean;
    // closing writes the restored document, also over a file replaced outside the program.
    void dirty_and_clean_follow_the_file() {
        auto w = parsedWindow(u"{\"a\":1}");
        QVERIFY(!w->current()->slotDirty);
        platform_->inputAnswers.push_back(CWString(u"k"));
        choose(*w, 0, M::kCreate);
        QVERIFY(w->current()->slotDirty);
        QVERIFY(w->saveDirtySlots());
        QVERIFY(!w->current()->slotDirty);
        undoKey(*w);
        QVERIFY(w->current()->slotDirty);
        redoKey(*w, 0);
        QVERIFY(!w->current()->slotDirty);
        undoKey(*w);
        // The file is replaced outside the program; closing writes the restored document.
        QVERIFY(writeAll(slotFile(1), QByteArray("{\"outside\":1}")));
        w->close();
        w.reset();
        auto again = shownWindow();
        QCOMPARE(doc(*again), CWString(u"{\"a\":1}"));
        // A new session starts with an empty history.
        QVERIFY(!again->history().canUndo(0));
        undoKey(*again);
        QCOMPARE(doc(*again), CWString(u"{\"a\":1}"));
    }

    void failed_write_keeps_the_slot_dirty() {
        auto w = parsedWindow(u"{\"a\":1}");
        platform_->inputAnswers.push_back(CWString(u"k"));
        choose(*w, 0, M::kCreate);
        // A folder in the slot file's place: the write fails.
        QVERIFY(QFile::remove(slotFile(1)));
        QVERIFY(QDir().mkdir(slotFile(1)));
        QVERIFY(!w->saveDirtySlots());
        QVERIFY(w->current()->slotDirty);
        redoKey(*w, 0); // nothing to redo
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1}"));
        redoKey(*w, 1);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1, \"k\":\"值2\"}"));
        QVERIFY(w->current()->slotDirty);
        QVERIFY(treeAgrees(*w));
        QVERIFY(QDir().rmdir(slotFile(1)));
    }

    // Path modes and remarks are not in the history; undo works across them and the path box
    // follows in the mode in force.
    void across_path_mode_and_remark() {
        auto w = parsedWindow(u"{\"a\":[{\"b\":1}]}");
        const int32_t b = itemWithText(*w, u"b:1");
        platform_->inputAnswers.push_back(CWString(u"bb"));
        choose(*w, b, M::kRenameKey);
        QCOMPARE(doc(*w), CWString(u"{\"a\":[{\"bb\":1}]}"));
        choose(*w, 0, M::kPathModeKorrin);
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"{\"a\":[{\"b\":1}]}"));
        const int32_t sel = store(*w).getSelection();
        QCOMPARE(store(*w).getText(sel), CWString(u"b:1"));
        QCOMPARE(w->pathBox->content(), store(*w).pathOfItem(sel, 2));
        choose(*w, 0, M::kPathModeDefault);
        redoKey(*w, 0);
        QCOMPARE(doc(*w), CWString(u"{\"a\":[{\"bb\":1}]}"));
        QCOMPARE(w->pathBox->content(), store(*w).pathOfItem(store(*w).getSelection(), 0));
    }

    // Each slot keeps its own history across slot switches.
    void history_per_slot() {
        auto w = parsedWindow(u"{\"one\":1}");
        platform_->inputAnswers.push_back(CWString(u"k"));
        choose(*w, 0, M::kCreate);
        w->selectSlot(1);
        undoKey(*w); // slot 2 has nothing
        QCOMPARE(w->statusText(Window::kColOther), CWString(u"没有可撤销的操作"));
        platform_->clipboard = u"{\"two\":2}";
        click(w->clipboardParseButton);
        w->selectSlot(0);
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"{\"one\":1}"));
        w->selectSlot(1);
        QCOMPARE(doc(*w), CWString(u"{\"two\":2}"));
    }

    // The text pane keeps its own Ctrl+Z: the tree's history is not touched from there.
    void pane_keeps_its_own_undo() {
        auto w = parsedWindow(u"{\"a\":1}");
        platform_->inputAnswers.push_back(CWString(u"k"));
        choose(*w, 0, M::kCreate);
        QTest::keyClick(w->current()->pane, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(doc(*w), CWString(u"{\"a\":1, \"k\":\"值2\"}"));
        QVERIFY(w->history().canUndo(0));
    }

    // A replacement larger than the budget cannot be undone, and the status bar says so first.
    void replacement_over_budget() {
        auto w = parsedWindow(u"{\"a\":1}");
        platform_->inputAnswers.push_back(CWString(u"k"));
        choose(*w, 0, M::kCreate);
        w->history().setBudget(64);
        platform_->clipboard = u"[2]";
        click(w->clipboardParseButton);
        QVERIFY(w->statusText(Window::kColOther).find(u"无法撤销") != CWString::npos);
        QVERIFY(!w->history().canUndo(0));
        undoKey(*w);
        QCOMPARE(doc(*w), CWString(u"[2]"));
    }

    // Undo while the slot was never read: nothing happens.
    void slot_not_loaded() {
        auto w = makeWindow();
        w->show(); // not activated: the slot file is not read
        QVERIFY(!w->current()->loaded);
        undoKey(*w);
        redoKey(*w, 0);
        QVERIFY(!w->current()->loaded);
        QCOMPARE(w->statusText(Window::kColOther), CWString(u"没有可重做的操作"));
    }

    // A large subtree removed and restored a hundred times: tree and document always agree.
    void large_subtree_delete_alternating() {
        CWString json = u"{\"before\":1,\"big\":[";
        for (int i = 0; i < 100000; ++i) {
            if (i) json += u",";
            json += fromQString(QString::number(i));
        }
        json += u"],\"after\":2}";
        auto w = parsedWindow(json);
        const CWString before = doc(*w);
        choose(*w, itemWithText(*w, u"big"), M::kDelete);
        const CWString removed = doc(*w);
        QCOMPARE(removed, CWString(u"{\"before\":1, \"after\":2}"));
        for (int i = 0; i < 100; ++i) {
            if (i % 2 == 0)
                undoKey(*w);
            else
                redoKey(*w, i % 4 == 1 ? 0 : 1);
            QCOMPARE(store(*w).itemCount(), i % 2 == 0 ? 100004 : 3);
        }
        QCOMPARE(doc(*w), removed);
        undoKey(*w);
        QCOMPARE(doc(*w), before);
        QVERIFY(treeAgrees(*w));
    }
};

QTEST_MAIN(AppUndoTest)
#include "test_app_undo.moc"
