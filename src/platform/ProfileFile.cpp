#include "platform/ProfileFile.h"

#include "platform/Durability.h"
#include "platform/ProfileLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>


namespace Glossa {

namespace {

const char *const LegacyCodePage = "windows-1252";

// A Unicode body is decoded in one piece: a sequence broken off at the very end of
// the file is read as replacement characters, exactly as it reads once a line
// break follows it, instead of being held back for input that never comes.
// A byte-order mark after the file's own is text (U+FEFF).
constexpr QStringConverter::Flags WholeText =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// Encodes text in one of the file encodings; remembers whether a character
// could not be represented (only the legacy code page can fail).
class Encoder
{
public:
    explicit Encoder(TextEncoding e)
        : m_encoding(e)
    {
        // Built in place: a moved ICU-backed encoder stops reporting errors.
        // Every piece appended is whole text, so nothing is carried over from
        // one piece to the next: an unpaired surrogate at the end of a value
        // is an error there and then, rather than a pending half of a pair
        // that the next piece silently turns into a replacement character.
        constexpr auto flags = QStringConverter::Flag::Stateless;
        switch (e) {
        case TextEncoding::Utf16LE:
            m_encoder.emplace(QStringConverter::Utf16LE, flags);
            break;
        case TextEncoding::Utf16BE:
            m_encoder.emplace(QStringConverter::Utf16BE, flags);
            break;
        case TextEncoding::Utf8:
        case TextEncoding::Utf8Bom:
            m_encoder.emplace(QStringConverter::Utf8, flags);
            break;
        case TextEncoding::Legacy8Bit:
            m_encoder.emplace(LegacyCodePage, flags);
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

// Why bytes without a UTF-16 byte-order mark are no text: NUL bytes never stand
// in UTF-8 or the code page's text. Empty when the file has none.
QString nulBytesReason(QByteArrayView bytes, bool validUtf8)
{
    qsizetype even = 0;
    qsizetype odd = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0')
            ++(i % 2 ? odd : even);
    const qsizetype nuls = even + odd;
    if (nuls == 0)
        return {};
    // Latin text stored as UTF-16 has a NUL as every second byte.
    const qsizetype half = bytes.size() / 2;
    if (half > 0 && std::max(even, odd) * 4 >= half && std::min(even, odd) * 20 <= nuls)
        return QStringLiteral("NUL bytes at every second position: UTF-16%1 without a byte-order mark?")
            .arg(odd > even ? QStringLiteral("LE") : QStringLiteral("BE"));
    if (!validUtf8)
        return QStringLiteral("%1 NUL bytes among bytes that are not valid UTF-8: not a text file?").arg(nuls);
    return QStringLiteral("%1 NUL bytes in a file without a UTF-16 byte-order mark").arg(nuls);
}

// Control characters other than tab, CR and LF: a stray one is kept as text,
// many say the bytes are not text in this encoding.
QString controlCharactersReason(QStringView text)
{
    qsizetype controls = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || u == 0x7F)
            ++controls;
    }
    if (controls >= 16 || (controls >= 3 && controls * 100 >= text.size()))
        return QStringLiteral("%1 control characters among %2: not a text file, or not in this encoding")
            .arg(controls)
            .arg(text.size());
    return {};
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
    m_bytes.clear();
    m_text.clear();
    m_lines.clear();
    m_sections.clear();
    m_sectionIndex.clear();
    m_trailing.clear();
    m_undecodable.clear();
    m_fileLineCount = 0;
    m_keysIndexed = false;
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
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = QStringLiteral("\"%1\" cannot be read: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
        return false;
    }
    m_existed = true;
    parse(bytes);
    return true;
}

namespace {

// Finds the line ends of a buffer of code units: each line is followed by CR LF,
// LF, CR or nothing (the last line).
template<typename Unit, typename Visit>
void splitLines(const Unit *data, qsizetype size, Visit visit)
{
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && data[end] != Unit('\r') && data[end] != Unit('\n'))
            ++end;
        int endingLength = 0;
        quint8 ending = 0;
        if (end < size) {
            if (data[end] == Unit('\r') && end + 1 < size && data[end + 1] == Unit('\n')) {
                endingLength = 2;
                ending = 1;
            } else {
                endingLength = 1;
                ending = data[end] == Unit('\n') ? 2 : 3;
            }
        }
        visit(start, end - start, endingLength, ending);
        start = end + endingLength;
    }
}

QString endingText(quint8 ending)
{
    switch (ending) {
    case 1:
        return QStringLiteral("\r\n");
    case 2:
        return QStringLiteral("\n");
    case 3:
        return QStringLiteral("\r");
    default:
        return {};
    }
}

} // namespace

void ProfileFile::parse(const QByteArray &bytes)
{
    m_bytes = bytes;
    if (m_bytes.isEmpty())
        return;
    m_hasContent = true;
    int bom = 0;
    m_bomSize = 0;
    if (m_bytes.startsWith("\xFF\xFE")) {
        m_format.encoding = TextEncoding::Utf16LE;
        bom = 2;
    } else if (m_bytes.startsWith("\xFE\xFF")) {
        m_format.encoding = TextEncoding::Utf16BE;
        bom = 2;
    } else if (m_bytes.startsWith("\xEF\xBB\xBF")) {
        m_format.encoding = TextEncoding::Utf8Bom;
        bom = 3;
    } else {
        m_format.encoding = m_bytes.isValidUtf8() ? TextEncoding::Utf8 : TextEncoding::Legacy8Bit;
    }
    m_bomSize = bom;
    m_format.lineEnding.clear();
    quint8 firstEnding = 0;

    const QByteArrayView body = QByteArrayView(m_bytes).sliced(bom);
    if (m_format.encoding == TextEncoding::Utf16LE || m_format.encoding == TextEncoding::Utf16BE) {
        // Code units map one to one between text and bytes.
        const qsizetype whole = body.size() & ~qsizetype(1);
        if (whole != body.size())
            m_trailing = body.sliced(whole).toByteArray();
        // A second byte-order mark after ours is text (U+FEFF): skipping it
        // would shift every line against its bytes.
        QStringDecoder decoder(m_format.encoding == TextEncoding::Utf16LE ? QStringConverter::Utf16LE
                                                                          : QStringConverter::Utf16BE,
                               WholeText);
        m_text = decoder.decode(body.first(whole));
        const qsizetype units = std::min(m_text.size(), whole / 2);
        m_lines.reserve(size_t(units / 32));
        splitLines(m_text.utf16(), units, [&](qsizetype start, qsizetype length, int endingLength, quint8 ending) {
            Line line;
            line.textStart = start;
            line.textLength = int(length);
            line.rawStart = bom + start * 2;
            line.rawLength = int((length + endingLength) * 2);
            line.ending = Ending(ending);
            line.fromFile = true;
            if (!firstEnding)
                firstEnding = ending;
            m_lines.push_back(std::move(line));
        });
    } else {
        // CR and LF are single bytes that decode one to one in UTF-8 and in
        // the code page, so the text splits into the same lines as the bytes.
        if (m_format.encoding == TextEncoding::Legacy8Bit) {
            QStringDecoder legacy(LegacyCodePage); // one byte, one character: nothing is ever held back
            m_text = legacy.decode(body);
        } else {
            QStringDecoder utf8(QStringConverter::Utf8, WholeText);
            m_text = utf8.decode(body);
        }
        m_lines.reserve(size_t(body.size() / 32));
        splitLines(body.data(), body.size(), [&](qsizetype start, qsizetype length, int endingLength, quint8 ending) {
            Line line;
            line.rawStart = bom + start;
            line.rawLength = int(length + endingLength);
            line.ending = Ending(ending);
            line.fromFile = true;
            if (!firstEnding)
                firstEnding = ending;
            m_lines.push_back(std::move(line));
        });
        std::size_t i = 0;
        splitLines(m_text.utf16(), m_text.size(), [&](qsizetype start, qsizetype length, int, quint8) {
            if (i < m_lines.size()) {
                m_lines[i].textStart = start;
                m_lines[i].textLength = int(length);
            }
            ++i;
        });
    }
    m_format.lineEnding = firstEnding ? endingText(firstEnding) : m_newFileFormat.lineEnding;
    m_fileLineCount = int(m_lines.size());
    for (int i = 0; i < m_fileLineCount; ++i)
        classify(i);

    if (bom == 0)
        m_undecodable = nulBytesReason(m_bytes, m_format.encoding == TextEncoding::Utf8);
    if (m_undecodable.isEmpty())
        m_undecodable = controlCharactersReason(m_text);
}

QStringView ProfileFile::textOf(const Line &line) const
{
    if (line.fromFile && !line.changed)
        return QStringView(m_text).sliced(line.textStart, line.textLength);
    return line.newText;
}

void ProfileFile::classify(int index)
{
    Line &line = m_lines[index];
    const QStringView trimmed = trimProfileSpace(textOf(line));
    line.section = m_sections.empty() ? -1 : int(m_sections.size()) - 1;
    if (trimmed.isEmpty() || trimmed.startsWith(u';'))
        return;
    if (trimmed.startsWith(u'[')) {
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
            return;
        }
    }
    line.kind = Kind::Content;
    if (line.section >= 0)
        m_sections[line.section].lastContentLine = index;
}

