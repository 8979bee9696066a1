#include "model/LanguageStore.h"

#include "model/Constants.h"
#include "model/LocaleCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

namespace Glossa {

void LanguageStore::clearMessages()
{
    m_lastError.clear();
    m_lastNotice.clear();
    m_lastUndecodable.clear();
}

bool LanguageStore::enterDirectory()
{
    if (QDir::setCurrent(m_directory))
        return true;
    m_lastError = QStringLiteral("The language directory \"%1\" cannot be entered.").arg(QDir::toNativeSeparators(m_directory));
    return false;
}

QString LanguageStore::fileNameFor(const QString &displayName)
{
    return displayName + QStringLiteral(".ini");
}

QString LanguageStore::filePathFor(const QString &displayName) const
{
    return QDir(m_directory).filePath(fileNameFor(displayName));
}

std::optional<AttributeId> LanguageStore::findAttribute(const QString &name) const
{
    const auto it = m_idByName.find(QStringView(name));
    if (it == m_idByName.end())
        return std::nullopt;
    return it->second;
}

QString LanguageStore::quotedForSaving(const QString &value)
{
    if (value.isEmpty())
        return value;
    QString text;
    text.reserve(value.size() + 2);
    if (!value.startsWith(u'"'))
        text += u'"';
    text += value;
    if (!value.endsWith(u'"'))
        text += u'"';
    return text;
}

bool LanguageStore::readTextSection(const QString &fileName, const std::function<void(QStringView, QStringView)> &visit,
                                    ProfileFormat *format)
{
    ProfileFile file(fileName);
    file.requireSection(TextSectionName);
    if (!file.load()) {
        m_lastError = file.error();
        return false;
    }
    m_lastUndecodable = file.undecodableReason();
    if (!file.exists()) {
        m_lastError = QStringLiteral("\"%1\" does not exist.").arg(QDir::toNativeSeparators(QDir::current().filePath(fileName)));
        return false;
    }
    file.forEachEntry(TextSectionName, visit);
    if (format)
        *format = file.format();
    return true;
}

bool LanguageStore::Open(const QString &relativePath)
{
    clearMessages();
    m_previousDirectory = QDir::currentPath();
    if (!QDir::setCurrent(relativePath)) {
        m_lastError = QStringLiteral("The directory \"%1\" cannot be entered.").arg(QDir::toNativeSeparators(relativePath));
        return false;
    }
    m_directory = QDir::currentPath();
    if (!LoadAttributeCatalogue())
        return false;
    QDir::setCurrent(m_previousDirectory);
    return true;
}

bool LanguageStore::LoadAttributeCatalogue()
{
    clearMessages();
    if (!enterDirectory())
        return false;
    ProfileFormat masterFormat;
    const bool read = readTextSection(MasterLanguageFileName, [this](QStringView key, QStringView) {
        const AttributeId id = takeNextAttributeId();
        QString name = key.toString();
        m_idByName.emplace(name, id); // keeps the first, so lookups by name stop at the lowest id
        m_attributes.insert(m_attributes.cend(), id, std::move(name));
    }, &masterFormat);
    if (!read)
        return false;

    // New files follow the master file, but never with a UTF-8 byte-order mark
    // (Windows readers misread it) nor in a code page that cannot hold every language.
    m_newFileFormat = masterFormat;
    if (m_newFileFormat.encoding == TextEncoding::Utf8Bom)
        m_newFileFormat.encoding = TextEncoding::Utf8;
    else if (m_newFileFormat.encoding == TextEncoding::Legacy8Bit)
        m_newFileFormat.encoding = TextEncoding::Utf16LE;
    return true;
}

namespace {

std::optional<LanguageStore::FileStamp> stampOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    return LanguageStore::FileStamp{info.size(), info.lastModified().toMSecsSinceEpoch()};
}

} // namespace

std::optional<LanguageStore::FileStamp> LanguageStore::readStamp(const QString &displayName) const
{
    const auto it = m_readStamps.constFind(displayName);
    return it == m_readStamps.cend() ? std::nullopt : std::optional<FileStamp>(it.value());
}

void LanguageStore::noteStamp(const QString &displayName, std::optional<FileStamp> stamp)
{
    if (stamp)
        m_readStamps.insert(displayName, *stamp);
    else
        m_readStamps.remove(displayName);
}

bool LanguageStore::LoadLanguageFile(const QString &displayName, LanguageValues &values, RedundantKeySet &redundant)
{
    clearMessages();
    if (!enterDirectory())
        return false;
    // Taken before the read: a write that races the read shows as a change later.
    const std::optional<FileStamp> stamp = stampOf(fileNameFor(displayName));
    // A file that cannot be read fails before the first entry, so neither container changes then.
    const bool read = readTextSection(fileNameFor(displayName), [&](QStringView key, QStringView value) {
        const auto it = m_idByName.find(key);
        if (it == m_idByName.end()) {
            redundant.insert(key.toString());
            return;
        }
        // Files usually follow the master's order: append at the end when the id is the largest.
        const AttributeId id = it->second;
        if (values.isEmpty() || values.lastKey() < id)
            values.insert(values.cend(), id, value.toString());
        else if (!values.contains(id))
            values.insert(id, value.toString());
    });
    noteStamp(displayName, read ? stamp : std::nullopt);
    return read;
}

