// SPDX-License-Identifier: GPL-3.0-or-later
#include "GamepadInput.h"

#include "TForm1.h"
#include "TTrickForm.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <SDL.h>

namespace morrow {

namespace {

// 40 looks a second: a press is seen within a spin frame.
constexpr int kAttachedPollMs = 25;
// Without a controller, once a second is enough to notice one plugged in.
constexpr int kDetachedPollMs = 1000;

std::optional<PadButton> PadButtonOf(Uint8 sdlButton) {
    switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_A:
        return PadButton::South;
    case SDL_CONTROLLER_BUTTON_B:
        return PadButton::East;
    case SDL_CONTROLLER_BUTTON_X:
        return PadButton::West;
    case SDL_CONTROLLER_BUTTON_Y:
        return PadButton::North;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return PadButton::DpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return PadButton::DpadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return PadButton::DpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return PadButton::DpadRight;
    default:
        return std::nullopt;
    }
}

// The button Enter would press in a dialog: its default button, or the
// button that has the focus while it stands in for the default.
QPushButton* DefaultButtonOf(QWidget* window) {
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->isDefault() && button->isVisible() && button->isEnabled()) {
            return button;
        }
    }
    auto* focused = qobject_cast<QPushButton*>(window->focusWidget());
    return focused != nullptr && focused->autoDefault() && focused->isEnabled() ? focused : nullptr;
}

} // namespace

std::optional<PadWindow> PadWindowOf(const QWidget* window) {
    if (window == nullptr) {
        return std::nullopt;
    }
    if (qobject_cast<const TForm1*>(window) != nullptr) {
        return PadWindow::Machine;
    }
    if (qobject_cast<const TTrickForm*>(window) != nullptr) {
        return PadWindow::Bonus;
    }
    return PadWindow::Dialog;
}

GamepadInput::GamepadInput(QObject* parent) : QObject(parent) {
    if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) {
        // Signals stay with the application. Buttons go by where they sit,
        // also on pads that print A where others have B.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
        ownsSubsystem_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
        if (!ownsSubsystem_) {
            SDL_ClearError();
            return;
        }
    }
    available_ = true;
    // Only the controller's events are wanted; SDL's other queues stay empty.
    SDL_GameControllerEventState(SDL_ENABLE);
    pollTimer_.setTimerType(Qt::CoarseTimer);
    connect(&pollTimer_, &QTimer::timeout, this, &GamepadInput::Poll);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &GamepadInput::FollowApplicationState);
    FollowApplicationState();
}

GamepadInput::~GamepadInput() {
    // The sound output may have shut SDL down whole already, controllers
    // included.
    if (!available_ || SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) {
        return;
    }
    for (const auto& [id, controller] : controllers_) {
        SDL_GameControllerClose(static_cast<SDL_GameController*>(controller));
    }
    if (ownsSubsystem_) {
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }
}

void GamepadInput::FollowApplicationState() {
    if (QGuiApplication::applicationState() != Qt::ApplicationActive) {
        pollTimer_.stop();
        dropPresses_ = true;
        return;
    }
    // Back in focus: what was pressed meanwhile is dropped by this look.
    Poll();
}

void GamepadInput::Poll() {
    if (!available_ || SDL_WasInit(SDL_INIT_GAMECONTROLLER) == 0) {
        pollTimer_.stop();
        return;
    }
    SDL_GameControllerUpdate();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_CONTROLLERAXISMOTION, SDL_CONTROLLERSENSORUPDATE) >
               0 ||
           SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_JOYAXISMOTION, SDL_JOYBATTERYUPDATED) > 0) {
        switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            if (SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which)) {
                const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
                if (!controllers_.emplace(id, controller).second) {
                    SDL_GameControllerClose(controller); // already open: SDL counts the opens
                }
            }
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (const auto found = controllers_.find(event.cdevice.which); found != controllers_.end()) {
                SDL_GameControllerClose(static_cast<SDL_GameController*>(found->second));
                controllers_.erase(found);
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
            if (!dropPresses_) {
                if (const std::optional<PadButton> button = PadButtonOf(event.cbutton.button)) {
                    Press(*button);
                }
            }
            break;
        default:
            break; // joystick-level events and releases mean nothing here
        }
    }
    dropPresses_ = QGuiApplication::applicationState() != Qt::ApplicationActive;
    if (dropPresses_) {
        pollTimer_.stop();
    } else {
        pollTimer_.start(controllers_.empty() ? kDetachedPollMs : kAttachedPollMs);
    }
}

// The press goes to the active window, as its key would; posted, so a spin
// it starts runs from the event loop and later presses meet it as keys do.
void GamepadInput::Press(PadButton button) const {
    if (QApplication::activePopupWidget() != nullptr) {
        return; // a menu is open
    }
    // A modal window that has just opened takes the input even before the
    // desktop has given it the focus; the window under it never does.
    QWidget* window = QApplication::activeWindow();
    if (QWidget* modal = QApplication::activeModalWidget(); window != nullptr && modal != nullptr) {
        window = modal;
    }
    const std::optional<PadWindow> kind = PadWindowOf(window);
    if (!kind) {
        return;
    }
    const std::optional<Qt::Key> key = KeyForPadButton(*kind, button);
    if (!key) {
        return;
    }
    if (*kind == PadWindow::Dialog) {
        if (QPushButton* defaultButton = DefaultButtonOf(window)) {
            QMetaObject::invokeMethod(defaultButton, &QAbstractButton::click, Qt::QueuedConnection);
        }
        return;
    }
    QWidget* receiver = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window;
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyPress, *key, Qt::NoModifier));
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyRelease, *key, Qt::NoModifier));
}

} // namespace morrow
