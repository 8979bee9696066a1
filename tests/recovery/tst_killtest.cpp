#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

const QString Language = u"German (Germany)"_s;
const QString LanguageFile = u"/language/German (Germany).ini"_s;

// One line the driver printed, with when it arrived (ms since the start).
struct Line
{
    qint64 atMs;
    QStringList fields;
};

// The driver on a fresh copy of the demo with a state directory of its own.
class Trial
{
public:
    QTemporaryDir dir;
    QString product = dir.filePath(u"product"_s);

    bool prepare() { return dir.isValid() && copyTree(demoProductDir(), product); }

    QProcess *start(const QStringList &mode)
    {
        m_process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_STATE_HOME"_s, dir.filePath(u"state"_s));
        env.insert(u"XDG_DATA_HOME"_s, dir.filePath(u"data"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        m_process->setProcessEnvironment(env);
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        lines.clear();
        m_buffer.clear();
        m_clock.start();
        QObject::connect(m_process.get(), &QProcess::readyReadStandardOutput, [this] { readLines(); });
        m_process->start(QStringLiteral(GLOSSA_KILLDRIVER_PATH), QStringList{product, Language} + mode);
        return m_process.get();
    }

    // Waits until the driver printed a line starting with first, or ended.
    bool waitFor(const QString &first, int timeoutMs = 30000)
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < timeoutMs) {
            for (const Line &line : lines)
                if (line.fields.value(0) == first)
                    return true;
            if (m_process->state() == QProcess::NotRunning) {
                readLines();
                return false;
            }
            m_process->waitForReadyRead(20);
            readLines();
        }
        return false;
    }

    // Kills the driver atMs after its start; returns when it died.
    qint64 killAt(qint64 atMs)
    {
        while (m_clock.elapsed() < atMs && m_process->state() != QProcess::NotRunning) {
            m_process->waitForReadyRead(int(std::max<qint64>(1, std::min<qint64>(5, atMs - m_clock.elapsed()))));
            readLines();
        }
        const qint64 killedAt = m_clock.elapsed();
        m_process->kill(); // SIGKILL, and only while it runs
        m_process->waitForFinished(10000);
        readLines();
        return killedAt;
    }

    qint64 elapsed() const { return m_clock.elapsed(); }
    void end()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(10000);
        }
    }
    ~Trial() { end(); }

    QList<Line> lines;

private:
    void readLines()
    {
        m_buffer += m_process->readAllStandardOutput();
        for (qsizetype end; (end = m_buffer.indexOf('\n')) >= 0;) {
            lines.append({m_clock.elapsed(), QString::fromUtf8(m_buffer.left(end)).split(u'\t')});
            m_buffer.remove(0, end + 1);
        }
    }

    std::unique_ptr<QProcess> m_process;
    QElapsedTimer m_clock;
    QByteArray m_buffer;
};

} // namespace

class TestKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedAtRandomMomentsLosesNoStep();
};

