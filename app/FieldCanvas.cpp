// SPDX-License-Identifier: GPL-3.0-or-later
#include "FieldCanvas.h"

#include "CanvasScale.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QRegion>

#include <cmath>

namespace morrow {

FieldCanvas::FieldCanvas(const QImage& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
    // The canvas covers every pixel it shows, so Qt need not clear first;
    // whatever lies beyond the canvas is painted black below.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    // Keys reach the window through this widget, which never uses them itself.
    setFocusPolicy(Qt::StrongFocus);
}

void FieldCanvas::SetZoom(double zoom) {
    zoom_ = zoom;
    unshown_ = QRegion();
    update();
}

// The widget's pixels that show `units`, each pixel touched counted whole.
QRect FieldCanvas::WidgetRect(const QRect& units) const {
    if (zoom_ == 1) {
        return units;
    }
    const QPoint from(static_cast<int>(std::floor(units.x() * zoom_)),
                      static_cast<int>(std::floor(units.y() * zoom_)));
    const QPoint to(static_cast<int>(std::ceil((units.x() + units.width()) * zoom_)),
                    static_cast<int>(std::ceil((units.y() + units.height()) * zoom_)));
    return {from, QSize(to.x() - from.x(), to.y() - from.y())};
}

void FieldCanvas::Show(const QRect& rect) {
    const QRect shown = WidgetRect(rect);
    unshown_ += shown;
    if (seen_) {
        update(shown);
    }
}

void FieldCanvas::ShowChangesNow() {
    if (seen_ && isVisible() && !unshown_.isEmpty()) {
        repaint(unshown_);
    }
}

void FieldCanvas::SetSeen(bool seen) {
    seen_ = seen;
    if (seen && !unshown_.isEmpty()) {
        update(unshown_);
    }
}

void FieldCanvas::TakeFocusBack() {
    if (window()->isVisible()) {
        window()->activateWindow();
        setFocus();
    }
}

void FieldCanvas::paintEvent(QPaintEvent* event) {
    unshown_ -= event->region();
    const qreal ratio = devicePixelRatioF();
    if (!qFuzzyCompare(canvas_.devicePixelRatio(), ratio * zoom_)) {
        emit DeviceRatioChanged(ratio);
    }
    QPainter painter(this);
    if (qFuzzyCompare(canvas_.devicePixelRatio(), ratio * zoom_)) {
        // The canvas holds the device's own pixels: each changed rectangle
        // is copied on its own, pixel for pixel, so a tick that changed a
        // sprite's square copies that square only, and only what lies
        // beyond the canvas is cleared.
        const QRect shown(QPoint(0, 0), (QSizeF(canvas_.size()) / ratio).toSize());
        for (const QRect& beyond : event->region().subtracted(shown)) {
            painter.fillRect(beyond, Qt::black);
        }
        for (const QRect& part : event->region().intersected(shown)) {
            painter.drawImage(
                QRectF(part), canvas_,
                QRectF(part.x() * ratio, part.y() * ratio, part.width() * ratio, part.height() * ratio));
        }
        return;
    }
    painter.setClipRegion(event->region());
    painter.fillRect(event->rect(), Qt::black);
    painter.scale(zoom_, zoom_);
    PresentCanvas(painter, canvas_, ratio * zoom_);
}

void FieldCanvas::mousePressEvent(QMouseEvent* event) {
    event->accept();
    const QPointF at = event->position() / zoom_;
    emit MouseDown(QPoint(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y()))));
}

} // namespace morrow
