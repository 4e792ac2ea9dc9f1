#include "resources/images.h"

#include <map>
#include <mutex>
#include <utility>

#include <QString>

#include "resources/image_table.h"

// rcc's initialiser lives in an object of this static library that nothing else references;
// calling it by name keeps the linker from dropping it.
static void initImageResources() {
    static std::once_flag once;
    std::call_once(once, [] { Q_INIT_RESOURCE(quelix_images); });
}

namespace rg_Korrin_ZiYuan {

namespace {

QString resourcePath(int id, bool twoX) {
    return QStringLiteral(":/quelix/images/%1%2.png").arg(id).arg(twoX ? QStringLiteral("@2x") : QString());
}

} // namespace

QImage imageResource(int id, qreal devicePixelRatio) {
    if (!detail::findImage(id)) return {};
    initImageResources();
    const bool twoX = devicePixelRatio > 1.0;
    static std::mutex lock;
    static std::map<std::pair<int, bool>, QImage> cache;
    const std::lock_guard guard(lock);
    auto it = cache.find({id, twoX});
    if (it == cache.end()) {
        QImage img(resourcePath(id, twoX));
        if (twoX) img.setDevicePixelRatio(2.0);
        it = cache.emplace(std::pair{id, twoX}, std::move(img)).first;
    }
    return it->second;
}

QSize imageResourceSize(int id) {
    const detail::ImageEntry* e = detail::findImage(id);
    return e ? QSize(e->width, e->height) : QSize();
}

bool imageResourceUsesWhiteKey(int id) {
    const detail::ImageEntry* e = detail::findImage(id);
    return e && e->whiteKey;
}

QIcon imageResourceIcon(int id) {
    if (!detail::findImage(id)) return {};
    initImageResources();
    QIcon icon;
    icon.addFile(resourcePath(id, false));
    icon.addFile(resourcePath(id, true));
    return icon;
}

QIcon applicationIcon() {
    initImageResources();
    QIcon icon;
    for (int size : detail::kAppIconSizes)
        icon.addFile(QStringLiteral(":/quelix/images/app_%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace rg_Korrin_ZiYuan
