// Spelling over a product whose languages have Hunspell dictionaries: a
// 20,000-entry language of real-looking words (drawn from the dictionary
// itself, one word in fifty mistyped) checked on one core, with the word
// cache and without it.
#include "BenchSupport.h"

#include "checks/CheckEngine.h"
#include "checks/Spelling.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>

#include <cstdio>
#include <random>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;

// Words of a Hunspell .dic file without their affix flags, lower-case ones only (not names).
QStringList dictionaryWords(const QString &affix, int most)
{
    QFile file(affix.chopped(4) + QStringLiteral(".dic"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList words;
    const QList<QByteArray> lines = file.readAll().split('\n');
    std::mt19937 random{7};
    for (qsizetype i = 1; i < lines.size() && words.size() < most; ++i) {
        if (random() % 20 != 0)
            continue;
        const QString word = QString::fromUtf8(lines[i].split('/').first().trimmed());
        if (word.size() >= 3 && word[0].isLower() && !word.contains(u'.') && !word.contains(u'-'))
            words.append(word);
    }
    return words;
}

QString sentence(const QStringList &words, std::mt19937 &random)
{
    QStringList out;
    const int n = 3 + int(random() % 5);
    for (int i = 0; i < n; ++i) {
        QString word = words[int(random() % words.size())];
        if (random() % 50 == 0)
            word.insert(int(random() % word.size()), u'q'); // a typo
        out.append(word);
    }
    out[0][0] = out[0][0].toUpper();
    return out.join(u' ') + u'.';
}

QStringList writeLanguage(const QString &path, const QStringList &words, unsigned seed)
{
    std::mt19937 random{seed};
    QStringList values;
    QString text = QStringLiteral("[text]\n");
    for (int i = 0; i < Attributes; ++i) {
        values.append(sentence(words, random));
        text += QStringLiteral("IDS_%1=\"%2\"\n").arg(i, 5, 10, QLatin1Char('0')).arg(values.last());
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(text.toUtf8());
    return values;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString language = dir.filePath(QStringLiteral("language"));
    QDir().mkpath(language);

    struct Language
    {
        QString name;
        QString code;
        QString tag;
    };
    const QList<Language> languages = {{QStringLiteral("German (Germany)"), QStringLiteral("0x0407"), QStringLiteral("de-DE")},
                                       {QStringLiteral("French (France)"), QStringLiteral("0x040c"), QStringLiteral("fr-FR")},
                                       {QStringLiteral("English (United Kingdom)"), QStringLiteral("0x0809"),
                                        QStringLiteral("en-GB")}};
    const QString english = SpellChecker::affixFileFor(QStringLiteral("en-US"));
    if (english.isEmpty())
        qFatal("no en-US Hunspell dictionary (scripts/setup.sh installs it)");
    writeLanguage(language + QStringLiteral("/English (United States).ini"), dictionaryWords(english, 4000), 1);
    QString index = QStringLiteral("[languages]\n0x0409=English (United States)\n");
    QList<Language> present;
    QHash<QString, QStringList> valuesOf;
    for (const Language &l : languages) {
        const QString affix = SpellChecker::affixFileFor(l.tag);
        if (affix.isEmpty()) {
            std::printf("%s: no dictionary installed, skipped\n", qPrintable(l.name));
            continue;
        }
        valuesOf.insert(l.name, writeLanguage(language + u'/' + l.name + QStringLiteral(".ini"), dictionaryWords(affix, 4000), 2));
        index += l.code + u'=' + l.name + u'\n';
        present.append(l);
    }
    QFile indexFile(language + QStringLiteral("/LanguageIndex.ini"));
    indexFile.open(QIODevice::WriteOnly);
    indexFile.write(index.toUtf8());
    indexFile.close();

    CheckEngine engine;
    if (!engine.open(dir.path()))
        qFatal("%s", qPrintable(engine.error()));
    CheckOptions options;
    options.only = {QStringLiteral("spelling")};
    // The master's words are read once for every language: untimed here.
    engine.checkLanguage(present.first().name, options);

    Bench::printHeader("spelling: one 20,000-entry language on one core (--checks spelling)");
    for (const Language &l : present) {
        int found = 0;
        const double cached = Bench::bestMs([&] { found = int(engine.checkLanguage(l.name, options).findings.size()); }, 3);
        // Without the cache: every word of every value goes to Hunspell.
        const double uncached = Bench::bestMs([&] {
            SpellChecker speller(l.tag);
            speller.setCacheEnabled(false);
            for (const QString &value : valuesOf.value(l.name))
                speller.misspelled(value);
        }, 1);
        Bench::printRow(QStringLiteral("%1: with the word cache (%2 findings)").arg(l.name).arg(found), cached,
                        QStringLiteral("without the cache"), uncached);
    }
    SpellChecker german(QStringLiteral("de-DE"));
    if (german.isValid()) {
        german.isCorrect(QStringLiteral("Haus"));
        const double suggest = Bench::bestMs([&] { german.suggestions(QStringLiteral("Speichrung")); }, 3);
        Bench::printRow(QStringLiteral("German: suggestions for one word (on demand)"), suggest);
    }
    return 0;
}