void ProfileFile::indexKey(int index, const QString &key)
{
    Section &section = m_sections[m_lines[index].section];
    const auto it = section.keys.constFind(key);
    if (it == section.keys.cend()) {
        section.keys.insert(key, index);
        return;
    }
    // The first line of a key wins; later ones wait their turn in a chain.
    int last = it.value();
    while (m_lines[last].nextSameKey >= 0)
        last = m_lines[last].nextSameKey;
    m_lines[last].nextSameKey = index;
}

void ProfileFile::buildKeyIndex()
{
    // Reading needs no index; the first change builds it.
    if (m_keysIndexed)
        return;
    m_keysIndexed = true;
    for (int i = 0; i < m_fileLineCount; ++i) {
        const Line &line = m_lines[i];
        if (line.kind != Kind::Content || line.section < 0)
            continue;
        const ProfileSplit split = splitProfileLine(textOf(line));
        if (split.hasSeparator && !split.key.isEmpty())
            indexKey(i, split.key);
    }
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

void ProfileFile::forEachEntryLine(const QString &sectionName,
                                   const std::function<void(QStringView key, QStringView value, int lineNumber)> &visit) const
{
    const int s = findSection(sectionName);
    if (s < 0)
        return;
    const Section &section = m_sections[s];
    auto take = [&](const Line &line) {
        if (line.removed || line.kind != Kind::Content)
            return;
        const ProfileSplitView split = splitProfileLineView(textOf(line));
        if (split.hasSeparator && !split.key.isEmpty())
            visit(split.key, split.value, line.fromFile ? int(&line - m_lines.data()) + 1 : 0);
    };
    auto takeAppended = [&] {
        for (int added : section.appended)
            take(m_lines[added]);
    };
    if (section.headerLine < 0) {
        takeAppended();
        return;
    }
    if (section.lastContentLine == section.headerLine)
        takeAppended();
    for (int i = section.headerLine + 1; i < m_fileLineCount && m_lines[i].section == s; ++i) {
        take(m_lines[i]);
        if (i == section.lastContentLine)
            takeAppended();
    }
}

void ProfileFile::forEachEntry(const QString &sectionName,
                               const std::function<void(QStringView key, QStringView value)> &visit) const
{
    forEachEntryLine(sectionName, [&](QStringView key, QStringView value, int) { visit(key, value); });
}

bool ProfileFile::hasUndecodableBytes() const
{
    if (!m_trailing.isEmpty())
        return true;
    if (m_format.encoding == TextEncoding::Utf8Bom)
        return !QByteArrayView(m_bytes).sliced(m_bomSize).isValidUtf8();
    return false;
}

QString ProfileFile::undecodableReason() const
{
    if (!m_undecodable.isEmpty() || m_requiredSection.isEmpty() || !m_hasContent)
        return m_undecodable;
    // Only the file's own sections count: one a change added is no proof the bytes were text.
    if (const int found = findSection(m_requiredSection); found >= 0 && m_sections[size_t(found)].headerLine >= 0)
        return {};
    const int lines = int(std::count_if(m_lines.cbegin(), m_lines.cbegin() + m_fileLineCount,
                                        [](const Line &line) { return line.kind != Kind::Other; }));
    if (lines == 0)
        return {};
    return QStringLiteral("no [%1] section in its %2 %3").arg(m_requiredSection).arg(lines)
        .arg(lines == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
}

bool ProfileFile::isLeftoverName(const QString &name)
{
    // The atomic write names its temporary file after the file and six random
    // letters of both cases. A name a person would pick ("backup", "BACKUP",
    // "Backup") is not taken for one.
    if (name.size() < 12 || name.at(name.size() - 7) != u'.')
        return false;
    const QStringView base = QStringView(name).first(name.size() - 7);
    if (!base.endsWith(u".ini", Qt::CaseInsensitive))
        return false;
    const QStringView tail = QStringView(name).last(6);
    int upper = 0;
    int lower = 0;
    for (const QChar c : tail) {
        if (c >= u'A' && c <= u'Z')
            ++upper;
        else if (c >= u'a' && c <= u'z')
            ++lower;
        else
            return false;
    }
    const bool capitalisedWord = upper == 1 && tail.at(0).isUpper();
    return upper > 0 && lower > 0 && !capitalisedWord;
}

bool ProfileFile::isLeftoverOf(const QString &leftoverName, const QString &fileName)
{
    return leftoverName.size() == fileName.size() + 7 && leftoverName.startsWith(fileName)
        && isLeftoverName(leftoverName);
}

QStringList ProfileFile::leftoversOf(const QString &path)
{
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    QStringList found;
    const QStringList names = info.dir().entryList({fileName + QStringLiteral(".??????")},
                                                   QDir::Files | QDir::Hidden | QDir::CaseSensitive | QDir::NoSymLinks);
    for (const QString &name : names)
        if (isLeftoverOf(name, fileName))
            found.append(info.dir().filePath(name));
    return found;
}

QList<ProfileEntry> ProfileFile::sectionEntries(const QString &sectionName) const
{
    QList<ProfileEntry> entries;
    forEachEntry(sectionName, [&](QStringView key, QStringView value) {
        entries.append({key.toString(), value.toString()});
    });
    return entries;
}

QString ProfileFile::checkStorable(const QString &section, const QString &key, const QString &value) const
{
    auto breaks = [](const QString &text) {
        return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(u'\0'));
    };
    QString why;
    if (key.isEmpty())
        why = QStringLiteral("the key is empty");
    else if (breaks(section) || breaks(key) || breaks(value))
        why = QStringLiteral("it holds a line break or a NUL character, which would break the file's lines");
    else if (trimProfileSpace(section).size() != section.size())
        why = QStringLiteral("the section name begins or ends with white space");
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
    m_error = checkStorable(sectionName, key, value);
    if (!m_error.isEmpty())
        return false;
    buildKeyIndex();
    int s = findSection(sectionName);
    if (s < 0)
        s = addSection(sectionName);
    Section &section = m_sections[s];
    const auto it = section.keys.constFind(key);
    if (it != section.keys.cend()) {
        Line &line = m_lines[it.value()];
        if (splitProfileLine(textOf(line)).value == trimProfileSpace(value))
            return true; // already holds this value: the line stays as it is
        line.newText = key + u'=' + value;
        line.changed = true;
        m_modified = true;
        return true;
    }
    Line line;
    line.newText = key + u'=' + value;
    line.kind = Kind::Content;
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
    buildKeyIndex();
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
    out->reserve(m_bytes.size() + qsizetype(m_lines.size() - size_t(m_fileLineCount)) * 64 + 64);
    encoder.appendBom(*out);

    bool needsBreak = false;
    bool endsInLoneCr = false;
    auto put = [&](const Line &line) {
        if (line.removed)
            return;
        // A blank line ending in LF that now follows a line ending in a lone
        // CR (the line between them deleted, or new lines ending in CR put
        // there) would merge with that CR into one CR LF and vanish: the CR
        // becomes CR LF instead.
        if (endsInLoneCr && line.fromFile && line.ending == Lf && textOf(line).isEmpty())
            encoder.append(*out, u"\n");
        if (needsBreak)
            encoder.append(*out, format.lineEnding);
        if (line.fromFile && !line.changed && sameEncoding) {
            out->append(m_bytes.constData() + line.rawStart, line.rawLength);
            needsBreak = line.ending == NoEnding;
            endsInLoneCr = line.ending == Cr;
            return;
        }
        encoder.append(*out, textOf(line));
        if (line.fromFile) {
            encoder.append(*out, endingText(line.ending));
            needsBreak = line.ending == NoEnding;
            endsInLoneCr = line.ending == Cr;
        } else {
            encoder.append(*out, format.lineEnding);
            needsBreak = false;
            endsInLoneCr = format.lineEnding == u"\r";
        }
    };
    auto putAppended = [&](const Section &section) {
        for (int added : section.appended)
            put(m_lines[added]);
    };

    QHash<int, int> anchors; // last content line -> section whose new keys follow it
    for (int s = 0; s < int(m_sections.size()); ++s)
        if (m_sections[s].headerLine >= 0 && !m_sections[s].appended.empty())
            anchors.insert(m_sections[s].lastContentLine, s);

    for (int i = 0; i < m_fileLineCount; ++i) {
        put(m_lines[i]);
        if (!anchors.isEmpty()) {
            const auto it = anchors.constFind(i);
            if (it != anchors.cend())
                putAppended(m_sections[it.value()]);
        }
    }
    for (const Section &section : m_sections) {
        // A new section whose keys were all deleted again gets no header either.
        const bool hasLines = std::any_of(section.appended.cbegin(), section.appended.cend(),
                                          [this](int added) { return !m_lines[added].removed; });
        if (section.headerLine >= 0 || !hasLines)
            continue;
        Line header;
        header.newText = u'[' + section.name + u']';
        put(header);
        putAppended(section);
    }
    if (sameEncoding)
        out->append(m_trailing);
    return !encoder.failed();
}

QString ProfileFile::firstCharacterWithoutLegacyForm(QStringView text)
{
    QStringEncoder encoder(LegacyCodePage, QStringConverter::Flag::Stateless);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QByteArray encoded = encoder.encode(text.sliced(i, length)); // encodes only when converted
        Q_UNUSED(encoded);
        if (encoder.hasError())
            return text.sliced(i, length).toString();
        i += length;
    }
    return {};
}

