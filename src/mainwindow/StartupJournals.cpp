#include "mainwindow/Glossa_DeskDlg.h"

#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"
#include "recovery/Journal.h"

#include <QComboBox>
#include <QLineEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>

namespace Glossa {

void CGlossa_DeskDlg::offerRecoveryJournals()
{
    const QStringList journals = existingJournals();
    if (journals.isEmpty())
        return;
    // This product's languages first: their editor offers the journal back itself.
    QStringList here;
    QStringList herePaths;
    for (int i = 0; i < m_languageCombo->count(); ++i) {
        const QString name = LocaleCatalogue::DisplayNameAt(m_languageCombo->itemData(i).toInt());
        const QString path = journalPathFor(QDir::cleanPath(m_store.filePathFor(name)), name);
        if (journals.contains(path)) {
            here.append(name);
            herePaths.append(path);
        }
    }
    QStringList elsewhere;
    for (const QString &path : journals) {
        if (herePaths.contains(path))
            continue;
        JournalContents journal;
        if (readJournal(path, journal) && journal.changeCount() > 0)
            elsewhere.append(QStringLiteral("%1 of \"%2\", in \"%3\"")
                                 .arg(journal.header.language, QDir::toNativeSeparators(journal.header.filePath),
                                      QDir::toNativeSeparators(path)));
    }
    // Named in the status line: nothing here to answer.
    if (!elsewhere.isEmpty())
        m_statusLine->setText(QStringLiteral("Unsaved changes are kept in recovery journals that this product's editor "
                                        "does not offer: %1. A journal of another product is offered when the "
                                        "language is opened there; one left by a copy opened alongside another "
                                        "stays where it is named.")
                                  .arg(elsewhere.join(QStringLiteral(", "))));
    for (const QString &name : here) {
        const auto answer = MessageBox::ask(
            this, QMessageBox::Question, ProgramName,
            QStringLiteral("%1 has unsaved changes from an editor that did not end, kept in its recovery journal.")
                .arg(name),
            {{QMessageBox::Open, QStringLiteral("Open in Editor")}, {QMessageBox::Cancel, QStringLiteral("Later")}});
        if (answer != QMessageBox::Open)
            continue;
        selectLanguage(name);
        runEditor(-1);
    }
}

} // namespace Glossa
