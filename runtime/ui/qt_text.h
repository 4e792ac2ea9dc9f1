// Conversions between the system's UTF-16 texts (CWString) and QString, at the window edge.
// Both are UTF-16, so converting copies code units and nothing else. Pure functions; any thread.
#pragma once

#include <QString>

#include "runtime/types.h"

namespace rg_Korrin_ChuangKou {

inline QString toQString(CWStringView text) {
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

// A QString that shares `text`'s code units without copying them; valid only while `text` is
// alive and unchanged. For the hot drawing paths.
inline QString rawQString(CWStringView text) {
    return QString::fromRawData(reinterpret_cast<const QChar*>(text.data()),
                                static_cast<qsizetype>(text.size()));
}

inline CWString fromQString(const QString& text) {
    return CWString(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

} // namespace rg_Korrin_ChuangKou
