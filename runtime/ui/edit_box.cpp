#include "runtime/ui/edit_box.h"

#include <QKeyEvent>
#include <QPointer>

#include "runtime/ui/colour.h"
#include "runtime/ui/input.h"
#include "runtime/ui/qt_text.h"

namespace rg_Korrin_ChuangKou {

rg_BianJiKuang::rg_BianJiKuang(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] { edited.raise(); });
}

CWString rg_BianJiKuang::content() const {
    return fromQString(text());
}

void rg_BianJiKuang::setContent(CWStringView text) {
    setText(toQString(text));
}

void rg_BianJiKuang::setMargins(int left, int right) {
    setTextMargins(left < 0 ? 0 : left, 0, right < 0 ? 0 : right, 0);
}

void rg_BianJiKuang::setCueBanner(CWStringView text) {
    setPlaceholderText(toQString(text));
}

void rg_BianJiKuang::setBackColour(int32_t ref) {
    backColour_ = ref;
    applyStyle();
}

void rg_BianJiKuang::setThinBorder(bool thin) {
    thinBorder_ = thin;
    applyStyle();
}

void rg_BianJiKuang::setScreenFont(const ScreenFont& font) {
    setFont(font.font);
}

void rg_BianJiKuang::applyStyle() {
    if (!thinBorder_ && backColour_ == -1) {
        setStyleSheet(QString());
        return;
    }
    QString css = QStringLiteral("QLineEdit {");
    if (thinBorder_) css += QStringLiteral(" border: 1px solid #a0a0a0;");
    if (backColour_ != -1) css += QStringLiteral(" background: %1;").arg(colorFromRef(backColour_).name());
    css += QStringLiteral(" }");
    setStyleSheet(css);
}

void rg_BianJiKuang::keyPressEvent(QKeyEvent* event) {
    const int32_t key = virtualKeyCode(*event);
    const int32_t mods = modifierBits(event->modifiers());
    QPointer<rg_BianJiKuang> self(this);
    keyDown.raise(key, mods);
    if (!self) return;
    if (key == vk::Return) {
        enterPressed.raise();
        if (!self) return;
    }
    QLineEdit::keyPressEvent(event);
}

void rg_BianJiKuang::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    focusGained.raise();
}

void rg_BianJiKuang::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    focusLost.raise();
}

} // namespace rg_Korrin_ChuangKou
