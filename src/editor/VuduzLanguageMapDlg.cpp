#include "editor/VuduzLanguageMapDlg.h"

#include "checks/CheckEngine.h"
#include "checks/PlaceholderCheck.h"
#include "editor/EditorCommands.h"
#include "editor/EditorExchange.h"
#include "editor/EditorFilterBar.h"
#include "editor/EditorOwner.h"
#include "editor/EditorPlace.h"
#include "editor/EditorRecovery.h"
#include "editor/EditorReview.h"
#include "editor/EditorSaving.h"
#include "editor/EditorSpelling.h"
#include "editor/EditorGlossary.h"
#include "editor/EditorSuggestions.h"
#include "editor/EditorSupport.h"
#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"
#include "editor/PlaceholderMarks.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/DialogFont.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "shared/StatusField.h"
#include "waiting/WaitingScope.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

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
    // The parts go before the children that QWidget deletes: nothing a dying child
    // signals may reach them.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
}

EntryListModel *CVuduzLanguageMapDlg::entries() const
{
    return m_list->entryModel();
}

void CVuduzLanguageMapDlg::buildControls()
{
    // The fixed controls live in an area of their own, below the menu bar and left
    // of the side panel; its size lays them out.
    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("Editor area"));
    m_area->installEventFilter(this);
    // The review makes "Use It" before the template's controls, so that they keep
    // their places among the children.
    m_review = std::make_unique<EditorReview>(*this);
    m_exchange = std::make_unique<EditorExchange>(*this);
    m_recovery = new EditorRecovery(*this);
    const DialogBaseUnits units = dialogBaseUnits(font());
    m_list = new CVuduzListCtrl({QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"),
                                 QStringLiteral("Statue")},
                                m_area);
    createControls(m_area, editorTemplate(), units, {{IDC_ENTRY_LIST, m_list}});
    const QSize areaSize = dialogUnitsToPixels(QSize(495, 332), units);
    m_area->resize(areaSize);
    m_defaultAreaWidth = areaSize.width();
    for (int id : {IDC_MODIFY_GROUP, IDC_VALUE, IDC_REFERENCE, IDC_NOTICE, IDC_NEXT_BLANK, IDC_REFERENCE_LANGUAGE_LABEL,
                   IDC_REFERENCE_LANGUAGE})
        m_defaultPlaces.insert(id, findControl<QWidget>(m_area, id)->geometry());

    m_searchEdit = findControl<QLineEdit>(this, IDC_SEARCH_TEXT);
    m_valueEdit = findControl<QLineEdit>(this, IDC_VALUE);
    // A line edit cuts text at 32,767 characters by default; the field never cuts a value.
    m_valueEdit->setMaxLength(std::numeric_limits<int>::max());
    m_spelling = std::make_unique<EditorSpelling>(*this);
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

    // The filter bar lives in the free band between the "Modify" group and the list,
    // the why line and the status below it.
    m_filterBar = std::make_unique<EditorFilterBar>(*this);
    m_status = new StatusField(m_area, QStringLiteral("Editor status"));
    m_review->createWhyField();
    connect(m_valueEdit, &QLineEdit::textChanged, this, &CVuduzLanguageMapDlg::updateWhy);
    // Placeholders in their own colour, so that one missing is seen before Enter.
    connect(m_valueEdit, &QLineEdit::textChanged, this, [this] { markFieldPlaceholders(m_valueEdit); });
    connect(m_referenceEdit, &QLineEdit::textChanged, this, [this] { markFieldPlaceholders(m_referenceEdit); });
    entries()->setToolTipProvider([this](const EntryRow &row) { return whyText(row); });
    m_valueEdit->setToolTip(QStringLiteral("Enter applies the value; Ctrl+Return applies it and shows the next "
                                           "untranslated entry (Ctrl+J); Ctrl+Z / Ctrl+Shift+Z: undo / redo"));
    m_list->setToolTip(QStringLiteral("Up / Down: previous / next entry; Ctrl+J / Ctrl+Shift+J: next / previous "
                                      "untranslated entry; F8 / Shift+F8: next / previous entry with an error or a warning"));
    m_status->setToolTip(QStringLiteral("Ctrl+J / Ctrl+Shift+J: next / previous untranslated entry; F8 / Shift+F8: "
                                        "next / previous entry with an error or a warning; Ctrl+Return: apply and "
                                        "go to the next untranslated entry"));

    m_suggestions = std::make_unique<EditorSuggestions>(*this);
    // The side panel beside the area, the menu bar above both; the list's context
    // menu holds the same actions as the menus.
    m_place = new EditorPlace(*this, m_area, areaSize);
    m_place->addSection(m_suggestions.get());
    m_glossary = std::make_unique<EditorGlossary>(*this);
    m_place->addSection(m_glossary.get());
    connect(m_glossary.get(), &EditorGlossary::loaded, this, [this] {
        updateWhy();
        markFieldPlaceholders(m_referenceEdit);
    });
    m_commands = new EditorCommands(*this);
    m_commands->addToContextMenu(m_list);
    m_suggestions->addMenuActions(m_list);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    resize(areaSize.width(), areaSize.height() + m_commands->menuBar()->sizeHint().height());
    connect(m_filterBar->showCombo(), &QComboBox::currentIndexChanged, m_commands,
            [this](int mode) { m_commands->showModeChanged(mode); });

    // Enter, Escape and the arrows reach the editor before the control they are
    // sent to; a key of a command reaches its action even from a field that
    // would take it for itself.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