// The driver applies values through the real editor, saves, applies more and
// types; it is killed at random moments, restarted, and answers Restore. Every
// step applied more than a second before the kill must be back, and the language
// file must be the old file or the saved one, byte for byte.
void TestKill::killedAtRandomMomentsLosesNoStep()
{
    const int points = qEnvironmentVariableIsSet("GLOSSA_KILL_POINTS") ? qEnvironmentVariableIntValue("GLOSSA_KILL_POINTS")
                                                                         : 20;
    const quint32 seed = 20261209;
    const QByteArray oldFile = readBytes(demoProductDir() + LanguageFile);

    // A run to its end gives the saved file and the moments of the save.
    Trial reference;
    QVERIFY(reference.prepare());
    reference.start({u"drive"_s, QString::number(seed)});
    QVERIFY2(reference.waitFor(u"idle"_s), "the driver never came to its end");
    const QByteArray newFile = readBytes(reference.product + LanguageFile);
    QVERIFY(newFile != oldFile);
    // Save writes the file once, then the main window takes out the keys the master
    // lacks in a second whole write: the file in between is a file of its own.
    QByteArrayList whole{oldFile, newFile};
    qint64 readyMs = 0, savingMs = 0, idleMs = 0;
    for (const Line &line : reference.lines) {
        if (line.fields[0] == u"ready")
            readyMs = line.atMs;
        else if (line.fields[0] == u"saving")
            savingMs = line.atMs;
        else if (line.fields[0] == u"saved")
            whole.append(QByteArray::fromHex(line.fields.value(1).toLatin1()));
        else if (line.fields[0] == u"idle")
            idleMs = line.atMs;
    }
    reference.end();

    QRandomGenerator random(seed);
    std::map<QString, int> counts; // where each kill fell
    int stepsChecked = 0;
    for (int point = 0; point < points; ++point) {
        Trial trial;
        QVERIFY(trial.prepare());
        trial.start({u"drive"_s, QString::number(seed)});
        QVERIFY(trial.waitFor(u"ready"_s));
        // A quarter of the kills fall right about the save, the rest anywhere until idle.
        const qint64 offset = trial.elapsed() - readyMs;
        const qint64 atMs = point % 4 == 3 ? savingMs + offset - 20 + qint64(random.bounded(120))
                                           : readyMs + offset + qint64(random.bounded(quint32(idleMs - readyMs + 200)));
        const qint64 killedAt = trial.killAt(atMs);

        QString where = u"between steps"_s;
        for (const Line &line : trial.lines) {
            const QString &what = line.fields[0];
            if (what == u"typing" || what == u"pending")
                where = u"during typing"_s;
            else if (what == u"applied" || what == u"saved")
                where = u"between steps"_s;
            else if (what == u"saving")
                where = u"during Save"_s;
            else if (what == u"idle")
                where = u"idle"_s;
        }
        ++counts[where];

        const QByteArray file = readBytes(trial.product + LanguageFile);
        if (!whole.contains(file) && !whole.contains(QCryptographicHash::hash(file, QCryptographicHash::Sha256))) {
            for (const Line &line : trial.lines) // what the driver did until the kill
                qInfo().noquote() << line.atMs << line.fields.join(u' ');
        }
        QVERIFY2(whole.contains(file) || whole.contains(QCryptographicHash::hash(file, QCryptographicHash::Sha256)),
                 qPrintable(u"kill %1 at %2 ms: the language file is neither the old nor the saved one"_s.arg(point).arg(killedAt)));

        // Every step applied more than a second before the kill.
        std::map<QString, QString> required;
        for (const Line &line : trial.lines)
            if (line.fields[0] == u"applied" && line.atMs < killedAt - 1000)
                required[line.fields.value(2)] = line.fields.value(3);

        trial.start({u"restore"_s});
        QVERIFY2(trial.waitFor(u"restored"_s), qPrintable(u"kill %1: the restart did not restore"_s.arg(point)));
        std::map<QString, QString> rows;
        for (const Line &line : trial.lines) {
            QVERIFY2(line.fields[0] != u"box", qPrintable(line.fields.join(u' ')));
            if (line.fields[0] == u"row")
                rows[line.fields.value(1)] = line.fields.value(2);
        }
        for (const auto &[key, value] : required) {
            QVERIFY2(rows.count(key), qPrintable(key));
            QVERIFY2(rows[key] == value, qPrintable(u"kill %1 at %2 ms (%3): %4 is \"%5\", applied as \"%6\""_s.arg(point)
                                                        .arg(killedAt)
                                                        .arg(where, key, rows[key], value)));
        }
        stepsChecked += int(required.size());
    }
    QString summary = u"%1 kills, %2 steps checked back:"_s.arg(points).arg(stepsChecked);
    for (const auto &[where, count] : counts)
        summary += u" %1 %2;"_s.arg(count).arg(where);
    qInfo().noquote() << summary;
}

QTEST_GUILESS_MAIN(TestKill)
#include "tst_killtest.moc"
