#include "editor/VuduzLanguageMapDlg.h"

#include "editor/EditorOwner.h"
#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"
#include "checks/CheckEngine.h"
#include "exchange/Exchange.h"
#include "checks/PlaceholderCheck.h"
#include "editor/VuduzListCtrl.h"
#include "platform/DialogFont.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/DialogUnits.h"
#include "shared/EarlierRelease.h"
#include "platform/MessageBox.h"
#include "waiting/WaitingScope.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>

#include <algorithm>
#include <limits>

namespace Glossa {

namespace {

using C = CVuduzLanguageMapDlg;
constexpr Qt::Alignment RightAligned = Qt::AlignRight | Qt::AlignTop;
constexpr Qt::Alignment Centred = Qt::AlignHCenter | Qt::AlignTop;
constexpr Qt::Alignment LeftAligned = Qt::AlignLeft | Qt::AlignTop;

// Dialog 129, in dialog units and tab order.
const QList<ControlSpec> &editorTemplate()
{
    static const QList<ControlSpec> table = {
        {C::IDC_SEARCH_GROUP, ControlSpec::GroupBox, QStringLiteral("Search"), 12, 6, 469, 28},
        {C::IDC_SEARCH_TEXT, ControlSpec::LineEdit, QString(), 25, 15, 238, 15, LeftAligned, C::IDC_SEARCH_GROUP},
        {C::IDC_BY_ATTRIBUTE, ControlSpec::RadioButton, QStringLiteral("By Attribute"), 269, 17, 49, 10},
        {C::IDC_BY_VALUE, ControlSpec::RadioButton, QStringLiteral("By Value"), 325, 17, 40, 10},
        {C::IDC_BY_REFERENCE, ControlSpec::RadioButton, QStringLiteral("By Reference"), 367, 17, 53, 10},
        {C::IDC_SEARCH_NEXT, ControlSpec::PushButton, QStringLiteral("Search Next"), 426, 15, 49, 12},
        {C::IDC_MODIFY_GROUP, ControlSpec::GroupBox, QStringLiteral("Modify"), 12, 36, 349, 85},
        {C::IDC_VALUE_LABEL, ControlSpec::Label, QStringLiteral("Value"), 16, 50, 39, 10, RightAligned},
        {C::IDC_VALUE, ControlSpec::LineEdit, QString(), 57, 49, 295, 13, LeftAligned, C::IDC_VALUE_LABEL},
        {C::IDC_REFERENCE_LABEL, ControlSpec::Label, QStringLiteral("Reference"), 16, 70, 39, 10, RightAligned},
        {C::IDC_REFERENCE, ControlSpec::LineEdit, QString(), 57, 69, 294, 13, LeftAligned, C::IDC_REFERENCE_LABEL},
        {C::IDC_ATTRIBUTE_LABEL, ControlSpec::Label, QStringLiteral("Attribute"), 16, 93, 39, 10, RightAligned},
        {C::IDC_ATTRIBUTE, ControlSpec::ReadOnlyLineEdit, QString(), 59, 90, 227, 13, LeftAligned, C::IDC_ATTRIBUTE_LABEL},
        {C::IDC_MODIFY, ControlSpec::PushButton, QStringLiteral("Modify"), 297, 89, 51, 13},
        {C::IDC_NEXT_BLANK, ControlSpec::PushButton, QStringLiteral("Next Blank"), 393, 100, 69, 13},
        {C::IDC_NOTICE, ControlSpec::Label, QStringLiteral("WARNING"), 15, 109, 345, 8, Centred},
        {C::IDC_REFERENCE_LANGUAGE_LABEL, ControlSpec::Label, QStringLiteral("Select Reference Language"), 371, 45, 108, 8},
        {C::IDC_REFERENCE_LANGUAGE, ControlSpec::ComboBox, QString(), 368, 68, 120, 24, LeftAligned,
         C::IDC_REFERENCE_LANGUAGE_LABEL},
        {C::IDC_ENTRY_LIST, ControlSpec::TableView, QString(), 7, 126, 481, 178, LeftAligned, ControlSpec::NoLabel,
         QStringLiteral("Entries")},
        {C::IDC_REMOVE_REDUNDANT, ControlSpec::PushButton, QStringLiteral("Remove Redundant Entries"), 7, 314, 109, 11},
        {C::IDC_ADD_ATTRIBUTE, ControlSpec::PushButton, QStringLiteral("\u6dfb\u52a0\u65b0\u5c5e\u6027"), 142, 312, 98, 13},
        {C::IDC_SAVE, ControlSpec::PushButton, QStringLiteral("Save"), 374, 311, 50, 14},
        {C::IDC_CANCEL, ControlSpec::PushButton, QStringLiteral("Cancel"), 438, 311, 50, 14},
    };
    return table;
}

const QString EditorTitle = QStringLiteral("Dedevuded");
const QString NoticeText =
    QStringLiteral("Notice: Symbols like %d, %s, %ld, %d, %% , \\n and {digital number} must be kept and not changed.");

bool isMarked(const QString &state)
{
    return state == StatusModified || state == StatusError;
}

// The attribute's place in the master's order, as the engine's checks take it: ids
// are handed out in that order, and one beyond int's range stays beyond the first.
int attributeIndexOf(AttributeId id)
{
    return id <= AttributeId(std::numeric_limits<int>::max()) ? int(id) : std::numeric_limits<int>::max();
}

// Counts as a translator reads them: "20,000".
QString grouped(int n)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

// A line of text in the band that a screen reader reads by its fixed name; a
// read-only field keeps that name whatever it shows, which a label would not.
QLineEdit *makeStatusField(QWidget *parent, const QString &name)
{
    auto *field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setFrame(false);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAccessibleName(name);
    field->setObjectName(name);
    QPalette p = field->palette();
    p.setColor(QPalette::Base, Qt::transparent);
    field->setPalette(p);
    return field;
}

const QStringList ShowItems = {QStringLiteral("All entries"), QStringLiteral("Untranslated"), QStringLiteral("Errors"),
                               QStringLiteral("Marked"), QStringLiteral("Warnings"), QStringLiteral("Same as reference")};
const QString ReferenceChangedItem = QStringLiteral("Reference changed");

// An exchange file larger than this is refused before it is read.
constexpr qint64 MaximumExchangeFileSize = 512LL * 1024 * 1024;

// The words of two texts with those that differ marked by brackets: "Delete" and
// "Delete all recordings" become "Delete" and "Delete [all recordings]". Words are
// runs between spaces; the common words are a longest common subsequence.
std::pair<QString, QString> markChangedWords(const QString &before, const QString &after)
{
    const QStringList a = before.split(u' ');
    const QStringList b = after.split(u' ');
    // Long texts are marked whole rather than compared word by word.
    if (qint64(a.size()) * b.size() > 250000)
        return {u'[' + before + u']', u'[' + after + u']'};
    const auto n = a.size();
    const auto m = b.size();
    std::vector<int> lcs(size_t((n + 1) * (m + 1)), 0);
    auto at = [&](qsizetype i, qsizetype j) -> int & { return lcs[size_t(i * (m + 1) + j)]; };
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            at(i, j) = a[i] == b[j] ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    std::vector<bool> keepA(size_t(n), false);
    std::vector<bool> keepB(size_t(m), false);
    for (qsizetype i = 0, j = 0; i < n && j < m;) {
        if (a[i] == b[j]) {
            keepA[size_t(i++)] = true;
            keepB[size_t(j++)] = true;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    auto marked = [](const QStringList &words, const std::vector<bool> &keep) {
        QStringList out;
        for (qsizetype i = 0; i < words.size();) {
            if (keep[size_t(i)]) {
                out << words[i++];
                continue;
            }
            QStringList run;
            while (i < words.size() && !keep[size_t(i)])
                run << words[i++];
            out << u'[' + run.join(u' ') + u']';
        }
        return out.join(u' ');
    };
    return {marked(a, keepA), marked(b, keepB)};
}

} // namespace

CVuduzLanguageMapDlg::CVuduzLanguageMapDlg(EditorOwner *owner)
    : m_owner(owner)
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setFont(dialogFont(9));
    buildControls();
}

CVuduzLanguageMapDlg::~CVuduzLanguageMapDlg()
{
    qApp->removeEventFilter(this);
}

EntryListModel *CVuduzLanguageMapDlg::entries() const
{
    return m_list->entryModel();
}

void CVuduzLanguageMapDlg::buildControls()
{
    // "Use It" sits at the end of the why line while the shown entry has a key that
    // differs from it only in letter case. It is made first, so that the template's
    // controls keep their places among the children, Cancel the last button.
    m_useIt = new QPushButton(QStringLiteral("Use It"), this);
    m_useIt->setAccessibleName(QStringLiteral("Use It"));
    m_useIt->setObjectName(QStringLiteral("Use It"));
    m_useIt->setAutoDefault(false);
    m_useIt->setToolTip(QStringLiteral("Puts the value of the key that differs only in letter case into the Value field "
                                       "(Ctrl+U); Enter applies it"));
    m_useIt->hide();
    connect(m_useIt, &QPushButton::clicked, this, &CVuduzLanguageMapDlg::UseCaseVariant);
    const DialogBaseUnits units = dialogBaseUnits(font());
    m_list = new CVuduzListCtrl({QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"),
                                 QStringLiteral("Statue")},
                                this);
    createControls(this, editorTemplate(), units, {{IDC_ENTRY_LIST, m_list}});
    resize(dialogUnitsToPixels(QSize(495, 332), units));

    m_searchEdit = findControl<QLineEdit>(this, IDC_SEARCH_TEXT);
    m_valueEdit = findControl<QLineEdit>(this, IDC_VALUE);
    m_referenceEdit = findControl<QLineEdit>(this, IDC_REFERENCE);
    m_attributeEdit = findControl<QLineEdit>(this, IDC_ATTRIBUTE);
    m_referenceCombo = findControl<QComboBox>(this, IDC_REFERENCE_LANGUAGE);
    m_notice = findControl<QLabel>(this, IDC_NOTICE);
    m_notice->setWordWrap(true);

    m_searchColumns = new QButtonGroup(this);
    m_searchColumns->addButton(findControl<QRadioButton>(this, IDC_BY_ATTRIBUTE), 0);
    m_searchColumns->addButton(findControl<QRadioButton>(this, IDC_BY_VALUE), 1);
    m_searchColumns->addButton(findControl<QRadioButton>(this, IDC_BY_REFERENCE), 2);
    connect(m_searchColumns, &QButtonGroup::idClicked, this, [this](int column) {
        readFields();
        searchColumn = column; // the search goes on from where it stopped
    });
    connect(m_searchEdit, &QLineEdit::textChanged, this, [this] {
        readFields();
        searchCursor = -1;
    });
    auto button = [this](int id) { return findControl<QPushButton>(this, id); };
    connect(button(IDC_SEARCH_NEXT), &QPushButton::clicked, this, [this] {
        readFields();
        SearchNext(searchText);
    });
    connect(button(IDC_MODIFY), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::ApplyValue);
    connect(button(IDC_NEXT_BLANK), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnNextBlank);
    connect(button(IDC_SAVE), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnSave);
    connect(button(IDC_CANCEL), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnCancel);
    connect(button(IDC_REMOVE_REDUNDANT), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnRemoveRedundantEntries);
    connect(m_referenceCombo, &QComboBox::activated, this, &CVuduzLanguageMapDlg::OnReferenceLanguageChanged);
    // A left click shows the marked row; Page Up, Page Down, Home and End move
    // the selection without refreshing the fields.
    connect(m_list, &QAbstractItemView::clicked, this, [this] {
        const int mark = m_list->selectionMark();
        if (mark >= 0)
            ShowEntry(mark);
    });
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);

