// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrickFormAccessible.h"

#include "AccessibleParts.h"

#include "TTrickForm.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include <array>

namespace morrow {

namespace {

// The middle of pumpkin tile k (1..6) on the pick picture.
QPoint PumpkinCentre(int pumpkin) {
    return {22 + 100 * (pumpkin - 1) + 47, 377};
}

// What the opened pumpkin held, as the treat picture says it.
QString PrizeSaid(const TTrickForm& form) {
    switch (form.State()) {
    case TrickFormState::TreatShown:
        return form.PrizeText();
    case TrickFormState::TrickShown:
        return QStringLiteral("A trick! The pumpkin was empty.");
    default:
        return {};
    }
}

// Pumpkin 1..6 as a button, or (0) the line that says the prize.
class PumpkinAccessible final : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    PumpkinAccessible(QAccessibleInterface& window, TTrickForm& form, int pumpkin)
        : window_(window), form_(&form), pumpkin_(pumpkin) {}

    bool isValid() const override { return !form_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return window_.window(); }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return &window_; }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || form_.isNull()) {
            return {};
        }
        return pumpkin_ > 0 ? QStringLiteral("Pumpkin %1").arg(pumpkin_) : PrizeSaid(*form_);
    }
    QRect rect() const override {
        if (form_.isNull()) {
            return {};
        }
        const QRect area = pumpkin_ > 0 ? QRect(PumpkinCentre(pumpkin_) - QPoint(47, 47), QSize(94, 95))
                                        : QRect(QPoint(0, 0), QSize(kTrickPictureWidth, kTrickPictureHeight));
        return area.translated(form_->mapToGlobal(form_->PictureOffset()));
    }
    QAccessible::Role role() const override {
        return pumpkin_ > 0 ? QAccessible::Button : QAccessible::StaticText;
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.disabled = pumpkin_ > 0 && (form_.isNull() || form_->State() != TrickFormState::Picking ||
                                          QApplication::activeModalWidget() != form_);
        state.invisible = pumpkin_ == 0 && text(QAccessible::Name).isEmpty();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface && pumpkin_ > 0
                   ? static_cast<QAccessibleActionInterface*>(this)
                   : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    // The pumpkin is clicked, once the request has been answered: the window
    // takes it by its own rules.
    void doAction(const QString& name) override {
        if (name != pressAction() || form_.isNull()) {
            return;
        }
        const QPointer<TTrickForm> form = form_;
        const QPoint at = form_->PictureOffset() + PumpkinCentre(pumpkin_);
        QTimer::singleShot(0, form, [form, at] {
            // The miss box keeps clicks out of the window, and so this one.
            if (QApplication::activeModalWidget() != form) {
                return;
            }
            QMouseEvent press(QEvent::MouseButtonPress, at, form->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(form, &press);
        });
    }
    QStringList keyBindingsForAction(const QString& /*name*/) const override { return {}; }

private:
    QAccessibleInterface& window_;
    QPointer<TTrickForm> form_;
    int pumpkin_;
};

// The window: its six pumpkins, then the prize. Its description is the
// prize, so a screen reader on the window, which has the focus, says it.
class TrickFormAccessible final : public AccessibleParts<PumpkinAccessible, kPumpkinCount + 1> {
public:
    // Pumpkins 1..6, then the prize.
    explicit TrickFormAccessible(TTrickForm& form)
        : AccessibleParts(&form, QAccessible::Dialog), form_(form) {
        for (std::size_t i = 0; i <= kPumpkinCount; ++i) {
            Adopt(i, new PumpkinAccessible(*this, form, static_cast<int>((i + 1) % (kPumpkinCount + 1))));
        }
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Description ? PrizeSaid(form_) : QAccessibleWidget::text(t);
    }

private:
    TTrickForm& form_;
};

} // namespace

QAccessibleInterface* TrickFormAccessibleFactory(const QString& /*className*/, QObject* object) {
    auto* form = qobject_cast<TTrickForm*>(object);
    return form != nullptr ? new TrickFormAccessible(*form) : nullptr;
}

void TellPumpkinOpened(TTrickForm& form) {
    if (!QAccessible::isActive()) {
        return;
    }
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
    if (window == nullptr) {
        return;
    }
    for (int i = 0; i < kPumpkinCount; ++i) {
        QAccessible::State states;
        states.disabled = true;
        QAccessibleStateChangeEvent picked(window->child(i), states);
        QAccessible::updateAccessibility(&picked);
    }
    QAccessibleEvent prize(window->child(kPumpkinCount), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&prize);
    QAccessibleEvent described(window, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
}

} // namespace morrow