int CVuduzLanguageMapDlg::exec()
{
    if (!m_initialised)
        OnInitDialog();
    if (m_startCancelled)
        return result();
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
    m_review->loadCaseVariants(m_owner->languageStore(), m_languageName);

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
    m_suggestions->start();
    m_glossary->start();
    {
        // A file that reads as no text is shown, never written.
        ProfileFile file(m_owner->languageStore().filePathFor(m_languageName));
        file.requireSection(TextSectionName);
        if (file.load() && file.isUndecodable())
            setReadOnly(QStringLiteral("\"%1\" cannot be read as text (%2); nothing will be written to it")
                            .arg(LanguageStore::fileNameFor(m_languageName), file.undecodableReason()));
    }

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
    if (initialEntryId >= 0 && initialEntryId <= qint64(std::numeric_limits<AttributeId>::max()))
        ShowEntry(entries()->findRowById(AttributeId(initialEntryId)));
    // The lock's question and the journal's offer come with the rows in place and
    // before the window shows, so that it shows read-only or with the restored
    // values from its first moment.
    if (!m_recovery->start()) {
        m_startCancelled = true;
        setResult(ResultCancelled);
        return;
    }
    // The remembered size and place, or the default size with the panel beside it.
    m_place->restore();
    // Modal from the moment it is shown: a dialog shown first and made modal
    // afterwards would leave its owner open to input.
    setWindowModality(Qt::ApplicationModal);
    show();
    activateWindow();
    setFocus();
    if (m_shownEntry)
        m_valueEdit->setFocus();
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
    valueText = fieldValue();
    referenceText = m_referenceEdit->text();
}

QString CVuduzLanguageMapDlg::fieldValue() const
{
    return m_valueHeld ? m_heldValue : m_valueEdit->text();
}

void CVuduzLanguageMapDlg::setReadOnly(const QString &reason)
{
    m_readOnlyReason = reason;
    for (int id : {IDC_SAVE, IDC_MODIFY, IDC_REMOVE_REDUNDANT, IDC_ADD_ATTRIBUTE})
        findControl<QWidget>(this, id)->setEnabled(false);
    m_valueEdit->setReadOnly(true);
    if (!windowTitle().endsWith(QStringLiteral(" (read-only)")))
        setWindowTitle(windowTitle() + QStringLiteral(" (read-only)"));
    m_status->setText(QStringLiteral("Read-only: ") + reason);
    m_status->setToolTip(m_status->text());
    m_status->setCursorPosition(0);
}

void CVuduzLanguageMapDlg::writeFields()
{
    // Writing the search field would reset the search; it is only ever read.
    m_attributeEdit->setText(attributeText);
    // A value longer than the field takes quickly is shown cut and read-only, and kept whole.
    m_valueHeld = valueText.size() > LongValueLimit;
    m_heldValue = m_valueHeld ? valueText : QString();
    m_valueEdit->setReadOnly(m_valueHeld || isReadOnly());
    m_valueEdit->setText(m_valueHeld ? valueText.left(LongValueLimit) : valueText);
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
    m_review->entryLeaving();
    attributeText = model->text(row, 0);
    valueText = model->text(row, 1);
    referenceText = model->text(row, 2);
    m_shownEntry = model->itemData(row);
    m_valueEdit->setFocus();
    writeFields();
    m_recovery->entryShown();
    updateWhy();
    m_suggestions->entryShown();
    m_glossary->entryShown();
    markFieldPlaceholders(m_referenceEdit);
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
    // Nothing can have been typed into a field that is read-only.
    if (isReadOnly() || m_valueHeld)
        return;
    readFields();
    // The value belongs to the attribute the fields show, found by its id; the
    // list's selection may have moved to another row since (Page Down, a sort).
    if (!m_shownEntry)
        return;
    const int row = entries()->findRowById(*m_shownEntry);
    if (row < 0)
        return;
    EntryListModel *model = entries();
    RowChange change{*m_shownEntry, m_review->snapshotOf(row), {}};
    m_list->filterModel()->keepShown(*m_shownEntry);
    m_exchange->setStale(*m_shownEntry, false); // the translator has looked at the new English
    model->setText(row, 1, valueText);
    m_list->setSelectionMark(row);
    m_list->ensureRowVisible(row);
    model->setText(row, model->statusColumn(), CheckEntry(row) ? StatusModified : StatusError);
    change.after = m_review->snapshotOf(row);
    m_review->recordApplied(std::move(change), QStringLiteral("the value of ") + model->text(row, 0));
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
    if (isReadOnly())
        return;
    EditorSaving(*this).save();
}

