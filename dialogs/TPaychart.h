// SPDX-License-Identifier: GPL-3.0-or-later
// The payoff chart: the pay table as one picture from the program directory.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace morrow {

struct GameSession;

// "Payoff Chart": the picture "Paychart.bmp" at its own size. Without a
// readable picture it says which file it could not open and comes up empty
// at 632 x 413.
class TPaychart final : public QDialog {
    Q_OBJECT

public:
    explicit TPaychart(const GameSession& session, QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;

    // The full path of the picture the window shows, or tried to.
    const QString& PictureFile() const { return pictureFile_; }
    bool HasPicture() const { return hasPicture_; }

private:
    void FormCreate(const GameSession& session);

    QString pictureFile_;
    bool hasPicture_ = false;
};

} // namespace morrow
