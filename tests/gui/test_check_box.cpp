// Check box: the inner toggle button's set-up, flip-then-report clicks, double-clicks, the
// borderless face and the box images.
#include <QTest>

#include "controls/check_box.h"
#include "gui_test_util.h"

using namespace rg_TolvarMingLingJi_ChuangKouZuJian;

class CheckBoxTest : public QObject {
    Q_OBJECT

private:
    QWidget* host = nullptr;
    rg_TolvarXuanZhongKuang1* box = nullptr;
    std::vector<int> seen; // checked state read by each clicked handler

    int32_t px(int x, int y) { return box->button()->canvas()->pixelRef(x, y); }

private slots:
    void init() {
        host = new QWidget;
        host->resize(300, 120);
        box = new rg_TolvarXuanZhongKuang1(host);
        box->setGeometry(10, 10, 130, 36);
        box->button()->setFontDescription(u", 11, 0, 0, 0, 0, 0");
        box->setCaption(u"窗口置顶");
        seen.clear();
        box->clicked.bind([this] { seen.push_back(box->checked()); });
        host->show();
        QVERIFY(QTest::qWaitForWindowExposed(host));
    }

    void cleanup() {
        delete host;
        host = nullptr;
        box = nullptr;
    }

    void created_as_a_toggle_with_box_images() {
        rg_TolvarXuanZhongKuang1 fresh;
        QCOMPARE(fresh.button()->geometry(), QRect(1, 0, 191, 38));
        QCOMPARE(fresh.button()->toggleMode, 1);
        QCOMPARE(fresh.button()->transparentColour, 0xFFFFFF);
        QCOMPARE(fresh.button()->inset, 0);
        QCOMPARE(fresh.button()->centreContent, 0);
        QCOMPARE(fresh.button()->controlId(), 101);
        QCOMPARE(fresh.button()->canvas()->cursor().shape(), Qt::PointingHandCursor);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(fresh.button()->borderColours[i], kFaceEntry);
            QCOMPARE(fresh.button()->backColours[i], kFaceEntry);
        }
        QCOMPARE(fresh.uncheckedImage, 520);
        QCOMPARE(fresh.checkedImage, 521);
        QCOMPARE(box->button()->geometry(), QRect(0, 0, 130, 36)); // follows the check box once sized
    }

    void press_flips_before_clicked() {
        QTest::mousePress(box->button()->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 18));
        QCOMPARE(seen, std::vector<int>{1});
        QTest::mouseRelease(box->button()->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 18));
        QTest::mouseClick(box->button()->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 18));
        QCOMPARE(seen, (std::vector<int>{1, 0}));
        QCOMPARE(box->checked(), 0);
    }

    void double_click_flips_once() {
        QTest::mouseClick(box->button()->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 18));
        QTest::mouseDClick(box->button()->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 18));
        QCOMPARE(box->checked(), 1);
        QCOMPARE(seen, std::vector<int>{1});
    }

    void default_face_shows_no_border_data() {
        QTest::addColumn<int>("state");
        QTest::newRow("normal") << 0;
        QTest::newRow("hot") << 1;
        QTest::newRow("pressed") << 2;
    }
    void default_face_shows_no_border() {
        QFETCH(int, state);
        box->button()->setState(state);
        QCOMPARE(px(0, 0), 0xF0F0F0);
        QCOMPARE(px(129, 35), 0xF0F0F0);
        QCOMPARE(px(60, 1), 0xF0F0F0);
    }

    void checked_box_uses_the_pressed_image() {
        auto* b = box->button();
        QVERIFY(!b->normalImage.isNull());
        QVERIFY(!b->pressedImage.isNull());
        QCOMPARE(b->currentLook().image, &b->normalImage);
        gui_test::saveShot(box, QStringLiteral("check_box_unchecked"));
        QTest::mouseClick(b->canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 18));
        b->setState(rg_TolvarAnNiu1::Normal);
        QCOMPARE(b->currentLook().image, &b->pressedImage);
        gui_test::saveShot(box, QStringLiteral("check_box_checked"));
        b->setState(rg_TolvarAnNiu1::Hot);
        gui_test::saveShot(box, QStringLiteral("check_box_checked_hot"));
        // The box's white parts are transparent: the face shows through at the image's corner.
        const int top = (36 - b->pressedImage.height()) / 2;
        QCOMPARE(px(0, top), 0xF0F0F0);
    }

    void apply_images_switches_to_the_alternative_pair() {
        box->applyImages();
        QCOMPARE(box->button()->normalImage.width(), 36);
        gui_test::saveShot(box, QStringLiteral("check_box_switch_off"));
        box->setChecked(1);
        QCOMPARE(box->button()->currentLook().image, &box->button()->pressedImage);
        gui_test::saveShot(box, QStringLiteral("check_box_switch_on"));
    }

    void owner_sets_checked_directly() {
        box->setChecked(1);
        QCOMPARE(box->checked(), 1);
        QVERIFY(seen.empty());
    }
};

QTEST_MAIN(CheckBoxTest)
#include "test_check_box.moc"
