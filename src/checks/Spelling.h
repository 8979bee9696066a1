#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

// Spelling with Hunspell: Debian's dictionaries under /usr/share/hunspell/,
// found by a language's BCP 47 tag.
namespace Glossa {

class HunspellInstance;

// The spelling of one language, for one thread at a time (each language is
// checked on one thread). Hunspell instances are not thread-safe: each
// thread has its own of each dictionary, made and freed under one lock.
class SpellChecker
{
public:
    // The dictionary of a tag ("de-DE"), else of its language ("de", then
    // "de_DE"-like ones); invalid when none is installed.
    explicit SpellChecker(const QString &bcp47Tag);
    ~SpellChecker();
    SpellChecker(const SpellChecker &) = delete;
    SpellChecker &operator=(const SpellChecker &) = delete;

    bool isValid() const { return !m_affix.isEmpty(); }
    const QString &tag() const { return m_tag; }
    // The .aff file in use; empty when none.
    const QString &affixFile() const { return m_affix; }

    // Words taken as right besides the dictionary's (product names, the
    // user's dictionary); exact spelling.
    // A word is accepted in any letter case ("Build" for the English "build").
    // A word accepted after checking was cached as wrong: the cache starts again.
    void accept(const QString &word)
    {
        m_accepted.insert(word.toCaseFolded());
        m_cache.clear();
    }
    void acceptAll(const QStringList &words);
    void acceptAll(const QSet<QString> &words);

    // Each distinct word goes to Hunspell once; off only to measure what the cache saves.
    void setCacheEnabled(bool enabled) { m_cacheEnabled = enabled; }
    bool isCorrect(const QString &word);
    // The words of a text the dictionary does not know, each once, in text order.
    QStringList misspelled(QStringView text);
    // Hunspell's suggestions for a word (10 to 400 ms each: only on demand).
    QStringList suggestions(const QString &word, int most = 5);

    // Where dictionaries are looked for: $GLOSSA_HUNSPELL_PATH (colon-separated), else
    // /usr/share/hunspell and /usr/share/myspell/dicts.
    static QStringList dictionaryDirectories();
    static QString affixFileFor(const QString &bcp47Tag);
    // $XDG_DATA_HOME/glossa-desk/words/TAG.dic, the words "Add to Dictionary" keeps.
    static QString userDictionaryPath(const QString &bcp47Tag);
    // Adds a word at the end of the user's dictionary of a language, the
    // file's other lines kept as they are (atomically; the file and its
    // directory are made when missing).
    static bool addToUserDictionary(const QString &bcp47Tag, const QString &word, QString *error = nullptr);
    // One word a line, blank lines and lines starting with "#" left out; empty when the file is missing.
    static QStringList readWordList(const QString &path);

private:
    HunspellInstance *instance();

    QString m_tag;
    QString m_affix;
    QString m_dictionary;
    QSet<QString> m_accepted;
    QHash<QString, bool> m_cache;
    bool m_cacheEnabled = true;
};

} // namespace Glossa