QString ProfileFile::firstCharacterWithoutLegacyForm() const
{
    for (const Line &line : m_lines) {
        if (line.removed || (line.fromFile && !line.changed))
            continue;
        if (QString found = firstCharacterWithoutLegacyForm(line.newText); !found.isEmpty())
            return found;
    }
    return {};
}

bool ProfileFile::decodesLosslessly() const
{
    if (!m_hasContent)
        return true;
    Encoder encoder(m_format.encoding);
    QByteArray again;
    encoder.append(again, m_text);
    const QByteArrayView body =
        QByteArrayView(m_bytes).sliced(m_bomSize, m_bytes.size() - m_bomSize - m_trailing.size());
    return !encoder.failed() && again == body;
}

bool ProfileFile::commit()
{
    m_error.clear();
    m_notice.clear();
    if (!m_modified)
        return true;
    if (const QString why = undecodableReason(); !why.isEmpty()) {
        m_error = QStringLiteral("\"%1\" cannot be read as text (%2); nothing was written.")
                      .arg(QFileInfo(m_path).fileName(), why);
        return false;
    }

    ProfileFormat format = m_hasContent ? m_format : m_newFileFormat;
    if (!m_hasContent && format.encoding == TextEncoding::Utf8Bom)
        format.encoding = TextEncoding::Utf8; // Windows readers misread a UTF-8 BOM
    QByteArray bytes;
    QString why;
    if (!encodeAll(format, &bytes)) {
        // Never write "?" for a character the code page lacks.
        why = QStringLiteral("which cannot hold every new character");
    } else if (format.encoding == TextEncoding::Legacy8Bit && bytes.isValidUtf8()
               && std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return c & 0x80; })) {
        // A legacy file is told from UTF-8 only by bytes that UTF-8 does not
        // allow; with the last of them gone, "Ã©" would read back as "é".
        why = QStringLiteral("and what is left of it would read back as UTF-8, with other characters");
    }
    if (!why.isEmpty() && !decodesLosslessly()) {
        // Moving the file would rewrite bytes that are not valid in its own
        // encoding (a UTF-8 file with broken sequences): refuse rather than change them.
        m_error = QStringLiteral("\"%1\" holds bytes that are not valid %2, and a new character needs a change of "
                                 "encoding that would alter them; nothing was written.")
                      .arg(QFileInfo(m_path).fileName(), encodingName(format.encoding));
        return false;
    }
    if (!why.isEmpty()) {
        // The whole file moves to UTF-16LE, which Windows readers handle fully.
        format.encoding = TextEncoding::Utf16LE;
        encodeAll(format, &bytes);
        const QString character = firstCharacterWithoutLegacyForm();
        m_notice = QStringLiteral("%1: converted from Windows-1252 to UTF-16LE, since %2.")
                       .arg(QFileInfo(m_path).fileName(),
                            character.isEmpty()
                                ? QStringLiteral("what is left of it would read back as UTF-8, with other characters")
                                : QStringLiteral("'%1' has no Windows-1252 form").arg(character));
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
    // Flush before commit: a buffered write that fails only at close would
    // otherwise go unnoticed by the commit.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError || !file.commit()) {
        m_error = QStringLiteral("\"%1\" cannot be written: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
        file.cancelWriting();
        return false;
    }
    // The rename that replaced the file is durable only once its directory is.
    syncDirectory(QFileInfo(m_path).absolutePath());
    // What an interrupted save of this file left behind is no use now that one succeeded.
    for (const QString &leftover : leftoversOf(m_path))
        QFile::remove(leftover);

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
