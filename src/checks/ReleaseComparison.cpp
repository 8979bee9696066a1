#include "checks/ReleaseComparison.h"

#include "checks/CheckEngine.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace Glossa {

namespace {

// True when the bytes hold a NUL character: in a file with a UTF-16
// byte-order mark a zero code unit, elsewhere a zero byte. Such a file is no
// language file, whatever its name.
bool holdsNul(const QByteArray &bytes)
{
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!utf16)
        return std::memchr(bytes.constData(), 0, size_t(bytes.size())) != nullptr;
    const char *data = bytes.constData();
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
        if (data[i] == 0 && data[i + 1] == 0)
            return true;
    }
    return false;
}

QString quoted(const QString &path)
{
    return u'"' + QDir::toNativeSeparators(path) + u'"';
}

// Loads a language file and makes sure it is text; what names it in messages
// is role ("The earlier master"). A missing file loads as empty.
bool loadTextFile(ProfileFile *file, const QString &role, bool requireSection, QString *error)
{
    const QString &path = file->path();
    if (!file->load()) {
        *error = QStringLiteral("%1 %2 cannot be read: %3").arg(role, quoted(path), file->error());
        return false;
    }
    if (file->exists()) {
        QFile raw(path);
        QByteArray bytes;
        if (raw.open(QIODevice::ReadOnly))
            bytes = raw.readAll();
        if (file->hasUndecodableBytes() || holdsNul(bytes)) {
            *error = QStringLiteral("%1 %2 is not a text file: it holds bytes that read as no text.")
                         .arg(role, quoted(path));
            return false;
        }
    }
    if (requireSection && !file->hasSection(TextSectionName)) {
        *error = QStringLiteral("%1 %2 is not a language file: it has no [%3] section.")
                     .arg(role, quoted(path), TextSectionName);
        return false;
    }
    return true;
}

// The values of the text section, the first of two equal keys winning; with
// wanted, only those keys.
QHash<QString, QString> textValues(const ProfileFile &file, const QHash<QString, int> *wanted = nullptr)
{
    QHash<QString, QString> values;
    values.reserve(wanted ? wanted->size() : 1024);
    file.forEachEntry(TextSectionName, [&](QStringView key, QStringView value) {
        const QString k = key.toString();
        if ((!wanted || wanted->contains(k)) && !values.contains(k))
            values.insert(k, value.toString());
    });
    return values;
}

QString canonical(const QString &path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? QFileInfo(path).absoluteFilePath() : c;
}

} // namespace

bool readLanguageValues(const QString &path, QHash<QString, QString> *values, QString *error)
{
    ProfileFile file(path);
    if (!loadTextFile(&file, QStringLiteral("The language file"), false, error))
        return false;
    *values = textValues(file);
    return true;
}

bool ReleaseComparison::readEarlier(const QString &earlier)
{
    const QFileInfo info(earlier);
    if (earlier.isEmpty() || !info.exists()) {
        m_error = QStringLiteral("The earlier release %1 does not exist.").arg(quoted(earlier));
        return false;
    }
    if (info.isDir()) {
        const QDir dir(info.absoluteFilePath());
        const QFileInfo languageDir(dir.filePath(QStringLiteral("language")));
        if (!languageDir.isDir()) {
            if (QFileInfo(dir.filePath(MasterLanguageFileName)).isFile()) {
                m_error = QStringLiteral("The earlier release %1 is a language folder: give the product folder "
                                         "that holds it, or its master file %2.")
                              .arg(quoted(earlier), MasterLanguageFileName);
            } else if (languageDir.exists()) {
                m_error = QStringLiteral("The earlier release %1 holds a file named language, not a folder.")
                              .arg(quoted(earlier));
            } else {
                m_error = QStringLiteral("The earlier release %1 holds no language folder: give its product "
                                         "folder or its master file.")
                              .arg(quoted(earlier));
            }
            return false;
        }
        const QString master = QDir(languageDir.absoluteFilePath()).filePath(MasterLanguageFileName);
        const QFileInfo masterInfo(master);
        if (!masterInfo.exists()) {
            m_error = QStringLiteral("The earlier release %1 holds no master file (language/%2).")
                          .arg(quoted(earlier), MasterLanguageFileName);
            return false;
        }
        if (!masterInfo.isFile()) {
            m_error = QStringLiteral("The earlier release's master %1 is a folder, not a file.").arg(quoted(master));
            return false;
        }
        m_earlierMaster = masterInfo.absoluteFilePath();
        m_earlierLanguageDir = languageDir.absoluteFilePath();
        return true;
    }
    if (!info.isFile()) {
        m_error = QStringLiteral("The earlier release %1 is neither a folder nor a file.").arg(quoted(earlier));
        return false;
    }
    m_earlierMaster = info.absoluteFilePath();
    return true;
}

bool ReleaseComparison::readProduct(const QString &productDirectory)
{
    const QFileInfo info(productDirectory);
    if (productDirectory.isEmpty() || !info.exists()) {
        m_error = QStringLiteral("The product folder %1 does not exist.").arg(quoted(productDirectory));
        return false;
    }
    if (!info.isDir()) {
        m_error = QStringLiteral("The product %1 is a file: give the product folder that holds language/.")
                      .arg(quoted(productDirectory));
        return false;
    }
    m_product = info.absoluteFilePath();
    const QString master = QDir(m_product).filePath(QStringLiteral("language/") + MasterLanguageFileName);
    if (!QFileInfo(master).isFile()) {
        m_error = QStringLiteral("The product folder %1 holds no master file (language/%2).")
                      .arg(quoted(productDirectory), MasterLanguageFileName);
        return false;
    }
    m_productMaster = master;
    return true;
}

