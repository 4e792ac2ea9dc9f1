// Screen fonts from font descriptions: face, size from the DPI, flags set only by "1", angles.
#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include "text/font/screen_font.h"

using rg_Tolvar_MingLingJi::fontFromDescription;
using rg_Tolvar_MingLingJi::screenDpiY;

namespace {

CWString u16(const QString& s) {
    return CWString(reinterpret_cast<const char16_t*>(s.utf16()), s.size());
}

int cellHeightFor(int points) {
    return static_cast<int>(std::floor(screenDpiY() * points / 72.0 + 0.5));
}

} // namespace

class ScreenFontTest : public QObject {
    Q_OBJECT

private slots:
    void fields_data() {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("face"); // empty: the default face is kept
        QTest::addColumn<int>("points");   // 0: the default size is kept
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("strikeout");
        QTest::addColumn<int>("angle");
        QTest::newRow("default_face_11pt") << QStringLiteral(", 11, 0, 0, 0, 0, 0") << QString() << 11
                                           << false << false << false << false << 0;
        QTest::newRow("heiti_15pt_bold")
            << QStringLiteral("黑体, 15, 1, 0, 0, 0, 0") << QStringLiteral("黑体") << 15 << true << false
            << false << false << 0;
        QTest::newRow("true_is_not_bold_on_screen")
            << QStringLiteral("黑体, 15, true, 0, 0, 0, 0") << QStringLiteral("黑体") << 15 << false << false
            << false << false << 0;
        QTest::newRow("all_flags") << QStringLiteral("Sans,9,1,1,1,1,0") << QStringLiteral("Sans") << 9
                                   << true << true << true << true << 0;
        QTest::newRow("negative_size_is_absolute")
            << QStringLiteral(", -12") << QString() << 12 << false << false << false << false << 0;
        QTest::newRow("negative_angle_wraps")
            << QStringLiteral(",,,,,,-900") << QString() << 0 << false << false << false << false << 2700;
        QTest::newRow("full_turn_is_zero")
            << QStringLiteral(",,,,,,3600") << QString() << 0 << false << false << false << false << 0;
        QTest::newRow("angle_modulo")
            << QStringLiteral(",,,,,,7250") << QString() << 0 << false << false << false << false << 50;
    }
    void fields() {
        QFETCH(QString, description);
        QFETCH(QString, face);
        QFETCH(int, points);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, underline);
        QFETCH(bool, strikeout);
        QFETCH(int, angle);
        const auto font = fontFromDescription(u16(description));
        const QFont base = QApplication::font();
        QCOMPARE(font.font.families().value(0), face.isEmpty() ? base.families().value(0) : face);
        if (points > 0) {
            const int h = cellHeightFor(points);
            // A positive height asks for the cell (ascent + descent), within a pixel of rounding.
            QVERIFY2(qAbs(QFontMetrics(font.font).height() - h) <= 1,
                     qPrintable(
                         QStringLiteral("cell %1, wanted %2").arg(QFontMetrics(font.font).height()).arg(h)));
            QVERIFY(font.font.pixelSize() > 0 && font.font.pixelSize() <= h);
        } else {
            QCOMPARE(font.font.pointSizeF(), base.pointSizeF());
        }
        QCOMPARE(font.font.bold(), bold);
        QCOMPARE(font.font.italic(), italic);
        QCOMPARE(font.font.underline(), underline);
        QCOMPARE(font.font.strikeOut(), strikeout);
        QCOMPARE(font.angle, angle);
    }

    void short_description_keeps_the_rest() {
        QFont base = QApplication::font();
        base.setItalic(true);
        QApplication::setFont(base);
        const auto font = fontFromDescription(u"Serif");
        QVERIFY(font.font.italic()); // field 4 absent: the default font's value stays
        QCOMPARE(font.font.pointSizeF(), base.pointSizeF());
        const auto none = fontFromDescription(u"");
        QVERIFY(none.font.italic());
        base.setItalic(false);
        QApplication::setFont(base);
    }

    void long_face_cut_to_31() {
        const QString longFace = QString(40, QLatin1Char('F'));
        const auto font = fontFromDescription(u16(longFace + QStringLiteral(", 10")));
        QCOMPARE(font.font.families().value(0), QString(31, QLatin1Char('F')));
    }

    void absurd_sizes_are_refused() {
        const QFont base = QApplication::font();
        const auto huge = fontFromDescription(u", 2147483647");
        QCOMPARE(huge.font.pointSizeF(), base.pointSizeF());
        const auto zero = fontFromDescription(u", 0");
        QCOMPARE(zero.font.pointSizeF(), base.pointSizeF());
        const auto text = fontFromDescription(u", abc");
        QCOMPARE(text.font.pointSizeF(), base.pointSizeF());
    }
};

QTEST_MAIN(ScreenFontTest)
#include "test_screen_font.moc"
