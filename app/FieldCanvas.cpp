#include "FieldCanvas.h"

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
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, Qt::black);
    painter.drawImage(dirty.topLeft(), canvas_, dirty);
}

void FieldCanvas::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit MouseDown(event->position().toPoint());
}

} // namespace morrow
