#pragma once

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

// The stale keys of every language of the product beside the master, by
// display name, for `glossa check --since EARLIER`. False, with *error, when
// the releases cannot be compared or a language file cannot be read.
bool loadStaleKeys(const QString &earlier, const QString &productDir, QHash<QString, QSet<QString>> *out,
                   QString *error);

} // namespace Glossa
