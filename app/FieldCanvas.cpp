#include "FieldCanvas.h"

#include "CanvasScale.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QRegion>

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

void FieldCanvas::Show(const QRect& rect) {
    unshown_ += rect;
    if (seen_) {
        update(rect);
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
    if (ArtScaleFor(ratio) != static_cast<int>(canvas_.devicePixelRatio())) {
        emit DeviceRatioChanged(ratio);
    }
    QPainter painter(this);
    if (canvas_.devicePixelRatio() == ratio) {
        // Pixel for pixel: each changed rectangle is copied on its own, so a
        // tick that changed a sprite's square copies that square only, and
        // only what lies beyond the canvas is cleared.
        const QRect shown = UnitRect(canvas_);
        for (const QRect& beyond : event->region().subtracted(shown)) {
            painter.fillRect(beyond, Qt::black);
        }
        for (const QRect& part : event->region().intersected(shown)) {
            painter.drawImage(part.topLeft(), canvas_, PixelRect(canvas_, part));
        }
        return;
    }
    painter.setClipRegion(event->region());
    painter.fillRect(event->rect(), Qt::black);
    PresentCanvas(painter, canvas_, ratio);
}

void FieldCanvas::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit MouseDown(event->position().toPoint());
}

} // namespace morrow
