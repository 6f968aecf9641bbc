// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayFieldAccessible.h"

#include "AccessibleParts.h"

#include "CanvasScale.h"

#include "ApplicationTitle.h"
#include "FieldCanvas.h"
#include "GameKeys.h"
#include "GameSession.h"
#include "Reels.h"
#include "ReelsReadout.h"
#include "TrickFormAccessible.h"

#include <QAccessibleApplication>
#include <QAccessibleWidget>
#include <QApplication>
#include <QTimer>

#include <array>
#include <limits>
#include <utility>

namespace morrow {

namespace {

// The field's parts in reading order, top to bottom and left to right: the
// "Nudge" captions, the reels, the buttons, then the counters.
struct FieldPart {
    bool button;
    PlayerCommand command;
    FieldReading reading;
    const char* name;
};
constexpr std::array<FieldPart, 11> kParts{{
    {true, PlayerCommand::NudgeReel1, {}, "Nudge reel 1"},
    {true, PlayerCommand::NudgeReel2, {}, "Nudge reel 2"},
    {true, PlayerCommand::NudgeReel3, {}, "Nudge reel 3"},
    {false, {}, FieldReading::Reels, "Reels"},
    {true, PlayerCommand::BetOne, {}, "Bet One"},
    {true, PlayerCommand::BetMax, {}, "Bet Max"},
    {true, PlayerCommand::Spin, {}, "Spin"},
    {false, {}, FieldReading::Credits, "Credits"},
    {false, {}, FieldReading::Coins, "Coins"},
    {false, {}, FieldReading::Winnings, "Winnings"},
    {false, {}, FieldReading::Nudges, "Nudges"},
}};

int PartOf(FieldReading reading) {
    for (std::size_t i = 0; i < kParts.size(); ++i) {
        if (!kParts[i].button && kParts[i].reading == reading) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The application as the desktop lists it: by the game's name. Qt would
// give the application name, which is the desktop entry's id, as the X11
// window class needs it.
class GameApplicationAccessible final : public QAccessibleApplication {
public:
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? QString::fromLatin1(kGameName) : QAccessibleApplication::text(t);
    }
};

class PlayFieldAccessible;

// One button, counter or the reels' line of the field. It has no object of
// its own: the field's interface makes it and lets it go.
class FieldPartAccessible final : public QAccessibleInterface,
                                  public QAccessibleActionInterface,
                                  public QAccessibleValueInterface {
public:
    FieldPartAccessible(QAccessibleInterface& field, PlayFieldAccess& access, int index)
        : field_(field), access_(access), part_(kParts[static_cast<std::size_t>(index)]) {}

    bool isValid() const override { return field_.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return field_.window(); }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return &field_; }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}

    QString text(QAccessible::Text t) const override {
        if (part_.button) {
            return t == QAccessible::Name ? QString::fromLatin1(part_.name) : QString();
        }
        if (part_.reading == FieldReading::Reels) {
            // A line of text read as it changes, like a label's.
            return t == QAccessible::Name          ? access_.Reading(FieldReading::Reels)
                   : t == QAccessible::Description ? QString::fromLatin1(part_.name)
                                                   : QString();
        }
        switch (t) {
        case QAccessible::Name:
            return QString::fromLatin1(part_.name);
        case QAccessible::Value:
            return access_.Reading(part_.reading);
        default:
            return {};
        }
    }

    // Where the part stands on the screen: a button or caption over its click
    // area, the reels between the two rows; the counters over the field.
    QRect rect() const override {
        const QRect field = field_.rect();
        if (!part_.button) {
            return part_.reading == FieldReading::Reels
                       ? OnScreen(QRect(QPoint(kColumns[0].left, kNudgeRow.bottom + 1),
                                        QPoint(kColumns[2].right, kButtonRow.top - 1)))
                       : field;
        }
        const int command = static_cast<int>(part_.command);
        const bool nudge = command >= static_cast<int>(PlayerCommand::NudgeReel1);
        const ClickColumn column =
            kColumns[static_cast<std::size_t>(nudge ? NudgedReel(part_.command) : command)];
        const ClickBand row = nudge ? kNudgeRow : kButtonRow;
        return OnScreen(QRect(QPoint(column.left, row.top), QPoint(column.right, row.bottom)));
    }

