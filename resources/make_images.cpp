// quelix_make_images: paints the program's embedded images at build time.
//
// Usage: quelix_make_images <output folder> [<contact sheet png>]
// Writes <id>.png and <id>@2x.png for every entry of image_table.h, app_<size>.png for the
// application icon, quelix_images.qrc listing them all, and optionally a contact sheet showing
// every image at 1x and 2x on white and on grey (white-keyed images keyed as their controls do).
//
// Each picture is one function drawing in logical (1x) coordinates; the 2x variant is the same
// drawing under a 2x transform. Lines at 1x sit on the pixel grid (even widths on whole
// coordinates, odd widths on half coordinates) so they come out sharp at 100 %.
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTextStream>

#include "resources/image_table.h"

namespace {

using rg_Korrin_ZiYuan::detail::ImageEntry;
using rg_Korrin_ZiYuan::detail::kAppIconSizes;
using rg_Korrin_ZiYuan::detail::kImages;

// One restrained palette for every picture.
namespace colour {
const QColor slate(0x3A, 0x6E, 0xA5);
const QColor slateDark(0x2B, 0x54, 0x80);
const QColor slateLight(0xDD, 0xE8, 0xF4);
const QColor teal(0x23, 0x8F, 0x83);
const QColor tealDark(0x1B, 0x6F, 0x66);
const QColor tealLight(0xD6, 0xEF, 0xEB);
const QColor amber(0xCF, 0x86, 0x24);
const QColor amberDark(0xA8, 0x66, 0x12);
const QColor amberLight(0xFA, 0xEB, 0xD3);
const QColor ink(0x3B, 0x45, 0x51);
const QColor grey(0x85, 0x91, 0x9E);
const QColor greyLight(0xC7, 0xCF, 0xD8);
const QColor greyPale(0xEE, 0xF1, 0xF4);
// The lightest colour a picture uses: never pure white, which some controls key out.
const QColor paper(0xFD, 0xFD, 0xFD);
} // namespace colour

QPen pen(const QColor& c, qreal w, Qt::PenCapStyle cap = Qt::RoundCap) {
    QPen p(c, w);
    p.setCapStyle(cap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

// A rounded rectangle whose outer edge (stroke included) is `outer`: with whole-pixel bounds the
// outside of the outline lands on the pixel grid at 1x, whatever the stroke width.
void box(QPainter& p, const QRectF& outer, qreal radius, const QColor& fill, const QColor& edge = QColor(),
         qreal w = 0) {
    const qreal h = edge.isValid() ? w / 2 : 0;
    p.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    p.setPen(edge.isValid() ? pen(edge, w) : QPen(Qt::NoPen));
    p.drawRoundedRect(outer.adjusted(h, h, -h, -h), qMax<qreal>(0, radius - h), qMax<qreal>(0, radius - h));
}

// A circle whose outer edge has radius `r`.
void ring(QPainter& p, QPointF c, qreal r, const QColor& fill, const QColor& edge, qreal w) {
    p.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    p.setPen(pen(edge, w));
    p.drawEllipse(c, r - w / 2, r - w / 2);
}

void disc(QPainter& p, QPointF c, qreal r, const QColor& fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(c, r, r);
}

// Clears a disc or a rounded rectangle, leaving a transparent gap around a badge.
void cutDisc(QPainter& p, QPointF c, qreal r) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    disc(p, c, r, Qt::black);
    p.restore();
}

void cutBox(QPainter& p, const QRectF& r, qreal radius) {
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    box(p, r, radius, Qt::black);
    p.restore();
}

void line(QPainter& p, QPointF a, QPointF b, const QColor& c, qreal w) {
    p.setPen(pen(c, w));
    p.setBrush(Qt::NoBrush);
    p.drawLine(a, b);
}

void polyline(QPainter& p, std::initializer_list<QPointF> pts, const QColor& c, qreal w) {
    p.setPen(pen(c, w));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    auto it = pts.begin();
    path.moveTo(*it);
    for (++it; it != pts.end(); ++it)
        path.lineTo(*it);
    p.drawPath(path);
}

// Text centred in `r`, bold sans at `pixelSize`.
void mark(QPainter& p, const QRectF& r, const QString& text, const QColor& c, int pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(pixelSize);
    f.setHintingPreference(QFont::PreferFullHinting);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

// ----- tree icons (three 20 x 20 cells) -----

void textIcon(QPainter& p, qreal x0, const QString& text, const QColor& fill, const QColor& edge,
              const QColor& ink, int px, qreal dy) {
    box(p, QRectF(x0 + 1, 1, 18, 18), 4, fill, edge, 1);
    mark(p, QRectF(x0 + 1, 1 + dy, 18, 18), text, ink, px);
}

void paintTextIcons(QPainter& p) {
    textIcon(p, 0, QStringLiteral("{}"), colour::slateLight, colour::slate, colour::slateDark, 13, -0.5);
    textIcon(p, 20, QStringLiteral("[]"), colour::tealLight, colour::teal, colour::tealDark, 12, -0.5);
    textIcon(p, 40, QStringLiteral("ab"), colour::amberLight, colour::amber, colour::amberDark, 10, -0.5);
}

void paintPictureIcons(QPainter& p) {
    // Object: a card of key/value rows.
    box(p, QRectF(2, 3, 16, 14), 3, colour::slateLight, colour::slate, 1);
    for (qreal y : {7.0, 11.0}) {
        box(p, QRectF(5, y, 2, 2), 0.5, colour::slate);
        box(p, QRectF(9, y, 6, 2), 0.5, colour::slateDark);
    }
    // Array: a stack of indexed rows.
    for (int i = 0; i < 3; ++i) {
        const qreal y = 3 + i * 5;
        box(p, QRectF(22, y, 16, 4), 1.5, colour::teal);
        box(p, QRectF(24, y + 1, 2, 2), 0.5, colour::tealLight);
    }
    // Value: a single diamond.
    QPainterPath d;
    d.moveTo(50, 2.75);
    d.lineTo(57.25, 10);
    d.lineTo(50, 17.25);
    d.lineTo(42.75, 10);
    d.closeSubpath();
    p.setPen(pen(colour::amber, 1.5));
    p.setBrush(colour::amberLight);
    p.drawPath(d);
    box(p, QRectF(48, 8, 4, 4), 1.25, colour::amber);
}

// ----- toolbar and button images -----

void paintSlotTab(QPainter& p) {
    // A panel holding a small tree: root, spine and two children.
    box(p, QRectF(2, 2, 28, 28), 6, colour::slateLight, colour::slate, 2);
    box(p, QRectF(10, 13, 2, 11), 0, colour::slate);
    box(p, QRectF(12, 15, 4, 2), 0, colour::slate);
    box(p, QRectF(12, 22, 4, 2), 0, colour::slate);
    box(p, QRectF(8, 7, 6, 6), 1.5, colour::slate);
    box(p, QRectF(16, 13, 10, 6), 2, colour::teal);
    box(p, QRectF(16, 20, 10, 6), 2, colour::amber);
}

// A page with a folded top-right corner; `outer` is the page's outer edge.
void page(QPainter& p, const QRectF& outer, qreal fold, const QColor& fill, const QColor& edge, qreal w) {
    const QRectF r = outer.adjusted(w / 2, w / 2, -w / 2, -w / 2);
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen(edge, w));
    p.setBrush(fill);
    p.drawPath(path);
    polyline(p,
             {QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
              QPointF(r.right(), r.top() + fold)},
             edge, w);
}

void chevrons(QPainter& p, QPointF c, qreal h, const QColor& col, qreal w) {
    for (qreal dx : {-2.25, 1.75})
        polyline(p,
                 {QPointF(c.x() + dx - h / 2, c.y() - h), QPointF(c.x() + dx + h / 2, c.y()),
                  QPointF(c.x() + dx - h / 2, c.y() + h)},
                 col, w);
}

void paintStreamParse(QPainter& p) {
    page(p, QRectF(4, 2, 16, 22), 5, colour::paper, colour::slate, 1.5);
    box(p, QRectF(7, 8, 6, 2), 1, colour::greyLight);
    box(p, QRectF(7, 12, 9, 2), 1, colour::greyLight);
    box(p, QRectF(7, 16, 5, 2), 1, colour::greyLight);
    // Badge: the stream running through.
    cutDisc(p, QPointF(20, 20), 8);
    disc(p, QPointF(20, 20), 6.75, colour::teal);
    chevrons(p, QPointF(20, 20), 2.75, colour::paper, 1.75);
}

void paintFind(QPainter& p) {
    // A magnifier over rows, one of them the match.
    ring(p, QPointF(12, 12), 9, colour::greyPale, colour::slate, 2);
    box(p, QRectF(7, 8, 8, 2), 1, colour::greyLight);
    box(p, QRectF(7, 11, 10, 2), 1, colour::teal);
    box(p, QRectF(7, 14, 6, 2), 1, colour::greyLight);
    line(p, QPointF(19, 19), QPointF(24.5, 24.5), colour::slateDark, 3.5);
}

void paintCopyPath(QPainter& p) {
    box(p, QRectF(2, 2, 10, 12), 2, colour::greyPale, colour::grey, 1);
    cutBox(p, QRectF(6, 5, 13, 15), 3);
    box(p, QRectF(7, 6, 11, 13), 2, colour::paper, colour::slate, 1.5);
    // Text lines, the first one the path.
    box(p, QRectF(10, 9, 5, 2), 1, colour::teal);
    box(p, QRectF(10, 12, 5, 1.5), 0.75, colour::greyLight);
    box(p, QRectF(10, 14.5, 3, 1.5), 0.75, colour::greyLight);
}

void paintStatusBar(QPainter& p) {
    // A stopwatch: the status bar reports elapsed times.
    box(p, QRectF(9, 1, 6, 2), 1, colour::slateDark);
    box(p, QRectF(11, 2, 2, 4), 0, colour::slateDark);
    line(p, QPointF(18.25, 6.75), QPointF(19.75, 5.25), colour::slateDark, 2);
    ring(p, QPointF(12, 14), 9, colour::slateLight, colour::slate, 2);
    line(p, QPointF(12, 14), QPointF(12, 9), colour::ink, 1.5);
    line(p, QPointF(12, 14), QPointF(15.5, 16), colour::teal, 1.5);
    disc(p, QPointF(12, 14), 1.5, colour::ink);
}

// A clipboard: board with its outer edge at `board`, clip centred on the top edge.
void clipboard(QPainter& p, const QRectF& board, qreal w, const QRectF& clip) {
    box(p, board, 2.5, colour::paper, colour::slate, w);
    box(p, clip, 1.5, colour::greyLight, colour::ink, 1);
}

void arrowRight(QPainter& p, QPointF tip, qreal len, qreal head, const QColor& c, qreal w) {
    line(p, QPointF(tip.x() - len, tip.y()), QPointF(tip.x() - w * 0.5, tip.y()), c, w);
    polyline(p, {QPointF(tip.x() - head, tip.y() - head), tip, QPointF(tip.x() - head, tip.y() + head)}, c,
             w);
}

void paintPastePathJump(QPainter& p) {
    clipboard(p, QRectF(2, 3, 12, 15), 1.5, QRectF(5, 1, 6, 4));
    box(p, QRectF(5, 8, 6, 2), 1, colour::greyLight);
    box(p, QRectF(5, 12, 3, 2), 1, colour::greyLight);
    cutDisc(p, QPointF(14.5, 14.5), 6.25);
    disc(p, QPointF(14.5, 14.5), 5, colour::teal);
    arrowRight(p, QPointF(17, 14.5), 5, 2.25, colour::paper, 1.5);
}

void paintPaste(QPainter& p) {
    clipboard(p, QRectF(2, 2, 12, 13), 1.5, QRectF(5, 1, 6, 3));
    box(p, QRectF(5, 7, 6, 2), 1, colour::grey);
    box(p, QRectF(5, 10, 4, 2), 1, colour::grey);
}

void paintDropDownArrow(QPainter& p) {
    QPainterPath tri;
    tri.moveTo(2.5, 3.5);
    tri.lineTo(10.5, 3.5);
    tri.lineTo(6.5, 8);
    tri.closeSubpath();
    p.setPen(pen(colour::ink, 1));
    p.setBrush(colour::ink);
    p.drawPath(tri);
}

void paintClipboardParse(QPainter& p) {
    clipboard(p, QRectF(4, 4, 24, 26), 2, QRectF(11, 1, 10, 6));
    // The tree the text becomes.
    box(p, QRectF(11, 15, 2, 9), 0, colour::slate);
    box(p, QRectF(13, 15, 3, 2), 0, colour::slate);
    box(p, QRectF(13, 22, 3, 2), 0, colour::slate);
    box(p, QRectF(9, 9, 6, 6), 1.5, colour::slate);
    box(p, QRectF(16, 13, 8, 6), 2, colour::teal);
    box(p, QRectF(16, 20, 8, 6), 2, colour::amber);
}

void paintJumpIcon(QPainter& p) {
    disc(p, QPointF(12, 12), 10, colour::slate);
    arrowRight(p, QPointF(17, 12), 10, 4.25, colour::paper, 2);
}

// ----- check box images (white-backed) -----

void paintCheckOff(QPainter& p) {
    box(p, QRectF(2, 2, 16, 16), 4, colour::paper, colour::grey, 1.5);
}

void paintCheckOn(QPainter& p) {
    box(p, QRectF(2, 2, 16, 16), 4, colour::slate);
    polyline(p, {QPointF(5.75, 10.25), QPointF(8.75, 13.25), QPointF(14.25, 7)}, colour::paper, 2);
}

void paintSwitch(QPainter& p, bool on) {
    box(p, QRectF(2, 3, 32, 14), 7, on ? colour::slate : colour::greyLight);
    disc(p, QPointF(on ? 27 : 9, 10), 5, colour::paper);
}

// ----- application icon -----

void paintAppIcon(QPainter& p, int size) {
    // A slate tile holding a tree: root, spine and two coloured leaves.
    if (size <= 16) {
        // Redrawn on the 16-pixel grid rather than scaled, so it stays sharp in a title bar.
        p.scale(size / 16.0, size / 16.0);
        box(p, QRectF(0, 0, 16, 16), 3.5, colour::slate);
        box(p, QRectF(3, 3, 4, 4), 1, colour::paper);
        box(p, QRectF(4, 7, 2, 5), 0, colour::paper);
        box(p, QRectF(6, 7, 7, 2), 1, colour::tealLight);
        box(p, QRectF(6, 10, 7, 2), 1, colour::amberLight);
        return;
    }
    p.scale(size / 32.0, size / 32.0);
    box(p, QRectF(1, 1, 30, 30), 7, colour::slate);
    box(p, QRectF(9, 15, 3, 10), 0, colour::paper);
    box(p, QRectF(12, 13, 5, 3), 0, colour::paper);
    box(p, QRectF(12, 22, 5, 3), 0, colour::paper);
    box(p, QRectF(6, 6, 9, 9), 2.5, colour::paper);
    box(p, QRectF(17, 11, 10, 7), 2.5, colour::tealLight);
    box(p, QRectF(17, 20, 10, 7), 2.5, colour::amberLight);
    box(p, QRectF(19, 13.5, 6, 2), 1, colour::teal);
    box(p, QRectF(19, 22.5, 6, 2), 1, colour::amber);
}

using Painter = std::function<void(QPainter&)>;

const std::map<int, Painter>& painters() {
    static const std::map<int, Painter> m{
        {500, paintTextIcons},
        {501, paintPictureIcons},
        {502, paintSlotTab},
        {503, paintStreamParse},
        {504, paintFind},
        {505, paintCopyPath},
        {506, paintStatusBar},
        {507, paintPastePathJump},
        {508, paintPaste},
        {509, paintDropDownArrow},
        {510, paintClipboardParse},
        {511, paintJumpIcon},
        {518, paintCheckOff},
        {519, paintCheckOn},
        {520, [](QPainter& p) { paintSwitch(p, false); }},
        {521, [](QPainter& p) { paintSwitch(p, true); }},
    };
    return m;
}

// Pure white nudged to the palette's lightest colour in a picture's layer (premultiplied or
// straight ARGB32), so that white stays free to mean "transparent".
void avoidPureWhite(QImage& layer) {
    const bool premultiplied = layer.format() == QImage::Format_ARGB32_Premultiplied;
    for (int y = 0; y < layer.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const QRgb px = row[x];
            const int a = qAlpha(px);
            if (a == 0) continue;
            const int white = premultiplied ? a : 0xFF;
            if (qRed(px) == white && qGreen(px) == white && qBlue(px) == white) {
                const int v = premultiplied ? (0xFD * a + 127) / 255 : 0xFD;
                row[x] = qRgba(v, v, v, a);
            }
        }
    }
}

QImage render(const ImageEntry& e, int scale) {
    QImage layer(e.width * scale, e.height * scale, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(scale, scale);
        painters().at(e.id)(p);
    }
    if (!e.whiteKey) {
        // Straight alpha; the check runs after un-premultiplying, which can round up to white.
        QImage straight = layer.convertToFormat(QImage::Format_ARGB32);
        avoidPureWhite(straight);
        return straight;
    }
    avoidPureWhite(layer);
    // Opaque on white: the control keys the white back out.
    QImage opaque(layer.size(), QImage::Format_RGB32);
    opaque.fill(QColor(0xFF, 0xFF, 0xFF));
    QPainter p(&opaque);
    p.drawImage(0, 0, layer);
    return opaque;
}

QImage renderAppIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        paintAppIcon(p, size);
    }
    return img.convertToFormat(QImage::Format_ARGB32);
}

