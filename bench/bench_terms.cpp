// The glossary's matching and extraction on a product of 20,000 keys with a glossary of
// 1,000 entries in 112 languages: the English matched once, one language's term findings
// for every key, the terms of one entry (the editor's panel), and terms extract, in
// process and as the glossa command; beside the naive way of looking for every term in
// every text.
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "model/LocaleCatalogue.h"
#include "terms/GlossaryFormats.h"
#include "terms/TermChecker.h"
#include "terms/TermExtraction.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdint>

using namespace Glossa;

namespace {

constexpr int Keys = 20000;
constexpr int Concepts = 1000;
constexpr int Vocabulary = 5000;
constexpr int Languages = 112;

// Words of letters only: "e" + base 26 for the English, "d" + the same for its German.
QString word(QChar prefix, int i)
{
    QString s;
    for (int n = i + 1; n > 0; n /= 26)
        s.prepend(QChar(u'a' + n % 26));
    return prefix + s;
}

struct Random
{
    std::uint32_t state = 12345;
    int next(int bound)
    {
        state = state * 1664525u + 1013904223u;
        return int((state >> 8) % std::uint32_t(bound));
    }
};

struct Product
{
    QStringList keys, english, german;
};

// UI-like texts of 3 to 10 words, half of them from the 300 most frequent words; one key in
// twenty a label of one or two words; one text in ten holds a two-word term, one in four a
// placeholder; the German translates word by word and drops a word in one text of fifty.
Product makeTexts()
{
    Product p;
    Random random;
    for (int r = 0; r < Keys; ++r) {
        QList<int> words;
        if (r % 20 == 0) {
            words << random.next(400);
            if (r % 40 == 0)
                words << random.next(400);
        } else {
            const int length = 3 + r % 8;
            for (int w = 0; w < length; ++w)
                words << (random.next(100) < 50 ? random.next(300) : random.next(Vocabulary));
            if (r % 10 == 1) {
                const int c = 700 + (r / 10) % 300;
                words << c * 3 % Vocabulary << (c * 3 + 1) % Vocabulary;
            }
        }
        QStringList en, de;
        for (int w : words) {
            en << word(u'e', w);
            de << word(u'd', w);
        }
        if (r % 4 == 2) {
            en.insert(1, QStringLiteral("%d"));
            de.insert(1, QStringLiteral("%d"));
        }
        if (r % 50 == 3 && de.size() > 1)
            de.removeAt(random.next(int(de.size())));
        p.keys << QStringLiteral("IDS_KEY_%1").arg(r);
        p.english << u'"' + en.join(u' ') + u'"';
        p.german << u'"' + de.join(u' ') + u'"';
    }
    return p;
}

// A text of the German words as another language says it: each word with the
// language's two letters after it ("dabc" -> "dabcfr"); the German as it is.
QString inLanguage(const QString &german, const QString &tag)
{
    if (tag == u"de-DE")
        return german;
    if (german.size() >= 2 && german.front() == u'"' && german.back() == u'"')
        return u'"' + inLanguage(german.sliced(1, german.size() - 2), tag) + u'"';
    QStringList words = german.split(u' ');
    for (QString &w : words)
        if (w.size() > 1 && w[0] == u'd')
            w += tag.left(2);
    return words.join(u' ');
}

std::shared_ptr<Glossary> makeGlossary()
{
    auto glossary = std::make_shared<Glossary>();
    QStringList tags;
    for (int row = 0; row < LocaleCatalogue::RowCount() && tags.size() < Languages; ++row)
        if (const QString tag = LocaleCatalogue::Bcp47ForDisplayName(LocaleCatalogue::DisplayNameAt(row)); !tag.isEmpty() && !tags.contains(tag))
            tags << tag;
    if (!tags.contains(QStringLiteral("de-DE")))
        tags.back() = QStringLiteral("de-DE");
    for (int c = 0; c < Concepts; ++c) {
        TermConcept entry;
        entry.id = QStringLiteral("c%1").arg(c + 1);
        // 700 single words spread over the vocabulary, 300 two-word phrases.
        const QList<int> words = c < 700 ? QList<int>{c * 7 % Vocabulary} : QList<int>{c * 3 % Vocabulary, (c * 3 + 1) % Vocabulary};
        QStringList en, de;
        for (int w : words) {
            en << word(u'e', w);
            de << word(u'd', w);
        }
        entry.english.append({en.join(u' '), TermStatus::Preferred});
        for (const QString &tag : tags) {
            QList<Term> &terms = entry.translations[tag];
            terms.append({inLanguage(de.join(u' '), tag), TermStatus::Preferred});
            if (c % 10 == 0)
                terms.append({word(u'x', c), TermStatus::Forbidden});
        }
        entry.doNotTranslate = c % 100 == 50;
        glossary->concepts.push_back(std::move(entry));
    }
    return glossary;
}

// Every term of every entry looked for in every text with QString::indexOf, letter case
// ignored, each hit checked for word boundaries: what a check without an index does.
int naiveHits(const Glossary &glossary, const QStringList &english, int rows)
{
    int hits = 0;
    for (int r = 0; r < rows; ++r)
        for (const TermConcept &entry : glossary.concepts)
            for (const Term &term : entry.english)
                for (qsizetype at = english[r].indexOf(term.text, 0, Qt::CaseInsensitive); at >= 0;
                     at = english[r].indexOf(term.text, at + 1, Qt::CaseInsensitive)) {
                    const qsizetype end = at + term.text.size();
                    if ((at == 0 || !english[r][at - 1].isLetterOrNumber()) && (end == english[r].size() || !english[r][end].isLetterOrNumber()))
                        ++hits;
                }
    return hits;
}

void writeFile(const QString &path, const QStringList &keys, const QStringList &values)
{
    QString text = QStringLiteral("[text]\r\n");
    for (qsizetype i = 0; i < keys.size(); ++i)
        text += keys[i] + u'=' + values[i] + QStringLiteral("\r\n");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    file.write(encoder.encode(text));
}

// The whole glossa check of a product of 20,000 keys in every catalogue language,
// with the glossary and without it, one run of each in turn (best of 3 wall).
void wholeCheck(const Product &product, const Glossary &glossary)
{
    using Glossa::LocaleCatalogue;
    // GLOSSA_BENCH_KEEP=DIR leaves the product in DIR, for profiling the check on it.
    QTemporaryDir dir(qEnvironmentVariableIsEmpty("GLOSSA_BENCH_KEEP") ? QDir::tempPath() + QStringLiteral("/bench-XXXXXX")
                                                                       : qEnvironmentVariable("GLOSSA_BENCH_KEEP"));
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("GLOSSA_BENCH_KEEP"));
    QList<int> rows;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        rows << row;
    const Bench::SyntheticProduct made = Bench::makeProduct(dir.path(), Keys, {}, rows, rows);
    writeFile(made.languageDir + QStringLiteral("/English (United States).ini"), product.keys, product.english);
    for (int row : rows) {
        const QString name = LocaleCatalogue::DisplayNameAt(row);
        if (row == 1)
            continue;
        const QString tag = LocaleCatalogue::Bcp47ForDisplayName(name);
        QStringList values;
        for (const QString &german : product.german)
            values << inLanguage(german, tag);
        writeFile(made.languageDir + u'/' + name + QStringLiteral(".ini"), product.keys, values);
    }
    const QString with = productGlossaryPath(dir.path());
    const QString aside = dir.filePath(QStringLiteral("aside.tbx"));
    QFile tbx(aside);
    if (!tbx.open(QIODevice::WriteOnly) || tbx.write(writeTbx(glossary)) < 0)
        qFatal("cannot write the glossary");
    tbx.close();
    const auto run = [&](bool withGlossary) {
        if (withGlossary != QFile::exists(with))
            withGlossary ? QFile::rename(aside, with) : QFile::rename(with, aside);
        QElapsedTimer timer;
        timer.start();
        QProcess process;
        process.start(QStringLiteral(GLOSSA_CLI_PATH),
                      {QStringLiteral("check"), dir.path(), QStringLiteral("--format"), QStringLiteral("json"),
                       QStringLiteral("-o"), dir.filePath(QStringLiteral("report.json"))});
        process.waitForFinished(600000);
        if (process.exitCode() > 1)
            qFatal("glossa check failed: %s", process.readAllStandardError().constData());
        return double(timer.nsecsElapsed()) / 1e6;
    };
    double best[2] = {1e18, 1e18};
    for (int round = 0; round < 4; ++round) // the first round of each uncounted
        for (int withGlossary = 0; withGlossary < 2; ++withGlossary) {
            const double ms = run(withGlossary);
            if (round > 0)
                best[withGlossary] = std::min(best[withGlossary], ms);
        }
    Bench::printRow(QStringLiteral("glossa check, 112 languages, with the glossary"), best[1],
                    QStringLiteral("without it"), best[0]);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const Product product = makeTexts();
    const std::shared_ptr<const Glossary> glossary = makeGlossary();

