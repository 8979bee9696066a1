#pragma once

#include "terms/Glossary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Proposes glossary entries from a product itself: English words and phrases of one
// to three words that stand as the whole text of some keys (a product's labels are
// its terms) and recur inside other texts, with the translation one language gives
// those keys.
namespace Glossa {

struct ExtractedTerm
{
    QString english;     // as the master writes it most often
    QString translation; // the language's most frequent translation; empty when none
    int standalone = 0;  // keys whose whole text it is
    int recurrences = 0; // other texts holding it
    int translationUses = 0; // of those, how many values hold the translation (or a form of it)
    bool needsReview = false; // translated in different ways, or seldom used inside texts
    QString comment;     // the counts, and why it needs review
};

// english[row] and values[row] (the language's values as its file holds them, in
// the master's order; blank or missing: not translated). Ranked: the most used
// translations first, then the most frequent terms. maxTerms 0: all.
std::vector<ExtractedTerm> extractTerms(const QStringList &english, const QStringList &values,
                                        const QString &languageTag, int maxTerms = 0);

// The proposals as a glossary of the language (the comment as each one's note) and
// as OmegaT's tab-separated glossary ("English<TAB>translation<TAB>comment").
Glossary extractedGlossary(const std::vector<ExtractedTerm> &terms, const QString &languageTag);
QByteArray extractedAsTsv(const std::vector<ExtractedTerm> &terms);

} // namespace Glossa
