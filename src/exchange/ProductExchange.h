#pragma once

#include "checks/CheckEngine.h"
#include "exchange/Exchange.h"
#include "memory/TranslationMemory.h"
#include "model/LanguageStore.h"
#include "recovery/ThreeWayMerge.h"

#include <QByteArray>
#include <QString>

namespace Glossa {

// Export and import of one product's languages on disk: the check engine gives the
// languages, the master's keys and the findings; the language store reads the values
// and writes an import in one SaveLanguageFile. The working directory is the same after
// every call as before.
class ProductExchange
{
public:
    // False, with error(), when the product or its master cannot be read.
    bool open(const QString &productDirectory);
    QString error() const { return m_error; }
    // What importLanguage let through but the user should hear: the file names
    // another language file than --language chose.
    QString warning() const { return m_warning; }
    // After apply: whether the file was written, and what the write had to change
    // on the way (a Windows-1252 file converted to UTF-16LE); empty when nothing.
    bool written() const { return m_written; }
    QString notice() const { return m_notice; }
    const CheckEngine &engine() const { return m_engine; }

    // The language's entries, in catalogue order, chosen by selection, with the
    // reference's values as their source (an empty reference: the master).
    // Both names are display names of present languages. With a memory of the
    // language, each XLIFF unit carries up to three of its matches as <alt-trans>.
    bool exportLanguage(const QString &language, const QString &reference, ExportSelection selection,
                        ExchangeFormat format, QByteArray &bytes, const TranslationMemory *suggestions = nullptr);

    // The language an exchange file goes into: the given name or code, else the
    // file's target language. Empty, with error(), when there is none, they
    // disagree, or the file's original names another language's file.
    QString importLanguage(const ExchangeFile &file, const QString &nameOrCode);
    // The language's current values for planImport; false, with error(), when its file cannot be read.
    bool importTarget(const QString &language, ImportTarget &target);
    // Writes the plan's changes with one SaveLanguageFile; false, with error(), when nothing could be written.
    // With the target the plan was made from, the file is read again first and merged key by key
    // against it: a key another program changed meanwhile keeps its value, and one changed there
    // differently from the plan is not written but added to conflicts.
    bool apply(const QString &language, const ImportPlan &plan, const ImportTarget *readAs = nullptr,
               std::vector<MergeConflict> *conflicts = nullptr);
    // The language's file, absolute.
    QString languageFilePath(const QString &language) const { return m_store.filePathFor(language); }

private:
    bool readValues(const QString &language, QStringList &values, std::vector<bool> &missing);

    CheckEngine m_engine;
    LanguageStore m_store;
    QString m_error;
    QString m_warning;
    QString m_notice;
    bool m_written = false;
};

} // namespace Glossa
