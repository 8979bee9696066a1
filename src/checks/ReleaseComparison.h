#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace Glossa {

// An attribute whose English text differs between two releases.
struct EnglishChange
{
    QString key;
    QString before; // the earlier release's text (without enclosing quotes)
    QString after;  // the current text
};

// What changed in the master file between an earlier release and the current
// product, and which translations still follow the earlier English. Reads
// both releases and never writes to either.
//
// Keys are compared as the INI layer reads them (the first of two equal keys
// wins) and values by their text, so that "Open" and Open are the same English.
class ReleaseComparison
{
public:
    // Reads the earlier release (a product folder holding language/, or the
    // path of its master file) and the current product's master. False, with
    // error(), when either cannot be read as a release: a missing path, a file
    // where a folder is expected or the reverse, a folder without a master, a
    // master that is not text, or the earlier release being the product itself.
    bool compare(const QString &earlier, const QString &productDirectory);
    QString error() const { return m_error; }

    // Absolute paths of what compare() read.
    const QString &productDirectory() const { return m_product; }
    const QString &earlierMaster() const { return m_earlierMaster; }
    // The earlier release's language folder; empty when only its master was given.
    const QString &earlierLanguageDirectory() const { return m_earlierLanguageDir; }

    // Keys of the current master the earlier one lacks, in current file order.
    const QStringList &added() const { return m_added; }
    // Keys of the earlier master the current one lacks, in earlier file order.
    const QStringList &removed() const { return m_removed; }
    // Keys in both whose English text differs, in current file order.
    const std::vector<EnglishChange> &changed() const { return m_changed; }
    // The change of one key; nullptr when its English is the same (or it is not in both).
    const EnglishChange *change(const QString &key) const;
    bool isChanged(const QString &key) const { return m_changedIndex.contains(key); }

    // Stale keys of one language given its current values (key -> value as
    // the INI layer reads it): the English changed, the value is not blank,
    // and the earlier release's file of the language, when there is one,
    // holds the same text (a translator who changed the value already
    // followed the new English). For the editor, which holds the values.
    QSet<QString> staleKeys(const QString &languageName, const QHash<QString, QString> &currentValues) const;
    // The same from the language's file in the product, "language/NAME.ini".
    // False, with *error, when the file exists but cannot be read; a missing
    // file holds no values and so no stale keys.
    bool staleKeys(const QString &languageName, QSet<QString> *out, QString *error) const;

private:
    bool readEarlier(const QString &earlier);
    bool readProduct(const QString &productDirectory);
    bool earlierValues(const QString &languageName, QHash<QString, QString> *values) const;

    QString m_error;
    QString m_product;
    QString m_productMaster;
    QString m_earlierMaster;
    QString m_earlierLanguageDir;
    QStringList m_added;
    QStringList m_removed;
    std::vector<EnglishChange> m_changed;
    QHash<QString, int> m_changedIndex;
};

// The stale keys of every language of the product beside the master, by
// display name, for `glossa check --since EARLIER` and the languages overview.
// False, with *error, when the releases cannot be compared or a language file
// cannot be read.
bool loadStaleKeys(const QString &earlier, const QString &productDir, QHash<QString, QSet<QString>> *out,
                   QString *error);

// Reads the values of the text section of a language file, key -> value, the
// first of two equal keys winning. False, with *error, when the file cannot be
// read or does not read as text; a missing file reads as empty.
bool readLanguageValues(const QString &path, QHash<QString, QString> *values, QString *error);

} // namespace Glossa
