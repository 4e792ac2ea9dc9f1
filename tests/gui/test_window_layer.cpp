// The window layer: colours, event bindings, input translation, canvas primitives (pixels),
// redraw suspension, bitmaps, the container, the timer, the edit box and the platform double.
#include <memory>

#include <QTest>

#include "gui_test_util.h"
#include "runtime/event.h"
#include "runtime/ui/canvas.h"
#include "runtime/ui/colour.h"
#include "runtime/ui/container.h"
#include "runtime/ui/edit_box.h"
#include "runtime/ui/input.h"
#include "runtime/ui/testing/test_platform.h"
#include "runtime/ui/timer.h"

using namespace rg_Korrin_ChuangKou;

namespace {

struct Owner {
    int calls = 0;
    int32_t onValue(Owner* self, int64_t user, int32_t v) {
        (void)self;
        calls += static_cast<int>(user);
        return v * 2;
    }
};

int32_t freeHandler(Owner* bound, Owner* sender, int64_t user, int32_t v) {
    bound->calls += 1;
    return sender == bound ? static_cast<int32_t>(user) + v : -1;
}

} // namespace

class WindowLayerTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_HuaBan* canvas = nullptr;

private slots:
    void init() {
        host = new QWidget;
        host->resize(200, 120);
        canvas = new rg_HuaBan(host);
        canvas->setGeometry(0, 0, 100, 60);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        canvas->setBackColour(0xFFFFFF);
        canvas->clear();
    }

    void cleanup() {
        delete host;
        host = nullptr;
        canvas = nullptr;
    }

    void colours_data() {
        QTest::addColumn<int>("ref");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red_is_low_byte") << 0x0000FF << QColor(255, 0, 0);
        QTest::newRow("blue_is_high_byte") << 0xFF0000 << QColor(0, 0, 255);
        QTest::newRow("mixed") << 0xC06000 << QColor(0x00, 0x60, 0xC0);
        QTest::newRow("top_byte_ignored") << int(0xFF123456) << QColor(0x56, 0x34, 0x12);
    }
    void colours() {
        QFETCH(int, ref);
        QFETCH(QColor, colour);
        QCOMPARE(colorFromRef(ref), colour);
        QCOMPARE(colorRefFromColor(colour), ref & 0xFFFFFF);
        QCOMPARE(colorFromRef(-1, QColor(1, 2, 3)), QColor(1, 2, 3));
        QCOMPARE(colorRefFromColor(QColor()), -1);
        QCOMPARE(QColor::fromRgb(argbFromRef(ref)), colorFromRef(ref));
    }

    void event_binding() {
        Owner owner;
        rg_Korrin_JiBen::Event<Owner, int32_t> event(&owner);
        QCOMPARE(event.raise(5), 0); // unbound
        event.bind(&owner, &Owner::onValue, 3);
        QCOMPARE(event.raise(5), 10);
        QCOMPARE(owner.calls, 3);
        event.bind(&owner, &freeHandler, 100);
        QCOMPARE(event.raise(5), 105);
        int seen = 0;
        event.bind([&seen](int32_t v) { seen = v; }); // void handlers return 0
        QCOMPARE(event.raise(7), 0);
        QCOMPARE(seen, 7);
        event.bind([&event](int32_t) {
            event.unbind(); // a handler may unbind itself
            return 9;
        });
        QCOMPARE(event.raise(1), 9);
        QVERIFY(!event.isBound());
        event.bind(std::function<int32_t(int32_t)>()); // empty handler unbinds
        QVERIFY(!event.isBound());
    }

    void modifier_bits_data() {
        QTest::addColumn<int>("mods");
        QTest::addColumn<int>("bits");
        QTest::newRow("none") << int(Qt::NoModifier) << 0;
        QTest::newRow("ctrl") << int(Qt::ControlModifier) << 0x2000;
        QTest::newRow("alt") << int(Qt::AltModifier) << 0x4000;
        QTest::newRow("shift") << int(Qt::ShiftModifier) << 0x8000;
        QTest::newRow("all") << int(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier) << 0xE000;
    }
    void modifier_bits() {
        QFETCH(int, mods);
        QFETCH(int, bits);
        QCOMPARE(modifierBits(Qt::KeyboardModifiers(mods)), bits);
    }

    void key_codes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("code");
        QTest::newRow("enter") << int(Qt::Key_Return) << 13;
        QTest::newRow("keypad_enter") << int(Qt::Key_Enter) << 13;
        QTest::newRow("left") << int(Qt::Key_Left) << 0x25;
        QTest::newRow("up") << int(Qt::Key_Up) << 0x26;
        QTest::newRow("right") << int(Qt::Key_Right) << 0x27;
        QTest::newRow("down") << int(Qt::Key_Down) << 0x28;
        QTest::newRow("f2") << int(Qt::Key_F2) << 0x71;
        QTest::newRow("letter_c") << int(Qt::Key_C) << 0x43;
        QTest::newRow("digit_7") << int(Qt::Key_7) << 0x37;
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0x1B;
        QTest::newRow("delete") << int(Qt::Key_Delete) << 0x2E;
    }
    void key_codes() {
        QFETCH(int, key);
        QFETCH(int, code);
        QCOMPARE(virtualKeyCode(key), code);
    }

    void wheel_notches_data() {
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<QList<int>>("notches");
        QTest::newRow("whole_notches") << QList<int>{120, -240} << QList<int>{1, -2};
        QTest::newRow("fine_deltas_add_up") << QList<int>{40, 40, 40, 40} << QList<int>{0, 0, 1, 0};
        QTest::newRow("direction_change_drops_the_rest")
            << QList<int>{100, -100, -20} << QList<int>{0, 0, -1};
    }
    void wheel_notches() {
        QFETCH(QList<int>, deltas);
        QFETCH(QList<int>, notches);
        WheelAccumulator acc;
        QList<int> out;
        for (int d : deltas)
            out.push_back(acc.add(d));
        QCOMPARE(out, notches);
    }

    void window_reports_input_in_order() {
        auto logPtr = std::make_shared<QStringList>(); // outlives the window's bindings
        auto* w = new WindowBase(host);
        w->setGeometry(110, 0, 50, 50);
        w->setFocusPolicy(Qt::ClickFocus);
        w->show();
        w->leftDown.bind([logPtr](int32_t x, int32_t y, int32_t m) {
            *logPtr << QStringLiteral("LD %1,%2,%3").arg(x).arg(y).arg(m);
        });
        w->leftUp.bind([logPtr](int32_t, int32_t, int32_t) { *logPtr << QStringLiteral("LU"); });
        w->leftDoubleClicked.bind([logPtr](int32_t, int32_t, int32_t) { *logPtr << QStringLiteral("LDbl"); });
        w->rightDown.bind([logPtr](int32_t, int32_t, int32_t) { *logPtr << QStringLiteral("RD"); });
        w->rightUp.bind([logPtr](int32_t, int32_t, int32_t) { *logPtr << QStringLiteral("RU"); });
        w->wheel.bind([logPtr](int32_t n, int32_t m) { *logPtr << QStringLiteral("W %1,%2").arg(n).arg(m); });
        w->keyDown.bind(
            [logPtr](int32_t k, int32_t m) { *logPtr << QStringLiteral("K %1,%2").arg(k).arg(m); });
        w->resized.bind(
            [logPtr](int32_t ww, int32_t hh) { *logPtr << QStringLiteral("S %1x%2").arg(ww).arg(hh); });
        w->hidden.bind([logPtr] { *logPtr << QStringLiteral("H"); });
        w->shown.bind([logPtr] { *logPtr << QStringLiteral("V"); });
        QTest::mousePress(w, Qt::LeftButton, Qt::ShiftModifier, QPoint(4, 5));
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, QPoint(4, 5));
        QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(4, 5));
        QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, QPoint(4, 5));
        gui_test::wheel(w, QPoint(4, 5), -240, Qt::ControlModifier);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
        w->resize(30, 20);
        w->hide();
        w->show();
        const QStringList expected{QStringLiteral("LD 4,5,32768"),
                                   QStringLiteral("LU"),
                                   QStringLiteral("LDbl"),
                                   QStringLiteral("RD"),
                                   QStringLiteral("RU"),
                                   QStringLiteral("W -2,8192"),
                                   QStringLiteral("K 13,0"),
                                   QStringLiteral("S 30x20"),
                                   QStringLiteral("H"),
                                   QStringLiteral("V")};
        if (*logPtr != expected) qWarning() << *logPtr;
        QCOMPARE(*logPtr, expected);
        delete w;
    }

    void rectangle_covers_left_top_to_right_bottom_exclusive() {
        canvas->setPenColour(0x0000FF);
        canvas->setBrushColour(0x00FF00);
        canvas->rectangle(2, 2, 10, 8);
        QCOMPARE(canvas->pixelRef(2, 2), 0x0000FF);
        QCOMPARE(canvas->pixelRef(9, 7), 0x0000FF);
        QCOMPARE(canvas->pixelRef(9, 4), 0x0000FF);
        QCOMPARE(canvas->pixelRef(5, 5), 0x00FF00);
        QCOMPARE(canvas->pixelRef(10, 5), 0xFFFFFF);
        QCOMPARE(canvas->pixelRef(5, 8), 0xFFFFFF);
        canvas->setHollowBrush();
        canvas->rectangle(20, 2, 30, 8);
        QCOMPARE(canvas->pixelRef(25, 5), 0xFFFFFF);
        QCOMPARE(canvas->pixelRef(20, 5), 0x0000FF);
    }

    void line_leaves_out_its_last_point() {
        canvas->setPenColour(0x000000);
        canvas->line(0, 20, 10, 20);
        QCOMPARE(canvas->pixelRef(0, 20), 0);
        QCOMPARE(canvas->pixelRef(9, 20), 0);
        QCOMPARE(canvas->pixelRef(10, 20), 0xFFFFFF);
        canvas->line(40, 30, 40, 25); // upwards
        QCOMPARE(canvas->pixelRef(40, 30), 0);
        QCOMPARE(canvas->pixelRef(40, 26), 0);
        QCOMPARE(canvas->pixelRef(40, 25), 0xFFFFFF);
        canvas->line(50, 50, 50, 50); // a single point draws nothing
        QCOMPARE(canvas->pixelRef(50, 50), 0xFFFFFF);
        canvas->line(60, 10, 64, 14); // diagonal: 60,10 .. 63,13
        QCOMPARE(canvas->pixelRef(60, 10), 0);
        QCOMPARE(canvas->pixelRef(63, 13), 0);
        QCOMPARE(canvas->pixelRef(64, 14), 0xFFFFFF);
    }

    void polygon_is_filled_with_the_brush() {
        canvas->setDefaultPen();
        canvas->setBrushColour(0x0000FF);
        const QPoint tri[3] = {{60, 10}, {60, 40}, {90, 40}};
        canvas->polygon(tri, 3);
        QCOMPARE(canvas->pixelRef(63, 35), 0x0000FF);
        QCOMPARE(canvas->pixelRef(85, 15), 0xFFFFFF);
        QCOMPARE(canvas->pixelRef(60, 20), 0x000000);
    }

    void text_with_colours_and_extent() {
        const QSize extent = canvas->textExtent(u"Ag");
        QVERIFY(extent.width() > 0);
        QCOMPARE(extent.height(), canvas->fontMetrics().height());
        canvas->setTextColour(0xFFFFFF);
        canvas->setTextBackColour(0xC06000);
        canvas->text(5, 30, u"Ag");
        QCOMPARE(canvas->pixelRef(5, 30), 0xC06000);
        QCOMPARE(canvas->pixelRef(5 + extent.width() - 1, 30 + extent.height() - 1), 0xC06000);
        QCOMPARE(canvas->pixelRef(5 + extent.width(), 30), 0xFFFFFF);
        canvas->setTextBackColour(-1);
        canvas->setTextColour(0x0000FF);
        canvas->text(60, 30, u"Ag");
        QCOMPARE(canvas->pixelRef(60, 30), 0xFFFFFF); // transparent background
    }

    void bitmap_with_a_transparent_colour() {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(qRgb(255, 255, 255));
        image.setPixel(1, 1, qRgb(255, 0, 0));
        const rg_ZengJiangWeiTuLei bitmap(image);
        canvas->fillRect(0, 0, 100, 60, 0x00FF00);
        canvas->drawBitmap(10, 10, 0, 0, bitmap, 0xFFFFFF);
        QCOMPARE(canvas->pixelRef(10, 10), 0x00FF00);
        QCOMPARE(canvas->pixelRef(11, 11), 0x0000FF);
        canvas->drawBitmap(20, 10, 8, 8, bitmap, -1); // scaled, opaque
        QCOMPARE(canvas->pixelRef(20, 10), 0xFFFFFF);
        QCOMPARE(canvas->pixelRef(22, 12), 0x0000FF);
        QCOMPARE(canvas->pixelRef(23, 13), 0x0000FF);
        QCOMPARE(bitmap.cut(1, 1, 2, 2).width(), 2);
        QVERIFY(bitmap.cut(10, 10, 2, 2).isNull());
    }

    void rounded_rectangle_fills_and_outlines() {
        canvas->setPenColour(0x0000FF);
        canvas->setBrushColour(0x00FF00);
        canvas->roundRect(10, 10, 40, 30, 5, 5);
        QCOMPARE(canvas->pixelRef(10, 10), 0xFFFFFF); // corner cut
        QCOMPARE(canvas->pixelRef(11, 11), 0x0000FF);
        QCOMPARE(canvas->pixelRef(25, 10), 0x0000FF);
        QCOMPARE(canvas->pixelRef(39, 20), 0x0000FF);
        QCOMPARE(canvas->pixelRef(25, 29), 0x0000FF);
        QCOMPARE(canvas->pixelRef(25, 20), 0x00FF00);
        QCOMPARE(canvas->pixelRef(40, 20), 0xFFFFFF);
    }

    void suspension_shows_the_image_once_resumed() {
        canvas->beginRedrawSuspension();
        canvas->beginRedrawSuspension();
        canvas->fillRect(0, 0, 100, 60, 0x123456);
        QVERIFY(canvas->redrawSuspended());
        canvas->endRedrawSuspension();
        QVERIFY(canvas->redrawSuspended());
        canvas->endRedrawSuspension();
        QVERIFY(!canvas->redrawSuspended());
        canvas->endRedrawSuspension(); // unbalanced: ignored
        QCOMPARE(canvas->grab().toImage().pixel(50, 30), colorFromRef(0x123456).rgb());
        gui_test::saveShot(canvas, QStringLiteral("canvas_filled"));
    }

    void resize_keeps_the_drawing_and_zero_size_draws_nothing() {
        canvas->fillRect(0, 0, 10, 10, 0x0000FF);
        canvas->resize(150, 80);
        QCOMPARE(canvas->pixelRef(5, 5), 0x0000FF);
        QCOMPARE(canvas->pixelRef(140, 70), 0xFFFFFF);
        canvas->resize(0, 0);
        canvas->beginRedrawSuspension();
        canvas->clear();
        canvas->rectangle(0, 0, 10, 10);
        canvas->text(0, 0, u"x");
        canvas->line(0, 0, 5, 5);
        canvas->endRedrawSuspension();
        QVERIFY(canvas->image().isNull());
        QCOMPARE(canvas->pixelRef(0, 0), -1);
        canvas->resize(20, 20);
        canvas->clear();
        QCOMPARE(canvas->pixelRef(19, 19), 0xFFFFFF);
    }

    void hidden_canvas_draws_at_its_new_size() {
        rg_HuaBan hiddenCanvas;
        hiddenCanvas.resize(30, 10); // never shown: no resize event yet
        hiddenCanvas.fillRect(0, 0, 30, 10, 0x00FF00);
        QCOMPARE(hiddenCanvas.pixelRef(29, 9), 0x00FF00);
    }

    void container_finds_children_by_id() {
        rg_ZuJianBuJuQi box(nullptr);
        auto* child = new rg_HuaBan;
        box.addControl(child, 106);
        QCOMPARE(box.control(106), static_cast<QWidget*>(child));
        QCOMPARE(child->controlId(), 106);
        QCOMPARE(box.control(1), nullptr);
        rg_ZuJianBuJuQi::place(child, 1, 2, -5, 7);
        QCOMPARE(child->geometry(), QRect(1, 2, 0, 7));
    }

    void timer_ticks_on_the_ui_thread() {
        Timer timer;
        int ticks = 0;
        timer.tick.bind([&] {
            if (++ticks == 3) timer.stop();
        });
        QVERIFY(!timer.isRunning());
        timer.setInterval(5);
        QVERIFY(timer.isRunning());
        QTRY_COMPARE(ticks, 3);
        QVERIFY(!timer.isRunning());
        timer.setInterval(-4);
        QCOMPARE(timer.interval(), 0);
    }

    void edit_box_margins_cue_banner_and_enter() {
        auto* edit = new rg_BianJiKuang(host);
        edit->setGeometry(0, 70, 200, 32);
        edit->setMargins(35, 250);
        edit->setCueBanner(u"输入JSON路径后回车即可跳转");
        edit->setBackColour(colorRef(236, 236, 236));
        edit->setThinBorder(true);
        edit->setControlName(u"查找内容");
        edit->show();
        QCOMPARE(edit->textMargins(), QMargins(35, 0, 250, 0));
        QCOMPARE(edit->placeholderText(), QStringLiteral("输入JSON路径后回车即可跳转"));
        int enters = 0;
        QList<int> keys;
        edit->enterPressed.bind([&] { ++enters; });
        edit->keyDown.bind([&](int32_t k, int32_t m) { keys << (k | m); });
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("ab"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->content(), CWString(u"ab"));
        QCOMPARE(enters, 1);
        QCOMPARE(keys, (QList<int>{0x41, 0x42, 13}));
        edit->setContent(u"data.items.[180]");
        QCOMPARE(edit->text(), QStringLiteral("data.items.[180]"));
        gui_test::saveShot(edit, QStringLiteral("edit_box"));
    }

    void platform_double_records_and_answers() {
        TestPlatform fake;
        TestPlatformInstall installed(fake);
        fake.messageBoxAnswers.push_back(kResultNo);
        fake.inputAnswers.push_back(CWString(u"备注"));
        auto& p = platform();
        QCOMPARE(p.messageBox(u"信息:", u"找不到", MessageIcon::Information, MessageButtons::YesNo),
                 kResultNo);
        QCOMPARE(p.messageBox(u"信息:", u"再来", MessageIcon::Information, MessageButtons::Ok), kResultOk);
        QCOMPARE(fake.messageBoxes.size(), size_t(2));
        QCOMPARE(fake.messageBoxes[0].caption, CWString(u"信息:"));
        QCOMPARE(p.inputText(u"t", u"p", u"i"), std::optional<CWString>(u"备注"));
        QCOMPARE(p.inputText(u"t", u"p", u"i"), std::optional<CWString>());
        QCOMPARE(p.openFileName(u"c", u"", u""), std::optional<CWString>());
        p.beep(BeepKind::Error);
        p.beep(BeepKind::Simple);
        QCOMPARE(fake.beeps, (std::vector<BeepKind>{BeepKind::Error, BeepKind::Simple}));
        p.setClipboardText(u"{\"a\":1}");
        QCOMPARE(p.clipboardText(), CWString(u"{\"a\":1}"));
        fake.clock.now = 1234;
        QCOMPARE(p.tickClock().tickMs(), uint64_t(1234));
        fake.cursor = QPoint(7, 8);
        QCOMPARE(p.cursorScreenPos(), QPoint(7, 8));
    }
};

QTEST_MAIN(WindowLayerTest)
#include "test_window_layer.moc"
