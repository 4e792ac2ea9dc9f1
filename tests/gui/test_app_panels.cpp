// The main window's find panel, stream-parse panel and dropped files, end to end through real
// widgets on the offscreen platform: clicks on the panel buttons, Enter in the find box, the
// find-options menu answered through the popup hook, the input box's view mode closed with its
// own button, and drag-and-drop events sent to the window. Clipboard, beeps, dialogs and the
// clock come from the platform double.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/main_window.h"
#include "app_test_base.h"
#include "runtime/tick_clock.h"
#include "runtime/ui/qt_text.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/ui/input_box.h"
#include "text/ui/popup_menu.h"
#include "text/ui/rich_edit.h"

using namespace rg_Korrin_ChengXu;
using rg_Korrin_ChuangKou::BeepKind;
using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::TestPlatform;
using rg_Korrin_ChuangKou::TestPlatformInstall;
using rg_Korrin_ChuangKou::toQString;
using namespace app_test;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarAnNiu1;
using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarShuRuKuangLei;

namespace {

// The settings file's text (UTF-16LE after its byte-order mark).
QString iniText(const QString& path) {
    const QByteArray bytes = readAll(path);
    if (bytes.size() < 2) return {};
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                              (bytes.size() - 2) / 2);
}

// What the input box showed while a call was waiting. The watch polls from the event loop and,
// once the box's call is running, records it and closes it with its cancel ("关闭") button. It
// must poll: the stream panel processes events while it extracts, before the box opens.
class InputBoxWatch {
public:
    explicit InputBoxWatch(std::function<void()> whileOpen = {}) : whileOpen_(std::move(whileOpen)) {
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    bool seen = false;
    QString title;
    QString prompt;
    CWString text;
    bool viewMode = false;
    bool readOnly = false;
    bool okVisible = true;
    bool rowVisible = true;
    CWString closeCaption;

private:
    void poll() {
        auto& box = rg_TolvarShuRuKuangLei::instance();
        if (!box.isRunning()) return;
        timer_.stop();
        seen = true;
        title = box.windowTitle();
        prompt = box.promptBox()->toPlainText();
        text = box.inputBox()->text();
        viewMode = box.isViewMode();
        readOnly = box.inputBox()->isReadOnly();
        okVisible = box.okButton()->isVisibleTo(&box);
        rowVisible = box.buttonRow()->isVisibleTo(&box);
        closeCaption = box.cancelButton()->caption();
        if (whileOpen_) whileOpen_();
        click(box.cancelButton());
    }

    std::function<void()> whileOpen_;
    QTimer timer_;
};

// Counts timer ticks and what the window showed at each while a command runs.
struct LiveWatch {
    int ticks = 0;
    int ticksWhileStreaming = 0;
    CWString statusWhileStreaming;
};

} // namespace

class AppPanelsTest : public AppTestBase {
    Q_OBJECT

