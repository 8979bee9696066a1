#pragma once

#include "checks/ReleaseComparison.h"
#include "model/Types.h"

#include <QHash>
#include <QSet>
#include <QString>

namespace Glossa {

class CVuduzLanguageMapDlg;

// The editor's traffic with files beyond the language's own: "Import…" and
// "Export…" of XLIFF and CSV files, and "Compare with Earlier Release…", whose
// stale marks it keeps for the editor run. Owned by the editor.
class EditorExchange
{
public:
    explicit EditorExchange(CVuduzLanguageMapDlg &editor);

    // Ask for a file, then import, export or compare.
    void onImport();
    void onExport();
    void onCompareWithEarlierRelease();

    // An import applies the file's values as Modify does, in one undo step, and
    // says what it changed and refused; false when the file was refused whole.
    bool importFile(const QString &path);
    // Writes the rows the filter shows; false when nothing was written.
    bool exportFile(const QString &path);
    // Where Export… asks first: the folder of the last export, else the user's home.
    static QString exportFolder();
    // Rows whose English changed since the earlier release and whose value still
    // follows the earlier text are stale until a value is applied to them.
    bool compareWithEarlierRelease(const QString &path);

    // How the entry's English changed since the earlier release, the changed words
    // marked; empty when it did not change or no release was compared.
    QString englishChangeText(AttributeId id) const;

private:
    CVuduzLanguageMapDlg &m_editor;
    QHash<AttributeId, EnglishChange> m_englishChanges;
};

// The words of two texts with those that differ marked by brackets: "Delete" and
// "Delete all recordings" become "Delete" and "Delete [all recordings]".
std::pair<QString, QString> markChangedWords(const QString &before, const QString &after);

} // namespace Glossa
