#include "platform/ProfileFile.h"

#include "platform/ProfileLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Glossa {

namespace {

const char *const LegacyCodePage = "windows-1252";

// Encodes text in one of the file encodings; remembers whether a character
// could not be represented (only the legacy code page can fail).
class Encoder
{
public:
    explicit Encoder(TextEncoding e)
        : m_encoding(e)
    {
        // Built in place: a moved ICU-backed encoder stops reporting errors.
        switch (e) {
        case TextEncoding::Utf16LE:
            m_encoder.emplace(QStringConverter::Utf16LE);
            break;
        case TextEncoding::Utf16BE:
            m_encoder.emplace(QStringConverter::Utf16BE);
            break;
        case TextEncoding::Utf8:
        case TextEncoding::Utf8Bom:
            m_encoder.emplace(QStringConverter::Utf8);
            break;
        case TextEncoding::Legacy8Bit:
            m_encoder.emplace(LegacyCodePage);
            break;
        }
    }

    void append(QByteArray &out, QStringView text)
    {
        if (text.isEmpty())
            return;
        const QByteArray bytes = m_encoder->encode(text);
        if (m_encoder->hasError()) {
            m_failed = true;
            m_encoder->resetState();
        }
        out.append(bytes);
    }

    void appendBom(QByteArray &out) const
    {
        switch (m_encoding) {
        case TextEncoding::Utf16LE:
            out.append("\xFF\xFE", 2);
            break;
        case TextEncoding::Utf16BE:
            out.append("\xFE\xFF", 2);
            break;
        case TextEncoding::Utf8Bom:
            out.append("\xEF\xBB\xBF", 3);
            break;
        default:
            break;
        }
    }

    bool failed() const { return m_failed; }

private:
    TextEncoding m_encoding;
    std::optional<QStringEncoder> m_encoder;
    bool m_failed = false;
};

void syncDirectoryOf(const QString &filePath)
{
#ifdef Q_OS_UNIX
    // The rename that replaced the file is durable only once its directory is.
    const QByteArray dir = QFile::encodeName(QFileInfo(filePath).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(filePath);
#endif
}

QString endingOf(const char16_t first, const char16_t second)
{
    if (first == u'\r' && second == u'\n')
        return QStringLiteral("\r\n");
    return first == u'\r' ? QStringLiteral("\r") : QStringLiteral("\n");
}

} // namespace

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16LE with byte-order mark");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16BE with byte-order mark");
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 with byte-order mark");
    case TextEncoding::Legacy8Bit:
        return QStringLiteral("Windows-1252");
    }
    return {};
}

ProfileFile::ProfileFile(QString path)
    : m_path(std::move(path))
{
}

void ProfileFile::clear()
{
    m_lines.clear();
    m_sections.clear();
    m_sectionIndex.clear();
    m_trailing.clear();
    m_fileLineCount = 0;
    m_existed = false;
    m_hasContent = false;
    m_modified = false;
    m_format = m_newFileFormat;
    m_error.clear();
    m_notice.clear();
}

