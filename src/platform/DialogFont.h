#pragma once

#include <QFont>
#include <QStringList>

namespace Glossa {

// The windows' font: Microsoft YaHei where it is installed, otherwise a
// CJK-capable face that Debian ships, so Chinese values never show as boxes.
QFont dialogFont(int pointSize);

} // namespace Glossa
