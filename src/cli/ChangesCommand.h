#pragma once

#include "checks/ReleaseComparison.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

class QIODevice;

namespace Glossa {

// `glossa changes EARLIER [PRODUCT_DIR] [--format text|json] [--language NAME]...`:
// the keys added, removed and changed in English since the earlier release,
// and per language the translations that still follow the earlier English.
// arguments are the words after the subcommand. 0 on success, 2 on bad input
// or usage (the message on err).
int runChanges(const QStringList &arguments);
int runChanges(const QStringList &arguments, QIODevice *out, QIODevice *err);

} // namespace Glossa