// ----- contact sheet -----

// What a control that keys white out would show.
QImage keyed(const QImage& img) {
    QImage out = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((row[x] & 0xFFFFFFu) == 0xFFFFFFu) row[x] = 0;
    }
    return out;
}

QImage contactSheet(const std::map<int, std::pair<QImage, QImage>>& images,
                    const std::map<int, QImage>& icons) {
    constexpr int zoom = 3, maxW = 60, maxH = 32;
    constexpr int labelW = 170, colW = 8 + maxW + 12 + 2 * maxW + 8, zoomW = maxW * zoom + 16;
    constexpr int headH = 28, rowH = maxH * zoom + 16, iconsH = 2 * (128 + 16);
    const int rows = static_cast<int>(images.size());
    QImage sheet(labelW + 3 * colW + zoomW, headH + rows * rowH + iconsH, QImage::Format_RGB32);
    sheet.fill(QColor(0xFF, 0xFF, 0xFF));
    QPainter p(&sheet);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(Qt::black);
    const QColor backs[3] = {QColor(0xFF, 0xFF, 0xFF), QColor(0x9A, 0xA1, 0xA9), QColor(0xF0, 0xF0, 0xF0)};
    const char* heads[4] = {"1x, 2x on white", "on grey (white keyed out)", "on the button face",
                            "1x zoomed x3"};
    for (int i = 0; i < 4; ++i)
        p.drawText(QRect(labelW + i * colW + 8, 0, colW, headH), Qt::AlignVCenter,
                   QString::fromLatin1(heads[i]));
    auto put = [&](int x, int y, int h, const QImage& img, int factor) {
        const QSize sz = img.size() * factor;
        p.drawImage(QRect(QPoint(x, y + (h - sz.height()) / 2), sz), img);
    };
    int y = headH;
    for (const auto& [id, pair] : images) {
        const ImageEntry& e = *rg_Korrin_ZiYuan::detail::findImage(id);
        const auto& [one, two] = pair;
        p.setPen(Qt::black);
        p.drawText(QRect(8, y, labelW - 12, rowH), Qt::AlignVCenter | Qt::TextWordWrap,
                   QStringLiteral("%1  (%2 x %3%4)\n%5")
                       .arg(id)
                       .arg(e.width)
                       .arg(e.height)
                       .arg(e.whiteKey ? QStringLiteral(", white key") : QString())
                       .arg(QString::fromLatin1(e.what)));
        for (int c = 0; c < 3; ++c) {
            const int x = labelW + c * colW;
            p.fillRect(QRect(x + 2, y + 2, colW - 4, rowH - 4), backs[c]);
            const QImage a = (c > 0 && e.whiteKey) ? keyed(one) : one;
            const QImage b = (c > 0 && e.whiteKey) ? keyed(two) : two;
            put(x + 8, y, rowH, a, 1);
            put(x + 8 + e.width + 12, y, rowH, b, 1);
        }
        put(labelW + 3 * colW + 8, y, rowH, one, zoom);
        y += rowH;
    }
    // The application icon at every size up to 128, on white and on grey.
    for (int band = 0; band < 2; ++band) {
        const int top = y + band * (128 + 16);
        p.fillRect(QRect(0, top, sheet.width(), 128 + 16), backs[band]);
        p.setPen(band ? Qt::white : Qt::black);
        p.drawText(QRect(8, top, labelW - 12, 128 + 16), Qt::AlignVCenter,
                   QStringLiteral("application icon"));
        int x = labelW + 8;
        for (const auto& [size, img] : icons) {
            if (size > 128) continue;
            put(x, top, 128 + 16, img, 1);
            x += size + 16;
        }
    }
    return sheet;
}