bool ProfileFile::load()
{
    clear();
    const QFileInfo info(m_path);
    if (info.isDir()) {
        m_error = QStringLiteral("\"%1\" is a directory, not a file.").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    if (!info.exists())
        return true;
    if (info.size() > MaximumFileSize) {
        m_error = QStringLiteral("\"%1\" is too large (%2 bytes) to be a language file.")
                      .arg(QDir::toNativeSeparators(m_path))
                      .arg(info.size());
        return false;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("\"%1\" cannot be read: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = QStringLiteral("\"%1\" cannot be read: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
        return false;
    }
    m_existed = true;
    parse(bytes);
    return true;
}

void ProfileFile::parse(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_hasContent = true;
    int bom = 0;
    if (bytes.startsWith("\xFF\xFE")) {
        m_format.encoding = TextEncoding::Utf16LE;
        bom = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        m_format.encoding = TextEncoding::Utf16BE;
        bom = 2;
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        m_format.encoding = TextEncoding::Utf8Bom;
        bom = 3;
    } else {
        m_format.encoding = bytes.isValidUtf8() ? TextEncoding::Utf8 : TextEncoding::Legacy8Bit;
    }
    m_format.lineEnding.clear();

    auto newLine = [this](QByteArray raw, QString text, QString ending) {
        if (m_format.lineEnding.isEmpty() && !ending.isEmpty())
            m_format.lineEnding = ending;
        Line line;
        line.raw = std::move(raw);
        line.text = std::move(text);
        line.ending = std::move(ending);
        addLine(std::move(line));
    };

    const QByteArrayView body = QByteArrayView(bytes).sliced(bom);
    if (m_format.encoding == TextEncoding::Utf16LE || m_format.encoding == TextEncoding::Utf16BE) {
        // Code units map one to one between text and bytes, so each line's
        // bytes are found from its position in the decoded text.
        const qsizetype whole = body.size() & ~qsizetype(1);
        if (whole != body.size())
            m_trailing = body.sliced(whole).toByteArray();
        QStringDecoder decoder(m_format.encoding == TextEncoding::Utf16LE ? QStringConverter::Utf16LE
                                                                          : QStringConverter::Utf16BE);
        const QString text = decoder.decode(body.first(whole));
        const qsizetype units = std::min(text.size(), whole / 2);
        qsizetype start = 0;
        while (start < units) {
            qsizetype end = start;
            while (end < units && text[end] != u'\r' && text[end] != u'\n')
                ++end;
            QString ending;
            if (end < units)
                ending = endingOf(text[end].unicode(), end + 1 < units ? text[end + 1].unicode() : u'\0');
            newLine(body.sliced(start * 2, (end - start) * 2).toByteArray(), text.sliced(start, end - start), ending);
            start = end + ending.size();
        }
    } else {
        QStringDecoder legacy(LegacyCodePage);
        const bool utf8 = m_format.encoding != TextEncoding::Legacy8Bit;
        const char *data = body.data();
        const qsizetype size = body.size();
        qsizetype start = 0;
        while (start < size) {
            qsizetype end = start;
            while (end < size && data[end] != '\r' && data[end] != '\n')
                ++end;
            QString ending;
            if (end < size)
                ending = endingOf(char16_t(data[end]), end + 1 < size ? char16_t(data[end + 1]) : u'\0');
            const QByteArrayView raw = body.sliced(start, end - start);
            newLine(raw.toByteArray(), utf8 ? QString::fromUtf8(raw) : legacy.decode(raw), ending);
            start = end + ending.size();
        }
    }
    if (m_format.lineEnding.isEmpty())
        m_format.lineEnding = m_newFileFormat.lineEnding;
    m_fileLineCount = int(m_lines.size());
}

void ProfileFile::addLine(Line line)
{
    const int index = int(m_lines.size());
    const QStringView trimmed = trimProfileSpace(line.text);
    line.section = m_sections.empty() ? -1 : int(m_sections.size()) - 1;
    bool content = false;
    if (trimmed.isEmpty() || trimmed.startsWith(u';')) {
        line.kind = Kind::Other;
    } else if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.lastIndexOf(u']');
        if (close > 0) {
            line.kind = Kind::Section;
            Section section;
            section.name = trimProfileSpace(trimmed.sliced(1, close - 1)).toString();
            section.headerLine = index;
            section.lastContentLine = index;
            // The first of two sections with the same name is the one read and written.
            const QString folded = section.name.toCaseFolded();
            if (!m_sectionIndex.contains(folded))
                m_sectionIndex.insert(folded, int(m_sections.size()));
            line.section = int(m_sections.size());
            m_sections.push_back(std::move(section));
        } else {
            content = true;
        }
    } else {
        content = true;
        ProfileSplit split = splitProfileLine(trimmed);
        if (split.hasSeparator && !split.key.isEmpty() && line.section >= 0) {
            line.kind = Kind::Entry;
            line.key = std::move(split.key);
            Section &section = m_sections[line.section];
            const auto it = section.keys.constFind(line.key);
            if (it == section.keys.cend()) {
                section.keys.insert(line.key, index);
            } else {
                // The first line of a key wins; later ones wait their turn in a chain.
                int last = it.value();
                while (m_lines[last].nextSameKey >= 0)
                    last = m_lines[last].nextSameKey;
                m_lines[last].nextSameKey = index;
            }
        }
    }
    if (content && line.section >= 0)
        m_sections[line.section].lastContentLine = index;
    m_lines.push_back(std::move(line));
}

int ProfileFile::findSection(const QString &name) const
{
    return m_sectionIndex.value(name.toCaseFolded(), -1);
}

int ProfileFile::addSection(const QString &name)
{
    Section section;
    section.name = name;
    m_sectionIndex.insert(name.toCaseFolded(), int(m_sections.size()));
    m_sections.push_back(std::move(section));
    return int(m_sections.size()) - 1;
}

bool ProfileFile::hasSection(const QString &section) const
{
    return findSection(section) >= 0;
}

QList<ProfileEntry> ProfileFile::sectionEntries(const QString &sectionName) const
{
    QList<ProfileEntry> entries;
    const int s = findSection(sectionName);
    if (s < 0)
        return entries;
    const Section &section = m_sections[s];
    auto take = [&](const Line &line) {
        if (line.removed || line.kind != Kind::Entry)
            return;
        ProfileSplit split = splitProfileLine(line.text);
        entries.append({std::move(split.key), std::move(split.value)});
    };
    if (section.headerLine >= 0) {
        for (int i = section.headerLine + 1; i < m_fileLineCount && m_lines[i].section == s; ++i) {
            take(m_lines[i]);
            if (i == section.lastContentLine)
                for (int added : section.appended)
                    take(m_lines[added]);
        }
        if (section.lastContentLine == section.headerLine)
            for (int added : section.appended)
                take(m_lines[added]);
    } else {
        for (int added : section.appended)
            take(m_lines[added]);
    }
    return entries;
}

QString ProfileFile::checkStorable(const QString &key, const QString &value) const
{
    auto breaks = [](const QString &text) {
        return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(u'\0'));
    };
    QString why;
    if (key.isEmpty())
        why = QStringLiteral("the key is empty");
    else if (breaks(key) || breaks(value))
        why = QStringLiteral("it holds a line break or a NUL character, which would break the file's lines");
    else if (trimProfileSpace(key).size() != key.size())
        why = QStringLiteral("the key begins or ends with white space");
    else if (key.startsWith(u'[') || key.startsWith(u';'))
        why = QStringLiteral("the key would read as a section header or a comment");
    else {
        const ProfileSplit split = splitProfileLine(QString(key + u'=' + value));
        if (!split.hasSeparator || split.key != key || split.value != trimProfileSpace(value))
            why = QStringLiteral("the line would not read back as the same key and value");
    }
    if (why.isEmpty())
        return {};
    return QStringLiteral("\"%1\" cannot be stored in \"%2\": %3.")
        .arg(key.left(200), QFileInfo(m_path).fileName(), why);
}

