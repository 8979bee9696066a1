#pragma once

#include "model/Types.h"

#include <QLocale>
#include <QString>

#include <limits>

namespace Glossa {

// Counts as a translator reads them: "20,000".
inline QString grouped(int n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// The attribute's place in the master's order, as the engine's checks take it: ids
// are handed out in that order, and one beyond int's range stays beyond the first.
inline int attributeIndexOf(AttributeId id)
{
    return id <= AttributeId(std::numeric_limits<int>::max()) ? int(id) : std::numeric_limits<int>::max();
}

} // namespace Glossa
