// Button: press-before-release clicks, toggling, the state colours, caption layout, hover,
// disabled buttons, tooltips and screenshots of every state.
#include <QTest>

#include "controls/button.h"
#include "gui_test_util.h"
#include "runtime/ui/testing/test_platform.h"
#include "text/font/screen_font.h"

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;
using rg_Korrin_ChuangKou::rg_ZengJiangWeiTuLei;

namespace {

QImage solidImage(int w, int h, QRgb colour, QRgb frame) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(frame);
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            image.setPixel(x, y, colour);
    return image;
}

} // namespace

class ButtonTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_TolvarAnNiu1* button = nullptr;
    int clicks = 0, doubleClicks = 0, rightReleases = 0;
    int checkedSeenByHandler = -1;

    int32_t px(int x, int y) { return button->canvas()->pixelRef(x, y); }

private slots:
    void init() {
        host = new QWidget;
        host->resize(400, 200);
        button = new rg_TolvarAnNiu1(host);
        button->setGeometry(20, 20, 160, 40);
        button->setFontDescription(u", 11, 0, 0, 0, 0, 0");
        button->setCaption(u"查找树数据");
        clicks = doubleClicks = rightReleases = 0;
        checkedSeenByHandler = -1;
        button->clicked.bind([this] {
            ++clicks;
            checkedSeenByHandler = button->checked();
        });
        button->doubleClicked.bind([this] { ++doubleClicks; });
        button->rightReleased.bind([this] { ++rightReleases; });
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
    }

    void cleanup() {
        delete host;
        host = nullptr;
        button = nullptr;
    }

    void colour_resolution_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("normal");
        QTest::addColumn<int>("face");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain_colour") << 0x123456 << 0 << -1 << 0x123456;
        QTest::newRow("minus2_takes_normal") << -2 << 0x00FF00 << -1 << 0x00FF00;
        QTest::newRow("minus2_twice_falls_back") << -2 << -2 << -1 << 0x777777;
        QTest::newRow("minus1_is_button_face") << -1 << 0 << -1 << 0xF0F0F0;
        QTest::newRow("face_entry_takes_face_colour") << int(kFaceEntry) << 0 << 0x3366CC << 0x3366CC;
        QTest::newRow("face_entry_default_face") << int(kFaceEntry) << 0 << -1 << 0xF0F0F0;
        QTest::newRow("minus2_to_face_entry") << -2 << int(kFaceEntry) << 0xABCDEF << 0xABCDEF;
    }
    void colour_resolution() {
        QFETCH(int, entry);
        QFETCH(int, normal);
        QFETCH(int, face);
        QFETCH(int, expected);
        const std::array<int32_t, 4> table{normal, entry, 0, 0};
        QCOMPARE(resolveButtonColour(table, 1, face, 0x777777), expected);
    }

    void clicked_on_press_not_release() {
        QTest::mousePress(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(clicks, 1);
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Pressed));
        QCOMPARE(checkedSeenByHandler, 1);
        QCOMPARE(px(1, 1), 0xFBF1E5); // pressed background
        QTest::mouseRelease(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(clicks, 1);
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Hot));
    }

    void every_press_flips_checked() {
        for (int i = 1; i <= 3; ++i) {
            QTest::mouseClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
            QCOMPARE(button->checked(), i % 2);
        }
    }

    void toggle_stays_drawn_pressed() {
        rg_Korrin_ChuangKou::TestPlatform platform;
        rg_Korrin_ChuangKou::TestPlatformInstall installed(platform);
        button->toggleMode = 1;
        button->redraw();
        QCOMPARE(px(0, 0), 0xC0C0C0);
        QCOMPARE(px(1, 1), 0xECECEC);
        QTest::mouseClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        // Hot but checked: drawn pressed (pressed border is the normal one, not the hot one).
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Hot));
        QCOMPARE(px(0, 0), 0xC0C0C0);
        QCOMPARE(px(1, 1), 0xFBF1E5);
        button->setState(rg_TolvarAnNiu1::Normal);
        QCOMPARE(px(1, 1), 0xFBF1E5); // still pressed while checked
        gui_test::saveShot(button, QStringLiteral("button_toggle_checked"));
        QTest::mouseClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        button->setState(rg_TolvarAnNiu1::Normal);
        QCOMPARE(button->checked(), 0);
        QCOMPARE(px(1, 1), 0xECECEC);
    }

    void non_toggle_hot_border() {
        QTest::mouseClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Hot));
        QCOMPARE(px(0, 0), 0xDB8417);
        QCOMPARE(px(1, 1), 0xFBF1E5);
    }

    void hot_background_minus2_paints_normal() {
        button->backColours[1] = kTakeNormalEntry;
        button->setState(rg_TolvarAnNiu1::Hot);
        QCOMPARE(px(1, 1), 0xECECEC);
        QCOMPARE(px(0, 0), 0xDB8417);
    }

    void text_colour_follows_state_not_drawn_state() {
        button->toggleMode = 1;
        button->setChecked(1);
        button->setState(rg_TolvarAnNiu1::Normal);
        QCOMPARE(button->currentLook().textColour, 0);
        QCOMPARE(button->currentLook().backColour, 0xFBF1E5);
        button->setState(rg_TolvarAnNiu1::Hot);
        QCOMPARE(button->currentLook().textColour, 0x0000FF);
    }

    void two_lines_centred_as_a_block() {
        button->resize(200, 80);
        button->setCaption(u"第一行文字\r\n二");
        const ButtonLook look = button->currentLook();
        const auto measure = [this](CWStringView t) { return button->canvas()->textExtent(t); };
        const ButtonLayout layout = layoutButton(look, 200, 80, measure);
        QCOMPARE(int(layout.lines.size()), 2);
        const int lineHeight = button->canvas()->fontMetrics().height();
        QCOMPARE(layout.lines[1].y, layout.lines[0].y + lineHeight + 2);
        QCOMPARE(layout.textHeight, 2 * lineHeight + 2);
        QCOMPARE(layout.lines[0].y, (80 - layout.textHeight) / 2);
        QCOMPARE(layout.lines[0].x, std::max((200 - layout.textWidth) / 2, 5));
        QCOMPARE(layout.lines[1].x, layout.lines[0].x + (layout.textWidth - layout.lines[1].width) / 2);
        QVERIFY(layout.lines[1].x > layout.lines[0].x);
        gui_test::saveShot(button, QStringLiteral("button_two_lines"));
    }

    void text_at_inset_without_centring() {
        button->centreContent = 0;
        button->redraw();
        const ButtonLayout layout = layoutButton(button->currentLook(), 160, 40, [this](CWStringView t) {
            return button->canvas()->textExtent(t);
        });
        QCOMPARE(layout.lines.at(0).x, 5);
        // Nothing but border and background left of the inset.
        for (int x = 1; x < 5; ++x)
            QCOMPARE(px(x, 20), 0xECECEC);
    }

    void image_and_text_layout_data() {
        QTest::addColumn<int>("centre");
        QTest::addColumn<QString>("caption");
        QTest::newRow("centred_block") << 1 << QStringLiteral("文件流解析");
        QTest::newRow("left_at_inset") << 0 << QStringLiteral("文件流解析");
        QTest::newRow("image_only_centred") << 1 << QString();
    }
    void image_and_text_layout() {
        QFETCH(int, centre);
        QFETCH(QString, caption);
        button->normalImage = rg_ZengJiangWeiTuLei(solidImage(28, 28, qRgb(0, 0, 255), qRgb(255, 255, 255)));
        button->centreContent = centre;
        button->setCaption(CWString(reinterpret_cast<const char16_t*>(caption.utf16()), caption.size()));
        const ButtonLayout layout = layoutButton(button->currentLook(), 160, 40, [this](CWStringView t) {
            return button->canvas()->textExtent(t);
        });
        const int d = layout.textWidth;
        const int x = centre ? std::max((160 - 28 - (d > 0 ? 5 : 0) - d) / 2, 5) : 5;
        QCOMPARE(layout.imageRect, QRect(x, 6, 28, 28));
        if (d > 0) QCOMPARE(layout.lines.at(0).x, x + 28 + 5);
        QCOMPARE(px(x + 14, 20), 0xFF0000); // the image's blue, as COLORREF
        QCOMPARE(px(x, 20), 0xFFFFFF);      // its white frame, drawn opaque (transparentColour 0)
    }

    void transparent_colour_keys_out_white() {
        button->normalImage = rg_ZengJiangWeiTuLei(solidImage(28, 28, qRgb(0, 0, 255), qRgb(255, 255, 255)));
        button->transparentColour = 0xFFFFFF;
        button->setCaption(u"");
        const int x = (160 - 28) / 2;
        QCOMPARE(px(x, 20), 0xECECEC);
        QCOMPARE(px(x + 1, 20), 0xFF0000);
    }

    void image_fills_button() {
        button->normalImage = rg_ZengJiangWeiTuLei(solidImage(4, 4, qRgb(0, 128, 0), qRgb(0, 128, 0)));
        button->imageFillsButton = 1;
        button->redraw();
        QCOMPARE(px(0, 0), 0x008000);
        QCOMPARE(px(159, 39), 0x008000);
        QCOMPARE(px(80, 20), 0x008000);
    }

    void state_images_fall_back_to_normal() {
        button->normalImage = rg_ZengJiangWeiTuLei(solidImage(10, 10, qRgb(255, 0, 0), qRgb(255, 0, 0)));
        button->hotImage = rg_ZengJiangWeiTuLei(solidImage(10, 10, qRgb(0, 255, 0), qRgb(0, 255, 0)));
        button->setCaption(u"");
        button->setState(rg_TolvarAnNiu1::Hot);
        QCOMPARE(button->currentLook().image, &button->hotImage);
        button->setState(rg_TolvarAnNiu1::Pressed);
        QCOMPARE(button->currentLook().image, &button->normalImage);
        QCOMPARE(px(80, 20), 0x0000FF);
    }

    void double_click_raises_once_and_flips_once() {
        // A real double-click: press, release, then the double-click in place of the second press.
        QTest::mouseClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseDClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(doubleClicks, 1);
        QCOMPARE(clicks, 1);
        QCOMPARE(button->checked(), 1);
    }

    void right_press_and_release() {
        QTest::mousePress(button->canvas(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Pressed));
        QCOMPARE(rightReleases, 0);
        QTest::mouseRelease(button->canvas(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Hot));
        QCOMPARE(rightReleases, 1);
        QCOMPARE(button->checked(), 0);
        QCOMPARE(clicks, 0);
    }

    void disabled_changes_and_raises_nothing() {
        button->setState(rg_TolvarAnNiu1::Disabled);
        QCOMPARE(px(1, 1), 0xECECEC); // disabled background -2 = normal
        QCOMPARE(px(0, 0), 0xC0C0C0); // disabled border -2 = normal
        gui_test::saveShot(button, QStringLiteral("button_disabled"));
        QTest::mouseClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseDClick(button->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseClick(button->canvas(), Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseMove(button->canvas(), QPoint(12, 12));
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Disabled));
        QCOMPARE(button->checked(), 0);
        QCOMPARE(clicks + doubleClicks + rightReleases, 0);
    }

    void hover_enters_and_leaves() {
        rg_Korrin_ChuangKou::TestPlatform platform;
        rg_Korrin_ChuangKou::TestPlatformInstall installed(platform);
        int moves = 0;
        button->mouseMoved.bind([&moves](int32_t x, int32_t y, int32_t mods) {
            QCOMPARE(x, 30);
            QCOMPARE(y, 12);
            QCOMPARE(mods, 0x2000);
            ++moves;
        });
        QTest::mouseMove(button->canvas(), QPoint(30, 12));
        // QTest moves the cursor with QCursor::setPos; send the modifier-carrying move directly.
        QMouseEvent move(QEvent::MouseMove, QPointF(30, 12),
                         QPointF(button->canvas()->mapToGlobal(QPoint(30, 12))), Qt::NoButton, Qt::NoButton,
                         Qt::ControlModifier);
        QApplication::sendEvent(button->canvas(), &move);
        QVERIFY(moves >= 1);
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Hot));
        QVERIFY(button->hoverTimerRunning());
        QCOMPARE(px(0, 0), 0xDB8417);
        gui_test::saveShot(button, QStringLiteral("button_hot"));
        QTest::qWait(120); // the cursor is still inside: stays hot
        QCOMPARE(button->state(), int(rg_TolvarAnNiu1::Hot));
        platform.cursor = button->canvas()->mapToGlobal(QPoint(170, 12)); // right of the button
        QTRY_COMPARE(button->state(), int(rg_TolvarAnNiu1::Normal));
        QVERIFY(!button->hoverTimerRunning());
        QCOMPARE(px(0, 0), 0xC0C0C0);
    }

    void tooltip_goes_to_the_canvas() {
        button->setTooltip(u"查找JSON树中的节点并定位显示");
        QCOMPARE(button->canvas()->toolTip(), QStringLiteral("查找JSON树中的节点并定位显示"));
        QCOMPARE(button->tooltip(), CWString(u"查找JSON树中的节点并定位显示"));
    }

    void nothing_painted_while_hidden() {
        button->hide();
        QVERIFY(!button->isShownFlag());
        const QImage before = button->canvas()->image().copy();
        button->setState(rg_TolvarAnNiu1::Hot);
        button->setCaption(u"另一个");
        QCOMPARE(button->canvas()->image(), before);
        button->show();
        QVERIFY(button->isShownFlag());
        QCOMPARE(px(0, 0), 0xDB8417);
    }

    void screenshots_of_states() {
        button->setNormalImage(504);
        button->redraw();
        gui_test::saveShot(button, QStringLiteral("button_normal"));
        button->setState(rg_TolvarAnNiu1::Hot);
        gui_test::saveShot(button, QStringLiteral("button_image_hot"));
        button->setState(rg_TolvarAnNiu1::Pressed);
        gui_test::saveShot(button, QStringLiteral("button_image_pressed"));
        button->setState(rg_TolvarAnNiu1::Disabled);
        gui_test::saveShot(button, QStringLiteral("button_image_disabled"));
        auto* big = new rg_TolvarAnNiu1(host);
        big->setGeometry(20, 80, 250, 38);
        big->setFontDescription(u", 17, 0, 0, 0, 0, 0");
        big->setNormalImage(510);
        big->setCaption(u"从剪贴板解析到树");
        big->show();
        gui_test::saveShot(big, QStringLiteral("button_clipboard_parse"));
    }

    void survives_any_size_and_input() {
        for (const QSize size : {QSize(0, 0), QSize(1, 1), QSize(3, 200), QSize(500, 2), QSize(0, 40)}) {
            button->resize(size);
            button->setCaption(u"一\r\n\r\n二\r\n");
            QTest::mouseClick(button->canvas(), Qt::LeftButton);
            QTest::mouseDClick(button->canvas(), Qt::RightButton);
            QTest::mouseMove(button->canvas(), QPoint(-5, -5));
            gui_test::wheel(button->canvas(), QPoint(0, 0), 120);
            button->redraw();
        }
    }
};

QTEST_MAIN(ButtonTest)
#include "test_button.moc"
