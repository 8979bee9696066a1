// Writes the reference product into a directory, for measurements that run the
// program itself (bench/startup-xvfb.sh): 20,000 attributes and all 112
// languages with files, index entries and web directories, as bench_windows uses.
#include "SyntheticProduct.h"

#include "model/LocaleCatalogue.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY [ATTRIBUTES]\n"
                             "writes a product of ATTRIBUTES (20,000) attributes and every language below DIRECTORY\n",
                     qPrintable(args.value(0)));
        return 2;
    }
    bool ok = true;
    const int attributes = args.size() > 2 ? args[2].toInt(&ok) : 20000;
    if (!ok || attributes < 0) {
        std::fprintf(stderr, "not a number of attributes: %s\n", qPrintable(args[2]));
        return 2;
    }
    QList<int> rows;
    for (int row = 0; row < Glossa::LocaleCatalogue::RowCount(); ++row)
        rows << row;
    const QString root = QDir(args[1]).absolutePath();
    Bench::makeProduct(root, attributes, rows, rows, rows);
    std::printf("%s: %d attributes, %lld languages\n", qPrintable(root), attributes, qlonglong(rows.size()));
    return 0;
}