    // A rectangle of the field, in the game's units, on the screen: moved to
    // the field's place and grown by the window's zoom.
    QRect OnScreen(const QRect& inField) const {
        const double zoom = GameZoomOf(field_.object());
        const QRectF units(inField.translated(access_.FieldOrigin()));
        return QRectF(units.topLeft() * zoom, units.size() * zoom)
            .toAlignedRect()
            .translated(field_.rect().topLeft());
    }

    QAccessible::Role role() const override {
        return part_.button ? QAccessible::Button : QAccessible::StaticText;
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        state.disabled = part_.button && !access_.Available(part_.command);
        state.invisible =
            !part_.button && part_.reading == FieldReading::Winnings && !access_.WinningsShown();
        state.readOnly = !part_.button;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface && part_.button) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        if (type == QAccessible::ValueInterface && !part_.button && part_.reading != FieldReading::Reels) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction()) {
            access_.Press(part_.command);
        }
    }
    QStringList keyBindingsForAction(const QString& /*name*/) const override { return {}; }

    QVariant currentValue() const override { return access_.Value(part_.reading); }
    void setCurrentValue(const QVariant& /*value*/) override {} // the counters are only read
    QVariant maximumValue() const override { return std::numeric_limits<std::int32_t>::max(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QAccessibleInterface& field_;
    PlayFieldAccess& access_;
    FieldPart part_;
};

// The canvas: a group named after the machine, holding its parts. Its
// description is the reels' last line, so a screen reader that follows the
// keyboard focus, which stays on the canvas while playing, speaks each result.
class PlayFieldAccessible final : public AccessibleParts<FieldPartAccessible, kParts.size()> {
public:
    PlayFieldAccessible(FieldCanvas& canvas, PlayFieldAccess& access)
        : AccessibleParts(&canvas, QAccessible::Grouping, QStringLiteral("Slot machine")) {
        for (std::size_t i = 0; i < kParts.size(); ++i) {
            Adopt(i, new FieldPartAccessible(*this, access, static_cast<int>(i)));
        }
        access_ = &access;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description) {
            return access_->Reading(FieldReading::Reels);
        }
        return QAccessibleWidget::text(t);
    }

private:
    // Only the buttons answer a point: the counters lie over the whole field.
    bool Hittable(const FieldPartAccessible& part) const override {
        return part.role() == QAccessible::Button;
    }

    PlayFieldAccess* access_ = nullptr;
};

QAccessibleInterface* GameAccessibleFactory(const QString& className, QObject* object) {
    if (object != nullptr && object == QCoreApplication::instance()) {
        return className == QLatin1String(object->metaObject()->className()) ? new GameApplicationAccessible
                                                                             : nullptr;
    }
    if (auto* canvas = qobject_cast<FieldCanvas*>(object)) {
        auto* access = canvas->findChild<PlayFieldAccess*>(QString(), Qt::FindDirectChildrenOnly);
        return access != nullptr ? new PlayFieldAccessible(*canvas, *access) : nullptr;
    }
    return TrickFormAccessibleFactory(className, object);
}

} // namespace

PlayFieldAccess::PlayFieldAccess(FieldCanvas& canvas, const GameSession& session, const GameEngine& engine,
                                 std::function<void(PlayerCommand)> press)
    : QObject(&canvas), canvas_(canvas), session_(session), engine_(engine), press_(std::move(press)) {
    InstallGameAccessibility();
}

PlayFieldAccess* PlayFieldAccess::Of(const FieldCanvas* canvas) {
    if (canvas == nullptr) {
        return nullptr;
    }
    return canvas->findChild<PlayFieldAccess*>(QString(), Qt::FindDirectChildrenOnly);
}

bool PlayFieldAccess::Spinning() const {
    return session_.Spinning;
}

QPoint PlayFieldAccess::FieldOrigin() const {
    return {session_.FieldLeft, session_.FieldTop};
}

void PlayFieldAccess::Press(PlayerCommand command) {
    QTimer::singleShot(0, this, [this, command] {
        // A box or dialog open over the window keeps its clicks out, and so
        // its presses: a spin must never start inside a message box.
        if (QApplication::activeModalWidget() == nullptr) {
            press_(command);
        }
        Refresh();
    });
}