    // The filter bar lives in the free band between the "Modify" group and the list.
    m_showCombo = new QComboBox(this);
    m_showCombo->addItems(ShowItems);
    m_showCombo->setAccessibleName(QStringLiteral("Show"));
    m_showCombo->setObjectName(QStringLiteral("Show"));
    m_showCombo->setToolTip(QStringLiteral("Show only some entries: untranslated, with errors, marked, with warnings or "
                                           "the same as the reference"));
    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setAccessibleName(QStringLiteral("Filter"));
    m_filterEdit->setObjectName(QStringLiteral("Filter"));
    m_filterEdit->setPlaceholderText(QStringLiteral("Filter"));
    m_filterEdit->setClearButtonEnabled(true);
    m_filterEdit->setToolTip(QStringLiteral("Show only the entries whose attribute, value or reference contains this "
                                            "text, letter case ignored"));
    m_shownCount = makeStatusField(this, QStringLiteral("Shown entries"));
    m_progress = makeStatusField(this, QStringLiteral("Progress"));
    m_status = makeStatusField(this, QStringLiteral("Editor status"));
    m_why = makeStatusField(this, QStringLiteral("Why"));
    QPalette why = m_why->palette();
    why.setColor(QPalette::Text, QColor(190, 0, 0));
    m_why->setPalette(why);
    connect(m_valueEdit, &QLineEdit::textChanged, this, &CVuduzLanguageMapDlg::updateWhy);
    entries()->setToolTipProvider([this](const EntryRow &row) { return whyText(row); });
    m_valueEdit->setToolTip(QStringLiteral("Enter applies the value; Ctrl+Return applies it and shows the next "
                                           "untranslated entry (Ctrl+J); Ctrl+Z / Ctrl+Shift+Z: undo / redo"));
    m_list->setToolTip(QStringLiteral("Up / Down: previous / next entry; Ctrl+J / Ctrl+Shift+J: next / previous "
                                      "untranslated entry; F8 / Shift+F8: next / previous entry with an error or a warning"));
    m_status->setToolTip(QStringLiteral("Ctrl+J / Ctrl+Shift+J: next / previous untranslated entry; F8 / Shift+F8: "
                                        "next / previous entry with an error or a warning; Ctrl+Return: apply and "
                                        "go to the next untranslated entry"));
    connect(m_showCombo, &QComboBox::activated, this, &CVuduzLanguageMapDlg::applyFilter);
    connect(m_filterEdit, &QLineEdit::textChanged, this, &CVuduzLanguageMapDlg::applyFilter);
    EntryFilterModel *filter = m_list->filterModel();
    filter->setWarningTest([this](const EntryRow &row) {
        if (m_stale.contains(row.id))
            return true;
        for (const Finding &f : findingsOf(row))
            if (f.severity == FindingSeverity::Warning)
                return true;
        return false;
    });
    filter->setStaleTest([this](const EntryRow &row) { return m_stale.contains(row.id); });