    // A shown window with `json` parsed from the clipboard into slot 1; the parse's beep is
    // forgotten so each test sees only its own.
    std::unique_ptr<rg_ZhuChuangKou1> windowWith(const CWString& json) {
        auto w = parsedWindow(json);
        platform_->beeps.clear();
        return w;
    }
    static void enterInFindBox(rg_ZhuChuangKou1& w) { QTest::keyClick(w.findTextBox, Qt::Key_Return); }
    // Shows the stream panel and fills it.
    static void fillStreamPanel(rg_ZhuChuangKou1& w, const QString& path, const CWString& jsonPath,
                                bool popupOnly, int encoding = 1) {
        if (!w.streamToggle->checked()) click(w.streamToggle);
        w.filePathBox->setContent(fromQString(path));
        w.streamPathBox->setContent(jsonPath);
        w.encodingList->setCurrentIndex(encoding);
        w.popupOnlyCheck->setChecked(popupOnly);
    }
    // A JSON file (UTF-8) in the temporary folder.
    QString jsonFile(const QString& name, const QByteArray& utf8) {
        const QString path = file(name);
        return writeAll(path, utf8) ? path : QString();
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    // ---------------------------------------------------------------------------------------
    // Find panel

    void find_forwardClickEnterAndWrap() {
        // 0 top, 1 level:1, 2 x, 3 level:2, 4 y, 5 [0]:3, 6 levelZ:"a"
        auto w = windowWith(u"{\"level\":1,\"x\":{\"level\":2},\"y\":[3],\"levelZ\":\"a\"}");
        auto& st = store(*w);
        QCOMPARE(w->findTextBox->content(), CWString(u"level"));
        st.setSelection(0);
        platform_->beeps.clear();

        click(w->findButton);
        QCOMPARE(st.getSelection(), 1);
        QCOMPARE(w->pathBox->content(), CWString(u"level"));
        QCOMPARE(w->current()->pane->text(), CWString(u"1"));
        QCOMPARE(w->statusText(4), CWString(u"已找到用时 0 毫秒"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Simple});
        // The tree box takes the keyboard focus (the window's focus child, active or not).
        QCOMPARE(w->focusWidget() == w->current()->tree || w->current()->tree->isAncestorOf(w->focusWidget()),
                 true);

        enterInFindBox(*w);
        QCOMPARE(st.getSelection(), 3);
        QCOMPARE(w->pathBox->content(), CWString(u"x.level"));
        QCOMPARE(w->current()->pane->text(), CWString(u"2"));
        enterInFindBox(*w);
        QCOMPARE(st.getSelection(), 6);
        // After the last match the search wraps to the first match from the top.
        enterInFindBox(*w);
        QCOMPARE(st.getSelection(), 1);
        QCOMPARE(w->pathBox->content(), CWString(u"level"));
        QCOMPARE(platform_->beeps.size(), size_t(4));
        for (BeepKind b : platform_->beeps)
            QCOMPARE(b, BeepKind::Simple);
        QCOMPARE(w->lastFindText(), CWString(u"level"));
        QCOMPARE(w->lastMatchMode(), 0);
        QCOMPARE(w->lastIgnoreCase(), 1);
    }

    void find_caseIsIgnoredOnlyWhenChecked() {
        auto w = windowWith(u"{\"Level\":1,\"level\":2}");
        auto& st = store(*w);
        st.setSelection(0);
        click(w->findButton);
        QCOMPARE(st.getSelection(), 1);
        QVERIFY(w->onFindMenuCommand(rg_ChaZhaoCaiChanLei::kIgnoreCase)); // now off
        st.setSelection(0);
        click(w->findButton);
        QCOMPARE(st.getSelection(), 2);
        QCOMPARE(w->lastIgnoreCase(), 0);
    }

    void find_onlyMatchIsTheSelectedItem() {
        auto w = windowWith(u"{\"a\":1,\"needle\":2,\"b\":3}");
        auto& st = store(*w);
        st.setSelection(2);
        w->current()->pane->setText(u"marker");
        const CWString path = w->pathBox->content();
        w->findTextBox->setContent(u"needle");
        platform_->beeps.clear();
        click(w->findButton);
        QCOMPARE(st.getSelection(), 2);
        QCOMPARE(w->statusText(4), CWString(u"已找到用时 0 毫秒"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Simple});
        // Nothing is re-shown for an unchanged selection.
        QCOMPARE(w->current()->pane->text(), CWString(u"marker"));
        QCOMPARE(w->pathBox->content(), path);
    }

    void find_backwardFromTheTopItem() {
        // 0 top, 1 hit:1, 2 a:2, 3 b, 4 hit:3
        auto w = windowWith(u"{\"hit\":1,\"a\":2,\"b\":{\"hit\":3}}");
        auto& st = store(*w);
        w->findTextBox->setContent(u"hit");
        st.setSelection(0);
        // From item 0 the last item is tested first, so it wins over item 1.
        click(w->findButton, Qt::RightButton);
        QCOMPARE(st.getSelection(), 4);
        QCOMPARE(w->pathBox->content(), CWString(u"b.hit"));
        click(w->findButton, Qt::RightButton);
        QCOMPARE(st.getSelection(), 1);
        // From item 1 backward: item 0 does not match, so the search wraps to the far end.
        click(w->findButton, Qt::RightButton);
        QCOMPARE(st.getSelection(), 4);

        // Only item 0 matches: tested last, after the wrap, and the selection stays.
        w->findTextBox->setContent(u"Tolvar");
        st.setSelection(0);
        platform_->beeps.clear();
        click(w->findButton, Qt::RightButton);
        QCOMPARE(st.getSelection(), 0);
        QCOMPARE(w->statusText(4), CWString(u"已找到用时 0 毫秒"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Simple});
    }

    void find_notFoundBeepsAndKeepsTheSelection() {
        auto w = windowWith(u"{\"a\":1,\"b\":2}");
        auto& st = store(*w);
        st.setSelection(1);
        w->findTextBox->setContent(u"absent");
        platform_->beeps.clear();
        click(w->findButton);
        QCOMPARE(st.getSelection(), 1);
        QCOMPARE(w->statusText(4), CWString(u"未找到用时 0 毫秒"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        // With nothing selected the whole tree is searched once.
        st.setSelection(-1);
        click(w->findButton);
        QCOMPARE(st.getSelection(), -1);
        QCOMPARE(platform_->beeps.back(), BeepKind::Error);
    }

    void find_ucs2RetryFindsEscapes() {
        // 0 top, 1 u:"\u4E2D", 2 l:"\u4e2d"
        auto w = windowWith(u"{\"u\":\"\\u4E2D\",\"l\":\"\\u4e2d\"}");
        auto& st = store(*w);
        QVERIFY(w->findMenu().isChecked(rg_ChaZhaoCaiChanLei::kRetryEncoded));
        QVERIFY(w->findMenu().isChecked(rg_ChaZhaoCaiChanLei::kIgnoreCase));
        w->findTextBox->setContent(u"中");
        st.setSelection(0);
        click(w->findButton);
        QCOMPARE(st.getSelection(), 1);
        QCOMPARE(w->lastFindText(), CWString(u"\\u4E2D"));
        QCOMPARE(w->findTextBox->content(), CWString(u"中")); // the box keeps what was typed
        QCOMPARE(platform_->beeps.back(), BeepKind::Simple);
        // Ignoring case, the lower-case escape matches too.
        click(w->findButton);
        QCOMPARE(st.getSelection(), 2);
        // Case-sensitive: from item 2 the search wraps past it to the upper-case escape.
        QVERIFY(w->onFindMenuCommand(rg_ChaZhaoCaiChanLei::kIgnoreCase));
        click(w->findButton);
        QCOMPARE(st.getSelection(), 1);
        click(w->findButton);
        QCOMPARE(st.getSelection(), 1);
        QCOMPARE(w->statusText(4), CWString(u"已找到用时 0 毫秒"));
        // Each search starts again from the text typed.
        QCOMPARE(w->lastFindText(), CWString(u"\\u4E2D"));

        // Without the retry the plain text is not found.
        QVERIFY(w->onFindMenuCommand(rg_ChaZhaoCaiChanLei::kRetryEncoded));
        QVERIFY(!w->findMenu().isChecked(rg_ChaZhaoCaiChanLei::kRetryEncoded));
        platform_->beeps.clear();
        click(w->findButton);
        QCOMPARE(st.getSelection(), 1);
        QCOMPARE(w->statusText(4), CWString(u"未找到用时 0 毫秒"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        QCOMPARE(w->lastFindText(), CWString(u"中"));

        // In the pattern modes the retry runs the same compiled pattern again: still nothing.
        QVERIFY(w->onFindMenuCommand(rg_ChaZhaoCaiChanLei::kRetryEncoded));
        for (int mode : {1, 2}) {
            w->matchModeList->setCurrentIndex(mode);
            platform_->beeps.clear();
            click(w->findButton);
            QCOMPARE(st.getSelection(), 1);
            QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        }
    }

    void find_wildcardAndRegexModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("expected");
        // 0 top, 1 name:"alpha", 2 nick:"beta", 3 id:42, 4 tags, 5 [0]:"x1", 6 [1]:"y22"
        QTest::newRow("plain: ? is a character") << 0 << QStringLiteral("n??k") << -1;
        QTest::newRow("wildcard: ? is up to one character") << 1 << QStringLiteral("n??k") << 2;
        QTest::newRow("wildcard: * spans") << 1 << QStringLiteral("i*:4") << 3;
        QTest::newRow("wildcard: dots are literal") << 1 << QStringLiteral("x.") << -1;
        QTest::newRow("regex: anchored element") << 2 << QStringLiteral("^\\[1\\]:\"y\\d+\"$") << 6;
        QTest::newRow("regex: repetition") << 2 << QStringLiteral("2{2}") << 6;
        QTest::newRow("regex: case ignored") << 2 << QStringLiteral("ALPHA") << 1;
        QTest::newRow("regex: alternatives") << 2 << QStringLiteral("beta|gamma") << 2;
        QTest::newRow("regex: no match") << 2 << QStringLiteral("^zeta") << -1;
    }
    void find_wildcardAndRegexModes() {
        QFETCH(int, mode);
        QFETCH(QString, pattern);
        QFETCH(int, expected);
        auto w = windowWith(u"{\"name\":\"alpha\",\"nick\":\"beta\",\"id\":42,\"tags\":[\"x1\",\"y22\"]}");
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), 7);
        w->matchModeList->setCurrentIndex(mode);
        w->findTextBox->setContent(fromQString(pattern));
        st.setSelection(0);
        click(w->findButton);
        QCOMPARE(w->lastMatchMode(), mode);
        if (expected < 0) {
            QCOMPARE(st.getSelection(), 0);
            QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        } else {
            QCOMPARE(st.getSelection(), expected);
            QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Simple});
        }
    }

