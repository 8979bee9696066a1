#pragma once

#include <QString>

#include <functional>

class QComboBox;
class QLineEdit;
class QRect;

namespace Glossa {

class CVuduzLanguageMapDlg;

// The editor's filter bar, in the band between the "Modify" group and the list:
// "Show" and "Filter" decide which entries the list shows, beside the count of
// those shown and the language's progress; and the steps to the next or previous
// shown entry that is untranslated or has a problem. Owned by the editor.
class EditorFilterBar
{
public:
    explicit EditorFilterBar(CVuduzLanguageMapDlg &editor);

    QComboBox *showCombo() const { return m_showCombo; }
    QLineEdit *filterEdit() const { return m_filterEdit; }
    QLineEdit *shownEntriesField() const { return m_shownCount; }
    QLineEdit *progressField() const { return m_progress; }

    // Places the bar's controls on line.
    void layout(const QRect &line);

    // What "Show" and "Filter" let through; the count and the progress follow
    // every change of the rows.
    void applyFilter();
    void updateCounts();
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

    CVuduzLanguageMapDlg &m_editor;
    QComboBox *m_showCombo = nullptr;
    QLineEdit *m_filterEdit = nullptr;
    QLineEdit *m_shownCount = nullptr;
    QLineEdit *m_progress = nullptr;
};

} // namespace Glossa
