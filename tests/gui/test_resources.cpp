// The embedded images: every number the window code uses loads with its size at 1x and 2x,
// unknown numbers give nothing, and white-keyed pictures keep white exactly where they are meant
// to be transparent.
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QtTest>

#include "resources/images.h"

using namespace rg_Korrin_ZiYuan;

namespace {

bool isWhite(const QImage& img, int x, int y) {
    return (img.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu;
}

int whitePixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += isWhite(img, x, y) ? 1 : 0;
    return n;
}

int darkPixels(const QImage& img) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qGray(img.pixel(x, y)) < 160 ? 1 : 0;
    return n;
}

} // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void images_loadWithTheirSize_data();
    void images_loadWithTheirSize();
    void images_unknownNumbersAreNull_data();
    void images_unknownNumbersAreNull();
    void treeStrips_cutIntoThreeWhiteBackedIcons_data();
    void treeStrips_cutIntoThreeWhiteBackedIcons();
    void checkBoxImages_whiteBackedAndDistinct();
    void alphaImages_haveNoPureWhite();
    void images_areCachedCopies();
    void applicationIcon_hasEverySize();
    void imageIcon_holdsBothScales();
};

void TestResources::images_loadWithTheirSize_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("whiteKey");
    QTest::newRow("500 text icon strip") << 500 << QSize(60, 20) << true;
    QTest::newRow("501 picture icon strip") << 501 << QSize(60, 20) << true;
    QTest::newRow("502 slot tab") << 502 << QSize(32, 32) << false;
    QTest::newRow("503 stream parse") << 503 << QSize(28, 28) << false;
    QTest::newRow("504 find") << 504 << QSize(28, 28) << false;
    QTest::newRow("505 copy path") << 505 << QSize(20, 20) << false;
    QTest::newRow("506 status bar") << 506 << QSize(24, 24) << false;
    QTest::newRow("507 paste path and jump") << 507 << QSize(20, 20) << false;
    QTest::newRow("508 paste") << 508 << QSize(16, 16) << false;
    QTest::newRow("509 drop-down arrow") << 509 << QSize(13, 11) << false;
    QTest::newRow("510 clipboard parse") << 510 << QSize(32, 32) << false;
    QTest::newRow("511 jump icon") << 511 << QSize(24, 24) << false;
    QTest::newRow("518 check box off") << 518 << QSize(20, 20) << true;
    QTest::newRow("519 check box on") << 519 << QSize(20, 20) << true;
    QTest::newRow("520 switch off") << 520 << QSize(36, 20) << true;
    QTest::newRow("521 switch on") << 521 << QSize(36, 20) << true;
}

void TestResources::images_loadWithTheirSize() {
    QFETCH(int, id);
    QFETCH(QSize, size);
    QFETCH(bool, whiteKey);

    const QImage one = imageResource(id);
    QVERIFY(!one.isNull());
    QCOMPARE(one.size(), size);
    QCOMPARE(one.devicePixelRatio(), 1.0);
    QCOMPARE(imageResourceSize(id), size);
    QCOMPARE(imageResourceUsesWhiteKey(id), whiteKey);
    QCOMPARE(one.hasAlphaChannel(), !whiteKey);

    const QImage two = imageResource(id, 2.0);
    QVERIFY(!two.isNull());
    QCOMPARE(two.size(), size * 2);
    QCOMPARE(two.devicePixelRatio(), 2.0);
    QCOMPARE(two.deviceIndependentSize().toSize(), size);

    // Anything above 1 picks the 2x picture; 1 and below the 1x one.
    QCOMPARE(imageResource(id, 1.5).size(), size * 2);
    QCOMPARE(imageResource(id, 0.5).size(), size);
}

void TestResources::images_unknownNumbersAreNull_data() {
    QTest::addColumn<int>("id");
    for (int id : {-1, 0, 1, 499, 512, 517, 522, 541, 542, 100000})
        QTest::newRow(qPrintable(QString::number(id))) << id;
}

void TestResources::images_unknownNumbersAreNull() {
    QFETCH(int, id);
    QVERIFY(imageResource(id).isNull());
    QVERIFY(imageResource(id, 2.0).isNull());
    QVERIFY(imageResourceSize(id).isEmpty());
    QVERIFY(!imageResourceUsesWhiteKey(id));
    QVERIFY(imageResourceIcon(id).isNull());
}

void TestResources::treeStrips_cutIntoThreeWhiteBackedIcons_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("500 1x") << 500 << 1.0;
    QTest::newRow("500 2x") << 500 << 2.0;
    QTest::newRow("501 1x") << 501 << 1.0;
    QTest::newRow("501 2x") << 501 << 2.0;
}

