#pragma once

#include "checks/ReleaseComparison.h"
#include "editor/EditHistory.h"
#include "model/LanguageStore.h"
#include "model/Types.h"

#include <QDialog>
#include <QHash>
#include <QSet>

#include <functional>
#include <optional>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace Glossa {

class CVuduzListCtrl;
struct EntryRow;
struct Finding;
class EditorOwner;
class EntryListModel;

// The translation editor: one language's values beside a reference language,
// with search, stepping, applying values (each checked for the reference's
// placeholders) and saving. Ends with 5 after a save and 6 when left without.
class CVuduzLanguageMapDlg : public QDialog
{
    Q_OBJECT

public:
    // Control ids of dialog 129.
    enum ControlId {
        IDC_SEARCH_GROUP = 1035,
        IDC_SEARCH_TEXT = 1008,
        IDC_BY_ATTRIBUTE = 1007,
        IDC_BY_VALUE = 1009,
        IDC_BY_REFERENCE = 1010,
        IDC_SEARCH_NEXT = 1033,
        IDC_MODIFY_GROUP = 1036,
        IDC_VALUE_LABEL = 1037,
        IDC_VALUE = 1006,
        IDC_REFERENCE_LABEL = 1040,
        IDC_REFERENCE = 1013,
        IDC_ATTRIBUTE_LABEL = 1038,
        IDC_ATTRIBUTE = 1005,
        IDC_MODIFY = 1034,
        IDC_NEXT_BLANK = 1042,
        IDC_NOTICE = 1044,
        IDC_REFERENCE_LANGUAGE_LABEL = 1039,
        IDC_REFERENCE_LANGUAGE = 1011,
        IDC_ENTRY_LIST = 1012,
        IDC_REMOVE_REDUNDANT = 1041,
        IDC_ADD_ATTRIBUTE = 1015,
        IDC_SAVE = 1016,
        IDC_CANCEL = 1017,
    };

    explicit CVuduzLanguageMapDlg(EditorOwner *owner);
    ~CVuduzLanguageMapDlg() override;

    // Set by the caller before the modal run: the rows to copy, or for a new
    // language the catalogue to build them from; the edited language's
    // catalogue row; the entry to show first (-1 for none).
    const EntryListModel *sourceList = nullptr;
    const AttributeCatalogue *newLanguageAttributes = nullptr;
    int languageIndex = -1;
    qint64 initialEntryId = -1;

    // Search state and the edit fields' buffers.
    int searchColumn = 0;
    int searchCursor = -1;
    QString searchText;
    QString attributeText;
    QString valueText;
    QString referenceText;

    // Fills the editor from what the caller set; exec() runs it first.
    void OnInitDialog();
    int exec() override;

    bool CheckEntry(int row) const;
    void ShowEntry(int row);
    void LoadReference();
    int SearchNext(const QString &text);
    void ApplyValue();
    void OnNextBlank();
    void OnSave();
    void OnCancel();
    void OnRemoveRedundantEntries();
    void OnReferenceLanguageChanged();

    // The fields to and from their buffers.
    void readFields();
    void writeFields();

    CVuduzListCtrl *entryList() const { return m_list; }
    EntryListModel *entries() const;
    QComboBox *referenceLanguages() const { return m_referenceCombo; }
    QLineEdit *searchEdit() const { return m_searchEdit; }
    QLineEdit *valueEdit() const { return m_valueEdit; }
    QLineEdit *referenceEdit() const { return m_referenceEdit; }
    QLineEdit *attributeEdit() const { return m_attributeEdit; }
    QLabel *noticeLabel() const { return m_notice; }
    QComboBox *showCombo() const { return m_showCombo; }
    QLineEdit *filterEdit() const { return m_filterEdit; }
    QLineEdit *shownEntriesField() const { return m_shownCount; }
    QLineEdit *progressField() const { return m_progress; }
    QLineEdit *statusField() const { return m_status; }
    QLineEdit *whyField() const { return m_why; }
    // Why an entry is marked or warned about, in words; empty when nothing is wrong.
    QString whyText(const EntryRow &row) const;
    // Shows the shown entry's findings and whether the Value field holds unapplied text.
    void updateWhy();