bool ProfileFile::setValue(const QString &sectionName, const QString &key, const QString &value)
{
    m_error = checkStorable(key, value);
    if (!m_error.isEmpty())
        return false;
    int s = findSection(sectionName);
    if (s < 0)
        s = addSection(sectionName);
    Section &section = m_sections[s];
    QString text = key + u'=' + value;
    const auto it = section.keys.constFind(key);
    if (it != section.keys.cend()) {
        Line &line = m_lines[it.value()];
        if (splitProfileLine(line.text).value == trimProfileSpace(value))
            return true; // already holds this value: the line stays as it is
        line.text = std::move(text);
        line.changed = true;
        m_modified = true;
        return true;
    }
    Line line;
    line.text = std::move(text);
    line.key = key;
    line.kind = Kind::Entry;
    line.section = s;
    line.changed = true;
    const int index = int(m_lines.size());
    m_lines.push_back(std::move(line));
    section.appended.push_back(index);
    section.keys.insert(key, index);
    m_modified = true;
    return true;
}

void ProfileFile::removeKey(const QString &sectionName, const QString &key)
{
    const int s = findSection(sectionName);
    if (s < 0)
        return;
    Section &section = m_sections[s];
    const auto it = section.keys.find(key);
    if (it == section.keys.end())
        return;
    Line &line = m_lines[it.value()];
    line.removed = true;
    if (line.nextSameKey >= 0)
        it.value() = line.nextSameKey;
    else
        section.keys.erase(it);
    m_modified = true;
}

