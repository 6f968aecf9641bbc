#include "InterimFieldView.h"

#include "Reels.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

namespace morrow {

namespace {
constexpr int kMargin = 16;
constexpr int kLineHeight = 26;
constexpr int kPixelSize = 18;
constexpr int kWidth = 520;
constexpr int kLines = 7;
} // namespace

void InterimFieldView::SetReelMoving(int reel, bool moving) {
    if (reel >= 0 && reel < kReelCount) {
        moving_[static_cast<std::size_t>(reel)] = moving;
    }
}

void InterimFieldView::Draw(QImage& canvas, const GameSession& session) const {
    QPainter painter(&canvas);
    painter.fillRect(kMargin, kMargin, kWidth, kLineHeight * kLines, Qt::black);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(kPixelSize);
    painter.setFont(font);

    QString line;
    for (int reel = 0; reel < kReelCount; ++reel) {
        const bool moving = moving_[static_cast<std::size_t>(reel)];
        line += moving ? QStringLiteral("-") : QString::number(PaylineSymbol(session, reel));
        line += QLatin1Char(' ');
    }

    const QColor grey(128, 128, 128);
    const QColor nudgeColour(session.NudgeColour.red, session.NudgeColour.green, session.NudgeColour.blue);
    const struct {
        QString text;
        QColor colour;
    } rows[kLines] = {
        {QStringLiteral("Payline:  ") + line, QColor(Qt::white)},
        {QStringLiteral("Credits:  %1").arg(session.Credits), QColor(Qt::red)},
        {QStringLiteral("Coins:    %1").arg(session.Bet), QColor(Qt::red)},
        {QStringLiteral("Nudges:   %1").arg(session.Nudges), QColor(Qt::red)},
        {QStringLiteral("Paid:     %1").arg(paid_), QColor(Qt::green)},
        {QStringLiteral("Nudge?"), nudgeColour},
        {QStringLiteral("B: bet one  M: bet max  Space/Enter: spin"), grey},
    };
    int y = kMargin;
    for (const auto& row : rows) {
        painter.setPen(row.colour);
        painter.drawText(kMargin, y, kWidth, kLineHeight, Qt::AlignLeft | Qt::AlignVCenter, row.text);
        y += kLineHeight;
    }
}

} // namespace morrow
