// SPDX-License-Identifier: GPL-3.0-or-later
// Game controllers, through SDL's GameController API: every controller SDL
// knows, plugged in or out while the game runs. A button press becomes the
// key of the same job (GamepadKeys.h), sent to the window that has the focus.
#pragma once

#include "GamepadKeys.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <optional>

class QWidget;

namespace morrow {

class GamepadInput final : public QObject {
    Q_OBJECT

public:
    // Starts SDL's game controllers unless something else already has. Make
    // it on the GUI thread before any other thread starts SDL: SDL's own
    // start-up is not safe against another thread's.
    explicit GamepadInput(QObject* parent = nullptr);
    ~GamepadInput() override;

    GamepadInput(const GamepadInput&) = delete;
    GamepadInput& operator=(const GamepadInput&) = delete;

    // False when SDL's controllers could not be started; the game plays on
    // without them.
    bool Available() const { return available_; }
    int ControllerCount() const { return static_cast<int>(controllers_.size()); }

    // Reads what the controllers did since the last look. The timer calls it.
    void Poll();

private:
    void FollowApplicationState();
    void Press(PadButton button) const;

    bool available_ = false;
    bool ownsSubsystem_ = false;
    // Presses made while the game had no focus went to another program.
    bool dropPresses_ = true;
    std::map<int, void*> controllers_; // SDL's instance id: its SDL_GameController
    // Looks at the controllers often while one is attached and the game has
    // the focus, seldom without one (to notice one plugged in), never while
    // the game has no focus.
    QTimer pollTimer_;
};

// What a button stands for in `window`, the active window or none.
std::optional<PadWindow> PadWindowOf(const QWidget* window);

} // namespace morrow
