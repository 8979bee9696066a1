#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// A product's glossary: one entry per entry, its English term(s) and, per
// language, the terms a translation uses (preferred, admitted) or must never use
// (forbidden). Kept in the product folder as glossa-glossary.tbx, so that the
// team shares it with the product.
namespace Glossa {

enum class TermStatus { Preferred, Admitted, Forbidden };

struct Term
{
    QString text;
    TermStatus status = TermStatus::Preferred;
    bool operator==(const Term &) const = default;
};

struct TermConcept
{
    QString id;
    QList<Term> english;
    // BCP 47 tag as the glossary writes it ("de-DE", or "de" for every German) -> its terms.
    std::map<QString, QList<Term>> translations;
    // The English term stays as it is in every language: a product or protocol name.
    bool doNotTranslate = false;
    // Letter case counts when the term is looked for (it is ignored by default).
    bool caseSensitive = false;
    QString note;
    bool operator==(const TermConcept &) const = default;

    // The terms the language uses: those of its own tag, else of its base language
    // ("de" for "de-AT"), letter case of the tags ignored. Null when it has none.
    const QList<Term> *termsFor(const QString &languageTag) const;
    // The same for a tag as normalisedLanguageTag gives it (a checker's, worked out once).
    const QList<Term> *termsForNormalised(const QString &tag) const;
    // The first English term: the entry's name in messages.
    QString name() const { return english.isEmpty() ? QString() : english.front().text; }
};

struct Glossary
{
    std::vector<TermConcept> concepts;

    bool isEmpty() const { return concepts.empty(); }
    // Every language tag the concepts name, sorted.
    QStringList languages() const;
    // Adds other's concepts: one whose first English term this glossary already has
    // (letter case ignored) gets the terms it lacks, its flags and, when it has none,
    // the note; the others are appended with an id of their own. Counts each kind.
    void merge(const Glossary &other, int *added = nullptr, int *updated = nullptr);
    bool operator==(const Glossary &) const = default;
};

// "de_de", " DE-de " -> "de-DE"; the base language in lower case, the rest in upper
// case when two letters (a region), as written otherwise.
QString normalisedLanguageTag(const QString &tag);

// A BCP 47 tag's shape: letters, then parts of letters and digits after hyphens
// ("de", "de-DE", "zh-Hans-CN", "es-419").
bool looksLikeLanguageTag(const QString &tag);

// Where a product keeps its glossary: PRODUCT_DIR/glossa-glossary.tbx.
QString productGlossaryPath(const QString &productDirectory);
// Reads the product's glossary; a product without the file has an empty one. False,
// with error, when the file is there but cannot be read or is refused.
bool loadProductGlossary(const QString &productDirectory, Glossary &glossary, QString &error);
// Writes it (atomically: a temporary file renamed over the old one).
bool saveProductGlossary(const QString &productDirectory, const Glossary &glossary, QString &error);

} // namespace Glossa
