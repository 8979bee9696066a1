#pragma once

#include "checks/ReleaseComparison.h"
#include "editor/EditorExchange.h"
#include "editor/EditorFilterBar.h"
#include "editor/EditorReview.h"
#include "editor/EditorSession.h"
#include "model/LanguageStore.h"
#include "model/Types.h"

#include <QDialog>
#include <QHash>
#include <QRect>
#include <QSet>

#include <functional>
#include <memory>
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
class EditorRecovery;
struct EntryRow;
struct Finding;
class EditorOwner;
class EditorCommands;
class EditorPlace;
class EditorSpelling;
class EditorSuggestions;
class EditorGlossary;
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
    // After a save that took the disk's values over some of this editor's
    // ("Take Theirs"): how many, and where their journal was kept aside.
    int droppedValueCount = 0;
    QString keptJournalPath;

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
    QComboBox *showCombo() const { return m_filterBar->showCombo(); }
    QLineEdit *filterEdit() const { return m_filterBar->filterEdit(); }
    QLineEdit *shownEntriesField() const { return m_filterBar->shownEntriesField(); }
    QLineEdit *progressField() const { return m_filterBar->progressField(); }
    QLineEdit *statusField() const { return m_status; }
    QLineEdit *whyField() const { return m_review->whyField(); }
    // The editor's parts, each made from the session: the filter bar and its steps, the
    // review (undo, the why line, Use It), and the exchange and release actions.
    EditorFilterBar &filterBar() const { return *m_filterBar; }
    EditorReview &review() const { return *m_review; }
    // The misspelled words of the why line and the Value field's spelling menu.
    EditorSpelling &spelling() const { return *m_spelling; }
    EditorExchange &exchange() const { return *m_exchange; }
    // The "Suggestions" section of the side panel: the translation memory, same English, concordance.
    EditorSuggestions &suggestions() const { return *m_suggestions; }
    // The lock, the recovery journal and the watch on the file of this run.
    EditorRecovery &recovery() const { return *m_recovery; }

    // What the Value field stands for: its text, or the whole value when the
    // value is too long for the field and shown cut, read-only (see LongValueLimit).
    QString fieldValue() const;
    bool valueHeldWhole() const { return m_valueHeld; }
    // Longest value the field takes as text; a longer one is held whole and never cut.
    static constexpr qsizetype LongValueLimit = EditorSession::LongValueLimit;

    // A language whose file cannot be read as text opens read-only: Save and
    // every step that changes a row are off, and the status line says why.
    void setReadOnly(const QString &reason);
    bool isReadOnly() const;

    // What the run is about: the language, the entry shown, the rows and the undo stack.
    EditorSession &session() const { return *m_session; }
    // The "Glossary" section of the side panel: the terms of the shown English.
    EditorGlossary &glossary() const { return *m_glossary; }

    // The area of the fixed controls, below the menu bar and left of the side panel.
    QWidget *area() const { return m_area; }
    // The side panel, the splitter and the remembered size and place.
    EditorPlace &place() const { return *m_place; }
    // The menu bar and its actions.
    EditorCommands &commands() const { return *m_commands; }
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void buildControls();
    // Connects the session's requests to the fields, the rows and the status line.
    void connectSession();
    // Save and every step that changes a row off, the title and the status line saying why.
    void showReadOnly(const QString &reason);
    // Lays the controls out in the area's size (also when the why line's "Use It" came or went).
    void layoutControls();
    // Shows the placeholders of a field in their own colour.
    void markFieldPlaceholders(QLineEdit *field);
    // target: the control the key was sent to.
    bool handleKey(int key, Qt::KeyboardModifiers modifiers, const QWidget *target);

    EditorOwner *m_owner;
    EditorSession *m_session = nullptr; // a child
    CVuduzListCtrl *m_list = nullptr;
    QLineEdit *m_searchEdit = nullptr;
    QLineEdit *m_valueEdit = nullptr;
    QLineEdit *m_referenceEdit = nullptr;
    QLineEdit *m_attributeEdit = nullptr;
    QComboBox *m_referenceCombo = nullptr;
    QLabel *m_notice = nullptr;
    QButtonGroup *m_searchColumns = nullptr;
    QLineEdit *m_status = nullptr;
    QWidget *m_area = nullptr;
    int m_defaultAreaWidth = 0;
    // The places of the controls a wider area widens or moves, at the default size.
    QHash<int, QRect> m_defaultPlaces;
    EditorPlace *m_place = nullptr;       // a child
    EditorCommands *m_commands = nullptr; // a child
    bool m_initialised = false;
    // The shown value when it is longer than the field takes: kept whole here.
    QString m_heldValue;
    bool m_valueHeld = false;

    std::unique_ptr<EditorReview> m_review;
    std::unique_ptr<EditorFilterBar> m_filterBar;
    std::unique_ptr<EditorExchange> m_exchange;
    std::unique_ptr<EditorSpelling> m_spelling;
    // Declared last, so that it goes first: a child of the editor only while it is shown.
    std::unique_ptr<EditorSuggestions> m_suggestions;
    std::unique_ptr<EditorGlossary> m_glossary;
    EditorRecovery *m_recovery = nullptr; // a child
    // The run ended before it began: Cancel at the lock's question.
    bool m_startCancelled = false;
};

} // namespace Glossa
