// The main window end to end: start-up, layout, slots and their files, parse and load, the path
// bar, output formats, settings exchange and write failures. Real widgets on the offscreen
// platform; clipboard, beeps, dialogs and the clock come from the platform double.
#include <algorithm>
#include <memory>
#include <optional>

#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/data_folder.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app_test_base.h"
#include "gui_test_util.h"
#include "runtime/tick_clock.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/encoding.h"
#include "text/ui/input_box.h"
#include "text/ui/rich_edit.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::BeepKind;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::TestPlatform;
using rg_Korrin_ChuangKou::TestPlatformInstall;
using rg_Korrin_ChuangKou::toQString;
using namespace app_test;

namespace {

ino_t inodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

class AppWindowTest : public AppTestBase {
    Q_OBJECT

    static void typePath(rg_ZhuChuangKou1& w, const CWString& path) {
        w.pathBox->setContent(path);
        QTest::keyClick(w.pathBox, Qt::Key_Return);
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    void firstStartWithoutSettings() {
        auto w = makeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Tolvar·Quelix(Veltrix) v1.7.0.0"));
        QVERIFY(w->findPanel->isVisibleTo(w.get()));
        QVERIFY(!w->streamPanel->isVisibleTo(w.get()));
        QCOMPARE(w->encodingList->currentText(), QStringLiteral("UTF-8"));
        QCOMPARE(w->outputFormatList->currentText(), QStringLiteral("缩进输出"));
        QCOMPARE(w->matchModeList->currentText(), QStringLiteral("匹配：常规"));
        QCOMPARE(w->currentSlot(), 0);
        QCOMPARE(w->slotBar->currentTab(), 0);
        QVERIFY(w->pathBox->text().isEmpty());
        QVERIFY(!w->pathBox->placeholderText().isEmpty());
        QCOMPARE(w->banner->displayName(), CWString(u"Tolvar·Quelix"));
        // Nothing is read or written before the first activation.
        QVERIFY(!QFile::exists(slotFile(1)));
        w->show();
        w->onFirstActivated();
        QCOMPARE(readAll(slotFile(1)), QByteArray("\xFF\xFE", 2));
        QVERIFY(platform_->beeps.empty()); // loading a slot file is silent
        QCOMPARE(store(*w).itemCount(), 1);
        QCOMPARE(store(*w).getText(0), CWString(u"Tolvar·JSON"));
        QCOMPARE(store(*w).getImage(0), 0);
        QVERIFY(!QFile::exists(slotFile(2)));
    }

    void relayoutAtDesignSize() {
        auto w = makeWindow();
        w->show();
        QCOMPARE(w->size(), QSize(1130, 800));
        auto* tree = w->current()->tree;
        auto* pane = w->current()->pane;
        QCOMPARE(tree->geometry(), QRect(9, 198, 544, 488));
        QCOMPARE(pane->geometry(), QRect(561, 198, 560, 488));
        QCOMPARE(w->findPanel->y(), 695);
        QCOMPARE(w->statusBar->geometry(), QRect(0, 770, 1130, 30));
        QCOMPARE(w->pathBox->width(), 1112);
        QCOMPARE(w->outputFormatList->x(), 9 + 1112 - 84 - 3);
        QCOMPARE(w->copyPathButton->x(), w->outputFormatList->x() - 96 - 5);
        QCOMPARE(w->pastePathButton->x(), w->copyPathButton->x() - 143 - 5);
        QCOMPARE(w->toolbarPanel->x(), 1130 - 294);
        QCOMPARE(w->slotBar->geometry(), QRect(4, 139, 1130 - 27 - 250, 51));
        QCOMPARE(w->clipboardParseButton->geometry(), QRect(9 + 1112 - 250, 140, 250, 50));
        QCOMPARE(w->banner->width(), 1130);

        // Widening widens the pane, the path box, the slot bar and the panels; the tree keeps its width.
        w->resize(1330, 800);
        QCOMPARE(tree->width(), 544);
        QCOMPARE(pane->width(), 1330 - 9 - 561);
        QCOMPARE(w->pathBox->width(), 1312);
        QCOMPARE(w->findPanel->width(), 1330 - 9 - 13);
        QCOMPARE(w->slotBar->width(), 1330 - 27 - 250);
        QCOMPARE(w->findButton->x(), w->findPanel->width() - 168 - 9);
    }

    void streamToggleMovesThePanels() {
        auto w = makeWindow();
        w->show();
        click(w->streamToggle);
        QCOMPARE(w->streamToggle->checked(), 1);
        QVERIFY(w->streamPanel->isVisible());
        auto* tree = w->current()->tree;
        QCOMPARE(tree->height(), 488 - 91 - 9);
        QCOMPARE(w->current()->pane->height(), 488 - 91 - 9);
        QCOMPARE(w->streamPanel->y(), tree->y() + tree->height() + 9);
        QCOMPARE(w->findPanel->y(), w->streamPanel->y() + 91 + 9);
        QCOMPARE(w->findPanel->y() + w->findPanel->height() + 9, 770);
        click(w->findToggle);
        QVERIFY(!w->findPanel->isVisible());
        QCOMPARE(tree->height(), 488 + 66 + 9 - 91 - 9);
    }

    void escapeDoesNothing() {
        auto w = makeWindow();
        w->show();
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
    }

    void toolbarChecks() {
        auto w = makeWindow();
        w->show();
        QCOMPARE(w->treeImageStrip(), 501);
        click(w->textIconCheck->button());
        QCOMPARE(w->textIconCheck->checked(), 1);
        QCOMPARE(w->treeImageStrip(), 500);
        click(w->topMostCheck->button());
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(w->isVisible());
        click(w->topMostCheck->button());
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void clipboardParseBeepsAndWritesTheSlotFile() {
        const CWString json = u"{\"a\":{\"b\":[1,2]},\"c\":\"x\"}";
        auto w = parsedWindow(json);
        QCOMPARE(platform_->beeps.size(), size_t(1));
        QCOMPARE(platform_->beeps[0], BeepKind::Default);
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), 6);
        QCOMPARE(st.getText(1), CWString(u"a"));
        QCOMPARE(st.getText(3), CWString(u"[0]:1"));
        QCOMPARE(st.getText(5), CWString(u"c:\"x\""));
        QCOMPARE(st.getImage(2), 1);
        QCOMPARE(readAll(slotFile(1)), utf16File(json));
        QVERIFY(!w->current()->slotDirty);
        QVERIFY(w->statusText(0).starts_with(u"解析用时 "));
        QVERIFY(w->statusText(1).starts_with(u"加载到树用时 "));
        QCOMPARE(w->clipboardParseButton->caption(), CWString(u"从剪贴板解析到树"));

        // An empty clipboard parses as an empty object; a root array gets image 1.
        platform_->clipboard = u"";
        click(w->clipboardParseButton);
        QCOMPARE(st.itemCount(), 1);
        QCOMPARE(st.getImage(0), 0);
        platform_->clipboard = u"[1,2]";
        w->slotBar->tabDoubleClicked.raise(0);
        QCOMPARE(st.getImage(0), 1);
        QCOMPARE(st.itemCount(), 3);
        QCOMPARE(platform_->beeps.size(), size_t(3));
    }