bool save(const QImage& img, const QString& path) {
    if (img.save(path, "PNG")) return true;
    std::fprintf(stderr, "quelix_make_images: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quelix_make_images <output folder> [<contact sheet png>]\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "quelix_make_images: cannot create %s\n", argv[1]);
        return 1;
    }
    QStringList files;
    std::map<int, std::pair<QImage, QImage>> images;
    for (const ImageEntry& e : kImages) {
        QImage one = render(e, 1), two = render(e, 2);
        const QString n1 = QStringLiteral("%1.png").arg(e.id), n2 = QStringLiteral("%1@2x.png").arg(e.id);
        if (!save(one, out.filePath(n1)) || !save(two, out.filePath(n2))) return 1;
        files << n1 << n2;
        images.emplace(e.id, std::pair{one, two});
    }
    std::map<int, QImage> icons;
    for (int size : kAppIconSizes) {
        QImage img = renderAppIcon(size);
        const QString n = QStringLiteral("app_%1.png").arg(size);
        if (!save(img, out.filePath(n))) return 1;
        files << n;
        icons.emplace(size, img);
    }

    QFile qrc(out.filePath(QStringLiteral("quelix_images.qrc")));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "quelix_make_images: cannot write the .qrc\n");
        return 1;
    }
    {
        QTextStream s(&qrc);
        s << "<RCC>\n  <qresource prefix=\"/quelix/images\">\n";
        for (const QString& f : files)
            s << "    <file>" << f << "</file>\n";
        s << "  </qresource>\n</RCC>\n";
    }
    qrc.close();

    if (argc >= 3 && !save(contactSheet(images, icons), QString::fromLocal8Bit(argv[2]))) return 1;
    return 0;
}