    Bench::printHeader("Glossary: 20,000 keys, 1,000 entries in 112 languages");
    std::shared_ptr<const EnglishTerms> english;
    const double build = Bench::bestMs([&] { english = std::make_shared<const EnglishTerms>(glossary, product.keys, product.english); });
    size_t hits = 0;
    for (int r = 0; r < english->rowCount(); ++r)
        hits += english->hitsAt(r).size();
    std::printf("(%zu entry hits in the English)\n", hits);
    const double naive = Bench::bestMs([&] { naiveHits(*glossary, product.english, Keys / 20); }, 1) * 20;
    Bench::printRow(QStringLiteral("English matched once (automaton)"), build, QStringLiteral("naive indexOf, 1,000 keys x 20"), naive);

    std::unique_ptr<TermChecker> checker;
    const double language = Bench::bestMs([&] { checker = std::make_unique<TermChecker>(english, QStringLiteral("de-DE")); });
    Bench::printRow(QStringLiteral("one language's checker (terms, stemmer)"), language);
    size_t findings = 0;
    const double all = Bench::bestMs([&] { findings = checker->checkAll(product.german).size(); });
    std::printf("(%zu findings in the German)\n", findings);
    Bench::printRow(QStringLiteral("term findings, all 20,000 keys of one language"), all);

