// Helpers shared by the window tests: a host window, screenshots and real input events.
#pragma once

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

namespace gui_test {

// Writes `widget` as ${QUELIX_BUILD_DIR}/screenshots/<name>.png for people to look at.
inline bool saveShot(QWidget* widget, const QString& name) {
    const QString dir = QStringLiteral(QUELIX_BUILD_DIR "/screenshots");
    QDir().mkpath(dir);
    const QImage image = widget->grab().toImage();
    const QString base = dir + QLatin1Char('/') + name;
    if (qMin(image.width(), image.height()) < 64) // small controls also get an enlarged copy
        image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .save(base + QStringLiteral("@4x.png"));
    return image.save(base + QStringLiteral(".png"));
}

// A real wheel event of `notches` notches (positive = away from the user) at `pos`.
inline void wheel(QWidget* widget, QPoint pos, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWheelEvent event(QPointF(pos), QPointF(widget->mapToGlobal(pos)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// A mouse move with the left button held, sent the way Qt delivers it during a drag.
inline void dragMove(QWidget* widget, QPoint pos) {
    QMouseEvent event(QEvent::MouseMove, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::NoButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace gui_test
