#include "terms/Glossary.h"

#include "terms/GlossaryFormats.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

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

namespace {

// The glossary as read, kept in the user's cache: reading a large TBX file costs far
// more than reading this back. Keyed by the file's path; good while the file's size
// and time of change are those it was read with (what make and rsync go by).
constexpr quint32 CacheMagic = 0x474C4743; // "GLGC"
constexpr quint32 CacheVersion = 2; // 2: the language tags in a table, named by their index
// A smaller file reads in a few milliseconds: it gets no cache, and leaves nothing behind.
constexpr qint64 CachedFromSize = 512 * 1024;
// The caches of glossaries not read for a while go: the folder keeps the most recently
// used ones (a cache is touched when it is read).
constexpr qsizetype CachesKept = 16;

void pruneCaches(const QString &folder)
{
    const QFileInfoList caches = QDir(folder).entryInfoList({QStringLiteral("*.bin")}, QDir::Files, QDir::Time);
    for (qsizetype i = CachesKept; i < caches.size(); ++i)
        QFile::remove(caches[i].absoluteFilePath());
}

QString cachePathFor(const QFileInfo &file)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        return {};
    const QByteArray key = QCryptographicHash::hash(file.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return base + QStringLiteral("/glossa/glossaries/") + QString::fromLatin1(key) + QStringLiteral(".bin");
}

void writeTerms(QDataStream &out, const QList<Term> &terms)
{
    out << quint32(terms.size());
    for (const Term &term : terms)
        out << term.text << quint8(term.status);
}

bool readTerms(QDataStream &in, QList<Term> &terms)
{
    quint32 count = 0;
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        Term term;
        quint8 status = 0;
        in >> term.text >> status;
        if (status > quint8(TermStatus::Forbidden))
            return false;
        term.status = TermStatus(status);
        terms.append(std::move(term));
    }
    return in.status() == QDataStream::Ok;
}

void writeCache(const QString &path, const QFileInfo &file, const Glossary &glossary)
{
    if (path.isEmpty() || file.size() < CachedFromSize || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return;
    QSaveFile cache(path);
    if (!cache.open(QIODevice::WriteOnly))
        return;
    QDataStream out(&cache);
    out.setVersion(QDataStream::Qt_6_0);
    out << CacheMagic << CacheVersion << qint64(file.size()) << file.lastModified().toMSecsSinceEpoch();
    // Every language tag once, then each entry's languages by their place in that table.
    QStringList tags;
    QHash<QString, quint32> indexOf;
    for (const TermConcept &entry : glossary.concepts)
        for (const auto &[tag, terms] : entry.translations)
            if (!indexOf.contains(tag)) {
                indexOf.insert(tag, quint32(tags.size()));
                tags.append(tag);
            }
    out << tags << quint32(glossary.concepts.size());
    for (const TermConcept &entry : glossary.concepts) {
        out << entry.id << entry.note << entry.doNotTranslate << entry.caseSensitive;
        writeTerms(out, entry.english);
        out << quint32(entry.translations.size());
        for (const auto &[tag, terms] : entry.translations) {
            out << indexOf.value(tag);
            writeTerms(out, terms);
        }
    }
    if (out.status() == QDataStream::Ok && cache.commit()) // a cache that cannot be written is only slower
        pruneCaches(QFileInfo(path).absolutePath());
}

// The cached glossary of file, when the cache is there and still good.
bool readCache(const QString &path, const QFileInfo &file, Glossary &glossary)
{
    QFile cache(path);
    if (path.isEmpty() || !cache.open(QIODevice::ReadOnly))
        return false;
    // Read whole: a stream over memory reads its many short strings faster than over a file.
    const QByteArray bytes = cache.readAll();
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, version = 0, count = 0;
    qint64 size = -1, modified = -1;
    in >> magic >> version >> size >> modified;
    if (in.status() != QDataStream::Ok || magic != CacheMagic || version != CacheVersion || size != file.size()
        || modified != file.lastModified().toMSecsSinceEpoch())
        return false;
    // Each tag's text shared by every entry, as the TBX reader shares it. Counts are
    // checked against the bytes left: a damaged count must not ask for a huge list.
    quint32 tagCount = 0;
    in >> tagCount;
    if (in.status() != QDataStream::Ok || tagCount > quint32(bytes.size() / 4))
        return false;
    QStringList tags;
    tags.reserve(qsizetype(tagCount));
    for (quint32 t = 0; t < tagCount && in.status() == QDataStream::Ok; ++t) {
        QString tag;
        in >> tag;
        tags.append(tag);
    }
    in >> count;
    if (in.status() != QDataStream::Ok || count > quint32(bytes.size()))
        return false;
    Glossary read;
    read.concepts.reserve(count);
    for (quint32 c = 0; c < count; ++c) {
        TermConcept entry;
        in >> entry.id >> entry.note >> entry.doNotTranslate >> entry.caseSensitive;
        quint32 languages = 0;
        if (!readTerms(in, entry.english))
            return false;
        in >> languages;
        for (quint32 l = 0; l < languages && in.status() == QDataStream::Ok; ++l) {
            quint32 tag = 0;
            in >> tag;
            if (tag >= quint32(tags.size()))
                return false;
            // Written in the map's order: each goes in at the end.
            const auto at = entry.translations.emplace_hint(entry.translations.end(), tags[tag], QList<Term>());
            if (!readTerms(in, at->second))
                return false;
        }
        if (in.status() != QDataStream::Ok)
            return false;
        read.concepts.push_back(std::move(entry));
    }
    if (!in.atEnd())
        return false;
    glossary = std::move(read);
    cache.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime); // used: kept longest
    return true;
}

} // namespace

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
    const QFileInfo info(file);
    const QString cache = info.size() >= CachedFromSize ? cachePathFor(info) : QString();
    if (readCache(cache, info, glossary))
        return true;
    QString why;
    if (!readTbx(file.readAll(), glossary, why)) {
        glossary = Glossary();
        error = QStringLiteral("\"%1\" is refused: %2").arg(file.fileName(), why);
        return false;
    }
    writeCache(cache, info, glossary);
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