    // The list's context menu: exchange files, the earlier release, undo and redo.
    // The shortcuts are the editor's own keys, named after a tab as menus show them.
    auto addAction = [this](const QString &text, const QString &toolTip, auto slot) {
        auto *action = new QAction(text, m_list);
        action->setToolTip(toolTip);
        connect(action, &QAction::triggered, this, slot);
        m_list->addAction(action);
    };
    addAction(QStringLiteral("Undo\tCtrl+Z"), QStringLiteral("Takes back the last applied value"),
              &CVuduzLanguageMapDlg::Undo);
    addAction(QStringLiteral("Redo\tCtrl+Shift+Z"), QStringLiteral("Applies again what Undo took back"),
              &CVuduzLanguageMapDlg::Redo);
    auto *separator = new QAction(m_list);
    separator->setSeparator(true);
    m_list->addAction(separator);
    addAction(QStringLiteral("Import\u2026"),
              QStringLiteral("Applies the values of an XLIFF or CSV file from a translator; nothing is written until Save"),
              &CVuduzLanguageMapDlg::OnImport);
    addAction(QStringLiteral("Export\u2026"),
              QStringLiteral("Writes the entries the list shows to an XLIFF or CSV file for a translator"),
              &CVuduzLanguageMapDlg::OnExport);
    addAction(QStringLiteral("Compare with Earlier Release\u2026"),
              QStringLiteral("Finds the entries whose English changed since an earlier release"),
              &CVuduzLanguageMapDlg::OnCompareWithEarlierRelease);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);

    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(filter, signal, this, &CVuduzLanguageMapDlg::updateCounts);
    connect(filter, &QAbstractItemModel::modelReset, this, &CVuduzLanguageMapDlg::updateCounts);
    connect(filter, &QAbstractItemModel::layoutChanged, this, &CVuduzLanguageMapDlg::updateCounts);
    connect(entries(), &QAbstractItemModel::dataChanged, this, &CVuduzLanguageMapDlg::updateCounts);

    // Every key press aimed at the editor or one of its controls passes the
    // key handling first, before the control sees it.
    qApp->installEventFilter(this);
}

int CVuduzLanguageMapDlg::exec()
{
    if (!m_initialised)
        OnInitDialog();
    return QDialog::exec();
}

void CVuduzLanguageMapDlg::OnInitDialog()
{
    m_initialised = true;
    WaitingScope wait(this, LoadingText);
    hide();
    setWindowTitle(EditorTitle + QStringLiteral("      ") + LocaleCatalogue::DisplayNameAt(languageIndex));
    m_languageName = LocaleCatalogue::DisplayNameAt(languageIndex);
    m_isMaster = LanguageStore::fileNameFor(m_languageName) == MasterLanguageFileName;

    m_list->setStatusColumn(3);
    m_list->setColumnWidth(3, 110);
    m_list->setColumnWidth(0, 200);
    m_list->setColumnWidth(1, 250);
    m_list->setColumnWidth(2, 250);

    std::vector<EntryRow> rows;
    if (sourceList) {
        rows.reserve(sourceList->rows().size());
        for (const EntryRow &source : sourceList->rows()) {
            EntryRow row;
            row.cells[0] = source.cells[0];
            row.cells[1] = source.cells[1];
            row.id = source.id;
            rows.push_back(std::move(row));
        }
    } else if (newLanguageAttributes) {
        rows.reserve(newLanguageAttributes->size());
        for (auto it = newLanguageAttributes->cbegin(); it != newLanguageAttributes->cend(); ++it) {
            EntryRow row;
            row.cells[0] = it.value();
            row.id = it.key();
            rows.push_back(std::move(row));
        }
    }
    entries()->setRows(std::move(rows));
    // Keys that differ from an attribute only in letter case: the next save deletes
    // them, and their values are often the very translations that are missing.
    m_caseVariants.clear();
    m_owner->languageStore().LoadCaseVariants(m_languageName, m_caseVariants);

    m_searchColumns->button(0)->setChecked(true);
    searchColumn = 0;
    searchCursor = -1;

    m_referenceCombo->clear();
    for (int row : presentLanguages())
        if (row != languageIndex)
            m_referenceCombo->addItem(LocaleCatalogue::DisplayNameAt(row), row);
    const QString preferred = languageIndex == 1 ? LocaleCatalogue::DisplayNameAt(0) : LocaleCatalogue::DisplayNameAt(1);
    m_referenceCombo->setCurrentIndex(-1);
    for (int i = 0; i < m_referenceCombo->count(); ++i) {
        if (m_referenceCombo->itemText(i).startsWith(preferred, Qt::CaseInsensitive)) {
            m_referenceCombo->setCurrentIndex(i);
            break;
        }
    }
    if (m_referenceCombo->currentIndex() < 0 && m_referenceCombo->count() > 0)
        m_referenceCombo->setCurrentIndex(0);

    LoadReference();
    updateCounts();

    for (int id : {IDC_ADD_ATTRIBUTE, IDC_REMOVE_REDUNDANT, IDC_NEXT_BLANK})
        findControl<QWidget>(this, id)->hide();
    m_referenceEdit->setReadOnly(true);
    m_notice->setText(NoticeText);
    // The label was named after its template text; a screen reader must read the notice.
    m_notice->setAccessibleName(NoticeText);
    QPalette notice = m_notice->palette();
    notice.setColor(QPalette::WindowText, QColor(190, 0, 0));
    m_notice->setPalette(notice);

    wait.finish();
    // Modal from the moment it is shown: a dialog shown first and made modal
    // afterwards would leave its owner open to input.
    setWindowModality(Qt::ApplicationModal);
    show();
    activateWindow();
    setFocus();
    if (initialEntryId >= 0 && initialEntryId <= qint64(std::numeric_limits<AttributeId>::max()))
        ShowEntry(entries()->findRowById(AttributeId(initialEntryId)));
}

