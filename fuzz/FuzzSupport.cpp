#include "FuzzSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace Glossa::Fuzz {

void fail(const char *condition, const QString &detail, const char *file, int line)
{
    std::fprintf(stderr, "\n%s:%d: invariant broken: %s\n%s\n", file, line, condition,
                 detail.toLocal8Bit().constData());
    std::fflush(stderr);
    std::abort();
}

InputReader::InputReader(const std::uint8_t *data, std::size_t size)
    : m_data(data)
    , m_size(size)
{
}

std::uint8_t InputReader::byte()
{
    return m_at < m_size ? m_data[m_at++] : 0;
}

QByteArray InputReader::bytes(std::size_t count)
{
    const std::size_t taken = std::min(count, remaining());
    QByteArray out(reinterpret_cast<const char *>(m_data + m_at), qsizetype(taken));
    m_at += taken;
    return out;
}

QByteArray InputReader::rest()
{
    return bytes(remaining());
}

QString InputReader::text()
{
    const std::uint8_t head = byte();
    const std::size_t length = head & 0x3F;
    switch (head >> 6) {
    case 0:
    case 1:
        return QString::fromUtf8(bytes(length));
    case 2:
        return QString::fromLatin1(bytes(length));
    default: {
        const QByteArray raw = bytes(2 * length);
        QString units;
        for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
            units.append(QChar(char16_t(quint8(raw[i]) | quint8(raw[i + 1]) << 8)));
        return units;
    }
    }
}

QString freshDirectory()
{
    // One scratch directory per process, removed at exit; each input gets a new subdirectory.
    static QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/glossa-fuzz-XXXXXX"));
    static int serial = 0;
    if (!scratch.isValid())
        fail("scratch directory", scratch.errorString(), __FILE__, __LINE__);
    QDir::setCurrent(scratch.path());
    const QString previous = scratch.filePath(QString::number(serial));
    QDir(previous).removeRecursively();
    const QString dir = scratch.filePath(QString::number(++serial));
    if (!QDir().mkpath(dir))
        fail("mkpath", dir, __FILE__, __LINE__);
    return dir;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (bytes.isNull())
        bytes = QByteArray(""); // an empty file is not a missing one
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("write", path, __FILE__, __LINE__);
}

QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> tree;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        tree.insert(base.relativeFilePath(info.filePath()),
                    info.isDir() ? QByteArray("<dir>") : readFile(info.filePath()));
    }
    return tree;
}

QString shown(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.isSurrogate() || c.unicode() == 0x7F)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return u'"' + out + u'"';
}

} // namespace Glossa::Fuzz
