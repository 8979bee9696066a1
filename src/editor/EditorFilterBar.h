#pragma once

#include "model/Types.h"
#include "shared/StatusField.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QRect;
class QWidget;

namespace Glossa {

class CVuduzListCtrl;
class EditorSession;

// The editor's filter bar, in the band between the "Modify" group and the list:
// "Show" and "Filter" decide which entries the list shows, beside the count of
// those shown and the language's progress; and the steps to the next or previous
// shown entry that is untranslated or has a problem. Owned by the editor.
class EditorFilterBar : public QObject
{
    Q_OBJECT

public:
    // list: the editor's entry list, which the filter narrows; area: where the bar's controls live.
    EditorFilterBar(EditorSession &session, CVuduzListCtrl *list, QWidget *area);

    QLabel *showLabel() const { return m_showLabel; }
    QComboBox *showCombo() const { return m_showCombo; }
    QLineEdit *filterEdit() const { return m_filterEdit; }
    QLineEdit *shownEntriesField() const { return m_shownCount; }
    StatusField *progressField() const { return m_progress; }

    // Places the bar's controls on line.
    void layout(const QRect &line);

    // What "Show" and "Filter" let through; the count and the progress follow
    // every change of the rows.
    void applyFilter();
    void updateCounts();
    // The check's error findings of every entry against the reference shown, as
    // the main window counts them for the file: untranslated entries have none.
    int errorCount();
    // After a comparison with an earlier release: "Show" offers "Reference changed",
    // and a filter that asks about stale rows asks again.
    void offerReferenceChanged();

    // The next or previous shown entry that is untranslated, or has an error or
    // a warning, wrapping round; its row, or -1 when there is none.
    int showNextUntranslated(bool forward);
    int showNextProblem(bool forward);
    // The next shown row from row in steps of step (1 or -1); -1 past either end.
    int nextShownRow(int row, int step) const;

private:
    int showNextMatching(bool forward, const std::function<bool(int row)> &matches, const QString &noneText);
    // Keeps the error count in step with the rows that changed.
    void rowsChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight);

    EditorSession &m_session;
    CVuduzListCtrl *m_list;
    QLabel *m_showLabel = nullptr;
    QComboBox *m_showCombo = nullptr;
    QLineEdit *m_filterEdit = nullptr;
    StatusField *m_shownCount = nullptr;
    StatusField *m_progress = nullptr;
    // Error findings by entry, only of entries that have some; counted afresh
    // when the rows are replaced, and row by row as values change.
    QHash<AttributeId, int> m_errorsById;
    int m_errors = 0;
    bool m_errorsKnown = false;
};

} // namespace Glossa
