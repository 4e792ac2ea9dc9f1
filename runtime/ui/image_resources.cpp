#include "runtime/ui/image_resources.h"

#include <QGuiApplication>

#ifdef QUELIX_HAVE_RESOURCES
#include "resources/images.h"
#endif

namespace rg_Korrin_ChuangKou {

QImage loadImageResource(int32_t resourceId) {
#ifdef QUELIX_HAVE_RESOURCES
    const qreal dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    return rg_Korrin_ZiYuan::imageResource(resourceId, dpr);
#else
    (void)resourceId;
    return QImage();
#endif
}

} // namespace rg_Korrin_ChuangKou
