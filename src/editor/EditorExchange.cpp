#include "editor/EditorExchange.h"

#include "editor/EditorOwner.h"
#include "editor/EditorSupport.h"
#include "editor/EntryListModel.h"
#include "editor/EditorSession.h"
#include "exchange/Exchange.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"
#include "shared/EarlierRelease.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace Glossa {

namespace {

// An exchange file larger than this is refused before it is read.
constexpr qint64 MaximumExchangeFileSize = 512LL * 1024 * 1024;

} // namespace

std::pair<QString, QString> markChangedWords(const QString &before, const QString &after)
{
    // Words are runs between spaces; the common words are a longest common subsequence.
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

EditorExchange::EditorExchange(EditorSession &session, QWidget *window)
    : m_session(session)
    , m_window(window)
{
}

QString EditorExchange::englishChangeText(AttributeId id) const
{
    const auto change = m_englishChanges.constFind(id);
    if (change == m_englishChanges.cend())
        return {};
    const auto [before, after] = markChangedWords(change->before, change->after);
    return QStringLiteral("the English changed since the earlier release, from \"%1\" to \"%2\"").arg(before, after);
}

void EditorExchange::onImport()
{
    const QString path = QFileDialog::getOpenFileName(m_window, QStringLiteral("Import"), QString(),
                                                      QStringLiteral("XLIFF or CSV files (*.xlf *.xliff *.csv);;All files (*)"));
    if (!path.isEmpty())
        importFile(path);
}

namespace {
QString &lastExportFolder()
{
    static QString folder;
    return folder;
}
} // namespace

QString EditorExchange::exportFolder()
{
    // Never the product's language directory, which ships: the folder last used, else home.
    const QString &last = lastExportFolder();
    return last.isEmpty() || !QFileInfo(last).isDir() ? QDir::homePath() : last;
}

void EditorExchange::onExport()
{
    const QString suggested =
        QFileInfo(LanguageStore::fileNameFor(m_session.languageName())).completeBaseName() + QStringLiteral(".xlf");
    QString filter;
    QString path = QFileDialog::getSaveFileName(m_window, QStringLiteral("Export"), QDir(exportFolder()).filePath(suggested),
                                                QStringLiteral("XLIFF 1.2 (*.xlf);;CSV (*.csv)"), &filter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += filter.startsWith(QLatin1String("CSV")) ? QStringLiteral(".csv") : QStringLiteral(".xlf");
    exportFile(path);
}

bool EditorExchange::importFile(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    auto refuse = [&](const QString &why) {
        MessageBox::show(m_window, QMessageBox::Warning, ProgramName,
                         QStringLiteral("\"%1\" was not imported: %2\n\nNo entry was changed.").arg(fileName, why));
        return false;
    };
    if (m_session.isReadOnly())
        return refuse(QStringLiteral("the language is open read-only. ") + m_session.readOnlyReason() + u'.');
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
    EntryListModel *model = &m_session.entries();
    std::vector<int> byId(size_t(model->rowCount()));
    for (int row = 0; row < model->rowCount(); ++row)
        byId[size_t(row)] = row;
    std::sort(byId.begin(), byId.end(), [model](int a, int b) { return model->itemData(a) < model->itemData(b); });
    ImportTarget target;
    target.languageName = m_session.languageName();
    target.languageTag = LocaleCatalogue::Bcp47ForDisplayName(m_session.languageName());
    target.isMaster = m_session.isMaster();
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
    m_session.applyValues(values, QStringLiteral("the import of ") + fileName);
    int errors = 0;
    for (const auto &[row, value] : values) {
        if (model->text(row, model->statusColumn()) == StatusError)
            ++errors;
    }
    if (!values.empty()) {
        // The first changed row is shown; the fields follow it.
        m_session.showEntry(model->itemData(values.front().first));
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
    // Source texts are compared only with the master's English.
    if (!plan.sourceChanged.empty() && LanguageStore::fileNameFor(m_session.referenceName()) == MasterLanguageFileName) {
        QStringList keys(plan.sourceChanged.begin(), plan.sourceChanged.begin() + std::min<qsizetype>(10, qsizetype(plan.sourceChanged.size())));
        summary += QStringLiteral("\n%1 translated from an English that has changed since: %2%3")
                       .arg(plan.sourceChanged.size() == 1 ? QStringLiteral("1 unit was")
                                                           : QStringLiteral("%1 units were").arg(grouped(int(plan.sourceChanged.size()))),
                            keys.join(QStringLiteral(", ")),
                            plan.sourceChanged.size() > 10 ? QStringLiteral(" and %1 more").arg(grouped(int(plan.sourceChanged.size()) - 10))
                                                           : QString());
    }
    // Saving must move a Windows-1252 file to UTF-16LE when a value needs a character it lacks: say so now.
    ProfileFile languageFile(m_session.store().filePathFor(m_session.languageName()));
    if (!values.empty() && languageFile.load() && languageFile.format().encoding == TextEncoding::Legacy8Bit) {
        for (const auto &[row, value] : values) {
            const QString character = ProfileFile::firstCharacterWithoutLegacyForm(value);
            if (character.isEmpty())
                continue;
            summary += QStringLiteral("\n%1: Save will convert it from Windows-1252 to UTF-16LE, since '%2' has no "
                                      "Windows-1252 form.")
                           .arg(LanguageStore::fileNameFor(m_session.languageName()), character);
            break;
        }
    }
    if (!values.empty())
        summary += QStringLiteral("\n\nNothing is written until you save; Ctrl+Z takes the whole import back.");
    m_session.say(summary.section(u'\n', 0, 0));
    MessageBox::show(m_window, QMessageBox::Information, ProgramName, summary);
    return true;
}

bool EditorExchange::exportFile(const QString &path)
{
    const EntryListModel *model = &m_session.entries();
    const QString &languageName = m_session.languageName();
    const QString &referenceName = m_session.referenceName();
    ExchangeDocument document;
    document.original = QStringLiteral("language/") + LanguageStore::fileNameFor(languageName);
    document.sourceLanguage = LocaleCatalogue::Bcp47ForDisplayName(referenceName.isEmpty() ? LocaleCatalogue::DisplayNameAt(0)
                                                                                           : referenceName);
    document.targetLanguage = LocaleCatalogue::Bcp47ForDisplayName(languageName);
    // The rows the filter shows, in catalogue order.
    std::vector<const EntryRow *> shown;
    for (int row = 0; row < model->rowCount(); ++row)
        if (!m_isRowShown || m_isRowShown(row))
            shown.push_back(&model->rows()[size_t(row)]);
    std::sort(shown.begin(), shown.end(), [](const EntryRow *a, const EntryRow *b) { return a->id < b->id; });
    document.entries.reserve(shown.size());
    for (const EntryRow *row : shown) {
        document.entries.push_back(makeExchangeEntry(row->cells[0], attributeIndexOf(row->id), row->cells[1], false,
                                                     row->cells[2], languageName, m_session.isMaster()));
    }
    const ExchangeFormat format =
        QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ? ExchangeFormat::Csv : ExchangeFormat::Xliff;
    QSaveFile out(path);
    const QByteArray bytes = writeExchange(document, format);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush() || !out.commit()) {
        MessageBox::show(m_window, QMessageBox::Critical, ProgramName,
                         QStringLiteral("\"%1\" could not be written: %2").arg(QDir::toNativeSeparators(path), out.errorString()));
        return false;
    }
    lastExportFolder() = QFileInfo(path).absolutePath();
    m_session.say(
        QStringLiteral("Exported %1 entries to %2").arg(grouped(int(shown.size())), QFileInfo(path).fileName()));
    return true;
}

void EditorExchange::onCompareWithEarlierRelease()
{
    if (const QString path = chooseEarlierRelease(m_window); !path.isEmpty())
        compareWithEarlierRelease(path);
}

bool EditorExchange::compareWithEarlierRelease(const QString &path)
{
    ReleaseComparison comparison;
    const QString product = QFileInfo(m_session.store().directory()).absolutePath();
    if (!comparison.compare(path, product)) {
        MessageBox::show(m_window, QMessageBox::Warning, ProgramName,
                         QStringLiteral("No comparison with \"%1\": %2").arg(QDir::toNativeSeparators(path), comparison.error()));
        return false;
    }
    const EntryListModel *model = &m_session.entries();
    QHash<QString, QString> values;
    values.reserve(model->rowCount());
    for (const EntryRow &row : model->rows())
        values.insert(row.cells[0], row.cells[1]);
    const QSet<QString> stale = comparison.staleKeys(m_session.languageName(), values);
    QSet<AttributeId> staleIds;
    m_englishChanges.clear();
    for (const EntryRow &row : model->rows()) {
        if (const EnglishChange *change = comparison.change(row.cells[0])) {
            m_englishChanges.insert(row.id, *change);
            if (stale.contains(row.cells[0]))
                staleIds.insert(row.id);
        }
    }
    const int staleCount = int(staleIds.size());
    m_session.setStaleEntries(std::move(staleIds));
    m_session.say(QStringLiteral("Since the earlier release: %1 added, %2 removed, %3 changed; %4 stale here")
                                        .arg(grouped(int(comparison.added().size())), grouped(int(comparison.removed().size())),
                                             grouped(int(comparison.changed().size())), grouped(staleCount)));
    Q_EMIT releaseCompared(path);
    return true;
}

} // namespace Glossa
