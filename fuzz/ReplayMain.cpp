// The fuzz targets as plain programs: every file named on the command line,
// and every file in every directory named, is run once through the target.
// CTest replays the seed corpus and the kept crash inputs this way.
#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        const QFileInfo info(path);
        if (info.isDir()) {
            for (const QFileInfo &entry : QDir(path).entryInfoList(QDir::Files, QDir::Name))
                files << entry.absoluteFilePath();
        } else if (info.exists()) {
            files << info.absoluteFilePath();
        } else {
            std::fprintf(stderr, "%s: no such file or directory\n", argv[i]);
            return 2;
        }
    }
    for (const QString &path : std::as_const(files)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: cannot be read\n", QFile::encodeName(path).constData());
            return 2;
        }
        const QByteArray input = file.readAll();
        std::fprintf(stderr, "%s (%lld bytes)\n", QFile::encodeName(path).constData(), qlonglong(input.size()));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(input.constData()), std::size_t(input.size()));
    }
    std::fprintf(stderr, "%lld inputs passed\n", qlonglong(files.size()));
    return 0;
}
