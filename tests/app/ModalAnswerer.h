// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

namespace morrow::test {

// Answers every modal message box that opens while it lives, so a test never
// hangs on one: it notes the box's title and text and, unless told otherwise,
// presses Escape (the OK of an information box). It looks every 10 ms from
// a timer, which also runs inside the box's own message loop.
class ModalAnswerer : public QObject {
public:
    struct Box {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QWidget* parent = nullptr;
    };

    // `answer` handles the boxes in the order they open; boxes beyond its end get Escape.
    explicit ModalAnswerer(std::vector<std::function<void(QMessageBox&)>> answers = {})
        : answers_(std::move(answers)) {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, this, [this] { AnswerOpenBox(); });
        poll_.start();
    }

    const std::vector<Box>& Boxes() const { return boxes_; }

    // Clicks the button of the box whose text is `text`.
    static std::function<void(QMessageBox&)> Click(const QString& text) {
        return [text](QMessageBox& box) {
            for (QAbstractButton* button : box.buttons()) {
                if (button->text() == text) {
                    button->click();
                    return;
                }
            }
            QTest::keyClick(&box, Qt::Key_Escape);
        };
    }

private:
    void AnswerOpenBox() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) {
            return;
        }
        boxes_.push_back({box->windowTitle(), box->text(), box->icon(), box->parentWidget()});
        const std::size_t index = boxes_.size() - 1;
        if (index < answers_.size()) {
            answers_[index](*box);
        } else {
            QTest::keyClick(box, Qt::Key_Escape);
        }
    }

    QTimer poll_;
    std::vector<std::function<void(QMessageBox&)>> answers_;
    std::vector<Box> boxes_;
};

} // namespace morrow::test
