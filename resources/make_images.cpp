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

QPen pen(const QColor& c, qreal w) {
    QPen p(c, w);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void rounded(QPainter& p, const QRectF& r, qreal radius, const QColor& fill, const QColor& line, qreal width) {
    p.setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
    p.setPen(line.isValid() ? pen(line, width) : QPen(Qt::NoPen));
    p.drawRoundedRect(r, radius, radius);
}

void disc(QPainter& p, QPointF c, qreal r, const QColor& fill) {
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawEllipse(c, r, r);
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
void mark(QPainter& p, const QRectF& r, const QString& text, const QColor& c, int pixelSize,
          const QString& family = QStringLiteral("DejaVu Sans")) {
    QFont f(family);
    f.setBold(true);
    f.setPixelSize(pixelSize);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
}

// ----- tree icons (20 x 20 cells) -----

void textIcon(QPainter& p, qreal x0, const QString& text, const QColor& fill, const QColor& edge,
              const QColor& ink, int px, qreal dy = 0) {
    rounded(p, QRectF(x0 + 2.5, 2.5, 15, 15), 3.5, fill, edge, 1);
    mark(p, QRectF(x0 + 2, 2 + dy, 16, 16), text, ink, px);
}

void paintTextIcons(QPainter& p) {
    textIcon(p, 0, QStringLiteral("{}"), colour::slateLight, colour::slate, colour::slateDark, 11, -0.5);
    textIcon(p, 20, QStringLiteral("[]"), colour::tealLight, colour::teal, colour::tealDark, 11, -0.5);
    textIcon(p, 40, QStringLiteral("ab"), colour::amberLight, colour::amber, colour::amberDark, 10, -0.5);
}

void paintPictureIcons(QPainter& p) {
    // Object: a card of key/value rows.
    rounded(p, QRectF(2.5, 3.5, 15, 13), 2.5, colour::slateLight, colour::slate, 1);
    for (qreal y : {7.5, 12.5}) {
        disc(p, QPointF(6, y), 1.25, colour::slate);
        line(p, QPointF(9, y), QPointF(14, y), colour::slateDark, 1.5);
    }
    // Array: a stack of indexed rows.
    for (int i = 0; i < 3; ++i) {
        const qreal y = 3 + i * 5;
        rounded(p, QRectF(22.5, y + 0.5, 15, 4), 1.5, colour::tealLight, colour::teal, 1);
        disc(p, QPointF(25.5, y + 2.5), 1, colour::tealDark);
    }
    // Value: a single diamond.
    QPainterPath d;
    d.moveTo(50, 2.5);
    d.lineTo(57.5, 10);
    d.lineTo(50, 17.5);
    d.lineTo(42.5, 10);
    d.closeSubpath();
    p.setPen(pen(colour::amber, 1.25));
    p.setBrush(colour::amberLight);
    p.drawPath(d);
    disc(p, QPointF(50, 10), 2.25, colour::amber);
}

// ----- toolbar and button images -----

void paintSlotTab(QPainter& p) {
    // A panel holding a small tree.
    rounded(p, QRectF(3, 3, 26, 26), 5, colour::slateLight, colour::slate, 2);
    line(p, QPointF(10, 10), QPointF(10, 23), colour::slate, 1.5);
    for (qreal y : {16.0, 23.0})
        line(p, QPointF(10, y), QPointF(14, y), colour::slate, 1.5);
    rounded(p, QRectF(7, 7, 6, 6), 1.5, colour::slate, QColor(), 0);
    rounded(p, QRectF(14, 13.5, 10, 5), 1.5, colour::teal, QColor(), 0);
    rounded(p, QRectF(14, 20.5, 10, 5), 1.5, colour::amber, QColor(), 0);
}

void page(QPainter& p, const QRectF& r, qreal fold, const QColor& fill, const QColor& edge, qreal w) {
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
    polyline(p, {QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                 QPointF(r.right(), r.top() + fold)},
             edge, w);
}

void paintStreamParse(QPainter& p) {
    page(p, QRectF(5, 3, 15, 20), 5, colour::paper, colour::slate, 1.5);
    for (qreal y : {10.0, 13.5, 17.0})
        line(p, QPointF(8.5, y), QPointF(y < 11 ? 13.5 : 16.5, y), colour::greyLight, 1.5);
    // Badge: the stream running through.
    disc(p, QPointF(20, 20), 6.5, colour::teal);
    polyline(p, {QPointF(16.75, 17), QPointF(19.25, 20), QPointF(16.75, 23)}, colour::paper, 1.6);
    polyline(p, {QPointF(20.75, 17), QPointF(23.25, 20), QPointF(20.75, 23)}, colour::paper, 1.6);
}

void paintFind(QPainter& p) {
    // Rows of a tree behind a magnifier.
    for (int i = 0; i < 3; ++i) {
        const qreal y = 5 + i * 5;
        const qreal x = 4 + (i > 0 ? 4 : 0);
        disc(p, QPointF(x, y), 1.75, i == 0 ? colour::slate : colour::grey);
        line(p, QPointF(x + 3.5, y), QPointF(x + 9, y), colour::greyLight, 1.5);
    }
    p.setPen(pen(colour::slate, 2));
    p.setBrush(QColor(0xDD, 0xE8, 0xF4, 200));
    p.drawEllipse(QPointF(16, 15), 6, 6);
    line(p, QPointF(20.5, 19.5), QPointF(24.5, 23.5), colour::slateDark, 3);
    disc(p, QPointF(16, 15), 1.75, colour::teal);
}

void paintCopyPath(QPainter& p) {
    rounded(p, QRectF(3.5, 2.5, 9, 11), 1.5, colour::greyPale, colour::grey, 1);
    rounded(p, QRectF(7.5, 6.5, 9, 11), 1.5, colour::paper, colour::slate, 1.5);
    // A path: nodes joined by a line.
    line(p, QPointF(10, 12), QPointF(14, 12), colour::teal, 1.25);
    disc(p, QPointF(10, 12), 1.5, colour::teal);
    disc(p, QPointF(14, 12), 1.5, colour::teal);
}

void paintStatusBar(QPainter& p) {
    // A stopwatch: the status bar reports elapsed times.
    rounded(p, QRectF(10, 1.5, 4, 2.5), 1, colour::slateDark, QColor(), 0);
    line(p, QPointF(12, 4), QPointF(12, 6), colour::slateDark, 2);
    line(p, QPointF(18.5, 6.5), QPointF(19.75, 5.25), colour::slateDark, 2);
    p.setPen(pen(colour::slate, 2));
    p.setBrush(colour::slateLight);
    p.drawEllipse(QPointF(12, 14), 8, 8);
    line(p, QPointF(12, 14), QPointF(12, 9.5), colour::ink, 1.5);
    line(p, QPointF(12, 14), QPointF(15, 16), colour::teal, 1.5);
    disc(p, QPointF(12, 14), 1.5, colour::ink);
}

void clipboard(QPainter& p, const QRectF& board, const QColor& edge, qreal w, qreal clipW, qreal clipH) {
    rounded(p, board, 2, colour::paper, edge, w);
    const QRectF clip(board.center().x() - clipW / 2, board.top() - clipH / 2, clipW, clipH);
    rounded(p, clip, 1.25, colour::greyLight, colour::ink, 1);
}

void arrowRight(QPainter& p, QPointF tip, qreal len, qreal head, const QColor& c, qreal w) {
    line(p, QPointF(tip.x() - len, tip.y()), QPointF(tip.x() - w * 0.5, tip.y()), c, w);
    polyline(p, {QPointF(tip.x() - head, tip.y() - head), tip, QPointF(tip.x() - head, tip.y() + head)}, c, w);
}

void paintPastePathJump(QPainter& p) {
    clipboard(p, QRectF(3, 4, 11, 14), colour::slate, 1.5, 6, 3);
    line(p, QPointF(6, 10), QPointF(11, 10), colour::greyLight, 1.5);
    line(p, QPointF(6, 13.5), QPointF(9, 13.5), colour::greyLight, 1.5);
    disc(p, QPointF(14.5, 14.5), 5, colour::teal);
    arrowRight(p, QPointF(17, 14.5), 5, 2.25, colour::paper, 1.5);
}

void paintPaste(QPainter& p) {
    clipboard(p, QRectF(2.5, 2.5, 11, 12), colour::slate, 1.5, 6, 3);
    line(p, QPointF(5.5, 8), QPointF(10.5, 8), colour::grey, 1.25);
    line(p, QPointF(5.5, 11), QPointF(9, 11), colour::grey, 1.25);
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
    clipboard(p, QRectF(4, 5, 22, 25), colour::slate, 2, 10, 5);
    // The tree the text becomes.
    line(p, QPointF(10, 13), QPointF(10, 25), colour::slate, 1.5);
    for (qreal y : {19.0, 25.0})
        line(p, QPointF(10, y), QPointF(13, y), colour::slate, 1.5);
    rounded(p, QRectF(7.5, 10.5, 5, 5), 1.25, colour::slate, QColor(), 0);
    rounded(p, QRectF(13, 16.75, 9, 4.5), 1.25, colour::teal, QColor(), 0);
    rounded(p, QRectF(13, 22.75, 9, 4.5), 1.25, colour::amber, QColor(), 0);
}

void paintJumpIcon(QPainter& p) {
    disc(p, QPointF(12, 12), 10, colour::slate);
    arrowRight(p, QPointF(17, 12), 10, 4.25, colour::paper, 2);
}

// ----- check box images (white-backed) -----

void paintCheckOff(QPainter& p) { rounded(p, QRectF(3, 3, 14, 14), 3, colour::paper, colour::grey, 2); }

void paintCheckOn(QPainter& p) {
    rounded(p, QRectF(2, 2, 16, 16), 3.5, colour::slate, QColor(), 0);
    polyline(p, {QPointF(5.75, 10.25), QPointF(8.75, 13.25), QPointF(14.25, 7)}, colour::paper, 2);
}

void paintSwitch(QPainter& p, bool on) {
    const QRectF track(3, 4, 30, 12);
    rounded(p, track, 6, on ? colour::slate : colour::greyLight, QColor(), 0);
    const QPointF knob(on ? 27 : 9, 10);
    p.setPen(pen(on ? colour::slateDark : colour::grey, 1));
    p.setBrush(colour::paper);
    p.drawEllipse(knob, 7.5, 7.5);
}

// ----- application icon -----

void paintAppIcon(QPainter& p, int size) {
    const qreal s = size / 32.0;  // drawn in a 32-unit box
    p.scale(s, s);
    const bool tiny = size <= 16;
    rounded(p, QRectF(1, 1, 30, 30), 7, colour::slate, QColor(), 0);
    const qreal w = tiny ? 3 : 2.5;
    // A tree: root, spine, two branches ending in coloured leaves.
    line(p, QPointF(10, 10), QPointF(10, 23), colour::paper, w);
    line(p, QPointF(10, 16.5), QPointF(16, 16.5), colour::paper, w);
    line(p, QPointF(10, 23), QPointF(16, 23), colour::paper, w);
    rounded(p, QRectF(6, 6, 8, 8), 2, colour::paper, QColor(), 0);
    rounded(p, QRectF(15, 13, 11, 7), 2.5, colour::tealLight, QColor(), 0);
    rounded(p, QRectF(15, 19.5, 11, 7), 2.5, colour::amberLight, QColor(), 0);
    if (!tiny) {
        rounded(p, QRectF(17.5, 15.75, 6, 1.5), 0.75, colour::teal, QColor(), 0);
        rounded(p, QRectF(17.5, 22.25, 6, 1.5), 0.75, colour::amber, QColor(), 0);
    }
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
            if (a == 0)
                continue;
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
            if ((row[x] & 0xFFFFFFu) == 0xFFFFFFu)
                row[x] = 0;
    }
    return out;
}

QImage contactSheet(const std::map<int, std::pair<QImage, QImage>>& images, const std::map<int, QImage>& icons) {
    const int rowH = 2 * 32 + 16, colW = 2 * 60 + 16, labelW = 150, zoom = 4;
    const int cols = 5;  // 1x+2x on white, 1x+2x on grey, 1x zoomed
    const int rows = static_cast<int>(images.size()) + 3;
    QImage sheet(labelW + colW * (cols - 1) + 60 * zoom + 32, rowH * rows, QImage::Format_RGB32);
    sheet.fill(QColor(0xFF, 0xFF, 0xFF));
    QPainter p(&sheet);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    p.setFont(f);
    const QColor greyBg(0x9A, 0xA1, 0xA9);
    auto cell = [&](int col, int row) { return QRect(labelW + col * colW, row * rowH, colW, rowH); };
    auto put = [&](const QRect& r, const QImage& img, int factor = 1) {
        const QSize sz = img.size() * factor;
        const QPoint at(r.x() + 8, r.y() + (r.height() - sz.height()) / 2);
        p.drawImage(QRect(at, sz), img);
    };
    p.setPen(Qt::black);
    const char* heads[] = {"1x + 2x on white", "1x + 2x on grey (keyed)", "1x on button face", "1x zoomed x4"};
    for (int i = 0; i < 4; ++i)
        p.drawText(cell(i == 3 ? 3 : i, 0).adjusted(8, 0, 200, 0), Qt::AlignVCenter, QString::fromLatin1(heads[i]));
    int row = 1;
    for (const auto& [id, pair] : images) {
        const ImageEntry& e = *rg_Korrin_ZiYuan::detail::findImage(id);
        const auto& [one, two] = pair;
        p.setPen(Qt::black);
        p.drawText(QRect(8, row * rowH, labelW - 8, rowH), Qt::AlignVCenter | Qt::TextWordWrap,
                   QStringLiteral("%1  %2x%3\n%4").arg(id).arg(e.width).arg(e.height).arg(QString::fromLatin1(e.what)));
        QRect c0 = cell(0, row);
        put(c0, one);
        put(c0.adjusted(e.width + 12, 0, 0, 0), two);
        QRect c1 = cell(1, row);
        p.fillRect(c1.adjusted(2, 2, -2, -2), greyBg);
        const QImage k1 = e.whiteKey ? keyed(one) : one, k2 = e.whiteKey ? keyed(two) : two;
        put(c1, k1);
        put(c1.adjusted(e.width + 12, 0, 0, 0), k2);
        QRect c2 = cell(2, row);
        p.fillRect(c2.adjusted(2, 2, -2, -2), QColor(0xF0, 0xF0, 0xF0));
        put(c2, k1);
        put(c2.adjusted(e.width + 12, 0, 0, 0), k2);
        QRect c3(labelW + 3 * colW, row * rowH, 60 * zoom + 16, rowH);
        put(c3, one.scaled(one.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        ++row;
    }
    // The application icon at every size, on white and on grey.
    int x = 8;
    for (const auto& [size, img] : icons) {
        if (size > 64)
            continue;
        p.drawImage(x, row * rowH + 8, img);
        p.fillRect(x, (row + 1) * rowH, size + 8, size + 8, greyBg);
        p.drawImage(x + 4, (row + 1) * rowH + 4, img);
        x += size + 16;
    }
    p.drawImage(x, row * rowH + 8, icons.at(128));
    return sheet;
}

bool save(const QImage& img, const QString& path) {
    if (img.save(path, "PNG"))
        return true;
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
        if (!save(one, out.filePath(n1)) || !save(two, out.filePath(n2)))
            return 1;
        files << n1 << n2;
        images.emplace(e.id, std::pair{one, two});
    }
    std::map<int, QImage> icons;
    for (int size : kAppIconSizes) {
        QImage img = renderAppIcon(size);
        const QString n = QStringLiteral("app_%1.png").arg(size);
        if (!save(img, out.filePath(n)))
            return 1;
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

    if (argc >= 3 && !save(contactSheet(images, icons), QString::fromLocal8Bit(argv[2])))
        return 1;
    return 0;
}
