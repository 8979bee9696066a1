#include "terms/TermExtraction.h"

#include "terms/TermMatching.h"

#include <QHash>

#include <algorithm>

namespace Glossa {

namespace {

using Terms::wordText;

// A label as a term: without an accelerator's &, a closing colon or ellipsis, and the
// white space around.
QString labelText(QStringView value)
{
    QString text = value.trimmed().toString();
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"')
        text = text.sliced(1, text.size() - 2).trimmed();
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == u'&' && text[i + 1].isLetterOrNumber())
            text.remove(i, 1);
    while (!text.isEmpty()) {
        if (text.endsWith(QLatin1String("...")))
            text.chop(3);
        else if (text.back() == u':' || text.back() == u'\uFF1A' || text.back() == u'\u2026' || text.back().isSpace())
            text.chop(1);
        else
            break;
    }
    return text;
}

struct Candidate
{
    QHash<QString, int> forms;        // as written -> keys
    QHash<QString, int> translations; // label text of the value -> keys
    std::vector<int> standaloneRows;
    std::vector<int> containingRows;
};

} // namespace

std::vector<ExtractedTerm> extractTerms(const QStringList &english, const QStringList &values,
                                        const QString &languageTag, int maxTerms)
{
    // The candidates: whole texts of one to three words, no placeholder, not a number.
    QHash<QString, int> byWords; // folded word text -> candidate
    std::vector<Candidate> candidates;
    std::vector<QString> candidateWords;
    for (int row = 0; row < int(english.size()); ++row) {
        const QString label = labelText(english[row]);
        if (label.size() < 2)
            continue;
        const QString words = wordText(label, true);
        const QStringList parts = words.split(u' ', Qt::SkipEmptyParts);
        if (parts.isEmpty() || parts.size() > 3 || words.contains(QChar(0x01)))
            continue;
        // Its words must be the whole label: "Save as..." yes, "Size (MB)" no.
        if (parts.join(u' ') != label.toCaseFolded().simplified())
            continue;
        if (std::any_of(parts.begin(), parts.end(), [](const QString &w) {
                return std::all_of(w.begin(), w.end(), [](QChar c) { return c.isDigit(); });
            }))
            continue;
        auto it = byWords.constFind(words);
        if (it == byWords.constEnd()) {
            it = byWords.insert(words, int(candidates.size()));
            candidates.emplace_back();
            candidateWords.push_back(words);
        }
        Candidate &candidate = candidates[size_t(*it)];
        ++candidate.forms[label];
        candidate.standaloneRows.push_back(row);
        if (row < values.size())
            if (const QString translation = labelText(values[row]); !translation.isEmpty())
                ++candidate.translations[translation];
    }
    if (candidates.empty())
        return {};

    // Where each recurs inside other texts: one pass of an automaton over the master.
    Terms::PhraseAutomaton automaton;
    for (size_t c = 0; c < candidateWords.size(); ++c)
        automaton.add(candidateWords[c], int(c));
    automaton.build();
    std::vector<int> lastRow(candidates.size(), -1);
    for (int row = 0; row < int(english.size()); ++row) {
        const QString words = wordText(english[row], true);
        const auto standalone = byWords.constFind(wordText(labelText(english[row]), true));
        automaton.forEachMatch(words, [&](const Terms::PhraseAutomaton::Match &m) {
            if (lastRow[size_t(m.value)] == row || (standalone != byWords.constEnd() && *standalone == m.value))
                return;
            lastRow[size_t(m.value)] = row;
            candidates[size_t(m.value)].containingRows.push_back(row);
        });
    }

    const bool substring = Terms::writesWithoutSpaces(languageTag);
    Terms::Stemmer stemmer(substring ? QString() : languageTag);
    std::vector<QString> valueWords(size_t(values.size()));
    std::vector<QString> valueStems(size_t(values.size()));
    std::vector<ExtractedTerm> terms;
    for (size_t c = 0; c < candidates.size(); ++c) {
        const Candidate &candidate = candidates[c];
        if (candidate.containingRows.empty())
            continue;
        ExtractedTerm term;
        const auto mostKeys = [](const QHash<QString, int> &counts) {
            QString best;
            int bestCount = 0;
            for (auto it = counts.begin(); it != counts.end(); ++it)
                if (it.value() > bestCount || (it.value() == bestCount && it.key() < best)) {
                    best = it.key();
                    bestCount = it.value();
                }
            return best;
        };
        term.english = mostKeys(candidate.forms);
        term.standalone = int(candidate.standaloneRows.size());
        term.recurrences = int(candidate.containingRows.size());
        term.translation = mostKeys(candidate.translations);
        if (!term.translation.isEmpty()) {
            QString phrase = wordText(term.translation, true);
            if (substring)
                phrase = phrase.trimmed();
            const QString stem = stemmer.isValid() ? stemmer.stemWords(phrase) : QString();
            for (const int row : candidate.containingRows) {
                if (row >= values.size())
                    continue;
                QString &words = valueWords[size_t(row)];
                if (words.isEmpty())
                    words = wordText(values[row], true);
                if (Terms::countOccurrences(words, phrase, substring) > 0) {
                    ++term.translationUses;
                    continue;
                }
                if (stemmer.isValid()) {
                    QString &stems = valueStems[size_t(row)];
                    if (stems.isEmpty())
                        stems = stemmer.stemWords(words);
                    if (Terms::countOccurrences(stems, stem, false) > 0)
                        ++term.translationUses;
                }
            }
        }
        term.comment = QStringLiteral("whole text of %1 keys, inside %2 other texts").arg(term.standalone).arg(term.recurrences);
        if (!term.translation.isEmpty())
            term.comment += QStringLiteral("; the translation is in %1 of them").arg(term.translationUses);
        QStringList reasons;
        if (term.translation.isEmpty()) {
            reasons << QStringLiteral("not translated");
        } else if (candidate.translations.size() > 1) {
            QList<std::pair<int, QString>> ways;
            for (auto it = candidate.translations.begin(); it != candidate.translations.end(); ++it)
                ways.append({-it.value(), it.key()});
            std::sort(ways.begin(), ways.end());
            QStringList listed;
            for (const auto &[negativeCount, text] : ways)
                listed << QStringLiteral("\"%1\" (%2)").arg(text).arg(-negativeCount);
            reasons << QStringLiteral("translated as %1").arg(listed.join(QLatin1String(", ")));
        }
        if (!term.translation.isEmpty() && term.translationUses * 2 < term.recurrences)
            reasons << QStringLiteral("the translation is seldom used inside texts");
        term.needsReview = !reasons.isEmpty();
        if (term.needsReview)
            term.comment += QStringLiteral("; review: ") + reasons.join(QLatin1String("; "));
        terms.push_back(std::move(term));
    }
    std::sort(terms.begin(), terms.end(), [](const ExtractedTerm &a, const ExtractedTerm &b) {
        if (a.translationUses != b.translationUses)
            return a.translationUses > b.translationUses;
        if (a.recurrences != b.recurrences)
            return a.recurrences > b.recurrences;
        if (a.standalone != b.standalone)
            return a.standalone > b.standalone;
        return a.english < b.english;
    });
    if (maxTerms > 0 && int(terms.size()) > maxTerms)
        terms.resize(size_t(maxTerms));
    return terms;
}

Glossary extractedGlossary(const std::vector<ExtractedTerm> &terms, const QString &languageTag)
{
    Glossary glossary;
    const QString tag = normalisedLanguageTag(languageTag);
    for (const ExtractedTerm &term : terms) {
        TermConcept entry;
        entry.id = QStringLiteral("c%1").arg(glossary.concepts.size() + 1);
        entry.english.append({term.english, TermStatus::Preferred});
        if (!term.translation.isEmpty())
            entry.translations[tag].append({term.translation, TermStatus::Preferred});
        entry.note = term.comment;
        glossary.concepts.push_back(std::move(entry));
    }
    return glossary;
}

QByteArray extractedAsTsv(const std::vector<ExtractedTerm> &terms)
{
    QString text;
    for (const ExtractedTerm &term : terms)
        text += term.english + u'\t' + QString(term.translation).replace(u'\t', u' ') + u'\t' + term.comment + u'\n';
    return text.toUtf8();
}

} // namespace Glossa