    void lazyLoadingAndUtf8SlotFiles() {
        const QByteArray utf8 = QStringLiteral("{\"键\":\"值\",\"n\":[true]}").toUtf8();
        QVERIFY(writeAll(slotFile(3), utf8));
        QVERIFY(writeAll(slotFile(4), utf16File(u"{\"four\":4}")));
        auto w = makeWindow();
        w->show();
        w->onFirstActivated();
        QCOMPARE(readAll(slotFile(3)), utf8); // not read yet
        click(w->slotBar->tab(2));
        QCOMPARE(w->currentSlot(), 2);
        QVERIFY(w->current()->tree->isVisible());
        QVERIFY(!w->slot(0).tree->isVisible());
        QCOMPARE(store(*w).getText(1), CWString(u"键:\"值\""));
        QCOMPARE(readAll(slotFile(3)), utf16File(fromQString(QString::fromUtf8(utf8))));
        QVERIFY(!QFile::exists(slotFile(3) + QStringLiteral(".bak"))); // the text gave back its bytes
        QVERIFY(platform_->beeps.empty());

        // A slot already loaded is not read again; its selection stays.
        store(*w).setSelection(1);
        QVERIFY(writeAll(slotFile(3), utf16File(u"[]")));
        click(w->slotBar->tab(3));
        QCOMPARE(store(*w).getText(1), CWString(u"four:4"));
        click(w->slotBar->tab(2));
        QCOMPARE(store(*w).getText(1), CWString(u"键:\"值\""));
        QCOMPARE(store(*w).getSelection(), 1);
        QCOMPARE(w->pathBox->content(), CWString(u"键"));
    }

