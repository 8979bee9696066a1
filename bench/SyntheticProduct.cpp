#include "SyntheticProduct.h"

#include "model/LocaleCatalogue.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <random>

namespace Bench {

namespace {

void writeUtf16(const QString &path, const QString &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QStringEncoder enc(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    f.write(enc.encode(text));
}

} // namespace

QString attributeName(int i)
{
    static const char *const kinds[] = {"IDS_MENU", "IDS_DLG", "MSG", "IDS_TIP", "IDS_BTN"};
    return QStringLiteral("%1_ITEM_%2").arg(QLatin1String(kinds[i % 5])).arg(i, 5, 10, QLatin1Char('0'));
}

QString englishValue(int i)
{
    switch (i % 8) {
    case 1:
        return QStringLiteral("\"Deleted %d files from %s\"");
    case 3:
        return QStringLiteral("\"Progress %ld of %ld (%d%%)\"");
    case 5:
        return QStringLiteral("\"First line of entry %1\\nSecond line\"").arg(i);
    default:
        return QStringLiteral("\"Text of the entry number %1 here\"").arg(i);
    }
}

QString translatedValue(int i, int language)
{
    switch (i % 8) {
    case 1:
        return QStringLiteral("\"L%1: %d Dateien aus %s gel\u00f6scht\"").arg(language);
    case 3:
        return QStringLiteral("\"L%1: Fortschritt %ld von %ld (%d%%)\"").arg(language);
    case 5:
        return QStringLiteral("\"L%1 \u7b2c\u4e00\u884c %2\\n\u7b2c\u4e8c\u884c\"").arg(language).arg(i);
    default:
        return QStringLiteral("\"L%1 \u6761\u76ee %2 \u7684\u6587\u672c\"").arg(language).arg(i);
    }
}

void writeLanguageFile(const SyntheticProduct &product, const QString &displayName, int language)
{
    QString text = QStringLiteral("[text]\r\n");
    text.reserve(product.attributes.size() * 48);
    for (int i = 0; i < product.attributes.size(); ++i)
        text += product.attributes[i] + u'=' + (language < 0 ? englishValue(i) : translatedValue(i, language)) + QStringLiteral("\r\n");
    writeUtf16(product.languageDir + u'/' + displayName + QStringLiteral(".ini"), text);
}

SyntheticProduct makeProduct(const QString &root, int attributeCount, const QList<int> &languageRows,
                             const QList<int> &indexedRows, const QList<int> &webRows)
{
    using Glossa::LocaleCatalogue;
    SyntheticProduct p;
    p.root = root;
    p.languageDir = root + QStringLiteral("/language");
    p.webDir = root + QStringLiteral("/Web/LanguageInfo");
    QDir().mkpath(p.languageDir);
    QDir().mkpath(p.webDir);
    for (int i = 0; i < attributeCount; ++i)
        p.attributes << attributeName(i);

    writeLanguageFile(p, LocaleCatalogue::DisplayNameAt(1), -1);
    for (int row : languageRows)
        if (row != 1)
            writeLanguageFile(p, LocaleCatalogue::DisplayNameAt(row), row);

    if (!indexedRows.isEmpty()) {
        QString index = QStringLiteral("[languages]\r\n");
        for (int row : indexedRows)
            index += LocaleCatalogue::RowAt(row).localeCode + u'=' + LocaleCatalogue::DisplayNameAt(row) + QStringLiteral("\r\n");
        index += QStringLiteral("[xmllanguages]\r\n");
        for (int row : indexedRows)
            index += LocaleCatalogue::RowAt(row).localeCode + u'=' + LocaleCatalogue::WebNameAt(row) + QStringLiteral("\r\n");
        writeUtf16(p.languageDir + QStringLiteral("/LanguageIndex.ini"), index);
    }
    for (int row : webRows)
        QDir().mkpath(p.webDir + u'/' + LocaleCatalogue::WebNameAt(row));
    return p;
}

SyntheticProduct makeFaultyProduct(const QString &root, int attributeCount)
{
    using Glossa::LocaleCatalogue;
    QList<int> rows;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        rows << row;
    SyntheticProduct p = makeProduct(root, attributeCount, {}, rows, rows);
    for (int row : rows) {
        if (row == 1)
            continue;
        std::mt19937 random{unsigned(row)};
        QString text = QStringLiteral("[text]\r\n");
        text.reserve(p.attributes.size() * 48);
        for (int i = 0; i < p.attributes.size(); ++i) {
            QString value = translatedValue(i, row);
            if (random() % 10 == 0)
                value = QStringLiteral("\"\"");
            else if (random() % 8 == 0)
                value.insert(value.size() - 1, QStringLiteral(" %s"));
            text += p.attributes[i] + u'=' + value + QStringLiteral("\r\n");
        }
        writeUtf16(p.languageDir + u'/' + LocaleCatalogue::DisplayNameAt(row) + QStringLiteral(".ini"), text);
    }
    return p;
}

} // namespace Bench
