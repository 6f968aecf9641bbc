// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>

#include <array>
#include <cstddef>

namespace morrow {

// A widget's face for screen readers made of a fixed row of parts (the
// bonus window's pumpkins, the play field's buttons and counters): the parts
// are registered with Qt's accessibility as they are adopted and let go with
// the widget's face, and a screen reader walks and hit-tests them in order.
template <typename Part, std::size_t N> class AccessibleParts : public QAccessibleWidget {
public:
    ~AccessibleParts() override {
        for (const QAccessible::Id id : ids_) {
            if (id != 0) {
                QAccessible::deleteAccessibleInterface(id);
            }
        }
    }
    AccessibleParts(const AccessibleParts&) = delete;
    AccessibleParts& operator=(const AccessibleParts&) = delete;

    int childCount() const override { return static_cast<int>(N); }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < childCount() ? parts_[static_cast<std::size_t>(index)] : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < N; ++i) {
            if (parts_[i] == child) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (Part* part : parts_) {
            if (part != nullptr && Hittable(*part) && part->rect().contains(x, y)) {
                return part;
            }
        }
        return nullptr;
    }

protected:
    AccessibleParts(QWidget* widget, QAccessible::Role role, const QString& name = QString())
        : QAccessibleWidget(widget, role, name) {}

    // Takes `part` as part `index`; Qt owns it from now on.
    void Adopt(std::size_t index, Part* part) {
        parts_[index] = part;
        ids_[index] = QAccessible::registerAccessibleInterface(part);
    }
    // Whether a point on the screen can name this part.
    virtual bool Hittable(const Part& /*part*/) const { return true; }

private:
    std::array<Part*, N> parts_{};
    std::array<QAccessible::Id, N> ids_{};
};

} // namespace morrow
