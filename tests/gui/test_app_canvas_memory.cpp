// Only the shown slot's tree keeps an off-screen drawing: visiting all twenty slots leaves one
// canvas image, and a slot shown again is painted from its items. Run with QT_SCALE_FACTOR=2 for
// the figure at 200 %.
#include "app_test_base.h"

using namespace app_test;

class CanvasMemoryTest : public AppTestBase {
    Q_OBJECT

    static qsizetype canvasBytes(Window& w) {
        qsizetype sum = 0;
        for (int i = 0; i < Window::kSlotCount; ++i)
            if (w.slot(i).tree) sum += w.slot(i).tree->canvas()->imageBytes();
        return sum;
    }

private slots:
    void init() { setUpEnvironment(); }
    void cleanup() { tearDownEnvironment(); }

    void onlyTheShownSlotHoldsADrawing() {
        auto w = parsedWindow(u"{\"a\":[1,2,3],\"b\":\"x\"}");
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const qsizetype one = w->current()->tree->canvas()->imageBytes();
        QVERIFY(one > 0);
        for (int i = 1; i < Window::kSlotCount; ++i) {
            w->selectSlot(i);
            QCOMPARE(canvasBytes(*w), w->current()->tree->canvas()->imageBytes());
        }
        qInfo(
            "tree canvas: %lld bytes per shown slot at device pixel ratio %.1f (all 20 slots visited: %lld)",
            static_cast<long long>(one), w->devicePixelRatioF(), static_cast<long long>(canvasBytes(*w)));
        // Back on slot 1: its items are painted again, not a blank image.
        w->selectSlot(0);
        auto* canvas = w->current()->tree->canvas();
        const QImage img = canvas->image();
        QVERIFY(!img.isNull());
        bool inked = false; // some pixel differs from the background: the rows were drawn
        const QRgb back = img.pixel(img.width() - 2, img.height() - 2);
        for (int y = 0; y < std::min(img.height(), 80) && !inked; ++y)
            for (int x = 0; x < std::min(img.width(), 200) && !inked; ++x)
                inked = img.pixel(x, y) != back;
        QVERIFY(inked);
    }
};

QTEST_MAIN(CanvasMemoryTest)
#include "test_app_canvas_memory.moc"
