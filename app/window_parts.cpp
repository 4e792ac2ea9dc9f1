#include "app/window_parts.h"

#include <QLinearGradient>
#include <QPainter>

#include "runtime/ui/qt_text.h"

namespace rg_Korrin_ChengXu {

using rg_Korrin_ChuangKou::fromQString;
using rg_Korrin_ChuangKou::toQString;

// ---- drop-down list ----

rg_XiaLaLieBiaoKuang::rg_XiaLaLieBiaoKuang(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!filling_) selectionChanged.raise(index);
    });
}

void rg_XiaLaLieBiaoKuang::setItems(const std::vector<CWString>& items) {
    filling_ = true;
    clear();
    for (const CWString& text : items)
        addItem(toQString(text));
    filling_ = false;
}

// ---- status bar ----

rg_ZhuangTaiTiao::rg_ZhuangTaiTiao(QWidget* parent) : QWidget(parent) {
    texts_.resize(1);
}

void rg_ZhuangTaiTiao::setColumns(std::vector<int> widths) {
    widths_ = std::move(widths);
    texts_.resize(widths_.size() + 1);
    update();
}

QRect rg_ZhuangTaiTiao::columnRect(int column) const {
    const int imageSpace = image_.isNull() ? 0 : int(image_.width() / image_.devicePixelRatio()) + 6;
    int x = imageSpace;
    for (int c = 0; c < column && c < int(widths_.size()); ++c)
        x += widths_[size_t(c)];
    const int w = column < int(widths_.size()) ? widths_[size_t(column)] : qMax(0, width() - x);
    return QRect(x, 0, w, height());
}

void rg_ZhuangTaiTiao::setColumnText(int column, CWStringView text) {
    if (column < 0 || column >= columnCount()) return;
    texts_[size_t(column)] = CWString(text);
    update(columnRect(column));
}

CWString rg_ZhuangTaiTiao::columnText(int column) const {
    if (column < 0 || column >= columnCount()) return {};
    return texts_[size_t(column)];
}

void rg_ZhuangTaiTiao::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0xF3, 0xF3, 0xF3));
    p.setPen(QColor(0xD0, 0xD0, 0xD0));
    p.drawLine(0, 0, width(), 0);
    if (!image_.isNull()) {
        const QSizeF s = image_.size() / image_.devicePixelRatio();
        p.drawImage(QRectF(3, (height() - s.height()) / 2.0, s.width(), s.height()), image_);
    }
    for (int c = 0; c < columnCount(); ++c) {
        const QRect r = columnRect(c);
        if (c > 0) {
            p.setPen(QColor(0xD0, 0xD0, 0xD0));
            p.drawLine(r.left(), 5, r.left(), height() - 5);
        }
        p.setPen(QColor(0x30, 0x30, 0x30));
        p.drawText(
            r.adjusted(6, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
            fontMetrics().elidedText(toQString(texts_[size_t(c)]), Qt::ElideRight, qMax(0, r.width() - 10)));
    }
}

// ---- picture box ----

rg_TuPianKuang::rg_TuPianKuang(QWidget* parent) : WindowBase(parent) {
    setCursor(Qt::PointingHandCursor);
}

void rg_TuPianKuang::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter p(this);
    const QSizeF s = image_.size() / image_.devicePixelRatio();
    p.drawImage(QRectF((width() - s.width()) / 2.0, (height() - s.height()) / 2.0, s.width(), s.height()),
                image_);
}

// ---- brand banner ----

rg_PinPaiHengFu::rg_PinPaiHengFu(QWidget* parent) : WindowBase(parent) {}

void rg_PinPaiHengFu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0.0, QColor(0x2B, 0x3A, 0x4F));
    g.setColorAt(1.0, QColor(0x22, 0x2E, 0x40));
    p.fillRect(rect(), g);
    // A small mark: two nested brackets.
    const int h = height();
    p.setPen(QColor(0x7F, 0xB6, 0xE8));
    QFont mark = font();
    mark.setPixelSize(30);
    mark.setBold(true);
    p.setFont(mark);
    p.drawText(QRect(16, 0, 44, h), Qt::AlignCenter, QStringLiteral("{ }"));

    QFont title = font();
    title.setPixelSize(24);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0xF2, 0xF5, 0xF8));
    const QString name = toQString(name_);
    p.drawText(QRect(70, 0, width(), h), Qt::AlignVCenter | Qt::AlignLeft, name);
    const int nameWidth = QFontMetrics(title).horizontalAdvance(name);
    if (!version_.empty()) {
        QFont small = font();
        small.setPixelSize(13);
        p.setFont(small);
        p.setPen(QColor(0x9F, 0xAE, 0xC0));
        p.drawText(QRect(70 + nameWidth + 12, 0, width(), h - 4), Qt::AlignVCenter | Qt::AlignLeft,
                   toQString(version_));
    }
    p.setPen(QColor(0x4A, 0x5C, 0x74));
    p.drawLine(0, h - 1, width(), h - 1);
}

} // namespace rg_Korrin_ChengXu