void CVuduzLanguageMapDlg::LoadReference()
{
    EntryListModel *model = entries();
    // With no other language present there is nothing to compare with: the
    // Reference cells stay empty and no row is marked.
    if (m_referenceCombo->currentIndex() < 0) {
        model->updateRows([](EntryRow &row) { row.cells[2].clear(); });
        return;
    }
    const QString displayName = LocaleCatalogue::DisplayNameAt(m_referenceCombo->currentData().toInt());
    LanguageStore &store = m_owner->languageStore();
    LanguageValues reference;
    RedundantKeySet unused;
    if (!store.LoadLanguageFile(displayName, reference, unused) && QFileInfo::exists(store.filePathFor(displayName)))
        MessageBox::show(this, QMessageBox::Warning, ProgramName, store.lastError());
    const QString empty;
    model->updateRows([&](EntryRow &row) {
        row.cells[2] = reference.value(row.id, empty);
        // Loading only ever adds the error mark: it never sets MODIFIED and never clears a mark.
        if (!CheckPlaceholders(row.cells[1], row.cells[2], row.id))
            row.cells[3] = StatusError;
    });
}

bool CVuduzLanguageMapDlg::CheckEntry(int row) const
{
    const EntryListModel *model = entries();
    return CheckPlaceholders(model->text(row, 1), model->text(row, 2), model->itemData(row));
}

void CVuduzLanguageMapDlg::readFields()
{
    searchText = m_searchEdit->text();
    attributeText = m_attributeEdit->text();
    valueText = m_valueEdit->text();
    referenceText = m_referenceEdit->text();
}

void CVuduzLanguageMapDlg::writeFields()
{
    // Writing the search field would reset the search; it is only ever read.
    m_attributeEdit->setText(attributeText);
    m_valueEdit->setText(valueText);
    m_referenceEdit->setText(referenceText);
}

void CVuduzLanguageMapDlg::ShowEntry(int row)
{
    if (row < 0 || row >= entries()->rowCount())
        return;
    // An entry shown by a question or a step stays in the list while the filter lasts.
    if (!m_list->isRowShown(row))
        m_list->filterModel()->keepShown(entries()->itemData(row));
    m_list->setSelectionMark(row);
    m_list->ensureRowVisible(row);
    const EntryListModel *model = entries();
    // Text typed for the entry shown until now and never applied goes, as it always
    // has; the history keeps it, so that Ctrl+Z brings it back.
    if (!m_replaying) {
        if (const std::optional<QString> typed = unappliedText()) {
            EditStep step;
            step.kind = EditStep::Kind::Discarded;
            step.entry = *m_shownEntry;
            step.typedText = *typed;
            step.description = QStringLiteral("the text typed for ") + model->text(model->findRowById(*m_shownEntry), 0);
            m_history.record(std::move(step));
        }
        m_takenBack.reset();
    }
    attributeText = model->text(row, 0);
    valueText = model->text(row, 1);
    referenceText = model->text(row, 2);
    m_shownEntry = model->itemData(row);
    m_valueEdit->setFocus();
    writeFields();
    updateWhy();
}

int CVuduzLanguageMapDlg::SearchNext(const QString &text)
{
    readFields();
    const EntryListModel *model = entries();
    const int n = model->rowCount();
    for (++searchCursor; searchCursor < n; ++searchCursor) {
        if (m_list->isRowShown(searchCursor) && model->text(searchCursor, searchColumn).contains(text, Qt::CaseSensitive)) {
            ShowEntry(searchCursor);
            return searchCursor;
        }
    }
    MessageBox::show(this, QMessageBox::Information, ProgramName, QStringLiteral("No matching objects."));
    searchCursor = -1;
    return -1;
}

void CVuduzLanguageMapDlg::ApplyValue()
{
    readFields();
    // The value belongs to the attribute the fields show, found by its id; the
    // list's selection may have moved to another row since (Page Down, a sort).
    if (!m_shownEntry)
        return;
    const int row = entries()->findRowById(*m_shownEntry);
    if (row < 0)
        return;
    EntryListModel *model = entries();
    RowChange change{*m_shownEntry, snapshotOf(row), {}};
    m_list->filterModel()->keepShown(*m_shownEntry);
    m_stale.remove(*m_shownEntry); // the translator has looked at the new English
    model->setText(row, 1, valueText);
    m_list->setSelectionMark(row);
    m_list->ensureRowVisible(row);
    model->setText(row, model->statusColumn(), CheckEntry(row) ? StatusModified : StatusError);
    change.after = snapshotOf(row);
    m_takenBack.reset();
    if (change.after != change.before) {
        EditStep step;
        step.rows.push_back(std::move(change));
        step.description = QStringLiteral("the value of ") + model->text(row, 0);
        m_history.record(std::move(step));
    }
    updateWhy();
}

void CVuduzLanguageMapDlg::OnNextBlank()
{
    const EntryListModel *model = entries();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!model->text(row, 0).trimmed().isEmpty() && model->text(row, 1).trimmed().isEmpty()) {
            ShowEntry(row);
            return;
        }
    }
    MessageBox::show(this, QMessageBox::Information, ProgramName, QStringLiteral("No Blank Value."));
}

