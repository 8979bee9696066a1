// Cost of the recovery journal at the scale of the reference product: 20,000
// values journaled one step each (the way Modify does) and as one import, and
// a journal of 20,000 steps read back and planned for a restore; beside the
// floor of writing the same number of records without checksums or syncs.
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "recovery/Journal.h"
#include "recovery/Recovery.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

using namespace Glossa;

namespace {

constexpr int Values = 20000;

JournalEntry entry(int i)
{
    return {Bench::attributeName(i), Bench::englishValue(i), Bench::translatedValue(i, 3), true};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("state"))));
    const QString language = dir.filePath(QStringLiteral("German (Germany).ini"));
    QFile::remove(language);
    QFile file(language);
    if (!file.open(QIODevice::WriteOnly) || file.write("[text]\n") != 7)
        qFatal("cannot write the language file");
    file.close();
    const QString path = journalPathFor(language, QStringLiteral("German (Germany)"));
    JournalHeader header{language, QStringLiteral("German (Germany)"), FileFingerprint::of(language), 0};

    std::vector<JournalEntry> entries;
    entries.reserve(Values);
    for (int i = 0; i < Values; ++i)
        entries.push_back(entry(i));

    Bench::printHeader("Recovery journal, 20,000 values");
    const double oneEach = Bench::bestMs([&] {
        JournalWriter writer;
        writer.create(path, header);
        for (const JournalEntry &e : entries)
            writer.appendStep({QDateTime::currentMSecsSinceEpoch(), JournalStepKind::Apply, {e}});
        writer.close();
    }, 3);
    const double floor = Bench::bestMs([&] {
        QFile raw(dir.filePath(QStringLiteral("floor")));
        raw.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
        for (const JournalEntry &e : entries)
            raw.write((e.key + u'=' + e.value + u'\n').toUtf8());
    }, 3);
    Bench::printRow(QStringLiteral("20,000 steps of one value (Modify)"), oneEach,
                    QStringLiteral("floor: 20,000 plain writes"), floor);
    const double import = Bench::bestMs([&] {
        JournalWriter writer;
        writer.create(path, header);
        writer.appendStep({QDateTime::currentMSecsSinceEpoch(), JournalStepKind::Import, entries});
        writer.close();
    }, 5);
    Bench::printRow(QStringLiteral("one import of 20,000 values"), import);

    // The journal a two-hour session of Modify leaves, read back and planned.
    {
        JournalWriter writer;
        writer.create(path, header);
        for (const JournalEntry &e : entries)
            writer.appendStep({QDateTime::currentMSecsSinceEpoch(), JournalStepKind::Apply, {e}});
        writer.close();
    }
    const QHash<QString, QString> disk;
    const double restore = Bench::bestMs([&] {
        JournalContents contents;
        readJournal(path, contents);
        const RecoveryPlan plan = planRecovery(contents, FileFingerprint::of(language), disk);
        if (plan.restore.size() != size_t(Values))
            qFatal("the plan lost values");
    }, 5);
    Bench::printRow(QStringLiteral("read 20,000 steps and plan the restore"), restore);
    std::printf("\nper Modify: %.1f us of journal\n", oneEach * 1000.0 / Values);
    return 0;
}
