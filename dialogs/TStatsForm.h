// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics window: the counters of the game in play and what the
// game has paid out.
#pragma once

#include <QDialog>
#include <QLocale>

#include <cstdint>

class QLabel;
class QPushButton;

namespace morrow {

struct SavedGame;

// The figures worked out from the counters. They are held in 64 bits: the
// counters are 32-bit, and a saved game may carry values whose sums and
// differences do not fit in 32 bits.
struct GameStatistics {
    // Everything paid into the credits by wins and the bonus game:
    // Credits - Borrowed + TotalBets (borrowing moves both alike).
    std::int64_t Payoffs = 0;
    std::int64_t NormalPayoffs = 0; // Payoffs less the Trick or Treat winnings
    std::int64_t NudgesEarned = 0;  // Nudges + NudgesUsed
    double PayoffPercentage = 0.0;  // Payoffs / TotalBets * 100; 0 without bets
};

GameStatistics ComputeStatistics(const SavedGame& game);

// "Your Game Statistics": read-only, filled once when it is made.
class TStatsForm final : public QDialog {
    Q_OBJECT

public:
    // Numbers are written with the separators of `locale`.
    TStatsForm(const SavedGame& game, const QLocale& locale, QWidget* parent = nullptr);

    // Caption labels.
    QLabel* Label1 = nullptr;  // "Spins:"
    QLabel* Label2 = nullptr;  // "Credits:"
    QLabel* Label3 = nullptr;  // "Borrowed:"
    QLabel* Label26 = nullptr; // "Total Bets:"
    QLabel* Label4 = nullptr;  // "Payoffs:"
    QLabel* Label21 = nullptr; // "Normal:"
    QLabel* Label6 = nullptr;  // "Trick or Treat:"
    QLabel* Label5 = nullptr;  // "Nudges:"
    QLabel* Label10 = nullptr; // "Nudges Earned:"
    QLabel* Label8 = nullptr;  // "Nudges Used:"
    QLabel* Label23 = nullptr; // "Overall Payoff Percentage:"
    QLabel* Label24 = nullptr; // the note under the table
    // Value labels.
    QLabel* Label11 = nullptr;      // Spins
    QLabel* Label12 = nullptr;      // Credits
    QLabel* Label13 = nullptr;      // Borrowed
    QLabel* Label27 = nullptr;      // TotalBets
    QLabel* Label14 = nullptr;      // Payoffs
    QLabel* Label22 = nullptr;      // normal payoffs
    QLabel* Label16 = nullptr;      // TricksWon
    QLabel* Label7 = nullptr;       // Nudges
    QLabel* Label15 = nullptr;      // nudges earned
    QLabel* Label9 = nullptr;       // NudgesUsed
    QLabel* Label25 = nullptr;      // the percentage
    QPushButton* BitBtn1 = nullptr; // OK

private:
    void FormCreate(const SavedGame& game);

    QLocale locale_;
};

} // namespace morrow
