#include "ProductTree.h"

#include "model/LocaleCatalogue.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

namespace Glossa::Fuzz {

namespace {

QString safeName(QString name)
{
    name.replace(u'/', u'_');
    name.replace(QChar(u'\0'), u'_');
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        name = QStringLiteral("x");
    return name;
}

const LocaleRow &rowFrom(InputReader &in)
{
    return LocaleCatalogue::RowAt(in.below(LocaleCatalogue::RowCount()));
}

QByteArray encoded(const QString &text, int encoding)
{
    switch (encoding) {
    case 0:
        return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom).encode(text);
    case 1:
        return text.toUtf8();
    case 2:
        return QStringEncoder(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom).encode(text);
    default:
        return text.toLatin1();
    }
}

} // namespace

void buildProductTree(InputReader &in, const QString &root)
{
    QDir().mkpath(root + QStringLiteral("/language"));
    const std::uint8_t flags = in.byte();
    const QString ending = flags & 0x40 ? QStringLiteral("\n") : QStringLiteral("\r\n");

    QString master = QStringLiteral("[text]") + ending + QStringLiteral("IDS_OPEN=\"Open\"") + ending;
    for (int i = in.below(4); i > 0; --i)
        master += in.text() + ending;
    writeFile(root + QStringLiteral("/language/English (United States).ini"), encoded(master, (flags >> 4) & 1));

    for (int i = in.below(7); i > 0; --i) {
        const std::uint8_t kind = in.byte();
        QString name;
        switch (kind & 3) {
        case 0:
        case 1:
            name = rowFrom(in).displayName;
            break;
        case 2:
            name = rowFrom(in).displayName.toLower();
            break;
        default:
            name = safeName(in.text());
            break;
        }
        const QString path = root + QStringLiteral("/language/") + name + QStringLiteral(".ini");
        if (QFileInfo::exists(path)) {
            continue; // named twice: the first one stays
        } else if (kind & 4) {
            QDir().mkpath(path);
        } else {
            const QByteArray body = kind & 8 ? in.bytes(in.below(48))
                                             : encoded(QStringLiteral("[text]\r\nIDS_OPEN=\"x\"\r\n"), 0);
            writeFile(path, body);
        }
    }

    if (flags & 1) {
        QString index;
        for (int i = in.below(16); i > 0; --i) {
            const std::uint8_t kind = in.byte();
            switch (kind & 7) {
            case 0:
                index += QStringLiteral("[languages]");
                break;
            case 1:
                index += QStringLiteral("[xmllanguages]");
                break;
            case 2:
                index += kind & 8 ? QStringLiteral("[Languages]") : QStringLiteral(" [ xmlLanguages ] ");
                break;
            case 3: {
                const LocaleRow &row = rowFrom(in);
                index += row.localeCode + u'=' + (kind & 8 ? row.displayName : row.webName);
                break;
            }
            case 4:
                index += rowFrom(in).localeCode + u'=' + in.text();
                break;
            case 5:
                index += in.text() + u'=' + in.text();
                break;
            default:
                index += in.text();
                break;
            }
            index += ending;
        }
        // A language file or directory named from the input may have taken the index's name.
        if (!QFileInfo::exists(root + QStringLiteral("/language/LanguageIndex.ini")))
            writeFile(root + QStringLiteral("/language/LanguageIndex.ini"), encoded(index, (flags >> 1) & 3));
    } else if (flags & 8) {
        QDir().mkpath(root + QStringLiteral("/language/LanguageIndex.ini")); // an index that cannot be a file
    }

    if (flags & 0x80) {
        const QString web = root + QStringLiteral("/Web/LanguageInfo/");
        QDir().mkpath(web);
        for (int i = in.below(7); i > 0; --i) {
            const std::uint8_t kind = in.byte();
            QString name;
            switch (kind & 3) {
            case 0:
            case 1:
                name = rowFrom(in).webName;
                break;
            case 2:
                name = rowFrom(in).webName + QStringLiteral(".old");
                break;
            default:
                name = safeName(in.text());
                break;
            }
            if (QFileInfo::exists(web + name))
                continue;
            if (kind & 4)
                writeFile(web + name, QByteArray("not a directory"));
            else
                QDir().mkpath(web + name + QStringLiteral("/x"));
        }
    }
}

} // namespace Glossa::Fuzz