void CVuduzLanguageMapDlg::OnCancel()
{
    EditorSaving(*this).cancel();
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
    if (watched == m_area && event->type() == QEvent::Resize) {
        layoutControls();
        return false;
    }
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || !isVisible() || widget->window() != this)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride && m_commands
        && m_commands->isCommandKey(static_cast<QKeyEvent *>(event), widget)) {
        event->ignore(); // not the field's: the command's action takes it
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        return handleKey(key->key(), key->modifiers(), widget);
    }
    return QDialog::eventFilter(watched, event);
}

bool CVuduzLanguageMapDlg::handleKey(int key, Qt::KeyboardModifiers modifiers, const QWidget *target)
{
    const Qt::KeyboardModifiers mods = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    Q_UNUSED(target);
    // The commands' keys are their actions' (see EditorCommands); here only the
    // keys that move or that must never press a button.
    if ((mods & (Qt::ControlModifier | Qt::AltModifier)) && key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
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
                ShowEntry(m_filterBar->nextShownRow(-1, 1));
            else if (const int up = m_filterBar->nextShownRow(mark, -1); up >= 0)
                ShowEntry(up);
        } else if (const int down = m_filterBar->nextShownRow(mark, 1); down >= 0) {
            ShowEntry(down);
        }
        return true;
    }
    default:
        return false;
    }
}

std::vector<Finding> CVuduzLanguageMapDlg::findingsOf(const EntryRow &row) const
{
    return checkValue(row.cells[1], row.cells[2], attributeIndexOf(row.id), m_languageName, m_isMaster);
}

void CVuduzLanguageMapDlg::done(int result)
{
    if (m_place && isVisible())
        m_place->remember();
    QDialog::done(result);
}

void CVuduzLanguageMapDlg::markFieldPlaceholders(QLineEdit *field)
{
    // The glossary's terms are marked in the Reference field.
    markPlaceholders(field, placeholderRuleFor(m_shownEntry.value_or(1)),
                     field == m_referenceEdit && m_glossary ? m_glossary->termSpans(field->text())
                                                            : QList<std::pair<int, int>>());
}

QString CVuduzLanguageMapDlg::productDirectory() const
{
    return QFileInfo(m_owner->languageStore().directory()).absolutePath();
}

bool CVuduzLanguageMapDlg::insertNextPlaceholder()
{
    return m_commands->insertNextPlaceholder();
}

void CVuduzLanguageMapDlg::layoutControls()
{
    if (!m_list || !m_filterBar || !m_review->whyField())
        return;
    // Right and bottom are the area's: left of the side panel, below the menu bar.
    const int right = m_area->width();
    const int bottom = m_area->height();
    const int listTop = 270;
    const int listHeight = bottom - 315;
    m_list->setGeometry(10, listTop, right - 20, listHeight);
    if (m_place)
        m_place->fitColumns();
    // A wider area widens the "Modify" group with its Value and Reference fields;
    // the reference language moves with the group's right edge.
    const int wider = std::max(0, right - m_defaultAreaWidth);
    for (auto it = m_defaultPlaces.cbegin(); it != m_defaultPlaces.cend(); ++it) {
        QRect place = it.value();
        if (it.key() == IDC_MODIFY_GROUP || it.key() == IDC_VALUE || it.key() == IDC_REFERENCE || it.key() == IDC_NOTICE)
            place.setWidth(place.width() + wider);
        else
            place.translate(wider, 0);
        findControl<QWidget>(m_area, it.key())->setGeometry(place);
    }
    findControl<QWidget>(this, IDC_ADD_ATTRIBUTE)->setGeometry(25, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_SAVE)->setGeometry(right - 230, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_CANCEL)->setGeometry(right - 110, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_REMOVE_REDUNDANT)->move(10, bottom - 40);

    // The band below the "Modify" group and the hidden "Next Blank", above the list
    // and the panel: the filter bar, then the why line and the status.
    int top = 0;
    for (int id : {IDC_MODIFY_GROUP, IDC_NEXT_BLANK, IDC_REFERENCE_LANGUAGE})
        top = std::max(top, findControl<QWidget>(this, id)->geometry().bottom() + 2);
    const int band = std::max(0, listTop - 2 - top);
    const int line = std::min(band / 2, m_filterBar->filterEdit()->sizeHint().height());
    const int width = right - 20;
    m_filterBar->layout(QRect(10, top, width, line));
    m_review->layout(QRect(10, top + line, width * 3 / 5, line));
    m_status->setGeometry(16 + width * 3 / 5, top + line, width - 6 - width * 3 / 5, line);
}

} // namespace Glossa
