// rg_HuaBan: a child window that keeps its drawing in an off-screen image and shows it.
//
// Drawing follows the GDI conventions the controls' pixel rules are written in: a rectangle
// (l, t, r, b) covers columns l..r-1 and rows t..b-1, its outline drawn with the pen and its
// inside filled with the brush; a line leaves out its last point; text is placed by its top-left
// corner. Colours are COLORREF values (0x00BBGGRR): a pen colour of -1 is the default pen (black,
// 1 px), a brush colour of -1 the hollow brush, a text background of -1 a transparent one.
// Everything is aliased, so a pixel is either the colour asked for or untouched.
//
// Redraw suspension: between beginRedrawSuspension() and the matching endRedrawSuspension() the
// window is not asked to repaint; ending the outermost suspension shows the image once. Drawing
// outside a suspension schedules a repaint itself. One QPainter is kept open on the image across
// a suspension, so a paint of many rows allocates nothing per primitive.
//
// The image always has the window's size (0 x 0 draws nothing); a resize keeps the old drawing
// in the top-left corner and fills the rest with the background. Mouse, key and window events are
// those of WindowBase. UI thread only.
#pragma once

#include <cstdint>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>

#include "runtime/types.h"
#include "runtime/ui/bitmap.h"
#include "runtime/ui/font.h"
#include "runtime/ui/window.h"

namespace rg_Korrin_ChuangKou {

class rg_HuaBan : public WindowBase {
    Q_OBJECT
public:
    explicit rg_HuaBan(QWidget* parent = nullptr);
    ~rg_HuaBan() override;

    // State.
    void setBackColour(int32_t ref);
    int32_t backColour() const { return backColour_; }
    void setPenColour(int32_t ref);
    void setDefaultPen() { setPenColour(-1); }
    void setNullPen();
    int32_t penColour() const { return penColour_; }
    void setBrushColour(int32_t ref);
    void setHollowBrush() { setBrushColour(-1); }
    int32_t brushColour() const { return brushColour_; }
    void setTextColour(int32_t ref);
    void setTextBackColour(int32_t ref);
    void setScreenFont(const ScreenFont& font);
    const ScreenFont& screenFont() const { return font_; }
    const QFontMetrics& fontMetrics() const { return metrics_; }

    // Drawing.
    void clear(); // the whole image in the background colour
    void fillRect(int left, int top, int right, int bottom, int32_t colourRef);
    void line(int x1, int y1, int x2, int y2);
    void rectangle(int left, int top, int right, int bottom);
    void roundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
    void polygon(const QPoint* points, int count);
    void text(int x, int y, CWStringView text);
    QSize textExtent(CWStringView text) const;
    // Draws `bitmap` into (x, y, width, height), scaled when the size differs; a size of 0 takes
    // the bitmap's own. Pixels of `transparentRef` are left out; -1 draws it opaque.
    void drawBitmap(int x, int y, int width, int height, const rg_ZengJiangWeiTuLei& bitmap,
                    int32_t transparentRef = -1);

    void beginRedrawSuspension();
    void endRedrawSuspension();
    bool redrawSuspended() const { return suspendDepth_ > 0; }

    // The drawing as it stands (ends any open painter first).
    const QImage& image();
    // Drops the off-screen image (a hidden canvas need not hold one); the next drawing or paint
    // makes a fresh one, in the background colour.
    void releaseImage();
    // Bytes the off-screen image holds now (0 when there is none); nothing is made.
    qsizetype imageBytes() const { return image_.sizeInBytes(); }
    // The colour of one pixel as a COLORREF; -1 outside the image.
    int32_t pixelRef(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void onResized(int32_t width, int32_t height) override;

private:
    QPainter* painter(); // nullptr when the image is empty
    void ensureImage();
    void endPainter();
    void applyPen();
    void drawn(); // schedules a repaint unless suspended

    QImage image_;
    QPainter painter_; // active on image_ only between painter() and endPainter()
    ScreenFont font_;
    QFontMetrics metrics_;
    int32_t backColour_ = 0xFFFFFF;
    int32_t penColour_ = -1;
    bool nullPen_ = false;
    int32_t brushColour_ = -1;
    int32_t textColour_ = 0;
    int32_t textBackColour_ = -1;
    int suspendDepth_ = 0;
    bool penDirty_ = true;
};

} // namespace rg_Korrin_ChuangKou
