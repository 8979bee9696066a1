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
#include "editor/EditorSession.h"
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
    m_session->setLanguage(LocaleCatalogue::DisplayNameAt(languageIndex));
    m_session->setSourceRows(sourceList);
    const QString &languageName = m_session->languageName();

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
    m_review->loadCaseVariants(m_owner->languageStore(), languageName);

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
    m_filterBar->updateCounts();
    m_suggestions->start();
    m_glossary->start();
    {
        // A file that reads as no text is shown, never written.
        ProfileFile file(m_owner->languageStore().filePathFor(languageName));
        file.requireSection(TextSectionName);
        if (file.load() && file.isUndecodable())
            setReadOnly(QStringLiteral("\"%1\" cannot be read as text (%2); nothing will be written to it")
                            .arg(LanguageStore::fileNameFor(languageName), file.undecodableReason()));
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
    if (m_session->shownEntry())
        m_valueEdit->setFocus();
}

void CVuduzLanguageMapDlg::LoadReference()
{
    EntryListModel *model = entries();
    // With no other language present there is nothing to compare with: the
    // Reference cells stay empty and no row is marked.
    if (m_referenceCombo->currentIndex() < 0) {
        m_session->setReferenceName(QString());
        model->updateRows([](EntryRow &row) { row.cells[2].clear(); });
        return;
    }
    const QString displayName = LocaleCatalogue::DisplayNameAt(m_referenceCombo->currentData().toInt());
    m_session->setReferenceName(displayName);
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
    m_session->setReadOnlyReason(reason); // the window follows through readOnlyChanged
}

void CVuduzLanguageMapDlg::showReadOnly(const QString &reason)
{
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
    m_session->setFieldValue(fieldValue(), m_valueHeld);
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
    m_session->setShownEntry(model->itemData(row));
    m_valueEdit->setFocus();
    writeFields();
    m_recovery->entryShown();
    m_review->updateWhy();
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
    const std::optional<AttributeId> shown = m_session->shownEntry();
    if (!shown)
        return;
    const int row = entries()->findRowById(*shown);
    if (row < 0)
        return;
    EntryListModel *model = entries();
    RowChange change{*shown, m_session->snapshotOf(row), {}};
    m_list->filterModel()->keepShown(*shown);
    m_session->setStale(*shown, false); // the translator has looked at the new English
    model->setText(row, 1, valueText);
    m_list->setSelectionMark(row);
    m_list->ensureRowVisible(row);
    model->setText(row, model->statusColumn(), CheckEntry(row) ? StatusModified : StatusError);
    change.after = m_session->snapshotOf(row);
    m_review->recordApplied(std::move(change), QStringLiteral("the value of ") + model->text(row, 0));
    m_review->updateWhy();
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
    EditorSaving saving(*m_session, *m_recovery, this);
    if (!saving.save())
        return; // the editor stays open with every row as it was
    droppedValueCount = saving.droppedValueCount();
    keptJournalPath = saving.keptJournalPath();
    done(ResultSaved);
}

void CVuduzLanguageMapDlg::OnCancel()
{
    if (EditorSaving(*m_session, *m_recovery, this).cancel())
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

void CVuduzLanguageMapDlg::done(int result)
{
    if (m_place && isVisible())
        m_place->remember();
    QDialog::done(result);
}

void CVuduzLanguageMapDlg::markFieldPlaceholders(QLineEdit *field)
{
    // The glossary's terms are marked in the Reference field.
    markPlaceholders(field, placeholderRuleFor(m_session->shownEntry().value_or(1)),
                     field == m_referenceEdit && m_glossary ? m_glossary->termSpans(field->text())
                                                            : QList<std::pair<int, int>>());
}

bool CVuduzLanguageMapDlg::isReadOnly() const
{
    return m_session->isReadOnly();
}

void CVuduzLanguageMapDlg::connectSession()
{
    connect(m_session, &EditorSession::readOnlyChanged, this, &CVuduzLanguageMapDlg::showReadOnly);
    connect(m_session, &EditorSession::layoutRequested, this, &CVuduzLanguageMapDlg::layoutControls);
    connect(m_session, &EditorSession::rowsShownChanged, this, [this] { searchCursor = -1; });
    connect(m_session, &EditorSession::statusRequested, this, [this](const QString &text) { m_status->setText(text); });
    connect(m_session, &EditorSession::showEntryRequested, this,
            [this](AttributeId id) { ShowEntry(entries()->findRowById(id)); });
    connect(m_session, &EditorSession::valueTextRequested, this, [this](const QString &text) {
        m_valueEdit->setText(text);
        m_valueEdit->setFocus();
    });
    connect(m_session, &EditorSession::valueInsertRequested, this, [this](const QString &text) {
        if (!m_session->canEditValue())
            return;
        m_valueEdit->insert(text);
        m_valueEdit->setFocus();
    });
    connect(m_session, &EditorSession::applyShownValueRequested, this, &CVuduzLanguageMapDlg::ApplyValue);
    // Rows a step puts back stay in the list while the filter lasts.
    connect(m_session, &EditorSession::rowsRestoring, this, [this](const std::vector<RowChange> &changes) {
        for (const RowChange &change : changes)
            m_list->filterModel()->keepShown(change.id);
    });
}

} // namespace Glossa
