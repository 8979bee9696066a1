#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace Glossa {

// How a profile file's text is stored on disk.
enum class TextEncoding {
    Utf16LE,    // with byte-order mark; what Windows readers understand fully
    Utf16BE,    // with byte-order mark
    Utf8,       // without byte-order mark
    Utf8Bom,    // with byte-order mark (kept for files that have one; never created)
    Legacy8Bit, // no byte-order mark and not valid UTF-8: Windows-1252
};

struct ProfileFormat
{
    TextEncoding encoding = TextEncoding::Utf16LE;
    QString lineEnding = QStringLiteral("\r\n");
};

QString encodingName(TextEncoding encoding);

// One key=value line of a section, split and trimmed.
struct ProfileEntry
{
    QString key;
    QString value;
};

// An INI file held in memory so that many reads and writes cost one read and
// one rewrite. It stands in for the Windows private-profile services:
//
// - sections match case-insensitively, keys exactly (the language data keeps
//   keys that differ only in case apart); the first of two equal names wins;
// - lines are split the way the language data reads them (splitProfileLine);
// - comments, blank and unknown lines are kept; a new key goes after the last
//   line of its section, a new section at the end of the file;
// - the file keeps its encoding and line endings, and every line nobody
//   changed is written back byte for byte;
// - a commit replaces the file atomically and keeps its permissions; when it
//   fails the old file is whole and error() says why.
class ProfileFile
{
public:
    // Largest file the layer reads; larger ones are refused rather than
    // loaded whole into memory.
    static constexpr qint64 MaximumFileSize = 512LL * 1024 * 1024;

    explicit ProfileFile(QString path);

    // Reads the file afresh. A missing file reads as empty and is created by
    // the first commit, in newFileFormat(). False (with error()) when the path
    // is a directory or the file cannot be read.
    bool load();

    const QString &path() const { return m_path; }
    bool exists() const { return m_existed; }
    ProfileFormat format() const { return m_format; }
    void setNewFileFormat(const ProfileFormat &format) { m_newFileFormat = format; }
    ProfileFormat newFileFormat() const { return m_newFileFormat; }

    // The entries of the first section of that name, in file order; lines
    // without "=" are left out. Empty when the section is missing.
    QList<ProfileEntry> sectionEntries(const QString &section) const;
    // The same entries as views, valid during the call, for readers that keep little.
    void forEachEntry(const QString &section, const std::function<void(QStringView key, QStringView value)> &visit) const;
    // The same with each entry's 1-based line in the file (0 for a line added in memory).
    void forEachEntryLine(const QString &section,
                          const std::function<void(QStringView key, QStringView value, int lineNumber)> &visit) const;
    bool hasSection(const QString &section) const;
    // True when some bytes of the file read as no text: an odd last byte of a
    // UTF-16 file, or a broken sequence behind a UTF-8 byte-order mark.
    bool hasUndecodableBytes() const;

    // Why the file cannot be read as text at all, or empty when it can: NUL
    // bytes without a UTF-16 byte-order mark (a UTF-16 file that lost its mark
    // shows one at every second byte), control characters in bulk, or lines
    // without the section the caller requires (requireSection). A commit never
    // writes such a file: whatever it would write could only make it worse.
    QString undecodableReason() const;
    bool isUndecodable() const { return !undecodableReason().isEmpty(); }
    // The section a readable file of lines must have (a language file's "text");
    // set before load() or at any time after it.
    void requireSection(const QString &section) { m_requiredSection = section; }

    // Files a save of path was interrupted in leaving behind: "NAME.ini.XXXXXX"
    // beside it, the six characters as the atomic write picks them.
    static bool isLeftoverOf(const QString &leftoverName, const QString &fileName);
    static bool isLeftoverName(const QString &name);
    static QStringList leftoversOf(const QString &path);

    // Sets a key's value (adding key and section where missing). Refuses, with
    // error(), a section, key or value that would not read back as written: a
    // line break or NUL, a section name or key with outer blanks, or a line
    // that would split elsewhere.
    bool setValue(const QString &section, const QString &key, const QString &value);
    // Deletes the first line of the section with exactly this key.
    void removeKey(const QString &section, const QString &key);

    bool isModified() const { return m_modified; }

    // Writes the changes, if any, as one atomic replacement of the file.
    bool commit();

    QString error() const { return m_error; }
    // Set by a commit that had to change the file's encoding: a legacy 8-bit
    // file that cannot hold a new character is converted to UTF-16LE with BOM
    // ("NAME.ini: converted from Windows-1252 to UTF-16LE, since 'ő' has no Windows-1252 form.").
    QString notice() const { return m_notice; }

private:
    enum class Kind : quint8 { Other, Section, Content };
    enum Ending : quint8 { NoEnding, CrLf, Lf, Cr };
    // A line read from the file points into the file's bytes and decoded
    // text; a changed or added line carries its own text.
    struct Line
    {
        qsizetype textStart = 0;
        qsizetype rawStart = 0;
        int textLength = 0;
        int rawLength = 0;    // bytes, the line ending included
        QString newText;
        int section = -1;     // section the line belongs to
        int nextSameKey = -1; // next line of the section with the same key
        Kind kind = Kind::Other;
        Ending ending = NoEnding;
        bool fromFile = false;
        bool changed = false;
        bool removed = false;
    };
    struct Section
    {
        QString name;
        int headerLine = -1;        // -1 for a section added in memory
        int lastContentLine = -1;   // new keys go after this line
        std::vector<int> appended;  // added lines, in order
        QHash<QString, int> keys;   // key -> first line (built on the first change)
    };

    void clear();
    void parse(const QByteArray &bytes);
    void classify(int index);
    void buildKeyIndex();
    void indexKey(int line, const QString &key);
    QStringView textOf(const Line &line) const;
    int findSection(const QString &name) const;
    int addSection(const QString &name);
    QString checkStorable(const QString &section, const QString &key, const QString &value) const;
    bool encodeAll(const ProfileFormat &format, QByteArray *out) const;
    // The first character of a changed or added line that Windows-1252 lacks.
    QString firstCharacterWithoutLegacyForm() const;
public:
    // The first character of text that Windows-1252 lacks; empty when it has them all.
    static QString firstCharacterWithoutLegacyForm(QStringView text);
private:
    // Whether the decoded text encodes back to exactly the file's bytes.
    bool decodesLosslessly() const;

    QString m_path;
    ProfileFormat m_format;
    ProfileFormat m_newFileFormat;
    QByteArray m_bytes; // the file as read
    QString m_text;     // its text, decoded once
    std::vector<Line> m_lines;
    bool m_keysIndexed = false;
    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex; // case-folded name -> first section
    int m_bomSize = 0;
    QByteArray m_trailing;              // an odd last byte of a UTF-16 file
    int m_fileLineCount = 0;            // lines read from disk (the rest are added)
    bool m_existed = false;
    bool m_hasContent = false;
    bool m_modified = false;
    QString m_error;
    QString m_notice;
    QString m_undecodable;      // why the bytes read as no text, found at parse
    QString m_requiredSection;
};

// The two profile calls of the language data, each one read and at most one
// rewrite of the file.
QList<ProfileEntry> GetPrivateProfileSection(const QString &section, const QString &path, QString *error = nullptr);
bool WritePrivateProfileString(const QString &section, const QString &key, const std::optional<QString> &value,
                               const QString &path, QString *error = nullptr);

} // namespace Glossa