    void brokenSlotFileIsKeptAside() {
        QByteArray junk("{\"a\":\"\xC3\x28\x00\xFF\xFE zz\"}", 14);
        QVERIFY(writeAll(slotFile(1), junk));
        auto w = makeWindow();
        w->show();
        w->onFirstActivated();
        QCOMPARE(readAll(slotFile(1) + QStringLiteral(".bak")), junk);
        QVERIFY(w->statusText(4).find(u".bak") != CWString::npos);
        QCOMPARE(readAll(slotFile(1)).left(2), QByteArray("\xFF\xFE", 2));
    }

    void unreadableSlotFileIsNotOverwritten() {
        QVERIFY(QDir().mkpath(slotFile(1))); // a folder where the file should be: cannot be read
        auto w = makeWindow();
        w->show();
        w->onFirstActivated();
        QVERIFY(QFileInfo(slotFile(1)).isDir());
        QVERIFY(w->statusText(4).starts_with(u"读取失败"));
    }

    void remarkEditing() {
        using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuRuKuangLei;
        // Answers the next input box from inside its wait: a text to confirm, or nullopt to cancel.
        struct Seen {
            QString caption;
            CWString initial;
            int height = 0;
        };
        auto answer = [](std::optional<CWString> text, Seen* seen) {
            QTimer::singleShot(0, [text, seen] {
                auto& box = rg_TolvarShuRuKuangLei::instance();
                if (seen) *seen = {box.windowTitle(), box.startingText(), box.height()};
                if (text) {
                    box.inputBox()->setText(*text);
                    click(box.okButton());
                } else {
                    click(box.cancelButton());
                }
            });
        };
        auto w = parsedWindow(u"{\"a\":1}");
        click(w->slotBar->tab(1)); // slot 2 current
        Seen seen;
        answer(CWString(u"订单"), &seen);
        QTest::mousePress(w->slotBar->tab(4)->canvas(), Qt::RightButton, Qt::NoModifier, QPoint(8, 8));
        QTest::mouseRelease(w->slotBar->tab(4)->canvas(), Qt::RightButton, Qt::NoModifier, QPoint(8, 8));
        QCOMPARE(w->currentSlot(), 1);
        QCOMPARE(w->slotBar->currentTab(), 1);
        QCOMPARE(seen.caption,
                 QStringLiteral("修改当前树的备注名称，将显示在顶级节点。备注留空将使用默认值。"));
        QVERIFY(seen.initial.empty());
        QVERIFY(seen.height > 150 && seen.height <= 200); // the 200 px window, frame included
        QCOMPARE(w->remarkNames()[1], CWString(u"订单"));
        QCOMPARE(store(*w).getText(0), CWString(u"订单"));
        // Stored at once.
        const QByteArray ini = readAll(file(QStringLiteral("软件配置.ini")));
        const QString iniText =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(ini.constData() + 2), (ini.size() - 2) / 2);
        QVERIFY(iniText.contains(QStringLiteral("顶级节点备注组=|订单|||")));
        // A reparse labels the top item with the remark; cancelling changes nothing; empty gives the default.
        platform_->clipboard = u"[]";
        click(w->clipboardParseButton);
        QCOMPARE(store(*w).getText(0), CWString(u"订单"));
        answer(std::nullopt, &seen);
        w->slotBar->tabRightClicked.raise(3);
        QCOMPARE(seen.initial, CWString(u"订单"));
        QCOMPARE(w->remarkNames()[1], CWString(u"订单"));
        answer(CWString(), nullptr);
        w->slotBar->tabRightClicked.raise(3);
        QCOMPARE(w->remarkNames()[1], CWString());
        QCOMPARE(store(*w).getText(0), CWString(u"Tolvar·JSON"));
        // A name holding "|" splits into two entries at the next start, shifting the later names.
        answer(CWString(u"x|y"), nullptr);
        w->slotBar->tabRightClicked.raise(3);
        w->close();
        auto again = makeWindow();
        QCOMPARE(again->remarkNames()[1], CWString(u"x"));
        QCOMPARE(again->remarkNames()[2], CWString(u"y"));
    }

