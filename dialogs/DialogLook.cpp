// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogLook.h"

#include "GameSession.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>

namespace morrow {

namespace {

constexpr int kGlyphSize = 18;

QString TitleOf(const GameSession& session) {
    return QString::fromStdString(session.GameTitle);
}

} // namespace

QFont DialogFont(int pixelHeight) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixelHeight);
    return font;
}

void SetDialogFrame(QDialog& dialog, int width, int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(width, height);
}

void CentreOnScreen(QWidget& window) {
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->geometry();
    window.move(area.x() + (area.width() - window.width()) / 2,
                area.y() + (area.height() - window.height()) / 2);
}

QIcon GlyphIcon(ButtonGlyph glyph) {
    QPixmap picture(kGlyphSize, kGlyphSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
    case ButtonGlyph::Ok: {
        QPainterPath tick;
        tick.moveTo(3, 9.5);
        tick.lineTo(7.5, 14);
        tick.lineTo(15, 4);
        painter.setPen(QPen(QColor(0, 128, 0), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(tick);
        break;
    }
    case ButtonGlyph::Help: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 64, 160));
        painter.drawEllipse(QRectF(1, 1, 16, 16));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(1, 1, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case ButtonGlyph::Cancel:
        painter.setPen(QPen(QColor(192, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4, 4), QPointF(14, 14));
        painter.drawLine(QPointF(14, 4), QPointF(4, 14));
        break;
    case ButtonGlyph::Globe:
        painter.setPen(QPen(QColor(0, 96, 160), 1.5));
        painter.setBrush(QColor(170, 215, 255));
        painter.drawEllipse(QRectF(1.5, 1.5, 15, 15));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRectF(5.5, 1.5, 7, 15));
        painter.drawLine(QPointF(1.5, 9), QPointF(16.5, 9));
        painter.drawLine(QPointF(9, 1.5), QPointF(9, 16.5));
        break;
    }
    painter.end();
    return QIcon(picture);
}

void ShowInformation(QWidget* parent, const GameSession& session, const QString& text) {
    QMessageBox box(QMessageBox::Information, TitleOf(session), text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowError(QWidget* parent, const GameSession& session, const QString& text) {
    QMessageBox box(QMessageBox::Critical, TitleOf(session), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace morrow