void CVuduzLanguageMapDlg::OnSave()
{
    EntryListModel *model = entries();
    WaitingScope wait(this, QStringLiteral("Checking data..."));
    LanguageValues saveList;
    bool askFormat = true;
    // A question with the wait ended and the waiting window hidden; No shows
    // the row and stops the save, Yes puts the wait back.
    auto confirm = [&](int row, QMessageBox::Icon icon, const QString &caption, const QString &text) {
        wait.pause();
        if (MessageBox::show(this, icon, caption, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            ShowEntry(row);
            return false;
        }
        wait.resume();
        askFormat = false;
        return true;
    };
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString state = model->text(row, model->statusColumn());
        if (!isMarked(state))
            continue;
        const QString attribute = model->text(row, 0);
        const QString value = model->text(row, 1);
        if (state == StatusError && askFormat
            && !confirm(row, QMessageBox::Warning, QStringLiteral("Warning"),
                        QStringLiteral("Attribute: ") + attribute
                            + QStringLiteral(" .Translate format error!Do you want to continue to save?")))
            return;
        if (value.count(u'"') % 2 != 0
            && !confirm(row, QMessageBox::Critical, QStringLiteral("Error"),
                        QStringLiteral("Error: ") + attribute + u'=' + value + QStringLiteral(" Translate mismatch ")
                            + u'"' + QStringLiteral("!Do you want to continue to save?")))
            return;
        saveList.insert(model->itemData(row), value);
    }

    wait.setText(QStringLiteral("Saving data, please wait ..."));
    LanguageStore &store = m_owner->languageStore();
    const QString displayName = LocaleCatalogue::DisplayNameAt(languageIndex);
    if (!store.SaveLanguageFile(displayName, saveList)) {
        // Nothing was written: the editor stays open with every row and mark as
        // it was, so nothing the user typed is lost.
        wait.finish();
        MessageBox::show(this, QMessageBox::Critical, ProgramName,
                         QStringLiteral("The changes could not be saved to \"%1\".\n\n%2\n\nEvery change is still here; "
                                        "correct the problem and save again.")
                             .arg(LanguageStore::fileNameFor(displayName), store.lastError()));
        return;
    }
    const QString notice = store.lastNotice();
    m_owner->ApplySavedValues(saveList);
    wait.finish();
    if (!notice.isEmpty())
        MessageBox::show(this, QMessageBox::Information, ProgramName, notice);
    done(ResultSaved);
}

void CVuduzLanguageMapDlg::OnCancel()
{
    const EntryListModel *model = entries();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (isMarked(model->text(row, model->statusColumn()))) {
            const auto answer = MessageBox::show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                                                 QStringLiteral(" Are you sure you want to exit without saving any changes?"),
                                                 QMessageBox::Yes | QMessageBox::No);
            if (answer == QMessageBox::Yes)
                done(ResultCancelled);
            return;
        }
    }
    done(ResultCancelled);
}

void CVuduzLanguageMapDlg::OnRemoveRedundantEntries()
{
    MessageBox::show(this, QMessageBox::Information, ProgramName, QStringLiteral("DONE."));
}

void CVuduzLanguageMapDlg::OnReferenceLanguageChanged()
{
    WaitingScope wait(this, LoadingText);
    m_list->hide();
    LoadReference();
    m_list->show();
    wait.finish();
    m_list->setFocus(); // the fields keep showing the previous reference until an entry is shown
}

void CVuduzLanguageMapDlg::reject()
{
    OnCancel();
}

void CVuduzLanguageMapDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    OnCancel();
}

bool CVuduzLanguageMapDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && (widget == this || isAncestorOf(widget)) && isVisible())
        {
            const auto *key = static_cast<QKeyEvent *>(event);
            return handleKey(key->key(), key->modifiers(), widget);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CVuduzLanguageMapDlg::handleKey(int key, Qt::KeyboardModifiers modifiers, const QWidget *target)
{
    const Qt::KeyboardModifiers mods = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key == Qt::Key_J && (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier))) {
        ShowNextUntranslated(!(mods & Qt::ShiftModifier));
        return true;
    }
    if (key == Qt::Key_F8 && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
        ShowNextProblem(mods == Qt::NoModifier);
        return true;
    }
    // Undo and redo act on applied values from anywhere but the two fields that
    // keep their own text undo: Search and Filter.
    const bool ownTextUndo = target == m_searchEdit || target == m_filterEdit;
    if (!ownTextUndo && key == Qt::Key_Z && mods == Qt::ControlModifier) {
        Undo();
        return true;
    }
    if (!ownTextUndo && ((key == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier))
                         || (key == Qt::Key_Y && mods == Qt::ControlModifier))) {
        Redo();
        return true;
    }
    if (key == Qt::Key_U && mods == Qt::ControlModifier) {
        UseCaseVariant();
        return true;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::ControlModifier) {
        ApplyValue();
        ShowNextUntranslated(true);
        return true;
    }
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QWidget *focus = focusWidget();
        if (focus == m_searchEdit) {
            readFields();
            SearchNext(searchText);
        } else if (focus == m_valueEdit) {
            ApplyValue();
        }
        return true;
    }
    case Qt::Key_Escape:
        return true; // the editor never closes on Escape
    case Qt::Key_Up:
    case Qt::Key_Down: {
        // The arrows act on the entry list from anywhere in the editor.
        const int n = entries()->rowCount();
        if (n == 0)
            return true;
        // With a filter they step over the rows it hides.
        const int mark = m_list->selectionMark();
        if (key == Qt::Key_Up) {
            if (mark < 0)
                ShowEntry(nextShownRow(-1, 1));
            else if (const int up = nextShownRow(mark, -1); up >= 0)
                ShowEntry(up);
        } else if (const int down = nextShownRow(mark, 1); down >= 0) {
            ShowEntry(down);
        }
        return true;
    }
    default:
        return false;
    }
}

int CVuduzLanguageMapDlg::nextShownRow(int row, int step) const
{
    const int n = entries()->rowCount();
    for (row += step; row >= 0 && row < n; row += step)
        if (m_list->isRowShown(row))
            return row;
    return -1;
}

void CVuduzLanguageMapDlg::applyFilter()
{
    EntryFilterModel *filter = m_list->filterModel();
    const auto mode = EntryFilterMode(std::max(0, m_showCombo->currentIndex()));
    const QString text = m_filterEdit->text();
    if (mode == filter->mode() && text == filter->text())
        return;
    if (mode != filter->mode())
        filter->setMode(mode);
    if (text != filter->text())
        filter->setText(text);
    m_list->setFilterActive(filter->isActive());
    // The shown entry stays selected when the filter lets it through.
    if (m_shownEntry) {
        const int row = entries()->findRowById(*m_shownEntry);
        if (row >= 0 && m_list->isRowShown(row)) {
            m_list->setSelectionMark(row);
            m_list->ensureRowVisible(row);
        }
    }
    searchCursor = -1;
    updateCounts();
}

void CVuduzLanguageMapDlg::updateCounts()
{
    const EntryListModel *model = entries();
    const int total = model->rowCount();
    m_shownCount->setText(QStringLiteral("Showing %1 of %2").arg(grouped(m_list->filterModel()->rowCount()), grouped(total)));
    int translated = 0;
    int errors = 0;
    int modified = 0;
    const int status = model->statusColumn();
    for (const EntryRow &row : model->rows()) {
        if (!isBlankValue(row.cells[1]))
            ++translated;
        if (status >= 0) {
            if (row.cells[size_t(status)] == StatusError)
                ++errors;
            else if (row.cells[size_t(status)] == StatusModified)
                ++modified;
        }
    }
    m_progress->setText(QStringLiteral("%1 of %2 translated \u00b7 %3 %4 \u00b7 %5 modified")
                            .arg(grouped(translated), grouped(total), grouped(errors),
                                 errors == 1 ? QStringLiteral("error") : QStringLiteral("errors"), grouped(modified)));
}

