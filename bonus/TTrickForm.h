// SPDX-License-Identifier: GPL-3.0-or-later
// The Trick or Treat window: the player picks one of six pumpkins on a
// picture that covers the screen and sees the treat or the trick behind it.
// The rules of the pick live in TrickOrTreatRound; this is their Qt face.
#pragma once

#include "GameKeys.h"
#include "GameSession.h"
#include "TrickOrTreatRound.h"

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;
class QShowEvent;

namespace morrow {

inline constexpr int kTrickPictureWidth = 640;
inline constexpr int kTrickPictureHeight = 430;
// The prize is written centred on this point of the treat picture.
inline constexpr int kPrizeTextCentreX = 460;
inline constexpr int kPrizeTextCentreY = 180;
// The prize text: pure red, bold, 24 points at the pictures' 96 pixels per inch.
inline constexpr char kPrizeFontFamily[] = "Liberation Sans";
inline constexpr int kPrizeFontPixels = 32;
// Win sounds played, without waiting, when a pumpkin opens.
inline constexpr int kTreatSound = 5;
inline constexpr int kTrickSound = 6;
inline constexpr int kTimer1Milliseconds = 3000; // from the pick to the window closing
inline constexpr int kTimer2Milliseconds = 200;  // from opening to "Trick or treat!"
inline constexpr char kTrickFormCaption[] = "Trick or Treat";

// What the bonus window works with, handed in by the main window. The sound
// operations decide for themselves whether sound is on; one left empty is
// silent. `random` is required.
struct TrickFormCollaborators {
    std::function<int(int n)> random;            // 0..n-1, for the keyboard's pick
    std::function<void(int sound)> playWinSound; // starts win sound n, not waiting
    std::function<void()> playTrickOrTreat;      // starts the spoken "Trick or treat!"
};

enum class TrickFormState {
    Picking,    // the pick picture, waiting for a pumpkin
    TreatShown, // the treat picture with the prize on it
    TrickShown, // the trick picture: the pumpkin was empty
    Closed,     // the round is over and its prize handed out
};

// The bonus window. It covers the screen, black, with the three pictures
// centred; one pick with the mouse or the keyboard, then it closes by itself
// three seconds later or at once on a click beside the picture. A credit
// prize is left in WinAmount for the caller to count into the credits and
// joins TricksWon when the window closes; a nudge prize goes into Nudges at
// the pick.
class TTrickForm final : public QDialog {
    Q_OBJECT
    // Tests reach the timers through this, defined beside the window's tests.
    friend struct TTrickFormTestAccess;

public:
    TTrickForm(GameSession& session, TrickFormCollaborators collaborators, QWidget* parent = nullptr);
    ~TTrickForm() override;

    TTrickForm(const TTrickForm&) = delete;
    TTrickForm& operator=(const TTrickForm&) = delete;

    TrickFormState State() const { return state_; }
    // The top-left corner of the pictures in the client area; negative when
    // the window is smaller than a picture, which is then cut on both sides.
    QPoint PictureOffset() const { return pictureOffset_; }
    // What the window shows: Image1 (pick), Image2 (trick) or Image3 (treat,
    // with the prize written on it).
    const QImage& ShownPicture() const;
    std::int32_t PickedPrize() const { return round_.PickedPrize(); }
    // What the treat picture says of the prize ("200 Credits!"); empty before a treat.
    const QString& PrizeText() const { return prizeText_; }
    // The pumpkin (1..6) the keys have chosen, outlined on the pick picture;
    // 0 until an arrow key chooses one, and Enter or Space then picks at random.
    int ChosenPumpkin() const { return chosenPumpkin_; }

    // Ends the round (FormClose) on every way the window can close. A window
    // closed before any pick picks a pumpkin at random for the player, so a
    // bonus won is never thrown away.
    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Components of the window.
    QTimer Timer1; // the pick to the close, once
    QTimer Timer2; // "Trick or treat!" shortly after opening, once

    void FormCreate();
    void PlacePictures();
    QSize PictureSize() const;
    void FormMouseDown();
    void Image1MouseDown(QPoint picturePoint);
    void FormKeyDown(PumpkinKey key);
    void RevealPumpkin(int pumpkin);
    void WritePrize(const QString& text);
    void ShowMissMessage();
    void Timer1Timer();
    void Timer2Timer();
    void FormClose();

    GameSession& session_;
    TrickFormCollaborators collaborators_;
    TrickOrTreatRound round_;
    TrickFormState state_ = TrickFormState::Picking;
    double zoom_ = 1; // the game's zoom: window pixels per unit of the pictures
    QImage image1_;   // the pick picture: a house and the six pumpkin tiles
    QImage image2_;   // the trick picture
    QImage image3_;   // the treat picture; the prize is written on this copy
    QPoint pictureOffset_;
    QString prizeText_;
    int chosenPumpkin_ = 0;
};

// Runs the bonus window modally over `parent` (may be null) and returns when
// it has closed. The main window's timers keep running meanwhile. On return
// the round is over: WinAmount holds a credit prize for the caller to count,
// Nudges and TricksWon are up to date.
void RunTrickOrTreat(QWidget* parent, GameSession& session, TrickFormCollaborators collaborators);

} // namespace morrow
