#pragma once

#include "checks/ReleaseComparison.h"
#include "model/Types.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

class QWidget;

namespace Glossa {

class EditorSession;

// The editor's traffic with files beyond the language's own: "Import…" and
// "Export…" of XLIFF and CSV files, and "Compare with Earlier Release…", whose
// stale marks it sets in the session. Owned by the editor; window is what its
// questions and messages are shown over.
class EditorExchange : public QObject
{
    Q_OBJECT

public:
    EditorExchange(EditorSession &session, QWidget *window);

    // Which rows (by row of the session's entries) the filter shows, for Export; all without it.
    void setRowShownTest(std::function<bool(int row)> test) { m_isRowShown = std::move(test); }

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

Q_SIGNALS:
    // An earlier release was compared: the stale marks and the English changes are new.
    void releaseCompared(const QString &path);

private:
    EditorSession &m_session;
    QWidget *m_window;
    std::function<bool(int row)> m_isRowShown;
    QHash<AttributeId, EnglishChange> m_englishChanges;
};

// The words of two texts with those that differ marked by brackets: "Delete" and
// "Delete all recordings" become "Delete" and "Delete [all recordings]".
std::pair<QString, QString> markChangedWords(const QString &before, const QString &after);

} // namespace Glossa