std::vector<Finding> CVuduzLanguageMapDlg::findingsOf(const EntryRow &row) const
{
    return checkValue(row.cells[1], row.cells[2], attributeIndexOf(row.id), m_languageName, m_isMaster);
}

QString CVuduzLanguageMapDlg::whyText(const EntryRow &row) const
{
    QStringList parts;
    const QString &value = row.cells[1];
    // A file line ends at a line break, and a NUL ends the text: Save refuses both.
    if (value.contains(u'\n') || value.contains(u'\r'))
        parts << QStringLiteral("a line break cannot be stored in the file: Save will refuse it");
    if (value.contains(QChar(u'\0')))
        parts << QStringLiteral("a NUL character cannot be stored in the file: Save will refuse it");
    for (const Finding &f : findingsOf(row)) {
        if (f.severity == FindingSeverity::Error)
            parts << f.message;
        else if (f.severity == FindingSeverity::Warning)
            parts << QStringLiteral("warning: ") + f.message;
    }
    if (m_stale.contains(row.id))
        parts << QStringLiteral("warning: ") + englishChangeText(row.id);
    if (const auto variant = m_caseVariants.constFind(row.id); variant != m_caseVariants.cend())
        parts << QStringLiteral("the file also holds %1=%2, which differs only in letter case and which the next save "
                                "deletes: Use It (Ctrl+U) takes its value")
                     .arg(variant->key, variant->value);
    return parts.join(QStringLiteral("; "));
}

void CVuduzLanguageMapDlg::updateWhy()
{
    if (!m_why)
        return;
    QString text;
    const int row = m_shownEntry ? entries()->findRowById(*m_shownEntry) : -1;
    if (row >= 0) {
        text = whyText(entries()->rows()[size_t(row)]);
        if (m_valueEdit->text() != entries()->text(row, 1))
            text = text.isEmpty() ? QStringLiteral("Not applied: Enter applies it")
                                  : QStringLiteral("Not applied: Enter applies it; ") + text;
    }
    m_why->setText(text);
    m_why->setToolTip(text);
    m_why->setCursorPosition(0);
    const bool variant = row >= 0 && m_caseVariants.contains(*m_shownEntry);
    if (m_useIt->isVisibleTo(this) != variant) {
        m_useIt->setVisible(variant);
        layoutControls();
    }
}

int CVuduzLanguageMapDlg::showNextMatching(bool forward, const std::function<bool(int row)> &matches,
                                           const QString &noneText)
{
    const int n = entries()->rowCount();
    const int step = forward ? 1 : -1;
    const int start = m_list->selectionMark();
    int row = start;
    bool wrapped = false;
    for (int seen = 0; seen < n; ++seen) {
        row += step;
        if (row >= n || row < 0) {
            row = forward ? 0 : n - 1;
            wrapped = start >= 0;
        }
        if (m_list->isRowShown(row) && matches(row)) {
            ShowEntry(row);
            m_status->setText(!wrapped ? QString()
                                  : forward ? QStringLiteral("Passed the end of the list: went on from the top")
                                            : QStringLiteral("Passed the start of the list: went on from the bottom"));
            return row;
        }
    }
    m_status->setText(noneText);
    return -1;
}

int CVuduzLanguageMapDlg::ShowNextUntranslated(bool forward)
{
    const EntryListModel *model = entries();
    return showNextMatching(
        forward,
        [model](int row) { return !model->text(row, 0).trimmed().isEmpty() && isBlankValue(model->text(row, 1)); },
        QStringLiteral("No untranslated entry"));
}

int CVuduzLanguageMapDlg::ShowNextProblem(bool forward)
{
    const EntryListModel *model = entries();
    return showNextMatching(
        forward,
        [this, model](int row) {
            const EntryRow &entry = model->rows()[size_t(row)];
            if (model->text(row, model->statusColumn()) == StatusError || m_stale.contains(entry.id))
                return true;
            for (const Finding &f : findingsOf(entry))
                if (f.severity != FindingSeverity::Info)
                    return true;
            return false;
        },
        QStringLiteral("No entry with an error or a warning"));
}

std::optional<QString> CVuduzLanguageMapDlg::unappliedText() const
{
    if (!m_shownEntry)
        return std::nullopt;
    const int row = entries()->findRowById(*m_shownEntry);
    if (row < 0 || m_valueEdit->text() == entries()->text(row, 1))
        return std::nullopt;
    return m_valueEdit->text();
}

EntrySnapshot CVuduzLanguageMapDlg::snapshotOf(int row) const
{
    const EntryListModel *model = entries();
    return {model->text(row, 1), model->text(row, model->statusColumn()), m_stale.contains(model->itemData(row))};
}

void CVuduzLanguageMapDlg::restore(int row, const EntrySnapshot &snapshot)
{
    EntryListModel *model = entries();
    const AttributeId id = model->itemData(row);
    m_list->filterModel()->keepShown(id);
    if (snapshot.stale)
        m_stale.insert(id);
    else
        m_stale.remove(id);
    model->setText(row, 1, snapshot.value);
    model->setText(row, model->statusColumn(), snapshot.state);
}

void CVuduzLanguageMapDlg::Undo()
{
    readFields();
    // Typing comes first, as in any text field: the Value field gets the applied
    // value back, and Ctrl+Shift+Z puts the typing back.
    if (const std::optional<QString> typed = unappliedText()) {
        m_takenBack = TakenBackTyping{*m_shownEntry, *typed};
        m_valueEdit->setText(entries()->text(entries()->findRowById(*m_shownEntry), 1));
        m_status->setText(QStringLiteral("Typing taken back: Ctrl+Shift+Z puts it back"));
        return;
    }
    const EditStep *step = m_history.undo();
    if (!step) {
        m_status->setText(QStringLiteral("Nothing to undo"));
        return;
    }
    replay(*step, false);
}

void CVuduzLanguageMapDlg::Redo()
{
    readFields();
    if (unappliedText()) {
        m_status->setText(QStringLiteral("The Value field holds text not applied: Enter applies it, Ctrl+Z takes it back"));
        return;
    }
    if (m_takenBack && m_shownEntry && m_takenBack->entry == *m_shownEntry) {
        m_valueEdit->setText(m_takenBack->text);
        m_takenBack.reset();
        m_status->setText(QStringLiteral("Typing put back: Enter applies it"));
        return;
    }
    const EditStep *step = m_history.redo();
    if (!step) {
        m_status->setText(QStringLiteral("Nothing to redo"));
        return;
    }
    replay(*step, true);
}