    constexpr int Entries = 1000;
    const double panel = Bench::bestMs([&] {
        for (int r = 0; r < Entries; ++r)
            checker->entriesFor(product.english[r * 7]);
    }) / Entries;
    Bench::printRow(QStringLiteral("one entry's terms (entriesFor, mean of 1,000)"), panel);
    const double one = Bench::bestMs([&] {
        for (int r = 0; r < Entries; ++r)
            checker->check(product.keys[r * 7], product.english[r * 7], product.german[r * 7]);
    }) / Entries;
    Bench::printRow(QStringLiteral("one entry's findings as edited (check, mean)"), one);

    size_t proposals = 0;
    const double extract = Bench::bestMs([&] { proposals = extractTerms(product.english, product.german, QStringLiteral("de-DE")).size(); }, 3);
    std::printf("(%zu proposals)\n", proposals);
    Bench::printRow(QStringLiteral("terms extract, in process"), extract);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("language"));
    writeFile(dir.filePath(QStringLiteral("language/English (United States).ini")), product.keys, product.english);
    writeFile(dir.filePath(QStringLiteral("language/German (Germany).ini")), product.keys, product.german);
    const double command = Bench::bestMs([&] {
        QProcess process;
        process.start(QStringLiteral(GLOSSA_CLI_PATH), {QStringLiteral("terms"), QStringLiteral("extract"), QStringLiteral("German (Germany)"),
                                                        dir.path(), QStringLiteral("-o"), dir.filePath(QStringLiteral("terms.tsv"))});
        process.waitForFinished(600000);
        if (process.exitCode() != 0)
            qFatal("glossa terms extract failed: %s", process.readAllStandardError().constData());
    }, 3);
    Bench::printRow(QStringLiteral("glossa terms extract (whole process)"), command);

    if (!app.arguments().contains(QStringLiteral("--no-whole")))
        wholeCheck(product, *glossary);
    return 0;
}
