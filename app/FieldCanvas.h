// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRegion>
#include <QWidget>

class QImage;

namespace morrow {

// The main window's client area below the menu bar. It shows the window's
// persistent canvas picture, into which every drawing operation paints, and
// reports mouse presses in its own (client) coordinates.
class FieldCanvas final : public QWidget {
    Q_OBJECT

public:
    // `canvas` belongs to the main window and outlives this widget.
    FieldCanvas(const QImage& canvas, QWidget* parent);

    // Each unit of the canvas covers `zoom` of this widget's pixels.
    void SetZoom(double zoom);
    double Zoom() const { return zoom_; }
    // `rect` of the canvas (in units) changed: it is shown with the next paint.
    void Show(const QRect& rect);
    // Shows at once whatever changed and is not on the screen yet.
    void ShowChangesNow();
    // Out of sight, changes are kept for later and nothing is painted; seen
    // again, they are all shown at the next paint.
    void SetSeen(bool seen);
    // After a message box or a dialog: the window is active again and the
    // keys come here, with or without a window manager.
    void TakeFocusBack();

signals:
    // Any mouse button; `position` is in client coordinates, in units.
    void MouseDown(QPoint position);
    // The widget is now shown with this many device pixels per pixel of its
    // own (the desktop's scale), and the canvas was painted for another: the
    // window moved to another screen, or the screen's scale changed.
    void DeviceRatioChanged(qreal ratio);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const QImage& canvas_;
    QRect WidgetRect(const QRect& units) const;

    QRegion unshown_;
    double zoom_ = 1;
    bool seen_ = true;
};

} // namespace morrow
