#include "runtime/ui/container.h"

#include <algorithm>

#include "runtime/ui/colour.h"

namespace rg_Korrin_ChuangKou {
namespace {
const char* const kControlIdProperty = "quelixControlId";
}

rg_ZuJianBuJuQi::rg_ZuJianBuJuQi(QWidget* parent) : WindowBase(parent) {}

void rg_ZuJianBuJuQi::addControl(QWidget* child, int32_t controlId) {
    if (!child) return;
    if (child->parentWidget() != this) child->setParent(this);
    child->setProperty(kControlIdProperty, controlId);
    if (auto* window = qobject_cast<WindowBase*>(child)) window->setControlId(controlId);
}

QWidget* rg_ZuJianBuJuQi::control(int32_t controlId) const {
    for (QObject* object : children()) {
        auto* widget = qobject_cast<QWidget*>(object);
        if (!widget) continue;
        const QVariant id = widget->property(kControlIdProperty);
        if (id.isValid() && id.toInt() == controlId) return widget;
    }
    return nullptr;
}

void rg_ZuJianBuJuQi::place(QWidget* child, int x, int y, int width, int height) {
    if (child) child->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
}

void rg_ZuJianBuJuQi::setBackColour(int32_t ref) {
    backColour_ = ref;
    if (ref == kDefaultColour) {
        setAutoFillBackground(false);
        return;
    }
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colorFromRef(ref));
    setPalette(pal);
    setAutoFillBackground(true);
}

} // namespace rg_Korrin_ChuangKou
