#include "FieldCanvas.h"

#include "CanvasScale.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

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

void FieldCanvas::paintEvent(QPaintEvent* event) {
    const qreal ratio = devicePixelRatioF();
    if (ArtScaleFor(ratio) != static_cast<int>(canvas_.devicePixelRatio())) {
        emit DeviceRatioChanged(ratio);
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.fillRect(event->rect(), Qt::black);
    PresentCanvas(painter, canvas_, ratio);
}

void FieldCanvas::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit MouseDown(event->position().toPoint());
}

} // namespace morrow
