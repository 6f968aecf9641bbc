// SPDX-License-Identifier: GPL-3.0-or-later
// The Trick or Treat window for screen readers: the six pumpkins as buttons
// that pick, and the prize the picked one gave, read out.
#pragma once

#include <QString>

class QAccessibleInterface;
class QObject;

namespace morrow {

class TTrickForm;

// The accessible face of a bonus window, for Qt's accessibility factories;
// null for any other object.
QAccessibleInterface* TrickFormAccessibleFactory(const QString& className, QObject* object);

// The window has opened a pumpkin: a screen reader hears what it held.
void TellPumpkinOpened(TTrickForm& form);

} // namespace morrow
