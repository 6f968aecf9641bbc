// SPDX-License-Identifier: GPL-3.0-or-later
#include "TPaychart.h"

#include "ArtResources.h"
#include "CanvasScale.h"
#include "DialogLook.h"
#include "Dialogs.h"
#include "GameSession.h"
#include "HelpSystem.h"
#include "PictureFile.h"

#include <QLabel>
#include <QPixmap>

namespace morrow {

namespace {

constexpr int kDesignWidth = 632;
constexpr int kDesignHeight = 413;

} // namespace

TPaychart::TPaychart(const GameSession& session, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Payoff Chart"));
    SetHelpContext(*this, kPayoffChartContext);
    setFont(DialogFont(13));
    SetDialogFrame(*this, kDesignWidth, kDesignHeight);
    Image1 = new QLabel(this);
    Image1->move(0, 0);
    FormCreate(session);
    CentreOnScreen(*this);
}

void TPaychart::FormCreate(const GameSession& session) {
    pictureFile_ = QString::fromStdString(session.ProgramDir) + QString::fromLatin1(art::kPayChartFile);
    setUpdatesEnabled(false);
    QImage picture = ReadPictureFile(pictureFile_, "BMP");
    if (picture.isNull()) {
        setUpdatesEnabled(true);
        ShowError(parentWidget(), session, QStringLiteral("Cannot open file %1").arg(pictureFile_));
        return;
    }
    // The chart is shown at the game's zoom, at the device's own pixels,
    // from the larger art on screens of more than one pixel per unit.
    const double zoom = GameZoomOf(parentWidget());
    const qreal ratio = devicePixelRatioF() * zoom;
    if (ratio > 1) {
        picture = PictureAtRatio(picture, pictureFile_, ratio);
        picture.setDevicePixelRatio(ratio / zoom);
    }
    const QSize units = picture.deviceIndependentSize().toSize();
    Image1->setPixmap(QPixmap::fromImage(picture));
    Image1->resize(units);
    setFixedSize(units);
    hasPicture_ = true;
    setUpdatesEnabled(true);
}

void RunPaychart(QWidget* parent, const GameSession& session) {
    TPaychart chart(session, parent);
    chart.exec();
}

} // namespace morrow