    void pathModesAndJumps() {
        auto w = parsedWindow(u"{\"a\":{\"b\":[1,2]}}");
        auto& st = store(*w);
        st.setSelection(4);
        QCOMPARE(w->pathBox->content(), CWString(u"a.b[1]"));
        QCOMPARE(w->current()->pane->text(), CWString(u"2"));
        QCOMPARE(w->statusText(4), CWString(u"0个子节点"));
        QTest::mousePress(w->jumpIcon, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(w->pathBox->content(), CWString(u"a.b.[1]"));
        QTest::mousePress(w->jumpIcon, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(w->pathBox->content(), CWString(u"//a.b.[1]"));
        QTest::mousePress(w->jumpIcon, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
        QCOMPARE(w->pathBox->content(), CWString(u"a.b[1]"));
        QCOMPARE(w->pathMode(), 0);

        for (const CWString path : {u"a.b[1]", u"a.b.[1]", u"//a.b.[1]"}) {
            st.setSelection(0);
            typePath(*w, path);
            QCOMPARE(st.getSelection(), 4);
            QCOMPARE(w->current()->pane->text(), CWString(u"2"));
        }
        // Enter again on the unchanged path does nothing, not even a refresh.
        w->current()->pane->setText(u"marker");
        QTest::keyClick(w->pathBox, Qt::Key_Return);
        QCOMPARE(w->current()->pane->text(), CWString(u"marker"));

        // A path typed with nothing selected still jumps; an empty path names the top item.
        st.setSelection(-1);
        typePath(*w, u"a");
        QCOMPARE(st.getSelection(), 1);
        st.setSelection(-1);
        platform_->clipboard = u"";
        click(w->pastePathButton);
        QCOMPARE(st.getSelection(), 0);

        // Copy path.
        st.setSelection(2);
        click(w->copyPathButton);
        QCOMPARE(platform_->clipboard, CWString(u"a.b"));
    }

    void clickingATreeItemShowsIt() {
        auto w = parsedWindow(u"{\"a\":{\"b\":[1,2]}}");
        auto* tree = w->current()->tree;
        QTRY_VERIFY(!tree->paintedRows().empty());
        const auto& rows = tree->paintedRows();
        const auto row = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.item == 1; });
        QVERIFY(row != rows.end());
        QTest::mousePress(tree->canvas(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(row->textX + 2, row->top + 4));
        QTest::mouseRelease(tree->canvas(), Qt::LeftButton, Qt::NoModifier,
                            QPoint(row->textX + 2, row->top + 4));
        QCOMPARE(tree->store().getSelection(), 1);
        QCOMPARE(w->pathBox->content(), CWString(u"a"));
        QVERIFY(w->current()->pane->text().starts_with(u"{\r\n"));
        QCOMPARE(w->statusText(4), CWString(u"1个子节点"));
    }

    void jumpsToRepeatedKeysAndDottedKeys() {
        auto w = parsedWindow(u"{\"k\":1,\"k\":2}");
        auto& st = store(*w);
        st.setSelection(2);
        QCOMPARE(w->pathBox->content(), CWString(u"k->1"));
        st.setSelection(0);
        typePath(*w, u"k->1");
        QCOMPARE(st.getSelection(), 2);
        const size_t beeps = platform_->beeps.size();
        typePath(*w, u"k->2");
        QCOMPARE(st.getSelection(), 2);
        QCOMPARE(w->statusText(4), CWString(u"找不到节点，请检查路径"));
        QCOMPARE(platform_->beeps.size(), beeps + 1);
        QCOMPARE(platform_->beeps.back(), BeepKind::Error);
        QVERIFY(w->current()->pane->text().empty());

        platform_->clipboard = u"{\"a\":1,\"b\":2}";
        click(w->clipboardParseButton);
        st.setSelection(-1);
        typePath(*w, u"a.b");
        QCOMPARE(st.getSelection(), -1);
        QCOMPARE(w->statusText(4), CWString(u"找不到节点，请检查路径"));

        platform_->clipboard = u"{\"a.b\":1}";
        click(w->clipboardParseButton);
        st.setSelection(1);
        QCOMPARE(w->pathBox->content(), CWString(u"a#46#b"));
        st.setSelection(0);
        typePath(*w, u"a#46#b");
        QCOMPARE(st.getSelection(), 1);
        QCOMPARE(w->current()->pane->text(), CWString(u"1"));
    }

    void outputFormatAndDecodeOptions() {
        auto w = parsedWindow(u"{\"a\":{\"b\":[1,2],\"u\":\"\\u4E2D\"}}");
        auto& st = store(*w);
        st.setSelection(1);
        QCOMPARE(w->statusText(4), CWString(u"2个子节点"));
        const CWString indented = w->current()->pane->text();
        QVERIFY(indented.find(u"\r\n") != CWString::npos);
        // The format switch re-reads the node at the path box's path, not the selection.
        w->pathBox->setContent(u"a.b");
        w->outputFormatList->setCurrentIndex(1);
        QCOMPARE(w->current()->pane->text(), CWString(u"[1, 2]"));
        QCOMPARE(st.getSelection(), 1);
        // 20013 (on by default) decodes escapes when showing.
        typePath(*w, u"a.u");
        QCOMPARE(w->current()->pane->text(), CWString(u"中"));
        QVERIFY(w->onTreeMenuCommand(rg_ShuCaiChanLei::kDecodeOnShow));
        QCOMPARE(w->current()->pane->text(), CWString(u"\\u4E2D"));
        // 20014 decodes before parsing; the slot file keeps the escapes and the path stays selected.
        QVERIFY(w->onTreeMenuCommand(rg_ShuCaiChanLei::kDecodeOnParse));
        QCOMPARE(st.getText(st.getSelection()), CWString(u"u:\"中\""));
        QVERIFY(readAll(slotFile(1)).contains(QByteArray("\\\0u\0\x34\0", 6)));
        QVERIFY(w->onTreeMenuCommand(rg_ShuCaiChanLei::kDecodeOnParse));
        QCOMPARE(st.getText(st.getSelection()), CWString(u"u:\"\\u4E2D\""));
    }

    void settingsRoundTripAndNoWriteWhenUnchanged() {
        const QString ini = file(QStringLiteral("软件配置.ini"));
        {
            auto w = parsedWindow(u"{\"a\":1}");
            click(w->streamToggle);
            w->encodingList->setCurrentIndex(3);
            w->findTextBox->setContent(u"两行\r\n文本");
            w->popupOnlyCheck->setChecked(true);
            QTest::mousePress(w->jumpIcon, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
            click(w->slotBar->tab(19));
            w->close();
        }
        const QByteArray bytes = readAll(ini);
        QVERIFY(bytes.startsWith(QByteArray("\xFF\xFE[\0", 4)));
        QVERIFY(!bytes.endsWith(QByteArray("\r\0\n\0", 4)));
        const QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                                (bytes.size() - 2) / 2);
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(0), QStringLiteral("[主界面]"));
        QCOMPARE(lines.value(1), QStringLiteral("Tolvar按钮查找树数据.选中=真"));
        QCOMPARE(lines.value(2), QStringLiteral("Tolvar按钮文件流解析.选中=真"));
        QVERIFY(lines.contains(QStringLiteral("编辑框查找内容=两行\x1E文本")));
        QVERIFY(lines.contains(QStringLiteral("菜单JSON路径模式:独立数组分隔=真")));
        QVERIFY(lines.contains(QStringLiteral("当前组件序号=19")));
        // Texts read and saved unchanged are not stored (the two untouched stream-panel paths).
        QCOMPARE(lines.size(), 1 + 16 + 2);
        QVERIFY(!text.contains(QStringLiteral("编辑框JSON文件路径")));

        const ino_t before = inodeOf(ini);
        const ino_t slotBefore = inodeOf(slotFile(1));
        {
            auto w = makeWindow();
            w->show();
            QVERIFY(w->streamPanel->isVisible());
            QCOMPARE(w->encodingList->currentIndex(), 3);
            QCOMPARE(w->findTextBox->content(), CWString(u"两行\r\n文本"));
            QVERIFY(w->popupOnlyCheck->isChecked());
            QCOMPARE(w->pathMode(), 1);
            QCOMPARE(w->currentSlot(), 19);
            QCOMPARE(w->slotBar->currentTab(), 19);
            w->close();
        }
        // Nothing changed: neither the settings file nor any slot file was rewritten.
        QCOMPARE(inodeOf(ini), before);
        QCOMPARE(inodeOf(slotFile(1)), slotBefore);
    }

    void handEditedSettings() {
        const QString ini = file(QStringLiteral("软件配置.ini"));
        const QString text = QStringLiteral(
            "[主界面]\r\n组合框输出格式=7\r\n这一行坏了\r\n组合框JSON文件编码=abc\r\n当前组件序号=25\r\n"
            "顶级节点备注组=甲|乙|丙|丁|戊|己|庚|辛|壬|癸|1|2|3|4|5|6|7|8|9|10|11|12");
        QVERIFY(writeAll(ini, QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)));
        auto w = makeWindow();
        w->show();
        w->onFirstActivated();
        QCOMPARE(w->outputFormatList->currentIndex(), 0); // out of range: the default stays
        QCOMPARE(w->encodingList->currentIndex(), 0);     // not a number reads as 0
        QCOMPARE(w->currentSlot(), -1);
        for (int i = 0; i < rg_ZhuChuangKou1::kSlotCount; ++i) {
            QVERIFY(!w->slot(i).tree->isVisible());
            QVERIFY(!w->slot(i).pane->isVisible());
        }
        QCOMPARE(w->remarkNames().size(), size_t(20));
        QCOMPARE(w->remarkNames()[19], CWString(u"10"));
        // No slot: the slot commands do nothing.
        platform_->clipboard = u"{\"a\":1}";
        click(w->clipboardParseButton);
        typePath(*w, u"a");
        QVERIFY(platform_->beeps.empty());
        QVERIFY(!QFile::exists(slotFile(1)));
        click(w->slotBar->tab(4));
        QCOMPARE(w->currentSlot(), 4);
        QVERIFY(w->current()->tree->isVisible());
        QCOMPARE(store(*w).getText(0), CWString(u"戊"));
        QVERIFY(QFile::exists(slotFile(5)));
    }