    // The filter bar: what "Show" and "Filter" let through; the count and the
    // progress follow every change of the rows.
    void applyFilter();
    void updateCounts();
    // The engine's findings of a row against the reference shown.
    std::vector<Finding> findingsOf(const EntryRow &row) const;
    // Ctrl+J, Ctrl+Shift+J, F8 and Shift+F8: the next or previous shown entry
    // that is untranslated, or has an error or a warning, wrapping round.
    int ShowNextUntranslated(bool forward);
    int ShowNextProblem(bool forward);

    // Ctrl+Z takes back the last applied value (or import, or discarded typing) and
    // shows its row; Ctrl+Shift+Z and Ctrl+Y do it again. Text typed and not yet
    // applied is taken back first, and is never lost by an undo or a redo.
    void Undo();
    void Redo();
    bool canUndo() const { return m_history.canUndo(); }
    bool canRedo() const { return m_history.canRedo(); }
    // "Use It" and Ctrl+U: the value of the key that differs from the shown
    // attribute only in letter case, into the Value field, not applied.
    void UseCaseVariant();
    QPushButton *useItButton() const { return m_useIt; }

    // "Import…" and "Export…" of the list's context menu ask for a file and call
    // these. An import applies the file's values as Modify does, in one undo step,
    // and says what it changed and refused; false when the file was refused whole.
    // An export writes the rows the filter shows; false when nothing was written.
    void OnImport();
    void OnExport();
    bool ImportFile(const QString &path);
    bool ExportFile(const QString &path);

    // "Compare with Earlier Release…": an earlier product folder or master file,
    // for this editor run. Rows whose English changed since then and whose value
    // still follows the earlier text are stale until a value is applied to them.
    void OnCompareWithEarlierRelease();
    bool CompareWithEarlierRelease(const QString &path);
    bool isStale(AttributeId id) const { return m_stale.contains(id); }
    int staleCount() const { return int(m_stale.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    // target: the control the key was sent to.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers, const QWidget *target);
    int showNextMatching(bool forward, const std::function<bool(int row)> &matches, const QString &noneText);
    int nextShownRow(int row, int step) const;
    void layoutControls();
    // The Value field's text when it differs from the shown entry's value.
    std::optional<QString> unappliedText() const;
    EntrySnapshot snapshotOf(int row) const;
    void restore(int row, const EntrySnapshot &snapshot);
    // Shows a step taken back (again false) or done again, its rows restored.
    void replay(const EditStep &step, bool again);
    // Puts every row of a step back as it was before or after it, telling the views once.
    void restoreMany(const EditStep &step, bool after);
    // Applies values to rows as Modify does, as one undo step.
    void applyValues(const std::vector<std::pair<int, QString>> &values, const QString &description);
    QString englishChangeText(AttributeId id) const;

    EditorOwner *m_owner;
    CVuduzListCtrl *m_list = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QLineEdit *m_valueEdit = nullptr;
    QLineEdit *m_referenceEdit = nullptr;
    QLineEdit *m_attributeEdit = nullptr;
    QComboBox *m_referenceCombo = nullptr;
    QLabel *m_notice = nullptr;
    QButtonGroup *m_searchColumns = nullptr;
    QComboBox *m_showCombo = nullptr;
    QLineEdit *m_filterEdit = nullptr;
    QLineEdit *m_shownCount = nullptr;
    QLineEdit *m_progress = nullptr;
    QLineEdit *m_status = nullptr;
    QLineEdit *m_why = nullptr;
    // The edited language as the engine checks it.
    QString m_languageName;
    bool m_isMaster = false;
    // The attribute whose entry the fields show: Modify applies the value to it,
    // wherever the list's selection has moved since.
    std::optional<AttributeId> m_shownEntry;
    bool m_initialised = false;

    EditHistory m_history;
    // True while an undo or a redo shows rows: that shows no typing away.
    bool m_replaying = false;
    // Typing that Ctrl+Z took back, which Ctrl+Shift+Z puts back.
    struct TakenBackTyping
    {
        AttributeId entry = 0;
        QString text;
    };
    std::optional<TakenBackTyping> m_takenBack;
    QHash<AttributeId, LanguageStore::CaseVariant> m_caseVariants;
    QPushButton *m_useIt = nullptr;
    QSet<AttributeId> m_stale;
    QHash<AttributeId, EnglishChange> m_englishChanges;
};

} // namespace Glossa
