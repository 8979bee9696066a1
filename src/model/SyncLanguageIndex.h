#pragma once

#include "model/Types.h"

#include <QString>
#include <QStringList>

namespace Glossa {

class LanguageStore;
class Notifier;

// Brings LanguageIndex.ini into line with the language files and the web
// language directories present: every language found in any of the three
// places and known to the locale catalogue is indexed, every indexed language
// without a file gets one, and present is refilled with the catalogue rows of
// the indexed languages. It only adds; nothing is ever deleted.
//
// languageDirName and webDirName are appended to startupDirectory as they are
// ("/language", "/Web/LanguageInfo"). All index writes are one rewrite of the
// index. An index that cannot be opened for reading and writing is reported as
// an error and leaves present empty and the disk untouched; languages that
// could not be brought into line are reported once, as a warning, and the rest
// is synchronised all the same. The working directory is left where the last
// step put it.
void SyncLanguageIndex(const QString &startupDirectory, LanguageStore &store, const QString &languageDirName,
                       const QString &webDirName, PresentLanguageSet &present, Notifier &notifier);

// What SyncLanguageIndex would do at the next start, found without writing
// anything: the index lines it would add and the files it would create, and
// the languages it would then count as present. readable is false (with
// error) when the index cannot be read; the start would then fail.
struct LanguageIndexPlan
{
    bool readable = false;
    QString error;
    QStringList changes;
    PresentLanguageSet present;
};
LanguageIndexPlan PlanLanguageIndexSync(const QString &startupDirectory, const QString &languageDirName,
                                        const QString &webDirName);

} // namespace Glossa
