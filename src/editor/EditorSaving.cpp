#include "editor/EditorSaving.h"

#include "editor/EditorOwner.h"
#include "editor/EditorRecovery.h"
#include "editor/EntryListModel.h"
#include "editor/EditorSession.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"
#include "waiting/WaitingScope.h"

namespace Glossa {

namespace {

bool isMarked(const QString &state)
{
    return state == StatusModified || state == StatusError;
}

// The saved attributes that the file, read back, does not hold as they were
// written; why, when it cannot be read at all.
QStringList notHeldAfterSave(LanguageStore &store, const QString &displayName, const LanguageValues &saved, QString *why)
{
    LanguageValues back;
    RedundantKeySet redundant;
    if (!store.LoadLanguageFile(displayName, back, redundant)) {
        *why = store.lastError();
        return {};
    }
    QStringList missing;
    for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
        const auto held = back.constFind(it.key());
        if (held == back.cend() || held.value() != LanguageStore::quotedForSaving(it.value()))
            missing.append(store.attributes().value(it.key()));
    }
    return missing;
}

} // namespace

bool EditorSaving::save()
{
    EntryListModel *model = &m_session.entries();
    WaitingScope wait(m_window, QStringLiteral("Checking data..."));
    LanguageValues saveList;
    bool askFormat = true;
    // A question with the wait ended and the waiting window hidden; No shows
    // the row and stops the save, Yes puts the wait back.
    auto confirm = [&](int row, QMessageBox::Icon icon, const QString &caption, const QString &text) {
        wait.pause();
        if (MessageBox::show(m_window, icon, caption, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            m_session.showEntry(model->itemData(row));
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
            return false;
        if (value.count(u'"') % 2 != 0
            && !confirm(row, QMessageBox::Critical, QStringLiteral("Error"),
                        QStringLiteral("Error: ") + attribute + u'=' + value + QStringLiteral(" Translate mismatch ")
                            + u'"' + QStringLiteral("!Do you want to continue to save?")))
            return false;
        saveList.insert(model->itemData(row), value);
    }

    // Another program's changes since the editor loaded the file are kept; a
    // value changed on both sides is asked about, and Cancel there writes nothing.
    EditorRecovery &recovery = m_recovery;
    LanguageValues applied;
    const bool changedOnDisk = recovery.fileChangedSinceLoaded();
    if (changedOnDisk)
        wait.pause();
    if (!recovery.mergeForSave(saveList, applied))
        return false;
    if (changedOnDisk)
        wait.resume();

    wait.setText(QStringLiteral("Saving data, please wait ..."));
    LanguageStore &store = m_session.store();
    const QString &displayName = m_session.languageName();
    if (!store.SaveLanguageFile(displayName, saveList)) {
        // Nothing was written: the editor stays open with every row and mark as
        // it was, so nothing the user typed is lost.
        wait.finish();
        MessageBox::show(m_window, QMessageBox::Critical, ProgramName,
                         QStringLiteral("The changes could not be saved to \"%1\".\n\n%2\n\nEvery change is still here; "
                                        "correct the problem and save again.")
                             .arg(LanguageStore::fileNameFor(displayName), store.lastError()));
        return false;
    }
    const QString notice = store.lastNotice();
    // The journal goes only once the file, read back, holds what was decided.
    QString why;
    const QStringList notHeld = notHeldAfterSave(store, displayName, saveList, &why);
    if (!notHeld.isEmpty() || !why.isEmpty()) {
        wait.finish();
        if (why.isEmpty())
            why = QStringLiteral("It does not hold the saved values of %1.").arg(notHeld.join(QStringLiteral(", ")));
        MessageBox::show(m_window, QMessageBox::Critical, ProgramName,
                         QStringLiteral("\"%1\" was written, but reading it back went wrong.\n\n%2\n\nEvery change is "
                                        "still here and in the recovery journal; save again.")
                             .arg(LanguageStore::fileNameFor(displayName), why));
        return false;
    }
    m_session.owner().ApplySavedValues(applied);
    // Values dropped for the disk's ("Take Theirs") can still be had back from the journal, kept aside.
    m_dropped = recovery.droppedValues();
    if (m_dropped > 0)
        m_keptJournal = recovery.finishKeepingJournal();
    else
        recovery.finish();
    wait.finish();
    if (!notice.isEmpty())
        MessageBox::show(m_window, QMessageBox::Information, ProgramName, notice);
    return true;
}

bool EditorSaving::cancel()
{
    const EntryListModel *model = &m_session.entries();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (isMarked(model->text(row, model->statusColumn()))) {
            const auto answer = MessageBox::show(m_window, QMessageBox::Warning, QStringLiteral("Warning"),
                                                 QStringLiteral(" Are you sure you want to exit without saving any changes?"),
                                                 QMessageBox::Yes | QMessageBox::No);
            if (answer != QMessageBox::Yes)
                return false;
            m_recovery.finish(); // the changes are dropped, and their journal with them
            return true;
        }
    }
    m_recovery.finish();
    return true;
}

} // namespace Glossa
