// Scroll bar: geometry, clamping and reporting, arrow/track/thumb input, the wheel, pixels and
// robustness under arbitrary input.
#include <random>
#include <vector>

#include <QTest>

#include "controls/scroll_bar.h"
#include "gui_test_util.h"

using rg_TolvarMingLingJi_ChuangKouZuJian::rg_TolvarGunDongTiao;
using rg_TolvarMingLingJi_ChuangKouZuJian::scrollBarGeometry;

namespace {

constexpr int kThickness = 16;
constexpr int kLength = 334; // a track of 300 px

struct Recorder {
    std::vector<int> positions;
    int dragEnds = 0;
    std::vector<int> keys;
    void attach(rg_TolvarGunDongTiao& bar) {
        bar.positionChanged.bind([this](int32_t p) { positions.push_back(p); });
        bar.dragEnded.bind([this] { ++dragEnds; });
        bar.keyDown.bind([this](int32_t key, int32_t mods) { keys.push_back(key | mods); });
    }
};

} // namespace

class ScrollBarTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_TolvarGunDongTiao* bar = nullptr;
    Recorder* rec = nullptr;

    QPoint at(int along) const {
        return bar->isVertical() ? QPoint(kThickness / 2, along) : QPoint(along, kThickness / 2);
    }

private slots:
    void init() {
        host = new QWidget;
        host->resize(200, 400);
        bar = new rg_TolvarGunDongTiao(host, true);
        bar->setGeometry(10, 10, kThickness, kLength);
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
        rec = new Recorder;
        rec->attach(*bar);
    }

    void cleanup() {
        delete host;
        delete rec;
        host = nullptr;
        bar = nullptr;
        rec = nullptr;
    }

    void geometry_data() {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("thumbLength");
        QTest::addColumn<double>("pixelsPerPosition");
        QTest::addColumn<int>("thumbStart");
        QTest::newRow("track300_max100_first") << 100 << 1 << 200 << 1.0 << 17;
        QTest::newRow("track300_max100_one_position_is_one_pixel") << 100 << 2 << 200 << 1.0 << 18;
        QTest::newRow("track300_max100_last") << 100 << 100 << 200 << 1.0 << 116;
        QTest::newRow("max1000_thumb_is_thickness") << 1000 << 1 << 16 << 0.284 << 17;
        QTest::newRow("max1000_last_touches_second_arrow") << 1000 << 1000 << 16 << 0.284 << 301;
        QTest::newRow("half_rounds_away_from_zero") << 400 << 51 << 16 << 0.71 << 53;
        QTest::newRow("max1_single_position") << 1 << 1 << 299 << 1.0 << 17;
    }
    void geometry() {
        QFETCH(int, maximum);
        QFETCH(int, position);
        QFETCH(int, thumbLength);
        QFETCH(double, pixelsPerPosition);
        QFETCH(int, thumbStart);
        bar->setMaximum(maximum);
        bar->setPosition(position);
        bar->refresh(0, 0);
        QCOMPARE(bar->length(), kLength);
        QCOMPARE(bar->thickness(), kThickness);
        QCOMPARE(bar->thumbLength(), thumbLength);
        QVERIFY(qAbs(bar->pixelsPerPosition() - pixelsPerPosition) < 1e-9);
        QCOMPARE(bar->thumbStart(), thumbStart);
        const auto g = scrollBarGeometry(kLength, kThickness, maximum, position);
        QCOMPARE(g.thumbStart, thumbStart);
        QCOMPARE(g.trackLength, 300);
    }

    void clamping_data() {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("reported");
        QTest::newRow("zero_reports_one") << 0 << 1;
        QTest::newRow("negative_reports_one") << -7 << 1;
        QTest::newRow("past_maximum_reports_maximum") << 105 << 100;
        QTest::newRow("inside_is_kept") << 42 << 42;
    }
    void clamping() {
        QFETCH(int, written);
        QFETCH(int, reported);
        bar->setMaximum(100);
        bar->setPosition(50);
        bar->refresh(0, 0);
        rec->positions.clear();
        bar->setPosition(written);
        bar->refresh(0, 0);
        QCOMPARE(bar->position(), reported);
        const std::vector<int> expected = reported == 50 ? std::vector<int>{} : std::vector<int>{reported};
        QCOMPARE(rec->positions, expected);
    }

    void refresh_without_change_raises_nothing() {
        bar->setPosition(30);
        bar->refresh(0, 0);
        rec->positions.clear();
        bar->refresh(0, 0);
        bar->refresh(0, 0);
        QVERIFY(rec->positions.empty());
    }

    void maximum_below_one_is_treated_as_one() {
        bar->setMaximum(0);
        bar->setPosition(5);
        bar->refresh(0, 0);
        QCOMPARE(bar->maximum(), 1);
        QCOMPARE(bar->position(), 1);
        QVERIFY(bar->pixelsPerPosition() >= 0);
    }

    void left_click_parts_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("along");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("tracks");
        QTest::newRow("first_arrow_steps_back") << 50 << 3 << 49 << true;
        QTest::newRow("second_arrow_steps_on") << 50 << kLength - 3 << 51 << true;
        QTest::newRow("first_arrow_at_one_stays") << 1 << 0 << 1 << true;
        QTest::newRow("track_after_first_arrow_jumps_to_one") << 50 << kThickness << 1 << false;
        QTest::newRow("track_below_thumb_jumps") << 1 << 250 << 233 << false; // ceil((250-17)/1)
        QTest::newRow("thumb_press_keeps_position") << 1 << 100 << 1 << true;
    }
    void left_click_parts() {
        QFETCH(int, start);
        QFETCH(int, along);
        QFETCH(int, expected);
        QFETCH(bool, tracks);
        bar->setMaximum(100);
        bar->setMaximum(bar->maximum());
        bar->setPosition(start);
        bar->refresh(0, 0);
        if (along == 250) // a track click needs a maximum that reaches that far
            bar->setMaximum(1000);
        bar->refresh(0, 0);
        if (along == 250) {
            // With maximum 1000 the thumb is 16 px and pixels per position 0.284.
            expected = static_cast<int>(std::ceil((250 - 17) / bar->pixelsPerPosition()));
        }
        QTest::mousePress(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(along));
        QCOMPARE(bar->position(), expected);
        QCOMPARE(bar->tracking(), tracks);
        QTest::mouseRelease(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(along));
        QVERIFY(!bar->tracking());
        QCOMPARE(bar->pressedPart(), 0);
    }

    void arrow_pressed_look() {
        QTest::mousePress(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(3));
        QCOMPARE(bar->canvas()->pixelRef(0, 0), int(rg_TolvarGunDongTiao::kPressedPenColour));
        QCOMPARE(bar->canvas()->pixelRef(2, 8),
                 int(rg_TolvarGunDongTiao::kPressedPenColour)); // inset 16/8 = 2
        QCOMPARE(bar->canvas()->pixelRef(4, 8),
                 int(rg_TolvarGunDongTiao::kPressedPenColour)); // inset 16/4 = 4
        QCOMPARE(bar->canvas()->pixelRef(6, 8),
                 int(rg_TolvarGunDongTiao::kPressedPenColour)); // inset 16/2.66 = 6
        QCOMPARE(bar->canvas()->pixelRef(3, 8), int(rg_TolvarGunDongTiao::kFaceColour));
        gui_test::saveShot(bar, QStringLiteral("scroll_bar_vertical_first_arrow_pressed"));
        QTest::mouseRelease(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(3));
        QCOMPARE(bar->canvas()->pixelRef(0, 0), int(rg_TolvarGunDongTiao::kPenColour));
        QCOMPARE(bar->canvas()->pixelRef(3, 8), int(rg_TolvarGunDongTiao::kPenColour)); // inset 16/5.33 = 3
        QCOMPARE(bar->canvas()->pixelRef(2, 8), int(rg_TolvarGunDongTiao::kFaceColour));
    }

    void resting_pixels() {
        bar->setMaximum(100);
        bar->setPosition(1);
        bar->refresh(0, 0);
        auto* c = bar->canvas();
        QCOMPARE(c->pixelRef(8, 260), int(rg_TolvarGunDongTiao::kBackColour)); // track below the thumb
        QCOMPARE(c->pixelRef(1, 1), int(rg_TolvarGunDongTiao::kFaceColour));   // inside the first arrow
        QCOMPARE(c->pixelRef(0, 100), int(rg_TolvarGunDongTiao::kPenColour));  // thumb's left side
        QCOMPARE(c->pixelRef(15, 100), int(rg_TolvarGunDongTiao::kPenColour)); // thumb's right side
        QCOMPARE(c->pixelRef(8, 50), int(rg_TolvarGunDongTiao::kFaceColour));  // inside the thumb
        for (int k : {-4, -2, 0, 2, 4})
            QCOMPARE(c->pixelRef(8, 117 + k), int(rg_TolvarGunDongTiao::kPenColour)); // grips
        QCOMPARE(c->pixelRef(8, 118), int(rg_TolvarGunDongTiao::kFaceColour));
        QCOMPARE(c->pixelRef(8, 17 + 200 - 1), int(rg_TolvarGunDongTiao::kPenColour)); // thumb's end
        QCOMPARE(c->pixelRef(8, 17 + 200), int(rg_TolvarGunDongTiao::kBackColour));
        gui_test::saveShot(bar, QStringLiteral("scroll_bar_vertical_normal"));
    }

    void short_thumb_has_two_grips() {
        bar->resize(10, kLength); // a thumb of at most 10 px
        bar->setMaximum(100000);
        bar->setPosition(1);
        bar->refresh(0, 0);
        QCOMPARE(bar->thumbLength(), 10);
        auto* c = bar->canvas();
        const int mid = 11 + 5;
        QCOMPARE(c->pixelRef(5, mid - 4), int(rg_TolvarGunDongTiao::kFaceColour));
        QCOMPARE(c->pixelRef(5, mid - 1), int(rg_TolvarGunDongTiao::kPenColour));
        QCOMPARE(c->pixelRef(5, mid), int(rg_TolvarGunDongTiao::kPenColour));
        QCOMPARE(c->pixelRef(5, mid - 2), int(rg_TolvarGunDongTiao::kFaceColour));
        QCOMPARE(c->pixelRef(5, mid + 1), int(rg_TolvarGunDongTiao::kFaceColour));
    }

    void thumb_drag_follows_and_ends() {
        bar->setMaximum(100);
        bar->setPosition(10);
        bar->refresh(0, 0);
        rec->positions.clear();
        const int grab = bar->thumbStart() + 20;
        QTest::mousePress(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(grab));
        QVERIFY(bar->dragging());
        QCOMPARE(bar->pressedPart(), 3);
        QTest::mouseMove(bar->canvas(), at(grab + 25));
        QCOMPARE(bar->position(), 35);
        QCOMPARE(bar->dragTarget(), 35);
        QCOMPARE(bar->canvas()->pixelRef(0, bar->thumbStart() + 50),
                 int(rg_TolvarGunDongTiao::kPressedPenColour));
        gui_test::saveShot(bar, QStringLiteral("scroll_bar_vertical_thumb_dragged"));
        QTest::mouseMove(bar->canvas(), at(grab - 400)); // far past the start
        QCOMPARE(bar->position(), 1);
        QTest::mouseMove(bar->canvas(), at(grab + 4000)); // far past the end
        QCOMPARE(bar->position(), 100);
        QCOMPARE(rec->dragEnds, 0);
        QTest::mouseRelease(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(grab + 4000));
        QCOMPARE(rec->dragEnds, 1);
        QVERIFY(!bar->dragging());
        QCOMPARE(rec->positions, (std::vector<int>{35, 1, 100}));
        QCOMPARE(bar->canvas()->pixelRef(0, bar->thumbStart() + 50), int(rg_TolvarGunDongTiao::kPenColour));
    }

    void arrow_hold_does_not_repeat_or_end_a_drag() {
        bar->setPosition(50);
        bar->refresh(0, 0);
        QTest::mousePress(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(3));
        QTest::qWait(80);
        QTest::mouseMove(bar->canvas(), at(40));
        QCOMPARE(bar->position(), 49);
        QTest::mouseRelease(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(40));
        QCOMPARE(rec->dragEnds, 0);
    }

    void release_elsewhere_ends_the_drag() {
        const int grab = bar->thumbStart() + 5;
        QTest::mousePress(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(grab));
        QVERIFY(bar->dragging());
        QTest::mouseRelease(host, Qt::LeftButton, Qt::NoModifier, QPoint(150, 10)); // not to the bar
        gui_test::dragMove(bar->canvas(), at(grab + 10));                           // a move with no button
        QTest::mouseMove(bar->canvas(), at(grab + 10));
        QVERIFY(!bar->dragging());
    }

    void right_click_parts_data() {
        QTest::addColumn<int>("along");
        QTest::addColumn<int>("expected");
        QTest::newRow("second_arrow_jumps_to_maximum") << kLength - 2 << 100;
        QTest::newRow("first_arrow_jumps_to_one") << 2 << 1;
        QTest::newRow("track_does_not_move") << 250 << 40;
    }
    void right_click_parts() {
        QFETCH(int, along);
        QFETCH(int, expected);
        bar->setPosition(40);
        bar->refresh(0, 0);
        QTest::mousePress(bar->canvas(), Qt::RightButton, Qt::NoModifier, at(along));
        QCOMPARE(bar->position(), expected);
        QTest::mouseRelease(bar->canvas(), Qt::RightButton, Qt::NoModifier, at(along));
        QCOMPARE(bar->pressedPart(), 0);
        QCOMPARE(bar->position(), expected);
    }

    void wheel_notches_data() {
        QTest::addColumn<QList<int>>("deltas");
        QTest::addColumn<int>("expected");
        QTest::newRow("one_notch_away_scrolls_up") << QList<int>{120} << 49;
        QTest::newRow("three_notches_towards_scroll_down") << QList<int>{-360} << 53;
        QTest::newRow("half_notches_add_up") << QList<int>{60, 60} << 49;
        QTest::newRow("far_past_the_end_clamps") << QList<int>{-120 * 500} << 100;
    }
    void wheel_notches() {
        QFETCH(QList<int>, deltas);
        QFETCH(int, expected);
        bar->setPosition(50);
        bar->refresh(0, 0);
        for (int d : deltas)
            gui_test::wheel(bar->canvas(), at(100), d);
        QCOMPARE(bar->position(), expected);
    }

    void keys_are_reported_not_handled() {
        bar->canvas()->setFocus();
        bar->setPosition(50);
        bar->refresh(0, 0);
        QTest::keyClick(bar->canvas(), Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(bar->canvas(), Qt::Key_F2);
        QCOMPARE(rec->keys, (std::vector<int>{0x10 | 0x8000, 0x28 | 0x8000, 0x71})); // Shift itself first
        QCOMPARE(bar->position(), 50);
    }

    void horizontal_bar() {
        bar->setVertical(false);
        bar->setGeometry(10, 360, kLength, kThickness);
        bar->setMaximum(100);
        bar->setPosition(30);
        bar->refresh(0, 0);
        QCOMPARE(bar->length(), kLength);
        QCOMPARE(bar->thickness(), kThickness);
        QCOMPARE(bar->thumbStart(), 17 + 29);
        QTest::mousePress(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(kLength - 2));
        QCOMPARE(bar->position(), 31);
        QCOMPARE(bar->canvas()->pixelRef(kLength - 1, 0), int(rg_TolvarGunDongTiao::kPressedPenColour));
        gui_test::saveShot(bar, QStringLiteral("scroll_bar_horizontal_second_arrow_pressed"));
        QTest::mouseRelease(bar->canvas(), Qt::LeftButton, Qt::NoModifier, at(kLength - 2));
        gui_test::saveShot(bar, QStringLiteral("scroll_bar_horizontal_normal"));
        QCOMPARE(bar->canvas()->pixelRef(bar->thumbStart() + 2, 0), int(rg_TolvarGunDongTiao::kPenColour));
    }

    void zero_size_and_tiny_bars_survive_any_input() {
        std::mt19937 rng(7);
        const QList<QSize> sizes{{0, 0}, {16, 0}, {0, 300}, {1, 1}, {16, 20}, {16, 33}, {16, 34}, {3, 500}};
        for (const QSize& size : sizes) {
            bar->resize(size);
            bar->setMaximum(static_cast<int>(rng() % 5) - 1);
            bar->refresh(0, 0);
            for (int i = 0; i < 60; ++i) {
                const QPoint p(static_cast<int>(rng() % 40) - 10, static_cast<int>(rng() % 600) - 50);
                switch (rng() % 6) {
                case 0:
                    QTest::mousePress(bar->canvas(), Qt::LeftButton, Qt::NoModifier, p);
                    break;
                case 1:
                    QTest::mouseRelease(bar->canvas(), Qt::LeftButton, Qt::NoModifier, p);
                    break;
                case 2:
                    QTest::mouseMove(bar->canvas(), p);
                    break;
                case 3:
                    QTest::mouseClick(bar->canvas(), Qt::RightButton, Qt::NoModifier, p);
                    break;
                case 4:
                    gui_test::wheel(bar->canvas(), p, (static_cast<int>(rng() % 7) - 3) * 120);
                    break;
                default:
                    bar->setMaximum(static_cast<int>(rng() % 2000) - 100);
                    bar->setPosition(static_cast<int>(rng() % 3000) - 500);
                    bar->refresh(0, 0);
                    break;
                }
                QVERIFY(bar->position() >= 1);
                QVERIFY(bar->position() <= bar->maximum());
            }
            QTest::mouseRelease(bar->canvas(), Qt::LeftButton);
        }
    }
};

QTEST_MAIN(ScrollBarTest)
#include "test_scroll_bar.moc"
