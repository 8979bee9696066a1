#include "editor/EditorFilterBar.h"

#include "checks/CheckEngine.h"
#include "editor/EditorSupport.h"
#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"
#include "editor/EditorSession.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"
#include "shared/StatusField.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRect>

#include <algorithm>

namespace Glossa {

namespace {

const QStringList ShowItems = {QStringLiteral("All entries"), QStringLiteral("Untranslated"), QStringLiteral("Errors"),
                               QStringLiteral("Marked"), QStringLiteral("Warnings"), QStringLiteral("Same as reference")};
const QString ReferenceChangedItem = QStringLiteral("Reference changed");
const QString ErrorsNote = QStringLiteral("Check errors are what the check finds wrong with a translated value: placeholders "
                                          "that differ from the reference's, or an odd number of double quotes. The main "
                                          "window and \"Languages\u2026\" count them the same way; an untranslated entry is "
                                          "counted as untranslated, not as an error.");

int errorFindings(const std::vector<Finding> &findings)
{
    return int(std::count_if(findings.begin(), findings.end(),
                             [](const Finding &f) { return f.severity == FindingSeverity::Error; }));
}

} // namespace

EditorFilterBar::EditorFilterBar(EditorSession &session, CVuduzListCtrl *list, QWidget *area)
    : m_session(session)
    , m_list(list)
{
    // A screen reader names a drop-down list by its current item; the label says what it is.
    m_showLabel = new QLabel(QStringLiteral("Show"), area);
    m_showLabel->setObjectName(QStringLiteral("Show label"));
    m_showCombo = new QComboBox(area);
    m_showLabel->setBuddy(m_showCombo);
    m_showCombo->addItems(ShowItems);
    m_showCombo->setAccessibleName(QStringLiteral("Show"));
    m_showCombo->setObjectName(QStringLiteral("Show"));
    m_showCombo->setToolTip(QStringLiteral("Show only some entries: untranslated, with errors, marked, with warnings or "
                                           "the same as the reference"));
    m_filterEdit = new QLineEdit(area);
    m_filterEdit->setAccessibleName(QStringLiteral("Filter"));
    m_filterEdit->setObjectName(QStringLiteral("Filter"));
    m_filterEdit->setPlaceholderText(QStringLiteral("Filter"));
    m_filterEdit->setClearButtonEnabled(true);
    m_filterEdit->setToolTip(QStringLiteral("Show only the entries whose attribute, value or reference contains this "
                                            "text, letter case ignored"));
    m_shownCount = new StatusField(area, QStringLiteral("Shown entries"));
    m_progress = new StatusField(area, QStringLiteral("Progress"));
    m_progress->setToolTipFollowsText(true, ErrorsNote);

    QObject::connect(m_showCombo, &QComboBox::activated, this, [this] { applyFilter(); });
    QObject::connect(m_filterEdit, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    EntryFilterModel *filter = m_list->filterModel();
    filter->setWarningTest([this](const EntryRow &row) {
        if (m_session.isStale(row.id))
            return true;
        for (const Finding &f : m_session.findingsOf(row))
            if (f.severity == FindingSeverity::Warning)
                return true;
        return false;
    });
    filter->setStaleTest([this](const EntryRow &row) { return m_session.isStale(row.id); });
    auto counts = [this] { updateCounts(); };
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        QObject::connect(filter, signal, this, counts);
    QObject::connect(filter, &QAbstractItemModel::modelReset, this, counts);
    QObject::connect(filter, &QAbstractItemModel::layoutChanged, this, counts);
    QObject::connect(m_list->entryModel(), &QAbstractItemModel::dataChanged, this,
                     [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                         rowsChanged(topLeft, bottomRight);
                         updateCounts();
                     });
    // Rows replaced, added or taken away: the errors are counted afresh. Told before
    // the change, so that the count the filter asks for after it is already new.
    auto recount = [this] { m_errorsKnown = false; };
    for (auto signal : {&QAbstractItemModel::rowsAboutToBeInserted, &QAbstractItemModel::rowsAboutToBeRemoved})
        QObject::connect(m_list->entryModel(), signal, this, recount);
    QObject::connect(m_list->entryModel(), &QAbstractItemModel::modelAboutToBeReset, this, recount);
}

void EditorFilterBar::layout(const QRect &line)
{
    const int left = line.x();
    const int top = line.y();
    const int height = line.height();
    const int label = m_showLabel->sizeHint().width();
    m_showLabel->setGeometry(left, top, label, height);
    const int comboLeft = left + label + 4;
    m_showCombo->setGeometry(comboLeft, top, 140, height);
    // The progress comes whole at the editor's first size; the filter field gives up the room.
    m_filterEdit->setGeometry(comboLeft + 146, top, std::max(100, line.width() / 6), height);
    const int countLeft = m_filterEdit->geometry().right() + 8;
    const int count = m_shownCount->fontMetrics().horizontalAdvance(QStringLiteral("Showing 20,000 of 20,000")) + 8;
    m_shownCount->setGeometry(countLeft, top, count, height);
    const int progressLeft = countLeft + count + 6;
    m_progress->setGeometry(progressLeft, top, std::max(0, line.right() + 1 - progressLeft), height);
}

void EditorFilterBar::applyFilter()
{
    CVuduzListCtrl *list = m_list;
    EntryFilterModel *filter = list->filterModel();
    const auto mode = EntryFilterMode(std::max(0, m_showCombo->currentIndex()));
    const QString text = m_filterEdit->text();
    if (mode == filter->mode() && text == filter->text())
        return;
    if (mode != filter->mode())
        filter->setMode(mode);
    if (text != filter->text())
        filter->setText(text);
    list->setFilterActive(filter->isActive());
    // The shown entry stays selected when the filter lets it through.
    if (const std::optional<AttributeId> shown = m_session.shownEntry()) {
        const int row = m_list->entryModel()->findRowById(*shown);
        if (row >= 0 && list->isRowShown(row)) {
            list->setSelectionMark(row);
            list->ensureRowVisible(row);
        }
    }
    Q_EMIT m_session.rowsShownChanged();
    updateCounts();
}

void EditorFilterBar::updateCounts()
{
    const EntryListModel *model = m_list->entryModel();
    const int total = model->rowCount();
    m_shownCount->setText(
        QStringLiteral("Showing %1 of %2").arg(grouped(m_list->filterModel()->rowCount()), grouped(total)));
    int translated = 0;
    int modified = 0;
    // "Errors" shows the untranslated rows whose reference has placeholders and the check errors.
    int markedBlank = 0;
    const int status = model->statusColumn();
    for (const EntryRow &row : model->rows()) {
        const bool blank = isBlankValue(row.cells[1]);
        if (!blank)
            ++translated;
        if (status < 0)
            continue;
        const QString &state = row.cells[size_t(status)];
        if (state == StatusModified)
            ++modified;
        else if (blank && state == StatusError)
            ++markedBlank;
    }
    // The line gives the count "Errors" shows; its tip (read as its description) says what the rows are.
    const int errors = errorCount();
    m_progress->setToolTipFollowsText(true, markedErrorText(markedBlank, errors) + u'\n' + ErrorsNote);
    m_progress->setText(QStringLiteral("%1 of %2 translated \u00b7 %3 marked ERROR \u00b7 %4 modified")
                            .arg(grouped(translated), grouped(total), grouped(markedBlank + errors), grouped(modified)));
}

int EditorFilterBar::errorCount()
{
    if (!m_errorsKnown) {
        m_errorsById.clear();
        m_errors = 0;
        for (const EntryRow &row : m_list->entryModel()->rows()) {
            if (const int n = errorFindings(m_session.findingsOf(row)); n > 0) {
                m_errorsById.insert(row.id, n);
                m_errors += n;
            }
        }
        m_errorsKnown = true;
    }
    return m_errors;
}

void EditorFilterBar::rowsChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (!m_errorsKnown)
        return;
    const std::vector<EntryRow> &rows = m_list->entryModel()->rows();
    const int first = std::max(0, topLeft.row());
    const int last = std::min(int(rows.size()) - 1, bottomRight.row());
    // A change of every row (a new reference, an import) is counted afresh, once.
    if (last - first + 1 == int(rows.size()) && rows.size() > 1) {
        m_errorsKnown = false;
        return;
    }
    for (int i = first; i <= last; ++i) {
        const EntryRow &row = rows[size_t(i)];
        const int before = m_errorsById.value(row.id);
        const int now = errorFindings(m_session.findingsOf(row));
        if (now > 0)
            m_errorsById.insert(row.id, now);
        else
            m_errorsById.remove(row.id);
        m_errors += now - before;
    }
}

void EditorFilterBar::offerReferenceChanged()
{
    if (m_showCombo->findText(ReferenceChangedItem) < 0)
        m_showCombo->addItem(ReferenceChangedItem);
    // The filter asks again whether each row is stale.
    EntryFilterModel *filter = m_list->filterModel();
    if (m_showCombo->currentIndex() == int(EntryFilterMode::ReferenceChanged)
        || m_showCombo->currentIndex() == int(EntryFilterMode::Warnings))
        filter->setMode(filter->mode());
}

int EditorFilterBar::nextShownRow(int row, int step) const
{
    const int n = m_list->entryModel()->rowCount();
    for (row += step; row >= 0 && row < n; row += step)
        if (m_list->isRowShown(row))
            return row;
    return -1;
}

int EditorFilterBar::showNextMatching(bool forward, const std::function<bool(int row)> &matches, const QString &noneText)
{
    const CVuduzListCtrl *list = m_list;
    const int n = m_list->entryModel()->rowCount();
    const int step = forward ? 1 : -1;
    const int start = list->selectionMark();
    int row = start;
    bool wrapped = false;
    for (int seen = 0; seen < n; ++seen) {
        row += step;
        if (row >= n || row < 0) {
            row = forward ? 0 : n - 1;
            wrapped = start >= 0;
        }
        if (list->isRowShown(row) && matches(row)) {
            m_session.showEntry(m_list->entryModel()->itemData(row));
            m_session.say(!wrapped ? QString()
                                : forward ? QStringLiteral("Passed the end of the list: went on from the top")
                                          : QStringLiteral("Passed the start of the list: went on from the bottom"));
            return row;
        }
    }
    m_session.say(noneText);
    return -1;
}

int EditorFilterBar::showNextUntranslated(bool forward)
{
    const EntryListModel *model = m_list->entryModel();
    return showNextMatching(
        forward,
        [model](int row) { return !model->text(row, 0).trimmed().isEmpty() && isBlankValue(model->text(row, 1)); },
        QStringLiteral("No untranslated entry"));
}

int EditorFilterBar::showNextProblem(bool forward)
{
    const EntryListModel *model = m_list->entryModel();
    return showNextMatching(
        forward,
        [this, model](int row) {
            const EntryRow &entry = model->rows()[size_t(row)];
            if (model->text(row, model->statusColumn()) == StatusError || m_session.isStale(entry.id))
                return true;
            for (const Finding &f : m_session.findingsOf(entry))
                if (f.severity != FindingSeverity::Info)
                    return true;
            return false;
        },
        QStringLiteral("No entry with an error or a warning"));
}

} // namespace Glossa