void CVuduzLanguageMapDlg::replay(const EditStep &step, bool again)
{
    m_takenBack.reset();
    m_replaying = true;
    if (step.kind == EditStep::Kind::Discarded) {
        ShowEntry(entries()->findRowById(step.entry));
        if (!again)
            m_valueEdit->setText(step.typedText);
    } else {
        if (step.rows.size() > 1)
            restoreMany(step, again);
        else
            restore(entries()->findRowById(step.rows.front().id), again ? step.rows.front().after : step.rows.front().before);
        ShowEntry(entries()->findRowById(step.rows.front().id));
    }
    m_replaying = false;
    m_status->setText((again ? QStringLiteral("Redone: ") : QStringLiteral("Undone: ")) + step.description);
    updateWhy();
}

void CVuduzLanguageMapDlg::restoreMany(const EditStep &step, bool after)
{
    QHash<AttributeId, const EntrySnapshot *> snapshots;
    snapshots.reserve(qsizetype(step.rows.size()));
    for (const RowChange &change : step.rows) {
        snapshots.insert(change.id, after ? &change.after : &change.before);
        m_list->filterModel()->keepShown(change.id);
        if ((after ? change.after : change.before).stale)
            m_stale.insert(change.id);
        else
            m_stale.remove(change.id);
    }
    const int status = entries()->statusColumn();
    entries()->updateRows([&](EntryRow &row) {
        if (const EntrySnapshot *snapshot = snapshots.value(row.id)) {
            row.cells[1] = snapshot->value;
            row.cells[size_t(status)] = snapshot->state;
        }
    });
}

void CVuduzLanguageMapDlg::applyValues(const std::vector<std::pair<int, QString>> &values, const QString &description)
{
    EntryListModel *model = entries();
    EditStep step;
    step.description = description;
    step.rows.reserve(values.size());
    for (const auto &[row, value] : values) {
        const AttributeId id = model->itemData(row);
        EntrySnapshot after{value, CheckPlaceholders(value, model->text(row, 2), id) ? StatusModified : StatusError, false};
        step.rows.push_back({id, snapshotOf(row), std::move(after)});
    }
    if (step.rows.empty())
        return;
    if (step.rows.size() == 1)
        restore(model->findRowById(step.rows.front().id), step.rows.front().after);
    else
        restoreMany(step, true);
    m_takenBack.reset();
    m_history.record(std::move(step));
}

void CVuduzLanguageMapDlg::UseCaseVariant()
{
    if (!m_shownEntry)
        return;
    const auto variant = m_caseVariants.constFind(*m_shownEntry);
    if (variant == m_caseVariants.cend()) {
        m_status->setText(QStringLiteral("The file holds no key that differs from this one only in letter case"));
        return;
    }
    m_valueEdit->setText(variant->value);
    m_valueEdit->setFocus();
    m_status->setText(QStringLiteral("The value of %1 is in the Value field: Enter applies it").arg(variant->key));
}

QString CVuduzLanguageMapDlg::englishChangeText(AttributeId id) const
{
    const auto change = m_englishChanges.constFind(id);
    if (change == m_englishChanges.cend())
        return {};
    const auto [before, after] = markChangedWords(change->before, change->after);
    return QStringLiteral("the English changed since the earlier release, from \"%1\" to \"%2\"").arg(before, after);
}

void CVuduzLanguageMapDlg::OnImport()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Import"), QString(),
                                                      QStringLiteral("XLIFF or CSV files (*.xlf *.xliff *.csv);;All files (*)"));
    if (!path.isEmpty())
        ImportFile(path);
}

void CVuduzLanguageMapDlg::OnExport()
{
    const QString suggested = QFileInfo(LanguageStore::fileNameFor(m_languageName)).completeBaseName() + QStringLiteral(".xlf");
    QString filter;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export"), suggested,
                                                QStringLiteral("XLIFF 1.2 (*.xlf);;CSV (*.csv)"), &filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.startsWith(QLatin1String("CSV")) ? QStringLiteral(".csv") : QStringLiteral(".xlf");
    ExportFile(path);
}

bool CVuduzLanguageMapDlg::ImportFile(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    auto refuse = [&](const QString &why) {
        MessageBox::show(this, QMessageBox::Warning, ProgramName,
                         QStringLiteral("\"%1\" was not imported: %2\n\nNo entry was changed.").arg(fileName, why));
        return false;
    };
    QFile file(path);
    if (!QFileInfo(path).isFile())
        return refuse(QStringLiteral("it is not a file."));
    if (file.size() > MaximumExchangeFileSize)
        return refuse(QStringLiteral("it is larger than %1 MB.").arg(MaximumExchangeFileSize / (1024 * 1024)));
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString() + u'.');
    ExchangeFile exchange;
    QString error;
    if (!readExchangeFile(file.readAll(), exchange, error))
        return refuse(error);

    // The import sees the rows in catalogue order, whatever order the list shows.
    EntryListModel *model = entries();
    std::vector<int> byId(size_t(model->rowCount()));
    for (int row = 0; row < model->rowCount(); ++row)
        byId[size_t(row)] = row;
    std::sort(byId.begin(), byId.end(), [model](int a, int b) { return model->itemData(a) < model->itemData(b); });
    ImportTarget target;
    target.languageName = m_languageName;
    target.languageTag = LocaleCatalogue::Bcp47ForDisplayName(m_languageName);
    target.isMaster = m_isMaster;
    for (int row : byId) {
        target.attributeNames << model->text(row, 0);
        target.masterValues << model->text(row, 2);
        target.currentValues << model->text(row, 1);
    }
    // As with Modify, a value that fails the placeholder check goes in, marked ERROR.
    const ImportPlan plan = planImport(exchange, target, ImportOptions{true});
    if (plan.fileRefused)
        return refuse(plan.error);

    std::vector<std::pair<int, QString>> values;
    values.reserve(plan.changes.size());
    for (const ImportChange &change : plan.changes)
        values.emplace_back(byId[size_t(change.attributeIndex)], change.newValue);
    applyValues(values, QStringLiteral("the import of ") + fileName);
    int errors = 0;
    for (const auto &[row, value] : values) {
        if (model->text(row, model->statusColumn()) == StatusError)
            ++errors;
    }
    if (!values.empty()) {
        // The first changed row is shown; the fields follow it.
        ShowEntry(values.front().first);
    }

    QString summary = QStringLiteral("%1 entries changed by \"%2\"").arg(grouped(int(values.size())), fileName);
    if (errors > 0)
        summary += QStringLiteral(", %1 of them marked ERROR: their placeholders differ from the reference").arg(grouped(errors));
    summary += QStringLiteral(".\n%1 unchanged or empty.").arg(grouped(plan.unchanged));
    if (!plan.refusals.empty()) {
        summary += QStringLiteral("\n%1 refused:").arg(grouped(int(plan.refusals.size())));
        constexpr size_t Listed = 10;
        for (size_t i = 0; i < std::min(Listed, plan.refusals.size()); ++i)
            summary += QStringLiteral("\n  %1: %2").arg(plan.refusals[i].key, plan.refusals[i].reason);
        if (plan.refusals.size() > Listed)
            summary += QStringLiteral("\n  and %1 more").arg(grouped(int(plan.refusals.size() - Listed)));
    }
    if (!values.empty())
        summary += QStringLiteral("\n\nNothing is written until you save; Ctrl+Z takes the whole import back.");
    m_status->setText(summary.section(u'\n', 0, 0));
    MessageBox::show(this, QMessageBox::Information, ProgramName, summary);
    return true;
}

