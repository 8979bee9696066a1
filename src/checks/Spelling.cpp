#include "checks/Spelling.h"

#include "checks/ValueChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>

#include <hunspell.hxx>

#include <map>
#include <mutex>

namespace Glossa {

namespace {

// Making and freeing Hunspell instances is not thread-safe either.
std::mutex &hunspellLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

class HunspellInstance
{
public:
    HunspellInstance(const QString &affix, const QString &dictionary)
        : m_hunspell(QFile::encodeName(affix).constData(), QFile::encodeName(dictionary).constData())
    {
        const QByteArray encoding = QByteArray::fromStdString(m_hunspell.get_dict_encoding());
        m_utf8 = encoding.isEmpty() || encoding.compare("UTF-8", Qt::CaseInsensitive) == 0;
        if (!m_utf8) {
            m_encoder = QStringEncoder(encoding.constData());
            m_decoder = QStringDecoder(encoding.constData());
            if (!m_encoder.isValid() || !m_decoder.isValid())
                m_utf8 = true;
        }
    }

    std::string encode(const QString &word)
    {
        if (m_utf8)
            return word.toStdString();
        const QByteArray bytes = m_encoder.encode(word);
        return bytes.toStdString();
    }
    QString decode(const std::string &word)
    {
        if (m_utf8)
            return QString::fromStdString(word);
        return m_decoder.decode(QByteArray::fromStdString(word));
    }

    bool spell(const QString &word) { return m_hunspell.spell(encode(word)); }
    std::vector<std::string> suggest(const QString &word) { return m_hunspell.suggest(encode(word)); }

private:
    Hunspell m_hunspell;
    bool m_utf8 = true;
    QStringEncoder m_encoder;
    QStringDecoder m_decoder;
};

namespace {

// This thread's Hunspell instances by dictionary; freed, under the lock, when the thread ends.
struct ThreadInstances
{
    std::map<QString, std::unique_ptr<HunspellInstance>> byAffix;
    ~ThreadInstances()
    {
        const std::lock_guard guard(hunspellLock());
        byAffix.clear();
    }
};

thread_local ThreadInstances threadInstances;

} // namespace

SpellChecker::SpellChecker(const QString &bcp47Tag)
    : m_tag(bcp47Tag)
    , m_affix(affixFileFor(bcp47Tag))
{
    if (!m_affix.isEmpty())
        m_dictionary = m_affix.chopped(4) + QStringLiteral(".dic");
}

SpellChecker::~SpellChecker() = default;

HunspellInstance *SpellChecker::instance()
{
    if (m_affix.isEmpty())
        return nullptr;
    const QString key = QFileInfo(m_affix).canonicalFilePath();
    auto it = threadInstances.byAffix.find(key);
    if (it == threadInstances.byAffix.end()) {
        const std::lock_guard guard(hunspellLock());
        it = threadInstances.byAffix.emplace(key, std::make_unique<HunspellInstance>(m_affix, m_dictionary)).first;
    }
    return it->second.get();
}

void SpellChecker::acceptAll(const QStringList &words)
{
    for (const QString &word : words)
        accept(word);
}

void SpellChecker::acceptAll(const QSet<QString> &words)
{
    for (const QString &word : words)
        accept(word);
}

bool SpellChecker::isCorrect(const QString &word)
{
    if (m_cacheEnabled) {
        const auto it = m_cache.constFind(word);
        if (it != m_cache.cend())
            return *it;
    }
    HunspellInstance *hunspell = instance();
    const bool correct = m_accepted.contains(word.toCaseFolded()) || !hunspell || hunspell->spell(word);
    if (m_cacheEnabled)
        m_cache.insert(word, correct);
    return correct;
}

QStringList SpellChecker::misspelled(QStringView text)
{
    QStringList wrong;
    if (!isValid())
        return wrong;
    for (const QString &word : spellingWords(text))
        if (!isCorrect(word) && !wrong.contains(word))
            wrong.append(word);
    return wrong;
}

QStringList SpellChecker::suggestions(const QString &word, int most)
{
    QStringList out;
    HunspellInstance *hunspell = instance();
    if (!hunspell)
        return out;
    for (const std::string &s : hunspell->suggest(word)) {
        if (out.size() >= most)
            break;
        out.append(hunspell->decode(s));
    }
    return out;
}

QStringList SpellChecker::dictionaryDirectories()
{
    const QString path = qEnvironmentVariable("GLOSSA_HUNSPELL_PATH");
    if (!path.isEmpty())
        return path.split(u':', Qt::SkipEmptyParts);
    return {QStringLiteral("/usr/share/hunspell"), QStringLiteral("/usr/share/myspell/dicts")};
}

QString SpellChecker::affixFileFor(const QString &bcp47Tag)
{
    const QStringList parts = bcp47Tag.split(u'-', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    const QString language = parts.first().toLower();
    QStringList names;
    if (parts.size() > 1)
        names << language + u'_' + parts.last().toUpper();
    names << language << language + u'_' + language.toUpper();
    const QStringList directories = dictionaryDirectories();
    auto usable = [](const QString &affix) {
        return QFileInfo(affix).isFile() && QFileInfo(affix.chopped(4) + QStringLiteral(".dic")).isFile();
    };
    for (const QString &name : names)
        for (const QString &directory : directories)
            if (const QString affix = directory + u'/' + name + QStringLiteral(".aff"); usable(affix))
                return affix;
    // Any region of the language.
    for (const QString &directory : directories) {
        const QStringList found = QDir(directory).entryList({language + QStringLiteral("_*.aff")}, QDir::Files, QDir::Name);
        for (const QString &file : found)
            if (usable(directory + u'/' + file))
                return directory + u'/' + file;
    }
    return {};
}

QString SpellChecker::userDictionaryPath(const QString &bcp47Tag)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/glossa-desk/words/")
           + bcp47Tag + QStringLiteral(".dic");
}

QStringList SpellChecker::readWordList(const QString &path)
{
    QStringList words;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return words;
    const QString text = QString::fromUtf8(file.readAll());
    for (QStringView line : QStringView(text).split(u'\n')) {
        const QStringView word = line.trimmed();
        if (!word.isEmpty() && !word.startsWith(u'#'))
            words.append(word.toString());
    }
    return words;
}

bool SpellChecker::addToUserDictionary(const QString &bcp47Tag, const QString &word, QString *error)
{
    const QString path = userDictionaryPath(bcp47Tag);
    if (readWordList(path).contains(word))
        return true;
    // The file is the user's: its lines, comments among them, stay as they are.
    QByteArray bytes;
    QFile old(path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly)) {
            if (error)
                *error = QStringLiteral("cannot read %1: %2").arg(path, old.errorString());
            return false;
        }
        bytes = old.readAll();
        old.close();
    }
    const QByteArray lineEnd = bytes.contains("\r\n") ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += lineEnd;
    bytes += word.toUtf8() + lineEnd;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        if (error)
            *error = QStringLiteral("cannot make the directory of %1").arg(path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace Glossa
