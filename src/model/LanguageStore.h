#pragma once

#include "model/Types.h"
#include "platform/ProfileFile.h"

#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <unordered_map>

namespace Glossa {

// The one way to the language files: the language directory, the master list
// of attributes read from it, and the operations that read and write the
// files. Every operation makes the language directory the working directory
// first and then names files relative to it.
class LanguageStore
{
public:
    LanguageStore() = default;

    // Enters the language directory (relative to the working directory),
    // records it and reads the attribute catalogue from the master file.
    // On success the previous working directory is restored.
    bool Open(const QString &relativePath);
    // Adds one catalogue entry per key of the master file, in line order.
    bool LoadAttributeCatalogue();
    // Adds the file's values of catalogue attributes to values and every other
    // key to redundant; a repeated key keeps its first value. False when the
    // file cannot be read; then neither container changes.
    bool LoadLanguageFile(const QString &displayName, LanguageValues &values, RedundantKeySet &redundant);
    // A language file's size and modification time (milliseconds since the epoch)
    // just before LoadLanguageFile last read it, or after this store last wrote
    // it: what values read from it stand for. None before it was read.
    struct FileStamp
    {
        qint64 size = 0;
        qint64 modifiedMs = 0;
        bool operator==(const FileStamp &) const = default;
    };
    std::optional<FileStamp> readStamp(const QString &displayName) const;
    // A key of the file that the master lacks but that differs from one of its
    // attributes only in letter case or by enclosing double quotes: most likely
    // that attribute, mistyped.
    struct CaseVariant
    {
        QString key;
        QString value;
        bool quoted = false; // the key is written in quotes
    };
    // Adds such keys of the file, with their first values, to variants by the
    // attribute's lowest id. False when the file cannot be read.
    bool LoadCaseVariants(const QString &displayName, QHash<AttributeId, CaseVariant> &variants);
    // Writes every entry, quoting non-empty values, in one rewrite of the file.
    // False when nothing could be written; the old file is then whole.
    bool SaveLanguageFile(const QString &displayName, const LanguageValues &values);
    // Deletes every key of the set from the file's text section.
    bool RemoveKeys(const QString &displayName, const RedundantKeySet &keys);
    // Creates the file with every attribute set to one space and records the
    // language under "languages" in the index. A file that exists already
    // keeps all its lines; only the attributes it lacks are added.
    bool CreateLanguageFile(const QString &displayName);

    const QString &directory() const { return m_directory; }
    const QString &previousDirectory() const { return m_previousDirectory; }
    const AttributeCatalogue &attributes() const { return m_attributes; }

    // The lowest id of an attribute name, if the catalogue has it.
    std::optional<AttributeId> findAttribute(const QString &name) const;

    // The file name and the full path of a language's file.
    static QString fileNameFor(const QString &displayName);
    QString filePathFor(const QString &displayName) const;

    // Encoding and line ending of the files the store creates: those of the
    // master file, except that a new file never gets a UTF-8 byte-order mark
    // and never a legacy code page that cannot hold every language.
    ProfileFormat newFileFormat() const { return m_newFileFormat; }

    // Why the last operation failed, and what it had to change on the way
    // (an encoding converted); empty when there is nothing to say.
    QString lastError() const { return m_lastError; }
    QString lastNotice() const { return m_lastNotice; }
    // Why the file the last load read cannot be read as text (see
    // ProfileFile::undecodableReason); empty when it can. No write touches such a file.
    QString lastUndecodable() const { return m_lastUndecodable; }

    // The text written for a value: enclosed in double quotes where they are missing.
    static QString quotedForSaving(const QString &value);

private:
    bool enterDirectory();
    bool readTextSection(const QString &fileName, const std::function<void(QStringView, QStringView)> &visit,
                         ProfileFormat *format = nullptr);
    bool loadForWriting(ProfileFile &file);
    bool commit(ProfileFile &file, const QString &displayName);
    void clearMessages();
    void noteStamp(const QString &displayName, std::optional<FileStamp> stamp);

    QString m_directory;
    QString m_previousDirectory;
    AttributeCatalogue m_attributes;
    // Name -> lowest id; looked up with views of the file's text, so a key is
    // copied only when it is kept.
    std::unordered_map<QString, AttributeId, NameHash, NameEqual> m_idByName;
    ProfileFormat m_newFileFormat;
    QString m_lastError;
    QString m_lastNotice;
    QString m_lastUndecodable;
    QHash<QString, FileStamp> m_readStamps; // by display name
};

} // namespace Glossa