bool PlayFieldAccess::Available(PlayerCommand command) const {
    if (engine_.Busy() || QApplication::activeModalWidget() != nullptr) {
        return false;
    }
    switch (command) {
    case PlayerCommand::NudgeReel1:
    case PlayerCommand::NudgeReel2:
    case PlayerCommand::NudgeReel3:
        return session_.NudgeChance && session_.Nudges > 0;
    case PlayerCommand::BetMax:
        return session_.Credits >= 1; // with no credits it does nothing, not even a message
    default:
        return true;
    }
}

std::int32_t PlayFieldAccess::Value(FieldReading counter) const {
    switch (counter) {
    case FieldReading::Credits:
        return session_.Credits;
    case FieldReading::Coins:
        return session_.Bet;
    case FieldReading::Winnings:
        return winnings_;
    case FieldReading::Nudges:
        return session_.Nudges;
    case FieldReading::Reels:
        break;
    }
    return 0;
}

QString PlayFieldAccess::Reading(FieldReading reading) const {
    if (reading != FieldReading::Reels) {
        return QString::number(Value(reading));
    }
    if (!line_.isEmpty()) {
        return line_;
    }
    // Before the first spin: what the reels show, with no result.
    return QString::fromStdString(ReelsReadout(PaylineSymbol(session_, 0), PaylineSymbol(session_, 1),
                                               PaylineSymbol(session_, 2), 0, false));
}

void PlayFieldAccess::CounterDrawn(FieldReading counter, std::int32_t value) {
    if (counter == FieldReading::Winnings) {
        winnings_ = value;
        if (!winningsShown_) {
            winningsShown_ = true;
            Tell(FieldReading::Winnings, QAccessible::ObjectShow);
        }
    } else if (counter == FieldReading::Coins && winningsShown_) {
        ReelsMoving();
    }
    Tell(counter, QAccessible::ValueChanged);
}

void PlayFieldAccess::ReelsMoving() {
    if (winningsShown_) {
        winningsShown_ = false;
        Tell(FieldReading::Winnings, QAccessible::ObjectHide);
    }
    Refresh();
}

void PlayFieldAccess::ReelsAtRest() {
    // A spin pays at its own coins, a nudge at those of the spin before it.
    const std::int32_t coins = session_.Spinning ? session_.Bet : session_.LastBet;
    line_ = QString::fromStdString(ReelsReadout(PaylineSymbol(session_, 0), PaylineSymbol(session_, 1),
                                                PaylineSymbol(session_, 2), coins));
    Tell(FieldReading::Reels, QAccessible::NameChanged);
    Refresh();
}

void PlayFieldAccess::Refresh() {
    unsigned available = 0;
    for (std::size_t i = 0; i < kParts.size(); ++i) {
        if (kParts[i].button && Available(kParts[i].command)) {
            available |= 1u << i;
        }
    }
    const unsigned changed = available ^ available_;
    available_ = available;
    QAccessibleInterface* field =
        QAccessible::isActive() ? QAccessible::queryAccessibleInterface(&canvas_) : nullptr;
    if (field == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < kParts.size(); ++i) {
        if ((changed & (1u << i)) != 0) {
            QAccessible::State states;
            states.disabled = true;
            QAccessibleStateChangeEvent event(field->child(static_cast<int>(i)), states);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void PlayFieldAccess::Tell(FieldReading reading, int event) {
    QAccessibleInterface* field =
        QAccessible::isActive() ? QAccessible::queryAccessibleInterface(&canvas_) : nullptr;
    if (field == nullptr) {
        return;
    }
    QAccessibleInterface* part = field->child(PartOf(reading));
    const auto type = static_cast<QAccessible::Event>(event);
    if (type == QAccessible::ValueChanged) {
        QAccessibleValueChangeEvent change(part, Value(reading));
        QAccessible::updateAccessibility(&change);
        return;
    }
    QAccessibleEvent change(part, type);
    QAccessible::updateAccessibility(&change);
    if (reading == FieldReading::Reels) {
        // The canvas, which has the focus, says the same line.
        QAccessibleEvent described(field, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&described);
    }
}

void InstallGameAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(GameAccessibleFactory);
        return true;
    }();
    (void)installed;
}

} // namespace morrow