    void find_topItemLabelIsSearched() {
        auto w = windowWith(u"{\"a\":1}");
        auto& st = store(*w);
        st.setSelection(1);
        w->findTextBox->setContent(u"Tolvar·JSON");
        click(w->findButton);
        QCOMPARE(st.getSelection(), 0);
        QCOMPARE(platform_->beeps.back(), BeepKind::Simple);
        // In the wildcard mode too.
        st.setSelection(1);
        w->matchModeList->setCurrentIndex(1);
        w->findTextBox->setContent(u"Tol*JSON");
        click(w->findButton);
        QCOMPARE(st.getSelection(), 0);
    }

    void find_emptyTreeFindsNothing() {
        auto w = windowWith(u"{}");
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), 1);
        st.clearItems();
        QCOMPARE(st.itemCount(), 0);
        click(w->findButton);
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        QVERIFY(w->statusText(4).starts_with(u"未找到"));
    }

    void find_settingsWrittenBeforeEachSearch() {
        auto w = windowWith(u"{\"first\":1,\"second\":2}");
        w->findTextBox->setContent(u"first");
        click(w->findButton);
        QVERIFY(iniText(iniFile()).contains(QStringLiteral("编辑框查找内容=first")));
        w->findTextBox->setContent(u"second");
        w->matchModeList->setCurrentIndex(2);
        enterInFindBox(*w);
        QString ini = iniText(iniFile());
        QVERIFY(ini.contains(QStringLiteral("编辑框查找内容=second")));
        QVERIFY(ini.contains(QStringLiteral("组合框匹配模式=2")));
        // The find options' check marks go with them.
        QVERIFY(w->onFindMenuCommand(rg_ChaZhaoCaiChanLei::kIgnoreCase));
        click(w->findButton, Qt::RightButton);
        ini = iniText(iniFile());
        QVERIFY(ini.contains(QStringLiteral("菜单忽略大小写=假")));
        // Even a search that finds nothing saves first.
        w->findTextBox->setContent(u"nowhere");
        click(w->findButton);
        QCOMPARE(platform_->beeps.back(), BeepKind::Error);
        QVERIFY(iniText(iniFile()).contains(QStringLiteral("编辑框查找内容=nowhere")));
    }

    void find_optionsMenuFromItsButton_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("20001 USC2 encode")
            << 20001 << QStringLiteral("中a\"") << QStringLiteral("\\u4E2Da\\\"");
        QTest::newRow("20002 USC2 decode")
            << 20002 << QStringLiteral("\\u4E2Da\\\"") << QStringLiteral("中a\"");
        QTest::newRow("20005 HTML hex") << 20005 << QStringLiteral("中a") << QStringLiteral("&#x4E2D;a");
        QTest::newRow("20006 HTML decimal") << 20006 << QStringLiteral("中a") << QStringLiteral("&#20013;a");
        QTest::newRow("20007 HTML decode")
            << 20007 << QStringLiteral("&#x4E2D;&#20013;&amp;") << QStringLiteral("中中&");
        QTest::newRow("dismissed") << 0 << QStringLiteral("中") << QStringLiteral("中");
    }
    void find_optionsMenuFromItsButton() {
        QFETCH(int, id);
        QFETCH(QString, before);
        QFETCH(QString, after);
        auto w = windowWith(u"{\"a\":1}");
        QStringList texts;
        QPoint at;
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([&](QMenu& menu, QPoint pos) -> int32_t {
            at = pos;
            for (QAction* a : menu.actions())
                texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return id;
        });
        platform_->cursor = QPoint(300, 400);
        w->findTextBox->setContent(fromQString(before));
        QTest::mouseClick(w->findOptionsButton, Qt::LeftButton);
        QCOMPARE(w->findTextBox->content(), fromQString(after));
        QCOMPARE(at, QPoint(303, 403));
        const QStringList expected = {QStringLiteral("USC2编码"),
                                      QStringLiteral("USC2解码"),
                                      QStringLiteral("网页转义符编码(十六进制)"),
                                      QStringLiteral("网页转义符编码(十进制)"),
                                      QStringLiteral("网页转义符解码"),
                                      QStringLiteral("-"),
                                      QStringLiteral("忽略大小写"),
                                      QStringLiteral("找不到时自动USC2编码重新查找")};
        QCOMPARE(texts, expected);
        // The text transforms leave both options as they were.
        QVERIFY(w->findMenu().isChecked(rg_ChaZhaoCaiChanLei::kIgnoreCase));
        QVERIFY(w->findMenu().isChecked(rg_ChaZhaoCaiChanLei::kRetryEncoded));
    }

    void find_optionsMenuTogglesTheChecks() {
        auto w = windowWith(u"{\"a\":1}");
        int32_t answer = 0;
        std::vector<bool> shownChecked;
        rg_Korrin_MFCJieMian_KuoZhanZuJian::setPopupHook([&](QMenu& menu, QPoint) -> int32_t {
            shownChecked.clear();
            for (QAction* a : menu.actions())
                if (a->data().toInt() == rg_ChaZhaoCaiChanLei::kIgnoreCase ||
                    a->data().toInt() == rg_ChaZhaoCaiChanLei::kRetryEncoded)
                    shownChecked.push_back(a->isChecked());
            return answer;
        });
        auto& menu = w->findMenu();
        for (int32_t id : {rg_ChaZhaoCaiChanLei::kIgnoreCase, rg_ChaZhaoCaiChanLei::kRetryEncoded}) {
            QVERIFY(menu.isChecked(id));
            answer = id;
            QTest::mouseClick(w->findOptionsButton, Qt::LeftButton);
            QVERIFY(!menu.isChecked(id));
            QTest::mouseClick(w->findOptionsButton, Qt::LeftButton);
            QVERIFY(menu.isChecked(id));
        }
        QCOMPARE(w->findTextBox->content(), CWString(u"level"));
        // The popup shows the marks as they stand.
        answer = rg_ChaZhaoCaiChanLei::kRetryEncoded;
        QTest::mouseClick(w->findOptionsButton, Qt::LeftButton);
        answer = 0;
        QTest::mouseClick(w->findOptionsButton, Qt::LeftButton);
        QCOMPARE(shownChecked, (std::vector<bool>{true, false}));
        // The marks persist.
        w->close();
        w.reset();
        auto again = shownWindow();
        QVERIFY(again->findMenu().isChecked(rg_ChaZhaoCaiChanLei::kIgnoreCase));
        QVERIFY(!again->findMenu().isChecked(rg_ChaZhaoCaiChanLei::kRetryEncoded));
    }

    // ---------------------------------------------------------------------------------------
    // Stream-parse panel

    void stream_extractsIntoTheSlot() {
        const QString path =
            jsonFile(QStringLiteral("stream.json"),
                     "{\"data\":{\"items\":[{\"id\":0},{\"id\":1,\"v\":[true,\"x\"]}]},\"tail\":1}");
        auto w = windowWith(u"{\"old\":1}");
        QCOMPARE(w->streamParseButton->caption(), CWString(u"文件流解析"));
        fillStreamPanel(*w, path, u"data.items.[1]", false);
        QVERIFY(w->streamPanel->isVisible());
        click(w->streamParseButton);
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), 5);
        QCOMPARE(st.getText(0), CWString(u"Tolvar·JSON"));
        QCOMPARE(st.getText(1), CWString(u"id:1"));
        QCOMPARE(st.getText(2), CWString(u"v"));
        QCOMPARE(st.getText(4), CWString(u"[1]:\"x\""));
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"id\":1,\"v\":[true,\"x\"]}"));
        QCOMPARE(w->current()->sourceText, CWString(u"{\"id\":1,\"v\":[true,\"x\"]}"));
        QCOMPARE(w->streamParseButton->caption(), CWString(u"开始文件流解析"));
        QCOMPARE(w->statusText(4), CWString(u"解析文件流用时 0 毫秒"));
        QVERIFY(!w->streaming());
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Default});
        QVERIFY(platform_->messageBoxes.empty());
        // The caption stays after later runs.
        w->streamPathBox->setContent(u"tail");
        click(w->streamParseButton);
        QCOMPARE(w->streamParseButton->caption(), CWString(u"开始文件流解析"));
        QCOMPARE(readAll(slotFile(1)), utf16File(u"1"));
    }

    void stream_otherEncodings_data() {
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        const QString json = QStringLiteral("{\"k\":{\"名\":\"值\"}}");
        QByteArray le("\xFF\xFE", 2), be("\xFE\xFF", 2);
        for (QChar c : json) {
            const char16_t u = c.unicode();
            le.append(char(u & 0xFF)).append(char(u >> 8));
            be.append(char(u >> 8)).append(char(u & 0xFF));
        }
        QTest::newRow("UTF16LE") << 2 << le;
        QTest::newRow("UTF16BE") << 3 << be;
        QTest::newRow("UTF-8") << 1 << json.toUtf8();
    }
    void stream_otherEncodings() {
        QFETCH(int, encoding);
        QFETCH(QByteArray, bytes);
        const QString path = file(QStringLiteral("encoded.json"));
        QVERIFY(writeAll(path, bytes));
        auto w = windowWith(u"[]");
        fillStreamPanel(*w, path, u"k", false, encoding);
        click(w->streamParseButton);
        QCOMPARE(store(*w).itemCount(), 2);
        QCOMPARE(store(*w).getText(1), CWString(u"名:\"值\""));
    }

    void stream_popupOnlyShowsTheResult() {
        const QString path =
            jsonFile(QStringLiteral("popup.json"), "{\"data\":{\"items\":[1,{\"deep\":[1,2]}]}}");
        auto w = windowWith(u"{\"keep\":1}");
        const QByteArray slotBefore = readAll(slotFile(1));
        fillStreamPanel(*w, path, u"data.items.[1]", true);
        InputBoxWatch watch;
        click(w->streamParseButton);
        QVERIFY(watch.seen);
        QCOMPARE(watch.title, QStringLiteral("解析文件流："));
        QCOMPARE(watch.text, CWString(u"{\"deep\":[1,2]}"));
        QVERIFY(watch.viewMode);
        QVERIFY(watch.readOnly);
        QVERIFY(!watch.okVisible);
        QVERIFY(!watch.rowVisible);
        QCOMPARE(watch.closeCaption, CWString(u"关闭"));
        // Two lines: the file, then the path (the box shows the CR LF as one line break).
        QCOMPARE(watch.prompt,
                 QStringLiteral("JSON文件：") + path + QStringLiteral("\nJSON路径：data.items.[1]"));
        QVERIFY(!rg_TolvarShuRuKuangLei::instance().isRunning());
        // The slot is not touched.
        QCOMPARE(store(*w).itemCount(), 2);
        QCOMPARE(store(*w).getText(1), CWString(u"keep:1"));
        QCOMPARE(readAll(slotFile(1)), slotBefore);
        QVERIFY(platform_->beeps.empty());
        QCOMPARE(w->streamParseButton->caption(), CWString(u"开始文件流解析"));
        QVERIFY(w->statusText(4).starts_with(u"解析文件流用时 "));
    }

    void stream_emptyPathPopupShowsTheWholeFile() {
        const QByteArray content = QStringLiteral("{\"a\" : [1, 2],\r\n \"名\": \"值\"}").toUtf8();
        const QString path = jsonFile(QStringLiteral("whole.json"), content);
        auto w = windowWith(u"{\"keep\":1}");
        fillStreamPanel(*w, path, u"", true);
        InputBoxWatch watch;
        click(w->streamParseButton);
        QVERIFY(watch.seen);
        QCOMPARE(watch.text, fromQString(QString::fromUtf8(content)));
        QCOMPARE(watch.prompt, QStringLiteral("JSON文件：") + path + QStringLiteral("\nJSON路径："));
        QCOMPARE(store(*w).getText(1), CWString(u"keep:1"));
    }

    void stream_unreadableSourcesGiveAnEmptyResult_data() {
        QTest::addColumn<QString>("name"); // in the temporary folder; "" for an empty file path
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("jsonPath");
        QTest::newRow("missing file") << QStringLiteral("missing.json") << 1 << QStringLiteral("a");
        QTest::newRow("directory") << QStringLiteral("folder") << 1 << QStringLiteral("a");
        QTest::newRow("no encoding") << QStringLiteral("ok.json") << -1 << QStringLiteral("a");
        QTest::newRow("empty file path") << QString() << 1 << QStringLiteral("a");
        QTest::newRow("path names nothing") << QStringLiteral("ok.json") << 1 << QStringLiteral("b.c");
    }
    void stream_unreadableSourcesGiveAnEmptyResult() {
        QFETCH(QString, name);
        QFETCH(int, encoding);
        QFETCH(QString, jsonPath);
        QVERIFY(QDir().mkpath(file(QStringLiteral("folder"))));
        QVERIFY(writeAll(file(QStringLiteral("ok.json")), "{\"a\":{\"x\":1}}"));
        auto w = windowWith(u"{\"keep\":1}");
        fillStreamPanel(*w, name.isEmpty() ? QString() : file(name), fromQString(jsonPath), false, encoding);
        QCOMPARE(w->encodingList->currentIndex(), encoding);
        const QByteArray slotBefore = readAll(slotFile(1));
        click(w->streamParseButton);
        // No value: the slot and its file stay as they were (an empty result would empty them),
        // and the last status column says why.
        QCOMPARE(store(*w).itemCount(), 2);
        QCOMPARE(store(*w).getText(1), CWString(u"keep:1"));
        QCOMPARE(readAll(slotFile(1)), slotBefore);
        QVERIFY(platform_->messageBoxes.empty());
        QCOMPARE(w->streamParseButton->caption(), CWString(u"开始文件流解析"));
        QVERIFY(w->statusText(4).starts_with(u"文件流解析失败："));

        // In popup mode the view shows an empty text.
        w->popupOnlyCheck->setChecked(true);
        InputBoxWatch watch;
        click(w->streamParseButton);
        QVERIFY(watch.seen);
        QVERIFY(watch.text.empty());
        QVERIFY(platform_->messageBoxes.empty());
    }

    void stream_settingsWrittenBeforeTheExtraction() {
        const QString path = jsonFile(QStringLiteral("settings.json"), "{\"a\":[1,2,3]}");
        auto w = windowWith(u"{}");
        fillStreamPanel(*w, path, u"a.[2]", true, 1);
        QString during;
        InputBoxWatch watch([&] { during = iniText(iniFile()); });
        click(w->streamParseButton);
        QVERIFY(watch.seen);
        QCOMPARE(watch.text, CWString(u"3"));
        // Read while the result was still on show: the panel's state was already stored.
        QVERIFY(during.contains(QStringLiteral("编辑框JSON文件路径=") + path));
        QVERIFY(during.contains(QStringLiteral("编辑框JSON文件内JSON路径=a.[2]")));
        QVERIFY(during.contains(QStringLiteral("Tolvar按钮文件流解析.选中=真")));
        QVERIFY(during.contains(QStringLiteral("仅弹出结果=真")));
        // The encoding and the check box survive a restart from that file alone.
        w->encodingList->setCurrentIndex(0);
        w->popupOnlyCheck->setChecked(false);
        w->streamPathBox->setContent(u"a");
        click(w->streamParseButton);
        const QStringList after = iniText(iniFile()).split(QStringLiteral("\r\n"));
        QVERIFY(after.contains(QStringLiteral("组合框JSON文件编码=0")));
        QVERIFY(after.contains(QStringLiteral("编辑框JSON文件内JSON路径=a")));
    }

    void stream_browseButton() {
        auto w = windowWith(u"{}");
        click(w->streamToggle);
        const CWString initial = w->filePathBox->content();
        QCOMPARE(initial, CWString(u"\\json.txt"));
        const CWString chosen = fromQString(file(QStringLiteral("chosen.json")));
        platform_->openFileAnswers.push_back(chosen);
        click(w->browseButton);
        QCOMPARE(w->filePathBox->content(), chosen);
        QCOMPARE(platform_->openFileCalls.size(), size_t(1));
        QCOMPARE(platform_->openFileCalls[0].caption, CWString(u"打开JSON文件"));
        QCOMPARE(platform_->openFileCalls[0].initialPath, initial);
        QVERIFY(platform_->openFileCalls[0].filter.empty());
        // Cancelled: the box keeps its text; the proposal is the box's current text.
        click(w->browseButton);
        QCOMPARE(w->filePathBox->content(), chosen);
        QCOMPARE(platform_->openFileCalls.size(), size_t(2));
        QCOMPARE(platform_->openFileCalls[1].initialPath, chosen);
        QVERIFY(platform_->beeps.empty());
    }

    void stream_pasteButtonFillsThePath() {
        auto w = windowWith(u"{}");
        click(w->streamToggle);
        platform_->clipboard = u"a.b.[3]";
        click(w->pasteStreamPathButton);
        QCOMPARE(w->streamPathBox->content(), CWString(u"a.b.[3]"));
    }

    // A file of about 60 MB with the value at its end: the window keeps handling its events (here
    // a timer) while the file is scanned, and shows the running state meanwhile.
    void stream_windowStaysLiveDuringALongExtraction() {
        const QString path = file(QStringLiteral("large.json"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QByteArray chunk;
            chunk.reserve(1 << 20);
            while (chunk.size() < (1 << 20))
                chunk += "12345678,";
            f.write("{\"pad\":[");
            for (int i = 0; i < 60; ++i)
                QCOMPARE(f.write(chunk), chunk.size());
            f.write("0],\"data\":{\"v\":\"end\"}}");
        }
        QVERIFY(QFileInfo(path).size() > 60 * 1000 * 1000);
        auto w = windowWith(u"{}");
        fillStreamPanel(*w, path, u"data", false);

        LiveWatch live;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            ++live.ticks;
            if (w->streaming()) {
                ++live.ticksWhileStreaming;
                live.statusWhileStreaming = w->statusText(4);
            }
        });
        timer.start();
        click(w->streamParseButton);
        timer.stop();
        QVERIFY2(live.ticksWhileStreaming > 0, "no timer ran while the file was scanned");
        QVERIFY(live.statusWhileStreaming.starts_with(u"正在解析文件流.."));
        QVERIFY(!w->streaming());
        QCOMPARE(store(*w).itemCount(), 2);
        QCOMPARE(store(*w).getText(1), CWString(u"v:\"end\""));
        QVERIFY(w->statusText(4).starts_with(u"解析文件流用时 "));
        QVERIFY(QFile::remove(path));
    }

    void stream_closingTheWindowCancelsTheExtraction() {
        const QString path = file(QStringLiteral("large.json"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            const QByteArray chunk = QByteArray("12345678,").repeated((1 << 20) / 9);
            f.write("{\"pad\":[");
            for (int i = 0; i < 200; ++i)
                QCOMPARE(f.write(chunk), chunk.size());
            f.write("0],\"v\":1}");
        }
        auto w = windowWith(u"{\"keep\":1}");
        fillStreamPanel(*w, path, u"v", false);
        bool closedWhileStreaming = false;
        QTimer timer;
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (w->streaming() && !closedWhileStreaming) {
                closedWhileStreaming = true;
                w->close();
            }
        });
        timer.start();
        click(w->streamParseButton);
        timer.stop();
        QVERIFY(!w->streaming());
        if (closedWhileStreaming) {
            // The cancelled extraction leaves the slot and its file as they were.
            QCOMPARE(store(*w).itemCount(), 2);
            QCOMPARE(store(*w).getText(1), CWString(u"keep:1"));
        }
        QVERIFY(QFile::remove(path));
    }

    // ---------------------------------------------------------------------------------------
    // Dropped files

    void drop_utf8FileParsesWithoutABeep() {
        const QString path =
            jsonFile(QStringLiteral("dropped.json"), QStringLiteral("{\"名\":\"值\",\"n\":[1]}").toUtf8());
        auto w = shownWindow();
        QVERIFY(platform_->beeps.empty());
        w->openDroppedFile(fromQString(path));
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), 4);
        QCOMPARE(st.getText(1), CWString(u"名:\"值\""));
        QVERIFY(platform_->beeps.empty());
        QCOMPARE(readAll(slotFile(1)), utf16File(u"{\"名\":\"值\",\"n\":[1]}"));
        QVERIFY(!w->current()->slotDirty);
    }

    void drop_utf16FileWithAByteOrderMark() {
        const QString path = file(QStringLiteral("dropped16.json"));
        QVERIFY(writeAll(path, utf16File(u"[\"中\",{\"k\":true}]")));
        auto w = shownWindow();
        w->openDroppedFile(fromQString(path));
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), 4);
        QCOMPARE(st.getImage(0), 1);
        QCOMPARE(st.getText(1), CWString(u"[0]:\"中\""));
        QCOMPARE(st.getText(3), CWString(u"k:true"));
        QVERIFY(platform_->beeps.empty());
    }

    void drop_missingFileIsReported() {
        auto w = windowWith(u"{\"keep\":1}");
        const QByteArray slotBefore = readAll(slotFile(1));
        w->openDroppedFile(fromQString(file(QStringLiteral("gone.json"))));
        QCOMPARE(w->statusText(4), CWString(u"读取失败：gone.json"));
        QCOMPARE(platform_->beeps, std::vector<BeepKind>{BeepKind::Error});
        QCOMPARE(store(*w).itemCount(), 2);
        QCOMPARE(store(*w).getText(1), CWString(u"keep:1"));
        QCOMPARE(readAll(slotFile(1)), slotBefore);
        QVERIFY(platform_->messageBoxes.empty());
    }

    void drop_largeFileGoesToTheStreamPanel() {
        const QString path = file(QStringLiteral("huge.json"));
        {
            // Sparse: the size is set, no data is written.
            const QByteArray native = QFile::encodeName(path);
            const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            QVERIFY(fd >= 0);
            const bool sized = ::ftruncate(fd, rg_ZhuChuangKou1::kLargeDropBytes + 4096) == 0;
            ::close(fd);
            QVERIFY(sized);
        }
        auto w = windowWith(u"{\"keep\":1}");
        QVERIFY(!w->streamPanel->isVisible());
        const QByteArray slotBefore = readAll(slotFile(1));
        w->openDroppedFile(fromQString(path));
        QCOMPARE(w->filePathBox->content(), fromQString(path));
        QVERIFY(w->streamPanel->isVisible());
        QCOMPARE(w->streamToggle->checked(), 1);
        // Laid out: the panel sits below the tree box.
        auto* tree = w->current()->tree;
        QCOMPARE(w->streamPanel->y(), tree->y() + tree->height() + 9);
        QCOMPARE(store(*w).getText(1), CWString(u"keep:1"));
        QCOMPARE(readAll(slotFile(1)), slotBefore);
        QVERIFY(platform_->beeps.empty());

        // A small file at the same place is read whole again (an empty file parses as {}).
        QVERIFY(QFile::resize(path, 0));
        w->openDroppedFile(fromQString(path));
        QCOMPARE(store(*w).itemCount(), 1);
    }

    void drop_realDragAndDropEvents() {
        const QString path = jsonFile(QStringLiteral("real drop.json"), "{\"dropped\":[1,2]}");
        auto w = shownWindow();
        QVERIFY(w->acceptDrops());
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        const QPointF at(200, 300);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &drop);
        QVERIFY(drop.isAccepted());
        auto& st = store(*w);
        QCOMPARE(st.itemCount(), 4);
        QCOMPARE(st.getText(1), CWString(u"dropped"));
        QCOMPARE(st.getText(3), CWString(u"[1]:2"));
        QVERIFY(platform_->beeps.empty());

        // Text that is not a local file is refused at the door.
        QMimeData text;
        text.setText(QStringLiteral("{\"x\":1}"));
        QDragEnterEvent refused(at.toPoint(), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &refused);
        QVERIFY(!refused.isAccepted());
        QDropEvent ignored(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w.get(), &ignored);
        QCOMPARE(st.getText(1), CWString(u"dropped"));
    }
};

QTEST_MAIN(AppPanelsTest)
#include "test_app_panels.moc"
