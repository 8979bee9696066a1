#pragma once

#include <QString>

class QWidget;

namespace Glossa {

// Asks for an earlier release to compare with: its product folder or just its
// master file. Empty when the user gave none.
QString chooseEarlierRelease(QWidget *parent);

} // namespace Glossa
