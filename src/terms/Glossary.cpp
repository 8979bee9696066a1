#include "terms/Glossary.h"

#include "terms/GlossaryFormats.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSet>

#include <algorithm>

namespace Glossa {

QString normalisedLanguageTag(const QString &tag)
{
    QStringList parts = tag.trimmed().replace(u'_', u'-').split(u'-', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i == 0)
            parts[i] = parts[i].toLower();
        else if (parts[i].size() == 2)
            parts[i] = parts[i].toUpper();
    }
    return parts.join(u'-');
}

bool looksLikeLanguageTag(const QString &tag)
{
    const QStringList parts = tag.split(u'-');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        if (part.isEmpty() || part.size() > 8)
            return false;
        for (const QChar c : part)
            if (!(c.unicode() < 0x80 && (c.isLetter() || (i > 0 && c.isDigit()))))
                return false;
    }
    return true;
}

const QList<Term> *TermConcept::termsFor(const QString &languageTag) const
{
    return termsForNormalised(normalisedLanguageTag(languageTag));
}

const QList<Term> *TermConcept::termsForNormalised(const QString &wanted) const
{
    // The readers keep tags as normalisedLanguageTag gives them; case is ignored all the same.
    const QStringView base = QStringView(wanted).left(wanted.indexOf(u'-') < 0 ? wanted.size() : wanted.indexOf(u'-'));
    if (const auto exact = translations.find(wanted); exact != translations.end())
        return &exact->second;
    if (const auto baseTag = translations.find(base.toString()); baseTag != translations.end())
        return &baseTag->second;
    const QList<Term> *baseTerms = nullptr;
    for (const auto &[tag, terms] : translations) {
        if (tag.compare(wanted, Qt::CaseInsensitive) == 0)
            return &terms;
        if (tag.compare(base, Qt::CaseInsensitive) == 0)
            baseTerms = &terms;
    }
    return baseTerms;
}

QStringList Glossary::languages() const
{
    QSet<QString> tags;
    for (const TermConcept &entry : concepts)
        for (const auto &[tag, terms] : entry.translations)
            tags.insert(tag);
    QStringList sorted(tags.begin(), tags.end());
    sorted.sort();
    return sorted;
}

void Glossary::merge(const Glossary &other, int *added, int *updated)
{
    int addedCount = 0;
    int updatedCount = 0;
    QHash<QString, size_t> byName;
    QSet<QString> ids;
    for (size_t i = 0; i < concepts.size(); ++i) {
        byName.insert(concepts[i].name().toCaseFolded(), i);
        ids.insert(concepts[i].id);
    }
    int nextId = int(concepts.size()) + 1;
    for (const TermConcept &incoming : other.concepts) {
        if (incoming.english.isEmpty())
            continue;
        const auto found = byName.constFind(incoming.name().toCaseFolded());
        if (found == byName.constEnd()) {
            TermConcept entry = incoming;
            if (entry.id.isEmpty() || ids.contains(entry.id)) {
                while (ids.contains(QStringLiteral("c%1").arg(nextId)))
                    ++nextId;
                entry.id = QStringLiteral("c%1").arg(nextId);
            }
            ids.insert(entry.id);
            byName.insert(entry.name().toCaseFolded(), concepts.size());
            concepts.push_back(std::move(entry));
            ++addedCount;
            continue;
        }
        TermConcept &entry = concepts[*found];
        const TermConcept before = entry;
        const auto addTerms = [](QList<Term> &into, const QList<Term> &from) {
            for (const Term &term : from) {
                const auto same = std::find_if(into.begin(), into.end(), [&term](const Term &t) {
                    return t.text.compare(term.text, Qt::CaseInsensitive) == 0;
                });
                if (same == into.end())
                    into.append(term);
                else
                    same->status = term.status; // the file imported says how it stands now
            }
        };
        addTerms(entry.english, incoming.english);
        for (const auto &[tag, terms] : incoming.translations)
            addTerms(entry.translations[tag], terms);
        entry.doNotTranslate = entry.doNotTranslate || incoming.doNotTranslate;
        entry.caseSensitive = entry.caseSensitive || incoming.caseSensitive;
        if (entry.note.isEmpty())
            entry.note = incoming.note;
        if (!(entry == before))
            ++updatedCount;
    }
    if (added)
        *added = addedCount;
    if (updated)
        *updated = updatedCount;
}

QString productGlossaryPath(const QString &productDirectory)
{
    return QDir(productDirectory).filePath(QStringLiteral("glossa-glossary.tbx"));
}

bool loadProductGlossary(const QString &productDirectory, Glossary &glossary, QString &error)
{
    glossary = Glossary();
    QFile file(productGlossaryPath(productDirectory));
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("\"%1\" cannot be read: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    QString why;
    if (!readTbx(file.readAll(), glossary, why)) {
        error = QStringLiteral("\"%1\" is refused: %2").arg(file.fileName(), why);
        return false;
    }
    return true;
}

bool saveProductGlossary(const QString &productDirectory, const Glossary &glossary, QString &error)
{
    QSaveFile file(productGlossaryPath(productDirectory));
    const QByteArray bytes = writeTbx(glossary);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("\"%1\" cannot be written: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

} // namespace Glossa