bool CVuduzLanguageMapDlg::ExportFile(const QString &path)
{
    const EntryListModel *model = entries();
    const QString referenceName =
        m_referenceCombo->currentIndex() >= 0 ? LocaleCatalogue::DisplayNameAt(m_referenceCombo->currentData().toInt()) : QString();
    ExchangeDocument document;
    document.original = QStringLiteral("language/") + LanguageStore::fileNameFor(m_languageName);
    document.sourceLanguage = LocaleCatalogue::Bcp47ForDisplayName(referenceName.isEmpty() ? LocaleCatalogue::DisplayNameAt(0)
                                                                                           : referenceName);
    document.targetLanguage = LocaleCatalogue::Bcp47ForDisplayName(m_languageName);
    // The rows the filter shows, in catalogue order.
    std::vector<const EntryRow *> shown;
    for (int row = 0; row < model->rowCount(); ++row)
        if (m_list->isRowShown(row))
            shown.push_back(&model->rows()[size_t(row)]);
    std::sort(shown.begin(), shown.end(), [](const EntryRow *a, const EntryRow *b) { return a->id < b->id; });
    document.entries.reserve(shown.size());
    for (const EntryRow *row : shown) {
        document.entries.push_back(makeExchangeEntry(row->cells[0], attributeIndexOf(row->id), row->cells[1], false,
                                                     row->cells[2], m_languageName, m_isMaster));
    }
    const ExchangeFormat format =
        QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? ExchangeFormat::Csv : ExchangeFormat::Xliff;
    QSaveFile out(path);
    const QByteArray bytes = writeExchange(document, format);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush() || !out.commit()) {
        MessageBox::show(this, QMessageBox::Critical, ProgramName,
                         QStringLiteral("\"%1\" could not be written: %2").arg(QDir::toNativeSeparators(path), out.errorString()));
        return false;
    }
    m_status->setText(QStringLiteral("Exported %1 entries to %2").arg(grouped(int(shown.size())), QFileInfo(path).fileName()));
    return true;
}

void CVuduzLanguageMapDlg::OnCompareWithEarlierRelease()
{
    if (const QString path = chooseEarlierRelease(this); !path.isEmpty())
        CompareWithEarlierRelease(path);
}

bool CVuduzLanguageMapDlg::CompareWithEarlierRelease(const QString &path)
{
    ReleaseComparison comparison;
    const QString product = QFileInfo(m_owner->languageStore().directory()).absolutePath();
    if (!comparison.compare(path, product)) {
        MessageBox::show(this, QMessageBox::Warning, ProgramName,
                         QStringLiteral("No comparison with \"%1\": %2").arg(QDir::toNativeSeparators(path), comparison.error()));
        return false;
    }
    const EntryListModel *model = entries();
    QHash<QString, QString> values;
    values.reserve(model->rowCount());
    for (const EntryRow &row : model->rows())
        values.insert(row.cells[0], row.cells[1]);
    const QSet<QString> stale = comparison.staleKeys(m_languageName, values);
    m_stale.clear();
    m_englishChanges.clear();
    for (const EntryRow &row : model->rows()) {
        if (const EnglishChange *change = comparison.change(row.cells[0])) {
            m_englishChanges.insert(row.id, *change);
            if (stale.contains(row.cells[0]))
                m_stale.insert(row.id);
        }
    }
    if (m_showCombo->findText(ReferenceChangedItem) < 0)
        m_showCombo->addItem(ReferenceChangedItem);
    // The filter asks again whether each row is stale.
    if (m_showCombo->currentIndex() == int(EntryFilterMode::ReferenceChanged)
        || m_showCombo->currentIndex() == int(EntryFilterMode::Warnings))
        m_list->filterModel()->setMode(m_list->filterModel()->mode());
    m_status->setText(QStringLiteral("Since the earlier release: %1 added, %2 removed, %3 changed; %4 stale here")
                          .arg(grouped(int(comparison.added().size())), grouped(int(comparison.removed().size())),
                               grouped(int(comparison.changed().size())), grouped(int(m_stale.size()))));
    updateWhy();
    updateCounts();
    return true;
}

void CVuduzLanguageMapDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutControls();
}

void CVuduzLanguageMapDlg::layoutControls()
{
    if (!m_list)
        return;
    const int right = width();
    const int bottom = height();
    m_list->setGeometry(10, 270, right - 20, bottom - 315);
    findControl<QWidget>(this, IDC_ADD_ATTRIBUTE)->setGeometry(25, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_SAVE)->setGeometry(right - 230, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_CANCEL)->setGeometry(right - 110, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_REMOVE_REDUNDANT)->move(10, bottom - 40);

    // The band below the "Modify" group and the hidden "Next Blank", above the list: two lines.
    int top = 0;
    for (int id : {IDC_MODIFY_GROUP, IDC_NEXT_BLANK, IDC_REFERENCE_LANGUAGE})
        top = std::max(top, findControl<QWidget>(this, id)->geometry().bottom() + 2);
    const int band = std::max(0, m_list->y() - 2 - top);
    const int line = std::min(band / 2, m_filterEdit->sizeHint().height());
    const int width = right - 20;
    m_showCombo->setGeometry(10, top, 140, line);
    m_filterEdit->setGeometry(156, top, std::max(60, width / 3), line);
    const int countLeft = m_filterEdit->geometry().right() + 8;
    m_shownCount->setGeometry(countLeft, top, 180, line);
    m_progress->setGeometry(countLeft + 186, top, std::max(0, right - 10 - countLeft - 186), line);
    const int useIt = m_useIt->isVisibleTo(this) ? m_useIt->sizeHint().width() + 6 : 0;
    m_why->setGeometry(10, top + line, width * 3 / 5 - useIt, line);
    m_useIt->setGeometry(10 + width * 3 / 5 - useIt + 3, top + line, useIt - 6, line);
    m_status->setGeometry(16 + width * 3 / 5, top + line, width - 6 - width * 3 / 5, line);
}

} // namespace Glossa
