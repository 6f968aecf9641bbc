// SPDX-License-Identifier: GPL-3.0-or-later
// Borrowing credits and paying them back.
#pragma once

#include <QDialog>
#include <QImage>
#include <QLocale>

#include <array>
#include <cstdint>

class QLabel;
class QPushButton;
class QRadioButton;

namespace morrow {

struct DigitStrips;
class GameEngine;
struct GameSession;

// "Use this form to borrow or pay back credits": four chips borrow or pay
// back 1000, 100, 10 or 1 credits, each click at once on the game in play,
// through the engine; the counters show the credits and what is borrowed.
class TBorrowC final : public QDialog {
    Q_OBJECT

public:
    // The amounts of the chips by their Tag.
    static constexpr std::array<std::int32_t, 4> kChipAmounts{1000, 100, 10, 1};

    // `engine` lends and takes back; `session` is read for the counters.
    // `strips` are the main window's digit strips; amounts in the refusals
    // use the separators of `locale`.
    TBorrowC(GameEngine& engine, const GameSession& session, const DigitStrips& strips, const QLocale& locale,
             QWidget* parent = nullptr);

    // The surface the captions and counters are drawn on; a paint shows it.
    const QImage& Canvas() const { return canvas_; }

    QPushButton* BitBtn1 = nullptr;       // 1000, Tag 0
    QPushButton* BitBtn2 = nullptr;       // 100, Tag 1
    QPushButton* BitBtn3 = nullptr;       // 10, Tag 2
    QPushButton* BitBtn4 = nullptr;       // 1, Tag 3
    QLabel* Label1 = nullptr;             // "Mode:"
    QRadioButton* RadioButton1 = nullptr; // "Borrow Credits"
    QRadioButton* RadioButton2 = nullptr; // "Pay Back Credits"
    QPushButton* OKBtn = nullptr;
    QPushButton* BitBtn7 = nullptr; // Help

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BitBtn1Click(const QPushButton& sender);
    void BitBtn7Click();
    // Draws the captions and both counters onto the canvas and shows them.
    void FormPaint();

    GameEngine& engine_;
    const GameSession& session_;
    const DigitStrips& strips_;
    QLocale locale_;
    QImage canvas_;
};

} // namespace morrow