bool ProfileFile::encodeAll(const ProfileFormat &format, QByteArray *out) const
{
    const bool sameEncoding = m_hasContent && format.encoding == m_format.encoding;
    Encoder encoder(format.encoding);
    out->clear();
    out->reserve(qsizetype(m_lines.size()) * 48);
    encoder.appendBom(*out);

    bool needsBreak = false;
    auto put = [&](const Line &line, bool fromFile) {
        if (line.removed)
            return;
        if (needsBreak)
            encoder.append(*out, format.lineEnding);
        if (fromFile && !line.changed && sameEncoding)
            out->append(line.raw);
        else
            encoder.append(*out, line.text);
        const QString &ending = fromFile ? line.ending : format.lineEnding;
        encoder.append(*out, ending);
        needsBreak = ending.isEmpty();
    };
    auto emitAppended = [&](const Section &section) {
        for (int added : section.appended)
            put(m_lines[added], false);
    };

    QHash<int, int> anchors; // last content line -> section whose new keys follow it
    for (int s = 0; s < int(m_sections.size()); ++s)
        if (m_sections[s].headerLine >= 0 && !m_sections[s].appended.empty())
            anchors.insert(m_sections[s].lastContentLine, s);

    for (int i = 0; i < m_fileLineCount; ++i) {
        put(m_lines[i], true);
        if (!anchors.isEmpty()) {
            const auto it = anchors.constFind(i);
            if (it != anchors.cend())
                emitAppended(m_sections[it.value()]);
        }
    }
    for (const Section &section : m_sections) {
        if (section.headerLine >= 0 || section.appended.empty())
            continue;
        Line header;
        header.text = u'[' + section.name + u']';
        put(header, false);
        emitAppended(section);
    }
    if (sameEncoding)
        out->append(m_trailing);
    return !encoder.failed();
}

bool ProfileFile::commit()
{
    m_error.clear();
    m_notice.clear();
    if (!m_modified)
        return true;

    ProfileFormat format = m_hasContent ? m_format : m_newFileFormat;
    if (!m_hasContent && format.encoding == TextEncoding::Utf8Bom)
        format.encoding = TextEncoding::Utf8; // Windows readers misread a UTF-8 BOM
    QByteArray bytes;
    if (!encodeAll(format, &bytes)) {
        // Never write "?" for a character the code page lacks: the whole file
        // moves to UTF-16LE, which Windows readers handle fully.
        const TextEncoding old = format.encoding;
        format.encoding = TextEncoding::Utf16LE;
        encodeAll(format, &bytes);
        m_notice = QStringLiteral("\"%1\" was stored as %2, which cannot hold every new character; "
                                  "it has been converted to %3.")
                       .arg(QFileInfo(m_path).fileName(), encodingName(old), encodingName(format.encoding));
    }

    const QFileInfo info(m_path);
    if (info.isDir()) {
        m_error = QStringLiteral("\"%1\" cannot be written: it is a directory.").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("\"%1\" cannot be written: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
        return false;
    }
    // A small file sits in the device's buffer until the commit, whose own flush
    // failure QSaveFile ignores and renames a truncated file into place: flush first.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        m_error = QStringLiteral("\"%1\" cannot be written: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
        file.cancelWriting();
        return false;
    }
    syncDirectoryOf(m_path);

    // The document now stands for what is on disk.
    const QString notice = m_notice;
    clear();
    m_existed = true;
    parse(bytes);
    m_notice = notice;
    return true;
}

QList<ProfileEntry> GetPrivateProfileSection(const QString &section, const QString &path, QString *error)
{
    ProfileFile file(path);
    if (!file.load()) {
        if (error)
            *error = file.error();
        return {};
    }
    return file.sectionEntries(section);
}

bool WritePrivateProfileString(const QString &section, const QString &key, const std::optional<QString> &value,
                               const QString &path, QString *error)
{
    ProfileFile file(path);
    bool ok = file.load();
    if (ok) {
        if (value)
            ok = file.setValue(section, key, *value);
        else
            file.removeKey(section, key);
    }
    ok = ok && file.commit();
    if (!ok && error)
        *error = file.error();
    return ok;
}

} // namespace Glossa
