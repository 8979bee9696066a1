// The INI layer on any bytes: load a file, apply a few writes and deletions
// taken from the input, commit, load again, and check that
// - a document without changes leaves the file alone;
// - every section written reads back exactly as the writes and deletions say
//   (a set key holds its trimmed value, a deleted key gives way to its next
//   line or is gone, every other entry is as it was);
// - every line nobody touched comes back byte for byte and in order (text for
//   text when the file had to change its encoding), and the file has exactly
//   as many lines as the operations explain.
//
// Input: a head byte (bits 0-1: byte-order mark put before the body: none,
// UTF-16LE, UTF-16BE, UTF-8; bit 2: no file at all; bits 3-5: number of
// operations), the operations, then the file's body.
#include "FuzzSupport.h"

#include "platform/ProfileFile.h"
#include "platform/ProfileLine.h"

#include <QStringDecoder>

#include <map>
#include <set>
#include <vector>

using namespace Glossa;
using namespace Glossa::Fuzz;

namespace {

enum class OpKind { Set, Remove, SetSame };

struct Operation
{
    OpKind kind = OpKind::Set;
    QString section;
    QString key;
    int existingKey = -1; // index of a key of the file's section, taken once the file is loaded
    QString value;
};

// Each operation: a kind byte (bits 0-1: set, set, remove, set the value the
// key holds; bits 2-3: section "text", "languages", "TEXT" or one from the
// input; bit 7: the key is one of the section's, picked by the next byte),
// then the section, key and value texts where needed.
Operation readOperation(InputReader &in)
{
    static const QString sections[] = {QStringLiteral("text"), QStringLiteral("languages"), QStringLiteral("TEXT")};
    Operation op;
    const std::uint8_t kind = in.byte();
    const int k = kind & 3;
    op.kind = k == 2 ? OpKind::Remove : k == 3 ? OpKind::SetSame : OpKind::Set;
    const int s = (kind >> 2) & 3;
    op.section = s < 3 ? sections[s] : in.text();
    if (kind & 0x80)
        op.existingKey = in.byte();
    else
        op.key = in.text();
    if (op.kind == OpKind::Set)
        op.value = in.text();
    return op;
}

QByteArray bomFor(int choice)
{
    switch (choice) {
    case 1:
        return QByteArray("\xFF\xFE", 2);
    case 2:
        return QByteArray("\xFE\xFF", 2);
    case 3:
        return QByteArray("\xEF\xBB\xBF", 3);
    default:
        return {};
    }
}

struct ModelEntry
{
    QString key;
    QString value;
    int origin = -1; // index among the section's entries as loaded; -1 for an added one
};

// What one section must read like after the operations.
struct ModelSection
{
    QString name;
    bool existed = false;
    QList<ModelEntry> entries;
    std::set<int> touched; // loaded entries whose line was changed or deleted
    int removedLoaded = 0;
};

qsizetype findKey(const QList<ModelEntry> &entries, const QString &key)
{
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (entries[i].key == key)
            return i;
    return -1;
}

// The lines of a body of 8- or 16-bit code units, without their endings; a
// line ends at CR LF, at LF or at CR, and a last line may have no ending.
QList<QByteArray> rawLines(QByteArrayView body, int unitSize, bool bigEndian)
{
    QList<QByteArray> lines;
    const qsizetype units = body.size() / unitSize;
    auto unitAt = [&](qsizetype i) -> unsigned {
        if (unitSize == 1)
            return quint8(body[i]);
        const unsigned a = quint8(body[2 * i]);
        const unsigned b = quint8(body[2 * i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    qsizetype start = 0;
    while (start < units) {
        qsizetype end = start;
        while (end < units && unitAt(end) != '\r' && unitAt(end) != '\n')
            ++end;
        lines.append(body.sliced(start * unitSize, (end - start) * unitSize).toByteArray());
        if (end < units && unitAt(end) == '\r' && end + 1 < units && unitAt(end + 1) == '\n')
            end += 2;
        else if (end < units)
            end += 1;
        start = end;
    }
    return lines;
}

QList<QByteArray> textLines(const QString &text)
{
    const QByteArrayView units(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return rawLines(units, 2, QSysInfo::ByteOrder == QSysInfo::BigEndian);
}

int bomLength(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return 2;
    case TextEncoding::Utf8Bom:
        return 3;
    default:
        return 0;
    }
}

bool isUtf16(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
}

QList<QByteArray> linesOf(const QByteArray &bytes, TextEncoding encoding)
{
    const QByteArrayView body = QByteArrayView(bytes).sliced(std::min<qsizetype>(bomLength(encoding), bytes.size()));
    return isUtf16(encoding) ? rawLines(body, 2, encoding == TextEncoding::Utf16BE) : rawLines(body, 1, false);
}

QString decoded(const QByteArray &bytes, TextEncoding encoding)
{
    const QByteArrayView body = QByteArrayView(bytes).sliced(std::min<qsizetype>(bomLength(encoding), bytes.size()));
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless).decode(body.first(body.size() & ~qsizetype(1)));
    case TextEncoding::Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE, QStringConverter::Flag::Stateless).decode(body.first(body.size() & ~qsizetype(1)));
    case TextEncoding::Legacy8Bit:
        return QStringDecoder("windows-1252").decode(body);
    default:
        return QString::fromUtf8(body);
    }
}

// Length of the longest common subsequence of a and b, looking only at
// alignments that stay within band of the diagonal: exact whenever the two
// differ by at most band insertions and deletions, and never more than the
// true length otherwise.
qsizetype commonLines(const QList<QByteArray> &a, const QList<QByteArray> &b, qsizetype band)
{
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    const qsizetype width = 2 * band + 1;
    std::vector<qsizetype> previous(size_t(width), 0), current(size_t(width), 0);
    // cell (i, j) lives at j - i + band
    auto get = [&](const std::vector<qsizetype> &row, qsizetype i, qsizetype j) -> qsizetype {
        if (i < 0 || j < 0)
            return 0;
        const qsizetype d = j - i + band;
        return d < 0 || d >= width ? 0 : row[size_t(d)];
    };
    for (qsizetype i = 1; i <= n; ++i) {
        std::fill(current.begin(), current.end(), 0);
        for (qsizetype j = std::max<qsizetype>(1, i - band); j <= std::min(m, i + band); ++j) {
            qsizetype best;
            if (a[i - 1] == b[j - 1])
                best = get(previous, i - 1, j - 1) + 1;
            else
                best = std::max(get(previous, i - 1, j), get(current, i, j - 1));
            current[size_t(j - i + band)] = best;
        }
        std::swap(previous, current);
    }
    return n == 0 ? 0 : get(previous, n, m);
}

QString describe(const QList<ProfileEntry> &entries)
{
    QStringList lines;
    for (const ProfileEntry &e : entries)
        lines << shown(e.key) + u'=' + shown(e.value);
    return lines.join(u'\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader in(data, size);
    const std::uint8_t head = in.byte();
    const bool noFile = head & 4;
    std::vector<Operation> operations;
    for (int i = 0, count = (head >> 3) & 7; i < count; ++i)
        operations.push_back(readOperation(in));
    const QByteArray original = noFile ? QByteArray() : bomFor(head & 3) + in.rest();

    const QString path = freshDirectory() + QStringLiteral("/file.ini");
    if (!noFile)
        writeFile(path, original);

    ProfileFile file(path);
    if (!file.load())
        return 0;
    const ProfileFormat loadedFormat = file.format();
    const bool hadContent = !original.isEmpty();

    // The sections as loaded, before any operation changes them.
    std::map<QString, ModelSection> model;
    for (Operation &op : operations) {
        const QString folded = op.section.toCaseFolded();
        auto it = model.find(folded);
        if (it == model.end()) {
            ModelSection section;
            section.name = op.section;
            section.existed = file.hasSection(op.section);
            const QList<ProfileEntry> entries = file.sectionEntries(op.section);
            for (qsizetype i = 0; i < entries.size(); ++i)
                section.entries.append({entries[i].key, entries[i].value, int(i)});
            it = model.emplace(folded, std::move(section)).first;
        }
        if (op.existingKey >= 0) {
            const QList<ModelEntry> &entries = it->second.entries;
            op.key = entries.isEmpty() ? QString() : entries[op.existingKey % entries.size()].key;
        }
    }

    for (Operation &op : operations) {
        ModelSection &section = model[op.section.toCaseFolded()];
        const qsizetype at = findKey(section.entries, op.key);
        if (op.kind == OpKind::Remove) {
            file.removeKey(op.section, op.key);
            if (at >= 0) {
                if (section.entries[at].origin >= 0) {
                    section.touched.insert(section.entries[at].origin);
                    ++section.removedLoaded;
                }
                section.entries.removeAt(at);
            }
            continue;
        }
        if (op.kind == OpKind::SetSame)
            op.value = at >= 0 ? section.entries[at].value : QString();
        if (!file.setValue(op.section, op.key, op.value)) {
            FUZZ_CHECK(!file.error().isEmpty(), shown(op.key));
            continue;
        }
        const QString trimmed = trimProfileSpace(op.value).toString();
        if (at < 0) {
            section.entries.append({op.key, trimmed, -1});
        } else if (section.entries[at].value != trimmed) {
            section.entries[at].value = trimmed;
            if (section.entries[at].origin >= 0)
                section.touched.insert(section.entries[at].origin);
        }
    }

    const bool modified = file.isModified();
    if (!file.commit()) {
        // The two refusals: a file that reads as no text, and a change of
        // encoding that would rewrite bytes the file's own encoding cannot
        // read. The file must be as it was.
        FUZZ_CHECK(file.isUndecodable() || file.error().contains(QStringLiteral("not valid")), file.error());
        FUZZ_CHECK(readFile(path) == original, QStringLiteral("a refused commit changed the file"));
        return 0;
    }
    const QString notice = file.notice();
    const QByteArray written = readFile(path);
    if (!modified) {
        FUZZ_CHECK(written == original && written.isNull() == noFile, QStringLiteral("a file without changes was rewritten"));
        return 0;
    }

    ProfileFile reread(path);
    FUZZ_CHECK(reread.load(), reread.error());

    qsizetype touched = 0;
    qsizetype removed = 0;
    qsizetype added = 0;
    qsizetype headers = 0;
    for (const auto &[folded, section] : model) {
        const QList<ProfileEntry> entries = reread.sectionEntries(section.name);
        QList<ProfileEntry> expected;
        for (const ModelEntry &e : section.entries)
            expected.append({e.key, e.value});
        bool same = entries.size() == expected.size();
        for (qsizetype i = 0; same && i < entries.size(); ++i)
            same = entries[i].key == expected[i].key && entries[i].value == expected[i].value;
        FUZZ_CHECK(same, QStringLiteral("section %1 reads\n%2\ninstead of\n%3")
                             .arg(shown(section.name), describe(entries), describe(expected)));
        touched += qsizetype(section.touched.size());
        removed += section.removedLoaded;
        for (const ModelEntry &e : section.entries)
            added += e.origin < 0;
        headers += !section.existed && !section.entries.isEmpty();
    }

    // Line by line: the raw bytes when the encoding stayed, the text when a
    // legacy file had to become UTF-16.
    const TextEncoding writtenEncoding = reread.format().encoding;
    QList<QByteArray> before;
    QList<QByteArray> after;
    if (notice.isEmpty()) {
        if (hadContent) {
            FUZZ_CHECK(written.startsWith(original.first(bomLength(loadedFormat.encoding))),
                       QStringLiteral("the byte-order mark changed"));
            before = linesOf(original, loadedFormat.encoding);
            after = linesOf(written, loadedFormat.encoding);
            if (isUtf16(loadedFormat.encoding)) {
                const bool oddBefore = (original.size() - 2) % 2;
                const bool oddAfter = (written.size() - 2) % 2;
                FUZZ_CHECK(oddBefore == oddAfter && (!oddBefore || original.back() == written.back()),
                           QStringLiteral("the odd last byte was not kept"));
            }
        } else {
            after = linesOf(written, writtenEncoding);
        }
    } else {
        FUZZ_CHECK(hadContent && writtenEncoding == TextEncoding::Utf16LE, notice);
        before = textLines(decoded(original, loadedFormat.encoding));
        after = textLines(decoded(written, writtenEncoding));
    }
    const qsizetype expectedLines = before.size() - removed + added + headers;
    FUZZ_CHECK(after.size() == expectedLines, QStringLiteral("%1 lines written, %2 expected (%3 read, %4 deleted, %5 added, %6 headers)")
                                                  .arg(after.size()).arg(expectedLines).arg(before.size())
                                                  .arg(removed).arg(added).arg(headers));
    const qsizetype band = 2 * touched + (after.size() - before.size() > 0 ? after.size() - before.size() : before.size() - after.size()) + 2;
    const qsizetype kept = commonLines(before, after, band);
    FUZZ_CHECK(kept >= before.size() - touched,
               QStringLiteral("only %1 of %2 lines kept, %3 touched").arg(kept).arg(before.size()).arg(touched));
    return 0;
}
