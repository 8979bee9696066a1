#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: reading values off the front of an input, a
// scratch directory per input, and stopping loudly when an invariant breaks.
// Each target is built twice: against libFuzzer, and as a plain program that
// replays the files it is given (the corpus and the kept crash inputs).
namespace Glossa::Fuzz {

// Prints what broke and aborts, so that libFuzzer keeps the input that got here.
[[noreturn]] void fail(const char *condition, const QString &detail, const char *file, int line);

#define FUZZ_CHECK(condition, detail)                                              \
    do {                                                                           \
        if (!(condition))                                                          \
            ::Glossa::Fuzz::fail(#condition, (detail), __FILE__, __LINE__);        \
    } while (false)

// Takes values off the front of an input; past its end every read gives zeros.
class InputReader
{
public:
    InputReader(const std::uint8_t *data, std::size_t size);

    std::size_t remaining() const { return m_size - m_at; }
    std::uint8_t byte();
    // 0 to n - 1 (n > 0).
    int below(int n) { return byte() % n; }
    QByteArray bytes(std::size_t count);
    QByteArray rest();
    // A short text: a head byte gives the length (up to 63 units) and how the
    // bytes are read: as UTF-8, as Latin-1, or as raw UTF-16 units, which may
    // hold unpaired surrogates.
    QString text();

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// An empty directory for one input; the one of the previous input is removed.
QString freshDirectory();

// Null when the file cannot be read.
QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);
// Every entry below root by relative path: a file's bytes, or "<dir>" for a directory.
QMap<QString, QByteArray> snapshot(const QString &root);

// Shows a text with its control characters and surrogates escaped, for failure messages.
QString shown(const QString &text);

} // namespace Glossa::Fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
