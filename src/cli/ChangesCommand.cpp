#include "cli/ChangesCommand.h"

#include "checks/CheckEngine.h"
#include "checks/ReleaseComparison.h"
#include "model/Constants.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QTextStream>

#include <cstdio>

namespace Glossa {

namespace {

const QString Usage = QStringLiteral(
    "Usage: glossa changes EARLIER [PRODUCT_DIR] [--format text|json] [--language NAME]...\n"
    "Lists the keys added, removed and changed in English since the earlier release\n"
    "(a copy of its product folder, or its master file), and per language the\n"
    "translations that still follow the earlier English. PRODUCT_DIR defaults to\n"
    "the working directory.\n"
    "\n"
    "  --format text|json   output format (default text)\n"
    "  --language NAME      only this language (display name or locale code, 0x0407);\n"
    "                       may be repeated\n");

// A JSON string literal, escaped as QJsonDocument escapes it.
QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray jsonKeys(const QStringList &keys)
{
    QByteArray json = "[";
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (i > 0)
            json += ", ";
        json += jsonString(keys.at(i));
    }
    return json + ']';
}

struct LanguageStale
{
    QString name;
    QStringList keys; // master order
};

// The product's present languages beside the master, in catalogue order.
bool productLanguages(const QString &productDir, CheckEngine *engine, QStringList *out, QString *error)
{
    if (!engine->open(productDir)) {
        *error = engine->error();
        return false;
    }
    const QString master = MasterLanguageFileName.chopped(4);
    *out = engine->presentLanguages();
    out->removeAll(master);
    return true;
}

// The languages to report on: every present one but the master, or those asked for.
bool chooseLanguages(const QString &productDir, const QStringList &asked, QStringList *out, QString *error)
{
    CheckEngine engine;
    QStringList present;
    if (!productLanguages(productDir, &engine, &present, error))
        return false;
    if (asked.isEmpty()) {
        *out = present;
        return true;
    }
    out->clear();
    for (const QString &name : asked) {
        const QString found = engine.resolveLanguage(name);
        if (found.isEmpty()) {
            *error = QStringLiteral("The product has no language \"%1\".").arg(name);
            return false;
        }
        if (found == MasterLanguageFileName.chopped(4)) {
            *error = QStringLiteral("\"%1\" is the master language: its translations cannot be stale.").arg(name);
            return false;
        }
        if (!out->contains(found))
            out->append(found);
    }
    return true;
}

bool staleByLanguage(const ReleaseComparison &comparison, const QStringList &languages,
                     std::vector<LanguageStale> *out, QString *error)
{
    for (const QString &name : languages) {
        QSet<QString> keys;
        if (!comparison.staleKeys(name, &keys, error))
            return false;
        LanguageStale entry{name, {}};
        for (const EnglishChange &c : comparison.changed()) {
            if (keys.contains(c.key))
                entry.keys.append(c.key);
        }
        out->push_back(std::move(entry));
    }
    return true;
}

void writeText(QTextStream &s, const ReleaseComparison &comparison, const std::vector<LanguageStale> &stale)
{
    s << "Earlier release: " << QDir::toNativeSeparators(comparison.earlierMaster()) << '\n';
    s << "Product: " << QDir::toNativeSeparators(comparison.productDirectory()) << "\n\n";
    s << "Added: " << comparison.added().size() << '\n';
    for (const QString &key : comparison.added())
        s << "  " << key << '\n';
    s << "Removed: " << comparison.removed().size() << '\n';
    for (const QString &key : comparison.removed())
        s << "  " << key << '\n';
    s << "Changed: " << comparison.changed().size() << '\n';
    for (const EnglishChange &c : comparison.changed()) {
        s << "  " << c.key << '\n';
        s << "    before: " << c.before << '\n';
        s << "    after:  " << c.after << '\n';
    }
    s << "\nStale translations:";
    if (stale.empty())
        s << " no language";
    s << '\n';
    for (const LanguageStale &l : stale) {
        s << "  " << l.name << ": " << l.keys.size() << '\n';
        for (const QString &key : l.keys)
            s << "    " << key << '\n';
    }
}

QByteArray toJson(const ReleaseComparison &comparison, const std::vector<LanguageStale> &stale)
{
    // Written by hand to keep the members in this order.
    QByteArray json = "{\"added\": " + jsonKeys(comparison.added()) + ", \"removed\": " + jsonKeys(comparison.removed())
                      + ", \"changed\": [";
    bool first = true;
    for (const EnglishChange &c : comparison.changed()) {
        if (!first)
            json += ", ";
        first = false;
        json += "{\"key\": " + jsonString(c.key) + ", \"before\": " + jsonString(c.before)
                + ", \"after\": " + jsonString(c.after) + '}';
    }
    json += "], \"stale\": {";
    first = true;
    for (const LanguageStale &l : stale) {
        if (!first)
            json += ", ";
        first = false;
        json += jsonString(l.name) + ": " + jsonKeys(l.keys);
    }
    json += "}}\n";
    return json;
}

int fail(QIODevice *err, const QString &message)
{
    QTextStream(err) << "glossa changes: " << message << '\n';
    return 2;
}

} // namespace

int runChanges(const QStringList &arguments, QIODevice *out, QIODevice *err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("text or json"),
                                          QStringLiteral("FORMAT"), QStringLiteral("text"));
    const QCommandLineOption languageOption(QStringLiteral("language"), QStringLiteral("a language"),
                                            QStringLiteral("NAME"));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("help"));
    parser.addOption(formatOption);
    parser.addOption(languageOption);
    parser.addOption(helpOption);
    // The parser takes the first word for the program's name.
    if (!parser.parse(QStringList{QStringLiteral("glossa changes")} + arguments))
        return fail(err, parser.errorText() + u'\n' + Usage);
    if (parser.isSet(helpOption)) {
        QTextStream(out) << Usage;
        return 0;
    }
    const QString format = parser.value(formatOption);
    if (format != QStringLiteral("text") && format != QStringLiteral("json"))
        return fail(err, QStringLiteral("unknown format \"%1\": use text or json.").arg(format));
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2)
        return fail(err, (positional.isEmpty() ? QStringLiteral("the earlier release is missing.")
                                               : QStringLiteral("too many arguments."))
                             + u'\n' + Usage);
    const QString productDir = positional.size() == 2 ? positional.at(1) : QDir::currentPath();

    ReleaseComparison comparison;
    if (!comparison.compare(positional.at(0), productDir))
        return fail(err, comparison.error());
    QStringList languages;
    QString error;
    std::vector<LanguageStale> stale;
    if (!chooseLanguages(comparison.productDirectory(), parser.values(languageOption), &languages, &error)
        || !staleByLanguage(comparison, languages, &stale, &error))
        return fail(err, error);

    if (format == QStringLiteral("json")) {
        out->write(toJson(comparison, stale));
    } else {
        QTextStream s(out);
        writeText(s, comparison, stale);
    }
    return 0;
}

int runChanges(const QStringList &arguments)
{
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly))
        return 2;
    return runChanges(arguments, &out, &err);
}

} // namespace Glossa
