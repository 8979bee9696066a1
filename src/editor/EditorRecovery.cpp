#include "editor/EditorRecovery.h"

#include "checks/PlaceholderCheck.h"
#include "editor/ChangeListDlg.h"
#include "editor/EditorOwner.h"
#include "editor/EntryListModel.h"
#include "editor/EditorSession.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "recovery/Recovery.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>

namespace Glossa {

namespace {

bool isMarkedState(const QString &state)
{
    return state == StatusModified || state == StatusError;
}

QString shown(const MergeValue &value)
{
    return value ? *value : QStringLiteral("(none)");
}

QString timeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

bool recoveryEnabled = true;

// Languages an editor of this process holds the lock of; a second editor on one
// of them (never two at once in the program, but a caller may) shares it.
QHash<QString, int> &heldHere()
{
    static QHash<QString, int> held;
    return held;
}

} // namespace

void EditorRecovery::setEnabled(bool enabled)
{
    recoveryEnabled = enabled;
}

EditorRecovery::EditorRecovery(EditorSession &session, QWidget *window)
    : QObject(window)
    , m_session(session)
    , m_window(window)
{
    m_typingTimer.setSingleShot(true);
    m_typingTimer.setInterval(TypingRestMs);
    connect(&m_typingTimer, &QTimer::timeout, this, &EditorRecovery::writePending);
    connect(&m_watcher, &LanguageFileWatcher::changed, this, [this] { report(changedOnDiskText()); });
    // Every step that changes rows goes into the journal, undo and redo included.
    connect(&session, &EditorSession::rowsChanged, this, &EditorRecovery::recordStep);
}

EditorRecovery::~EditorRecovery()
{
    // Whatever was not saved stays in the journal, synced, for the next start.
    m_journal.close();
    m_watcher.stop();
    releaseLock();
}

QString EditorRecovery::changedOnDiskText() const
{
    return QStringLiteral("%1 changed on disk: Save will keep the other changes")
        .arg(LanguageStore::fileNameFor(m_session.languageName()));
}

void EditorRecovery::report(const QString &text)
{
    m_session.say(text);
}

bool EditorRecovery::start()
{
    m_off = !recoveryEnabled;
    if (m_off)
        return true;
    LanguageStore &store = m_session.store();
    m_filePath = QDir::cleanPath(store.filePathFor(m_session.languageName()));
    m_journalPath = journalPathFor(m_filePath, m_session.languageName());
    // A file the editor opened read-only (it reads as no text) is never written: no lock, no journal.
    if (m_session.isReadOnly())
        m_readOnly = true;
    else if (!askAboutLock())
        return false;
    m_loaded = FileFingerprint::of(m_filePath);
    takeFileValues(store);
    // The rows are the main window's reading of the file. When the file changed
    // since (a git pull while the program stood open), they are behind it: what
    // they were read from is not known, so Save merges with the disk.
    const std::optional<LanguageStore::FileStamp> read = store.readStamp(m_session.languageName());
    const bool rowsBehind = read && m_loaded.exists
        && *read != LanguageStore::FileStamp{m_loaded.size, m_loaded.modifiedMs};
    if (rowsBehind) {
        m_loaded.size = read->size;
        m_loaded.modifiedMs = read->modifiedMs;
        m_loaded.sha256.clear();
    }
    // The journal at the language's own path belongs to the copy that holds the lock.
    if (!m_readOnly && !m_sharesLock && m_lock.state() != LanguageLock::State::HeldByOther)
        offerJournal();
    m_watcher.watch(m_filePath, m_loaded);
    if (rowsBehind && !m_readOnly)
        report(changedOnDiskText());
    // Any change of the field's text, typed or put there by Undo or Use It, is journaled once it rests.
    connect(&m_session, &EditorSession::fieldValueChanged, this, &EditorRecovery::valueEdited, Qt::UniqueConnection);
    return true;
}

bool EditorRecovery::fileChangedSinceLoaded() const
{
    return !m_filePath.isEmpty() && !FileFingerprint::of(m_filePath).sameContent(m_loaded);
}

bool EditorRecovery::askAboutLock()
{
    const QString lockPath = LanguageLock::lockPathFor(m_filePath);
    if (heldHere().value(lockPath) > 0) {
        // Not asked: this process holds the lock already. The journal is one of its own.
        static int sharing = 0;
        m_sharesLock = true;
        m_journalPath.replace(m_journalPath.size() - int(qstrlen(".journal")), 0,
                              QStringLiteral(" (process %1, %2)").arg(QCoreApplication::applicationPid()).arg(++sharing));
        return true;
    }
    const LanguageLock::State state = m_lock.acquire(m_filePath);
    if (state == LanguageLock::State::Held) {
        heldHere()[lockPath]++;
        m_countedLock = lockPath;
    }
    switch (state) {
    case LanguageLock::State::Held:
    case LanguageLock::State::None:
        return true;
    case LanguageLock::State::Unavailable:
        report(QStringLiteral("No lock file can be made beside %1: another copy of Glossa Desk opening it will not "
                              "be told that it is open here")
                   .arg(LanguageStore::fileNameFor(m_session.languageName())));
        return true;
    case LanguageLock::State::HeldByOther:
        break;
    }
    const auto answer = MessageBox::ask(m_window, QMessageBox::Warning, ProgramName,
                                        LanguageLock::describeHolder(m_session.languageName(), m_lock.holder()),
                                        {{OpenReadOnlyAnswer, QStringLiteral("Open Read-Only")},
                                         {OpenAnywayAnswer, QStringLiteral("Open Anyway")},
                                         {QMessageBox::Cancel, QStringLiteral("Cancel")}});
    if (answer == OpenReadOnlyAnswer) {
        m_readOnly = true;
        m_session.setReadOnlyReason(LanguageLock::describeHolder(m_session.languageName(), m_lock.holder()));
        return true;
    }
    // Open Anyway: both copies may save; each save merges with what the other wrote.
    // This copy journals beside the other's journal, never over it.
    if (answer == OpenAnywayAnswer) {
        m_journalPath.replace(m_journalPath.size() - int(qstrlen(".journal")), 0,
                              QStringLiteral(" (process %1)").arg(QCoreApplication::applicationPid()));
        return true;
    }
    m_readOnly = true; // Cancel: the editor closes and must write nothing on its way out
    return false;
}

void EditorRecovery::offerJournal()
{
    if (!QFile::exists(m_journalPath))
        return;
    JournalContents journal;
    QString why;
    const bool readable = readJournal(m_journalPath, journal, &why);
    if (!readable || !QFile::exists(journal.header.filePath)) {
        if (readable)
            why = QStringLiteral("its language file \"%1\" is gone.").arg(QDir::toNativeSeparators(journal.header.filePath));
        const QString aside = keepJournalAside(m_journalPath);
        MessageBox::show(m_window, QMessageBox::Warning, ProgramName,
                         QStringLiteral("The recovery journal of %1 cannot be used: %2\n\nIt has been kept as \"%3\".")
                             .arg(m_session.languageName(), why, QDir::toNativeSeparators(aside.isEmpty() ? m_journalPath : aside)));
        return;
    }
    if (journal.changeCount() == 0) {
        QFile::remove(m_journalPath); // every step was taken back: nothing to offer
        return;
    }
    ProfileFile file(m_filePath);
    QHash<QString, QString> disk;
    if (file.load())
        file.forEachEntry(TextSectionName, [&](QStringView key, QStringView value) {
            if (!disk.contains(key.toString()))
                disk.insert(key.toString(), value.toString());
        });
    const RecoveryPlan plan = planRecovery(journal, FileFingerprint::of(m_filePath), disk);
    QString text = QStringLiteral("%1 has %2 unsaved changes, made between %3 and %4, kept in its recovery journal.")
                       .arg(m_session.languageName(), QString::number(journal.changeCount()),
                            timeText(journal.header.createdMs), timeText(journal.lastChangeMs()));
    if (plan.fileChanged)
        text += QStringLiteral("\n\nThe file has changed on disk since: a value changed there and in the journal "
                               "is asked about.");
    for (;;) {
        const auto answer = MessageBox::ask(m_window, QMessageBox::Question, ProgramName, text,
                                            {{RestoreAnswer, QStringLiteral("Restore")},
                                             {DiscardAnswer, QStringLiteral("Discard")},
                                             {ShowChangesAnswer, QStringLiteral("Show Changes")}});
        if (answer == ShowChangesAnswer) {
            showChanges(plan);
            continue;
        }
        if (answer == RestoreAnswer) {
            if (restore(journal, plan))
                return;
            continue; // "Cancel" in the conflicts: the question again
        }
        if (answer == DiscardAnswer) {
            QFile::remove(m_journalPath);
            return;
        }
        // Closed without an answer: the journal is not thrown away.
        const QString aside = keepJournalAside(m_journalPath);
        report(QStringLiteral("The recovery journal has been kept as \"%1\"").arg(QDir::toNativeSeparators(aside)));
        return;
    }
}

void EditorRecovery::showChanges(const RecoveryPlan &plan)
{
    QList<QStringList> rows;
    for (const RecoveryChange &change : plan.changes)
        rows.append({change.typed ? change.key + QStringLiteral(" (typed, not applied)") : change.key,
                     change.fileValue, change.journalValue});
    ChangeListDlg dialog(m_window, QStringLiteral("Show Changes"),
                         QStringLiteral("The changes the recovery journal of %1 holds:").arg(m_session.languageName()),
                         {QStringLiteral("Attribute"), QStringLiteral("Value in the File"),
                          QStringLiteral("Value in the Journal")},
                         rows, {{QStringLiteral("Close"), 0}});
    dialog.exec();
}

bool EditorRecovery::restore(const JournalContents &journal, const RecoveryPlan &plan)
{
    bool keepMine = true;
    if (!plan.conflicts.empty()) {
        QList<QStringList> rows;
        for (const MergeConflict &conflict : plan.conflicts)
            rows.append({conflict.key, shown(conflict.loaded), shown(conflict.disk), conflict.mine});
        ChangeListDlg dialog(m_window, QStringLiteral("Changed on Disk"),
                             QStringLiteral("These values were changed both in the file, since the journal began, and "
                                            "in the journal:"),
                             {QStringLiteral("Attribute"), QStringLiteral("Loaded"), QStringLiteral("On Disk"),
                              QStringLiteral("Journal")},
                             rows, {{QStringLiteral("Keep Mine"), KeepMine}, {QStringLiteral("Take Theirs"), TakeTheirs},
                                    {QStringLiteral("Cancel"), CancelSave}});
        const int choice = dialog.exec();
        if (choice == CancelSave)
            return false;
        keepMine = choice == KeepMine;
    }
    const std::vector<JournalEntry> entries = restoredEntries(plan, keepMine);

    // Each value goes back into its row as Modify puts it, checked; the undo
    // history starts from here, so it is not a step of its own.
    const LanguageStore &store = m_session.store();
    QHash<AttributeId, QString> values;
    values.reserve(qsizetype(entries.size()));
    for (const JournalEntry &entry : entries)
        if (const std::optional<AttributeId> id = store.findAttribute(entry.key))
            values.insert(*id, entry.value);
    EntryListModel *model = &m_session.entries();
    const int status = model->statusColumn();
    JournalStep step{QDateTime::currentMSecsSinceEpoch(), JournalStepKind::Restore, {}};
    step.entries.reserve(entries.size());
    model->updateRows([&](EntryRow &row) {
        const auto it = values.constFind(row.id);
        if (it == values.cend())
            return;
        step.entries.push_back({row.cells[0], row.cells[1], it.value(), true});
        row.cells[1] = it.value();
        row.cells[size_t(status)] = CheckPlaceholders(row.cells[1], row.cells[2], row.id) ? StatusModified : StatusError;
    });

    // The journal starts again on the file as it is now, with the restored values as its first step.
    QFile::remove(m_journalPath);
    if (ensureJournal() && !step.entries.empty())
        m_journal.appendStep(std::move(step));
    if (plan.pending) {
        if (const std::optional<AttributeId> id = store.findAttribute(plan.pending->key)) {
            const int row = model->findRowById(*id);
            if (row >= 0) {
                m_session.showEntry(*id);
                m_session.setValueText(plan.pending->text);
                writePending();
            }
        }
    }
    Q_UNUSED(journal);
    // The restored values are no step to undo, but they are to save: the run is never clean.
    if (!entries.empty() || plan.pending)
        m_session.undoStack().resetClean();
    report(QStringLiteral("%1 changes restored from the recovery journal: nothing is written until you save")
               .arg(entries.size() + (plan.pending ? 1 : 0)));
    return true;
}

bool EditorRecovery::ensureJournal()
{
    if (m_journal.isOpen())
        return true;
    JournalHeader header;
    header.filePath = m_filePath;
    header.language = m_session.languageName();
    header.loaded = m_loaded;
    header.createdMs = QDateTime::currentMSecsSinceEpoch();
    if (m_journal.create(m_journalPath, header))
        return true;
    report(QStringLiteral("The recovery journal cannot be written: %1").arg(m_journal.error()));
    return false;
}

JournalEntry EditorRecovery::entryFor(const RowChange &change)
{
    // The row's own attribute cell, found by hash: the store's catalogue is a map.
    const EntryListModel *model = &m_session.entries();
    const int row = model->findRowById(change.id);
    const QString key = row >= 0 ? model->text(row, 0) : m_session.store().attributes().value(change.id);
    return {key, loadedValue(change.id), change.after.value, isMarkedState(change.after.state)};
}

void EditorRecovery::recordStep(JournalStepKind kind, const std::vector<RowChange> &rows)
{
    if (m_off || m_readOnly || rows.empty() || !ensureJournal())
        return;
    JournalStep step{QDateTime::currentMSecsSinceEpoch(), kind, {}};
    step.entries.reserve(rows.size());
    for (const RowChange &change : rows)
        step.entries.push_back(entryFor(change));
    const qint64 timeMs = step.timeMs;
    bool written = m_journal.appendStep(std::move(step));
    if (m_pendingWritten) {
        written = m_journal.setPending({timeMs, QString(), QString()}) && written;
        m_pendingWritten = false;
    }
    if (!written)
        report(QStringLiteral("The recovery journal cannot be written: %1").arg(m_journal.error()));
}

void EditorRecovery::valueEdited()
{
    if (!m_readOnly && !m_off)
        m_typingTimer.start();
}

void EditorRecovery::entryShown()
{
    m_typingTimer.stop();
    if (m_pendingWritten && m_journal.isOpen()) {
        m_journal.setPending({QDateTime::currentMSecsSinceEpoch(), QString(), QString()});
        m_pendingWritten = false;
    }
}

void EditorRecovery::writePending()
{
    m_typingTimer.stop();
    if (m_readOnly || !m_session.shownEntry())
        return;
    const EntryListModel *model = &m_session.entries();
    const int row = model->findRowById(*m_session.shownEntry());
    if (row < 0)
        return;
    const QString text = m_session.fieldValue();
    if (text == model->text(row, 1)) {
        entryShown(); // nothing unapplied any more
        return;
    }
    if (!ensureJournal())
        return;
    m_journal.setPending({QDateTime::currentMSecsSinceEpoch(), model->text(row, 0), text});
    m_pendingWritten = true;
}

QHash<QString, QString> EditorRecovery::diskValues()
{
    QHash<QString, QString> disk;
    ProfileFile file(m_filePath);
    if (file.load())
        file.forEachEntry(TextSectionName, [&](QStringView key, QStringView value) {
            const QString name = key.toString();
            if (!disk.contains(name)) // the first of two equal keys is the one read
                disk.insert(name, value.toString());
        });
    return disk;
}

bool EditorRecovery::mergeForSave(LanguageValues &saveList, LanguageValues &applied)
{
    applied = saveList;
    m_droppedValues = 0;
    // Where no file can be read (gone, or a directory now) there is nothing to merge
    // with: the save goes ahead, and fails with its own message when it cannot write.
    if (m_off || !QFileInfo(m_filePath).isFile())
        return true;
    const FileFingerprint now = FileFingerprint::of(m_filePath);
    if (now.sameContent(m_loaded))
        return true;

    const LanguageStore &store = m_session.store();
    const QHash<QString, QString> disk = diskValues();
    QHash<QString, QString> loaded;
    std::vector<std::pair<QString, QString>> mine;
    QHash<QString, AttributeId> idOf;
    mine.reserve(size_t(saveList.size()));
    for (auto it = saveList.cbegin(); it != saveList.cend(); ++it) {
        const QString name = store.attributes().value(it.key());
        idOf.insert(name, it.key());
        // What the file held for the key when the rows were taken: a key without a line is absent.
        const auto held = m_fileValues.constFind(it.key());
        if (held != m_fileValues.cend())
            loaded.insert(name, held.value());
        mine.emplace_back(name, LanguageStore::quotedForSaving(it.value()));
    }
    const MergeOutcome outcome = mergeChanges(loaded, disk, mine);
    bool keepMine = true;
    if (!outcome.conflicts.empty()) {
        QList<QStringList> rows;
        for (const MergeConflict &conflict : outcome.conflicts)
            rows.append({conflict.key, shown(conflict.loaded), shown(conflict.disk),
                         saveList.value(idOf.value(conflict.key))});
        ChangeListDlg dialog(m_window, QStringLiteral("Changed on Disk"),
                             QStringLiteral("%1 was changed on disk while it was open here, and these values were "
                                            "changed on both sides:")
                                 .arg(LanguageStore::fileNameFor(m_session.languageName())),
                             {QStringLiteral("Attribute"), QStringLiteral("Loaded"), QStringLiteral("On Disk"),
                              QStringLiteral("Here")},
                             rows, {{QStringLiteral("Keep Mine"), KeepMine}, {QStringLiteral("Take Theirs"), TakeTheirs},
                                    {QStringLiteral("Cancel"), CancelSave}});
        const int choice = dialog.exec();
        if (choice == CancelSave)
            return false;
        keepMine = choice == KeepMine;
        m_droppedValues = keepMine ? 0 : int(outcome.conflicts.size());
    }

    LanguageValues merged;
    for (const auto &[name, value] : resolvedWrites(outcome, keepMine)) {
        const AttributeId id = idOf.value(name);
        merged.insert(id, saveList.value(id));
    }
    // The owner's rows take the file as it will be: the other program's values and ours.
    applied.clear();
    if (const EntryListModel *source = m_session.sourceRows()) {
        for (const EntryRow &row : source->rows()) {
            const auto it = disk.constFind(row.cells[0]);
            if (it != disk.cend() && it.value() != row.cells[1])
                applied.insert(row.id, it.value());
        }
    }
    for (auto it = merged.cbegin(); it != merged.cend(); ++it)
        applied.insert(it.key(), it.value());
    saveList = merged;
    return true;
}

std::optional<QString> EditorRecovery::loadedValue(AttributeId id) const
{
    const auto it = m_fileValues.constFind(id);
    return it == m_fileValues.cend() ? std::nullopt : std::optional<QString>(it.value());
}

void EditorRecovery::takeFileValues(LanguageStore &store)
{
    // The owner's rows come with the values it read them from; rows of a new
    // language are blank, and what its file holds (if anything) is read now.
    if (const LanguageValues *owned = m_session.sourceRows() ? m_session.owner().fileValues() : nullptr) {
        m_fileValues = *owned;
        return;
    }
    m_fileValues.clear();
    ProfileFile file(m_filePath);
    if (file.load())
        file.forEachEntry(TextSectionName, [&](QStringView key, QStringView value) {
            if (const std::optional<AttributeId> id = store.findAttribute(key.toString()); id && !m_fileValues.contains(*id))
                m_fileValues.insert(*id, value.toString());
        });
}

void EditorRecovery::finish()
{
    m_typingTimer.stop();
    m_pendingWritten = false;
    if (m_journal.isOpen())
        m_journal.remove();
    m_watcher.stop();
    releaseLock();
}

QString EditorRecovery::finishKeepingJournal()
{
    m_typingTimer.stop();
    m_pendingWritten = false;
    QString aside;
    if (m_journal.isOpen()) {
        m_journal.close();
        aside = keepJournalAside(m_journalPath);
    }
    m_watcher.stop();
    releaseLock();
    return aside;
}

void EditorRecovery::releaseLock()
{
    if (!m_countedLock.isEmpty() && --heldHere()[m_countedLock] <= 0)
        heldHere().remove(m_countedLock);
    m_countedLock.clear();
    m_lock.release();
}

} // namespace Glossa