bool ReleaseComparison::compare(const QString &earlier, const QString &productDirectory)
{
    *this = ReleaseComparison();
    if (!readProduct(productDirectory) || !readEarlier(earlier)) {
        const QString error = m_error;
        *this = ReleaseComparison();
        m_error = error;
        return false;
    }
    if (canonical(m_earlierMaster) == canonical(m_productMaster)
        || (!m_earlierLanguageDir.isEmpty()
            && canonical(m_earlierLanguageDir) == canonical(QDir(m_product).filePath(QStringLiteral("language"))))) {
        m_error = QStringLiteral("The earlier release %1 is the current product itself: give a copy of the "
                                 "earlier release.")
                      .arg(quoted(earlier));
        return false;
    }

    ProfileFile before(m_earlierMaster);
    ProfileFile now(m_productMaster);
    if (!loadTextFile(&before, QStringLiteral("The earlier master"), true, &m_error)
        || !loadTextFile(&now, QStringLiteral("The product's master"), true, &m_error))
        return false;

    // The earlier master by key; the current one is walked once against it.
    QStringList earlierKeys;
    QStringList earlierValues;
    QHash<QString, int> earlierIndex;
    earlierIndex.reserve(20000);
    before.forEachEntry(TextSectionName, [&](QStringView key, QStringView value) {
        QString k = key.toString();
        if (earlierIndex.contains(k))
            return; // the first of two equal keys wins
        earlierIndex.insert(k, int(earlierKeys.size()));
        earlierKeys.append(std::move(k));
        earlierValues.append(value.toString());
    });
    std::vector<char> seen(size_t(earlierKeys.size()), 0);
    QSet<QString> addedKeys;
    now.forEachEntry(TextSectionName, [&](QStringView key, QStringView value) {
        QString k = key.toString();
        const auto it = earlierIndex.constFind(k);
        if (it == earlierIndex.cend()) {
            if (!addedKeys.contains(k)) {
                addedKeys.insert(k);
                m_added.append(std::move(k));
            }
            return;
        }
        if (seen[size_t(*it)])
            return;
        seen[size_t(*it)] = 1;
        const QStringView was = valueText(earlierValues.at(*it));
        const QStringView is = valueText(value);
        if (was != is) {
            m_changedIndex.insert(k, int(m_changed.size()));
            m_changed.push_back({std::move(k), was.toString(), is.toString()});
        }
    });
    for (qsizetype i = 0; i < earlierKeys.size(); ++i) {
        if (!seen[size_t(i)])
            m_removed.append(earlierKeys.at(i));
    }
    return true;
}

const EnglishChange *ReleaseComparison::change(const QString &key) const
{
    const auto it = m_changedIndex.constFind(key);
    return it == m_changedIndex.cend() ? nullptr : &m_changed[size_t(*it)];
}

bool ReleaseComparison::earlierValues(const QString &languageName, QHash<QString, QString> *values) const
{
    values->clear();
    if (m_earlierLanguageDir.isEmpty())
        return false;
    const QString path = QDir(m_earlierLanguageDir).filePath(LanguageStore::fileNameFor(languageName));
    QString ignored;
    ProfileFile file(path);
    // An earlier file that cannot be read tells nothing of what the translator did.
    if (!QFileInfo(path).isFile() || !loadTextFile(&file, QString(), false, &ignored))
        return false;
    *values = textValues(file, &m_changedIndex);
    return true;
}

QSet<QString> ReleaseComparison::staleKeys(const QString &languageName,
                                           const QHash<QString, QString> &currentValues) const
{
    QSet<QString> stale;
    if (m_changed.empty())
        return stale;
    QHash<QString, QString> earlier;
    const bool haveEarlier = earlierValues(languageName, &earlier);
    for (const EnglishChange &c : m_changed) {
        const auto it = currentValues.constFind(c.key);
        if (it == currentValues.cend() || isBlankValue(*it))
            continue;
        if (haveEarlier) {
            // A value the translator changed (or first gave) since the earlier
            // release was made for the new English.
            const auto was = earlier.constFind(c.key);
            if (was == earlier.cend() || valueText(*was) != valueText(*it))
                continue;
        }
        stale.insert(c.key);
    }
    return stale;
}

bool ReleaseComparison::staleKeys(const QString &languageName, QSet<QString> *out, QString *error) const
{
    out->clear();
    const QString path = QDir(m_product).filePath(QStringLiteral("language/") + LanguageStore::fileNameFor(languageName));
    if (m_changed.empty())
        return true;
    ProfileFile file(path);
    QString message;
    if (!loadTextFile(&file, QStringLiteral("The language file"), false, &message)) {
        if (error)
            *error = message;
        return false;
    }
    *out = staleKeys(languageName, textValues(file, &m_changedIndex));
    return true;
}

bool loadStaleKeys(const QString &earlier, const QString &productDir, QHash<QString, QSet<QString>> *out,
                   QString *error)
{
    out->clear();
    ReleaseComparison comparison;
    if (!comparison.compare(earlier, productDir)) {
        *error = comparison.error();
        return false;
    }
    CheckEngine engine;
    if (!engine.open(comparison.productDirectory())) {
        *error = engine.error();
        return false;
    }
    const QString master = MasterLanguageFileName.chopped(4);
    for (const QString &name : engine.presentLanguages()) {
        if (name == master)
            continue;
        QSet<QString> keys;
        if (!comparison.staleKeys(name, &keys, error))
            return false;
        out->insert(name, std::move(keys));
    }
    return true;
}

} // namespace Glossa