void TestResources::treeStrips_cutIntoThreeWhiteBackedIcons() {
    QFETCH(int, id);
    QFETCH(qreal, dpr);
    const QImage strip = imageResource(id, dpr);
    const int h = strip.height();
    QCOMPARE(strip.width() / h, 3); // object, array, value
    QVector<QImage> cells;
    for (int i = 0; i < 3; ++i) {
        const QImage cell = strip.copy(i * h, 0, h, h);
        // The corners are background: pure white, which the tree draws transparent.
        QVERIFY(isWhite(cell, 0, 0));
        QVERIFY(isWhite(cell, h - 1, 0));
        QVERIFY(isWhite(cell, 0, h - 1));
        QVERIFY(isWhite(cell, h - 1, h - 1));
        // ... and every icon has a picture: a good part of the cell is not background.
        const int painted = h * h - whitePixels(cell);
        QVERIFY2(painted > h * h / 5, qPrintable(QStringLiteral("icon %1 nearly empty").arg(i)));
        // The centre is picture, never background.
        QVERIFY(!isWhite(cell, h / 2, h / 2));
        cells << cell;
    }
    QVERIFY(cells[0] != cells[1]);
    QVERIFY(cells[1] != cells[2]);
    QVERIFY(cells[0] != cells[2]);
}

void TestResources::checkBoxImages_whiteBackedAndDistinct() {
    for (int id : {518, 519, 520, 521}) {
        for (qreal dpr : {1.0, 2.0}) {
            const QImage img = imageResource(id, dpr);
            QVERIFY(!img.hasAlphaChannel());
            QVERIFY(isWhite(img, 0, 0));
            QVERIFY(isWhite(img, img.width() - 1, img.height() - 1));
            QVERIFY(!isWhite(img, img.width() / 2, img.height() / 2) || id >= 520);
        }
    }
    QVERIFY(imageResource(518) != imageResource(519));
    QVERIFY(imageResource(520) != imageResource(521));
    // The checked box is visibly filled: many more dark pixels than the empty one.
    QVERIFY(darkPixels(imageResource(519)) > 2 * darkPixels(imageResource(518)));
    QVERIFY(darkPixels(imageResource(521)) > darkPixels(imageResource(520)));
}

void TestResources::alphaImages_haveNoPureWhite() {
    // Pure white is kept free for controls that key it out, even in pictures with alpha.
    for (int id : {502, 503, 504, 505, 506, 507, 508, 509, 510, 511}) {
        for (qreal dpr : {1.0, 2.0}) {
            const QImage img = imageResource(id, dpr).convertToFormat(QImage::Format_ARGB32);
            int opaqueWhite = 0, visible = 0;
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb px = img.pixel(x, y);
                    if (qAlpha(px) == 0) continue;
                    ++visible;
                    opaqueWhite += (px & 0xFFFFFFu) == 0xFFFFFFu ? 1 : 0;
                }
            }
            QVERIFY2(opaqueWhite == 0, qPrintable(QStringLiteral("image %1 has pure white").arg(id)));
            QVERIFY2(visible > 0, qPrintable(QStringLiteral("image %1 is empty").arg(id)));
            // Transparent surroundings: the corner pixel shows what is behind the image.
            QCOMPARE(qAlpha(img.pixel(0, img.height() - 1)), 0);
        }
    }
}

void TestResources::images_areCachedCopies() {
    QImage a = imageResource(503);
    const QImage b = imageResource(503);
    QCOMPARE(a.cacheKey(), b.cacheKey());
    // Writing to a copy detaches it and leaves the cache alone.
    a.setPixel(0, 0, 0xFF000000u);
    QVERIFY(imageResource(503) == b);
}

void TestResources::applicationIcon_hasEverySize() {
    const QIcon icon = applicationIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int s : {16, 32, 48, 64, 128, 256}) {
        QVERIFY2(sizes.contains(QSize(s, s)), qPrintable(QStringLiteral("missing %1").arg(s)));
        const QPixmap pm = icon.pixmap(QSize(s, s));
        QCOMPARE(pm.size(), QSize(s, s));
    }
}

void TestResources::imageIcon_holdsBothScales() {
    const QIcon icon = imageResourceIcon(509);
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(13, 11)));
    QVERIFY(sizes.contains(QSize(26, 22)));
}

QTEST_MAIN(TestResources)
#include "test_resources.moc"
