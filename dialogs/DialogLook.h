// SPDX-License-Identifier: GPL-3.0-or-later
// What the game's small windows share: their font, their frame, their
// button pictures and their message boxes.
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>

class QDialog;
class QWidget;

namespace morrow {

struct GameSession;

// The sans-serif face of the dialogs at a character height in pixels.
QFont DialogFont(int pixelHeight);

// A fixed-size window with a title bar and only the close box, its client
// area `width` x `height`.
void SetDialogFrame(QDialog& dialog, int width, int height);

// Puts the window in the middle of the screen it is on.
void CentreOnScreen(QWidget& window);

enum class ButtonGlyph { Ok, Help, Cancel, Globe };
// Our pictures for the buttons of the dialogs, 18 x 18.
QIcon GlyphIcon(ButtonGlyph glyph);

// An information box with one OK button, titled with the game's title.
void ShowInformation(QWidget* parent, const GameSession& session, const QString& text);
// The error box, titled with the game's title.
void ShowError(QWidget* parent, const GameSession& session, const QString& text);

} // namespace morrow