    void writeFailuresAreReported() {
        QVERIFY(QDir().mkpath(slotFile(2)));                          // slot file 2 cannot be replaced
        QVERIFY(QDir().mkpath(file(QStringLiteral("软件配置.ini")))); // nor can the settings file
        auto w = makeWindow();
        w->show();
        w->onFirstActivated();
        click(w->slotBar->tab(1));
        QVERIFY(w->statusText(4).starts_with(u"读取失败"));
        platform_->clipboard = u"{\"x\":1}";
        click(w->clipboardParseButton);
        QCOMPARE(w->statusText(4), CWString(u"写入失败：JSON树2.txt"));
        QCOMPARE(store(*w).itemCount(), 2); // the tree still shows the parsed text
        QVERIFY(!w->exchangeSettings(rg_TolvarMFCZuJianPeiZhiLei::kSave));
        QCOMPARE(w->statusText(4), CWString(u"写入失败：软件配置.ini"));

        // Closing with an edited slot that cannot be written asks instead of dropping the edits.
        w->current()->slotDirty = true;
        platform_->messageBoxAnswers.push_back(rg_Korrin_ChuangKou::kResultRetry);
        platform_->messageBoxAnswers.push_back(rg_Korrin_ChuangKou::kResultCancel);
        w->close();
        QCOMPARE(platform_->messageBoxes.size(), size_t(2));
        QVERIFY(platform_->messageBoxes[0].text.find(u"JSON树2.txt") != CWString::npos);
    }

