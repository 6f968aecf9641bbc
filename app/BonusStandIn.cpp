#include "BonusStandIn.h"

#include "GameEngine.h"
#include "TrickOrTreatRound.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <array>

namespace morrow {

namespace {
constexpr int kTreatSound = 5;
constexpr int kTrickSound = 6;
} // namespace

void RunBonusStandIn(QWidget& parent, GameEngine& engine) {
    const QString title = QString::fromLatin1(kBonusTitle);
    QMessageBox pick(QMessageBox::NoIcon, title, QStringLiteral("Pick one of the six pumpkins!"),
                     QMessageBox::NoButton, &parent);
    std::array<QPushButton*, kPumpkinCount> pumpkins{};
    for (int k = 1; k <= kPumpkinCount; ++k) {
        pumpkins[static_cast<std::size_t>(k - 1)] =
            pick.addButton(QStringLiteral("Pumpkin %1").arg(k), QMessageBox::AcceptRole);
    }
    QPushButton* anyPumpkin = pick.addButton(QStringLiteral("Pick for me"), QMessageBox::RejectRole);
    // Enter, Escape and closing the box pick at random, as any key does in
    // the real window.
    pick.setDefaultButton(anyPumpkin);
    pick.setEscapeButton(anyPumpkin);
    pick.exec();

    int pumpkin = 0;
    for (std::size_t i = 0; i < pumpkins.size(); ++i) {
        if (pick.clickedButton() == pumpkins[i]) {
            pumpkin = static_cast<int>(i) + 1;
        }
    }
    if (pumpkin == 0) {
        pumpkin = engine.Random(kPumpkinCount) + 1;
    }

    TrickOrTreatRound round(engine.Session());
    const std::optional<PumpkinReveal> reveal = round.RevealPumpkin(pumpkin);
    const bool treat = reveal && reveal->prize != PumpkinPrize::Empty;
    engine.PlayWinSound(treat ? kTreatSound : kTrickSound, SoundWait::NoWait);
    const QString text = treat ? QString::fromStdString(reveal->text) : QString::fromLatin1(kTrickedText);
    QMessageBox::information(&parent, title, QStringLiteral("Pumpkin %1: %2").arg(pumpkin).arg(text));
    round.Close();
}

} // namespace morrow