bool LanguageStore::LoadCaseVariants(const QString &displayName, QHash<AttributeId, CaseVariant> &variants)
{
    clearMessages();
    if (!enterDirectory())
        return false;
    QHash<QString, AttributeId> byFoldedName;
    const auto foldedId = [&](QStringView key) -> std::optional<AttributeId> {
        if (byFoldedName.isEmpty()) {
            byFoldedName.reserve(m_attributes.size());
            // The catalogue runs in id order, so the first id of a name is its lowest.
            for (auto it = m_attributes.cbegin(); it != m_attributes.cend(); ++it)
                if (QString folded = it.value().toCaseFolded(); !byFoldedName.contains(folded))
                    byFoldedName.insert(std::move(folded), it.key());
        }
        const auto it = byFoldedName.constFind(key.toString().toCaseFolded());
        return it == byFoldedName.cend() ? std::nullopt : std::optional<AttributeId>(it.value());
    };
    return readTextSection(fileNameFor(displayName), [&](QStringView key, QStringView value) {
        if (m_idByName.find(key) != m_idByName.end())
            return;
        // A key written in quotes is another key to the product, and as likely meant as one mistyped.
        const bool quoted = key.size() > 2 && key.front() == u'"' && key.back() == u'"';
        const QStringView bare = quoted ? key.sliced(1, key.size() - 2) : key;
        std::optional<AttributeId> id;
        if (const auto exact = m_idByName.find(bare); quoted && exact != m_idByName.end())
            id = exact->second;
        else
            id = foldedId(bare);
        if (id && !variants.contains(*id))
            variants.insert(*id, CaseVariant{key.toString(), value.toString(), quoted});
    });
}

bool LanguageStore::commit(ProfileFile &file, const QString &displayName)
{
    if (!file.commit()) {
        m_lastError = file.error();
        return false;
    }
    m_lastNotice = file.notice();
    // Whoever wrote through the store takes what it wrote into the values it holds
    // (the editor merges with changes from outside before it saves).
    if (m_readStamps.contains(displayName))
        noteStamp(displayName, stampOf(file.path()));
    return true;
}

bool LanguageStore::loadForWriting(ProfileFile &file)
{
    // The file is read afresh just before the writes, so that lines another
    // program changed since it was last read survive.
    file.setNewFileFormat(m_newFileFormat);
    if (file.load())
        return true;
    m_lastError = file.error();
    return false;
}

bool LanguageStore::SaveLanguageFile(const QString &displayName, const LanguageValues &values)
{
    clearMessages();
    if (values.isEmpty())
        return true;
    if (!enterDirectory())
        return false;
    ProfileFile file(fileNameFor(displayName));
    file.requireSection(TextSectionName);
    if (!loadForWriting(file))
        return false;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const auto name = m_attributes.constFind(it.key());
        if (name == m_attributes.cend())
            continue;
        if (!file.setValue(TextSectionName, name.value(), quotedForSaving(it.value()))) {
            // One value the file cannot hold stops the whole save: nothing is written.
            m_lastError = file.error();
            return false;
        }
    }
    return commit(file, displayName);
}

bool LanguageStore::RemoveKeys(const QString &displayName, const RedundantKeySet &keys)
{
    clearMessages();
    if (keys.empty())
        return true;
    if (!enterDirectory())
        return false;
    ProfileFile file(fileNameFor(displayName));
    file.requireSection(TextSectionName);
    if (!loadForWriting(file))
        return false;
    if (!file.exists())
        return true;
    for (const QString &key : keys)
        file.removeKey(TextSectionName, key);
    return commit(file, displayName);
}

bool LanguageStore::CreateLanguageFile(const QString &displayName)
{
    clearMessages();
    if (!enterDirectory())
        return false;
    ProfileFile file(fileNameFor(displayName));
    file.requireSection(TextSectionName);
    if (!loadForWriting(file))
        return false;
    // A file of that name may exist all the same (another program made it, or
    // its name differs only in case on a case-blind file system): its lines
    // and values stay, and only the attributes it lacks are added.
    QSet<QString> present;
    if (file.exists()) {
        for (const ProfileEntry &entry : file.sectionEntries(TextSectionName))
            present.insert(entry.key);
    }
    const QString blank = QStringLiteral(" ");
    for (const QString &name : m_attributes) {
        if (present.contains(name))
            continue;
        if (!file.setValue(TextSectionName, name, blank)) {
            m_lastError = file.error();
            return false;
        }
        present.insert(name);
    }
    // An empty catalogue still gives the language its file.
    if (!file.exists() && !file.isModified()) {
        QSaveFile empty(file.path());
        if (!empty.open(QIODevice::WriteOnly) || !empty.commit()) {
            m_lastError = QStringLiteral("\"%1\" cannot be created: %2").arg(filePathFor(displayName), empty.errorString());
            return false;
        }
    }
    if (!commit(file, displayName))
        return false;
    const QString notice = m_lastNotice;

    const QString code = LocaleCatalogue::CodeForDisplayName(displayName);
    if (code.isEmpty())
        return true;
    ProfileFile index(LanguageIndexFileName);
    if (!loadForWriting(index))
        return false;
    if (!index.setValue(QStringLiteral("languages"), code, displayName) || !commit(index, QString())) {
        m_lastError = index.error();
        return false;
    }
    m_lastNotice = notice;
    return true;
}

} // namespace Glossa