    void closingWritesEditedSlotsCompact() {
        auto w = parsedWindow(u"{ \"a\" : [ 1 , 2 ] }");
        w->current()->slotDirty = true; // as an edit of the tree leaves it
        w->close();
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"a\":[1, 2]}"));
    }

    // A picture of the window with a document loaded, for people to look at (docs/screenshot.png).
    void screenshotWithADocument() {
        QFile corpus(QStringLiteral(QUELIX_CORPUS_DIR "/bench/github_events.json"));
        CWString json = u"{\"name\":\"Tolvar\",\"items\":[{\"id\":1,\"tags\":[\"a\",\"b\"]},{\"id\":2}]}";
        if (corpus.open(QIODevice::ReadOnly)) json = fromQString(QString::fromUtf8(corpus.readAll()));
        auto w = parsedWindow(json);
        auto& st = store(*w);
        w->pathBox->setContent(u"[0].payload");
        QTest::keyClick(w->pathBox, Qt::Key_Return);
        if (st.getSelection() < 0) st.setSelection(1);
        QVERIFY(!w->current()->pane->text().empty());
        QVERIFY(gui_test::saveShot(w.get(), QStringLiteral("app_window")));
    }

    void deeplyNestedDocument() {
        const int depth = 3000;
        auto w = parsedWindow(CWString(size_t(depth), u'[') + CWString(size_t(depth), u']'));
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), depth);
        st.setSelection(depth - 1);
        QVERIFY(w->pathBox->content().starts_with(u"[0][0][0]"));
        QCOMPARE(w->statusText(4), CWString(u"0个子节点"));
        w->close();
    }

    void longPathsAreNotCut() {
        const CWString key(40000, u'k'); // past the usual edit-box limit of 32767
        auto w = parsedWindow(u"{\"" + key + u"\":{\"v\":1}}");
        auto& st = store(*w);
        st.setSelection(2);
        QCOMPARE(w->pathBox->content(), key + u".v");
        QCOMPARE(w->current()->pane->text(), CWString(u"1"));
        st.setSelection(0);
        typePath(*w, key + u".v");
        QCOMPARE(st.getSelection(), 2);
    }

    void dataFolderChoice() {
        QVERIFY(isFolderWritable(fromQString(dir_->path())));
        QVERIFY(!isFolderWritable(fromQString(dir_->filePath(QStringLiteral("missing/folder")))));
        QCOMPARE(fileInFolder(u"/a/b", u"c.txt"), CWString(u"/a/b/c.txt"));
        QCOMPARE(fileInFolder(u"/a/b/", u"c.txt"), CWString(u"/a/b/c.txt"));
        QVERIFY(!chooseDataFolder().empty());
        auto w = makeWindow();
        QCOMPARE(w->slotFilePath(6), fileInFolder(fromQString(dir_->path()), u"JSON树7.txt"));
    }

    void largeSourceTextsAreWrittenInTheBackground() {
        // Above the threshold the tree is shown first and the slot file follows on a thread.
        CWString big = u"[";
        const size_t units = rg_ZhuChuangKou1::kBackgroundWriteUnits;
        while (big.size() < units)
            big += u"\"0123456789abcdef\",";
        big.back() = u']';
        QVERIFY(QDir().mkpath(slotFile(2))); // slot file 2 cannot be replaced
        {
            auto w = shownWindow();
            platform_->clipboard = big;
            click(w->clipboardParseButton);
            QVERIFY(store(*w).itemCount() > 1000);
            QTRY_COMPARE(readAll(slotFile(1)).size(), qsizetype(2 + big.size() * 2));
            QVERIFY(!w->current()->slotDirty);

            // A failed background write is reported and leaves the slot dirty.
            click(w->slotBar->tab(1));
            click(w->clipboardParseButton);
            QTRY_COMPARE(w->statusText(4), CWString(u"写入失败：JSON树2.txt"));
            QVERIFY(w->current()->slotDirty);
            w->current()->slotDirty = false; // nothing to retry on close

            // Parsing again and closing at once: the write in flight is finished first.
            click(w->slotBar->tab(0));
            platform_->clipboard = big + u" ";
            click(w->clipboardParseButton);
            w->close();
        }
        QCOMPARE(readAll(slotFile(1)), utf16File(big + u" "));
    }

    void terminationSignalClosesAndSaves() {
        rg_QiDongLei startUp(fromQString(dir_->path()));
        rg_ZhuChuangKou1& w = startUp.mainWindow();
        w.show();
        w.onFirstActivated();
        platform_->clipboard = u"{\"a\":[1,2]}";
        click(w.clipboardParseButton);
        w.current()->slotDirty = true; // as an edit of the tree leaves it
        w.findTextBox->setContent(u"before the signal");
        QVERIFY(::raise(SIGTERM) == 0); // the process goes on: the window closes instead
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(!w.current()->slotDirty);
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"a\":[1, 2]}"));
        const CWString saved = u"before the signal"; // the settings file is UTF-16LE
        QVERIFY(readAll(iniFile()).contains(
            QByteArray(reinterpret_cast<const char*>(saved.data()), qsizetype(saved.size() * 2))));
    }

    void unhandledExceptionTexts() {
        QCOMPARE(unhandledExceptionText(std::make_exception_ptr(rg_YunXingYiChang{5, u"坏了"})),
                 CWString(u"俘获到异常,代码值为: 5, 描述为: 坏了"));
        QCOMPARE(unhandledExceptionText(std::make_exception_ptr(42)),
                 CWString(u"程序在运行时抛出了未被管理的异常"));
        reportUnhandledException(std::make_exception_ptr(42));
        QCOMPARE(platform_->messageBoxes.back().caption, CWString(u"运行时异常"));
    }
};

QTEST_MAIN(AppWindowTest)
#include "test_app_window.moc"
