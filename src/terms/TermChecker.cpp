#include "terms/TermChecker.h"

#include "model/LocaleCatalogue.h"

#include <QSet>

#include <algorithm>
#include <climits>

namespace Glossa {

namespace {

using Terms::PhraseAutomaton;
using Terms::wordText;

// The filter of forbidden terms' first words: 4,096 bits, a bit per hash.
constexpr size_t ForbiddenFilterWords = 64;
size_t filterBit(std::uint64_t hash)
{
    return size_t(hash >> 40) % (ForbiddenFilterWords * 64);
}

// The matches of both automata in a text, the ones inside a longer match dropped,
// counted per value (the automata's values), into counts (sorted by value). The
// buffers are the thread's own, so that a value's check allocates nothing.
void countMatches(const PhraseAutomaton &folded, const PhraseAutomaton &exact, QStringView text, bool dropContained,
                  bool withExact, std::vector<std::pair<int, int>> &counts)
{
    struct Span
    {
        qsizetype start, end;
        int value;
    };
    thread_local std::vector<Span> spans;
    thread_local std::vector<Span> kept;
    spans.clear();
    counts.clear();
    if (!folded.isEmpty())
        folded.forEachMatchInWords(text, true, [](const PhraseAutomaton::Match &m) {
            spans.push_back({m.end - m.length, m.end, m.value});
        });
    if (withExact && !exact.isEmpty())
        exact.forEachMatchInWords(text, false, [](const PhraseAutomaton::Match &m) {
            spans.push_back({m.end - m.length, m.end, m.value});
        });
    if (spans.empty())
        return;
    if (dropContained) {
        std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) {
            return a.start != b.start ? a.start < b.start : a.end > b.end;
        });
        qsizetype reach = -1;
        kept.clear();
        for (const Span &span : spans) {
            // The same span as the last kept: another entry with the same term.
            if (!kept.empty() && span.start == kept.back().start && span.end == kept.back().end) {
                kept.push_back(span);
                continue;
            }
            if (span.end <= reach)
                continue; // inside a longer match that starts no later
            kept.push_back(span);
            reach = span.end;
        }
        spans.swap(kept);
    }
    std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) { return a.value < b.value; });
    for (const Span &span : spans) {
        if (counts.empty() || counts.back().first != span.value)
            counts.emplace_back(span.value, 0);
        ++counts.back().second;
    }
}

std::vector<std::pair<int, int>> countMatches(const PhraseAutomaton &folded, const PhraseAutomaton &exact,
                                              QStringView text, bool dropContained, bool withExact = true)
{
    std::vector<std::pair<int, int>> counts;
    countMatches(folded, exact, text, dropContained, withExact, counts);
    return counts;
}

QString quotedList(const QStringList &texts)
{
    QStringList quoted;
    for (const QString &text : texts)
        quoted.append(u'"' + text + u'"');
    if (quoted.size() <= 1)
        return quoted.value(0);
    const QString last = quoted.takeLast();
    return quoted.join(QLatin1String(", ")) + QLatin1String(" or ") + last;
}

TermFinding termFinding(Check check, const QString &key, const QString &message)
{
    const CheckInfo &info = checkInfo(check);
    return {info.id, info.severity, {}, {}, 0, key, message};
}

QString times(int n)
{
    return n == 1 ? QStringLiteral("once") : n == 2 ? QStringLiteral("twice") : QStringLiteral("%1 times").arg(n);
}

// A value's text: without one pair of enclosing double quotes.
QStringView textOf(QStringView value)
{
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.sliced(1, value.size() - 2);
    return value;
}

// Languages that write compound nouns as one word ("Geräteliste"): a term may stand
// inside a longer word.
bool compounds(const QString &languageTag)
{
    static const QStringList bases{QStringLiteral("de"), QStringLiteral("nl"), QStringLiteral("sv"), QStringLiteral("da"),
                                   QStringLiteral("nb"), QStringLiteral("nn"), QStringLiteral("no"), QStringLiteral("fi"),
                                   QStringLiteral("hu"), QStringLiteral("et"), QStringLiteral("is"), QStringLiteral("af")};
    return bases.contains(languageTag.section(u'-', 0, 0).toLower());
}

QStringList wordsOf(const QString &wordText)
{
    QStringList words = wordText.split(u' ', Qt::SkipEmptyParts);
    words.removeAll(QString(QChar(Terms::detail::Breaker)));
    return words;
}

// How often a term stands in a value's words (both folded) when a word may carry an
// ending the stemmer does not know (the term's word less its last two letters, four
// at least, or a word of five less its last letter, begins a word of the value: "flag"
// for "flagi"; a word of three with one letter more: "vitt" for "vit"; Finnish's
// "-nen" written "-s-" before an ending: "valkoisen" for "valkoinen"), a compounding
// language may put it inside a
// longer word (the word or its stem, four letters at least, or a word of three at its
// end), and the words of a term
// of several words may stand in any order. Only ever clears a finding.
// A vowel that changes with the ending ("obrót", "obrotu"; "Zug", "Züge"): the Latin,
// Greek and Cyrillic letters' accents are left out when a form is compared.
QString withoutAccents(const QString &text)
{
    QString plain = text.normalized(QString::NormalizationForm_D);
    plain.removeIf([](QChar c) { return c.unicode() >= 0x0300 && c.unicode() <= 0x036F; });
    return plain;
}

// plainValues: valueWords without their accents.
int looseCount(const QStringList &valueWords, const QStringList &plainValues, const QString &termWords,
               const QString &termStems, bool compound, bool finnish)
{
    const QStringList words = wordsOf(termWords);
    const QStringList stems = wordsOf(termStems);
    // The short words of a term of several ("del", "of") may change with the order.
    const bool longWords = std::any_of(words.begin(), words.end(), [](const QString &w) { return w.size() >= 4; });
    int least = words.isEmpty() ? 0 : INT_MAX;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (longWords && words.size() > 1 && word.size() < 4)
            continue;
        const QStringView core = word.size() >= 6 ? QStringView(word).chopped(2)
                                 : word.size() == 5 ? QStringView(word).chopped(1)
                                                    : QStringView(word);
        const QString stem = stems.size() == words.size() ? stems[i] : QString();
        const QString plainCore = withoutAccents(core.toString());
        const QString nenStem = finnish && word.size() >= 6 && word.endsWith(QLatin1String("nen"))
            ? word.chopped(3) + u's' : QString();
        int n = 0;
        for (qsizetype v = 0; v < valueWords.size(); ++v) {
            const QString &value = valueWords[v];
            // A short word may end a compound ("Quadratfuß"): its last word is its head.
            if (word.size() < 4 ? value == word || (word.size() == 3 && value.size() == 4 && value.startsWith(word))
                                      || (compound && word.size() == 3 && value.endsWith(word))
                                : value.startsWith(core) || plainValues[v].startsWith(plainCore)
                                      || (!nenStem.isEmpty() && value.startsWith(nenStem))
                                      || (compound && (value.contains(word) || (stem.size() >= 4 && value.contains(stem)))))
                ++n;
        }
        least = std::min(least, n);
    }
    return least;
}

// The English term kept in the value inside a run of three or more words copied from
// the English: keywords or a command's options that stay English ("(basic, advanced,
// financial)"), not a term left untranslated. Words folded.
bool keptAsLiteral(const QStringList &englishWords, const QStringList &valueWords, const TermConcept &entry)
{
    const auto standsAt = [](const QStringList &words, qsizetype at, const QStringList &run) {
        if (at < 0 || at + run.size() > words.size())
            return false;
        for (qsizetype k = 0; k < run.size(); ++k)
            if (words[at + k] != run[k])
                return false;
        return true;
    };
    const auto inValue = [&](const QStringList &run) {
        for (qsizetype at = 0; at + run.size() <= valueWords.size(); ++at)
            if (standsAt(valueWords, at, run))
                return true;
        return false;
    };
    for (const Term &term : entry.english) {
        const QStringList words = wordsOf(wordText(term.text, true));
        if (words.isEmpty() || term.status == TermStatus::Forbidden)
            continue;
        const qsizetype around = std::max<qsizetype>(0, 3 - words.size());
        for (qsizetype at = 0; at + words.size() <= englishWords.size(); ++at) {
            if (!standsAt(englishWords, at, words))
                continue;
            for (qsizetype before = 0; before <= around; ++before) {
                const qsizetype start = at - before;
                const qsizetype length = words.size() + around;
                if (start >= 0 && start + length <= englishWords.size() && inValue(englishWords.mid(start, length)))
                    return true;
            }
        }
    }
    return false;
}

// The English term kept as the English spells it where it is a literal, not a word of
// the sentence: a setting's value the English writes in lower case and the value puts
// in quotation marks ('human', “bookmarks”, « black », the word it stands in when the
// English quotes one: “string-nullable”), or an abbreviation in capitals
// ("<sub>HEX</sub>"). A label kept in English ("Click „Save“") stays a finding.
int literalUses(QStringView english, QStringView value, const TermConcept &entry)
{
    // Letters and digits of the English's script join a word; another script's do not.
    const auto joins = [](QStringView text, qsizetype at) {
        if (at < 0 || at >= text.size())
            return false;
        const QChar c = text[at];
        return c.isDigit() || c == u'_' || (c.isLetter() && c.script() == QChar::Script_Latin);
    };
    const auto alone = [&](QStringView text, qsizetype at, qsizetype length) {
        return !joins(text, at - 1) && !joins(text, at + length);
    };
    static const QString quotes = QStringLiteral("\"'\u201C\u201D\u201E\u201F\u2018\u2019\u201A\u201B\u00AB\u00BB"
                                                 "\u2039\u203A\u300C\u300D\u300E\u300F");
    const auto quoteAt = [&](QStringView text, qsizetype at, int step) {
        if (at >= 0 && at < text.size() && (text[at] == u' ' || text[at] == QChar(0x00A0) || text[at] == QChar(0x202F)))
            at += step;
        return at >= 0 && at < text.size() && quotes.contains(text[at]);
    };
    // The word quoted with the term in it ("the “string-nullable” key"), or the term alone.
    const auto quotedWord = [&](qsizetype at, qsizetype length) {
        qsizetype from = at;
        qsizetype to = at + length;
        while (from > 0 && !english[from - 1].isSpace() && !quotes.contains(english[from - 1]))
            --from;
        while (to < english.size() && !english[to].isSpace() && !quotes.contains(english[to]))
            ++to;
        const bool quoted = from > 0 && to < english.size() && quotes.contains(english[from - 1]) && quotes.contains(english[to]);
        return quoted ? english.sliced(from, to - from) : english.sliced(at, length);
    };
    QStringList forms;
    for (const Term &term : entry.english) {
        if (term.status == TermStatus::Forbidden || term.text.isEmpty())
            continue;
        for (qsizetype at = 0; (at = english.indexOf(term.text, at, Qt::CaseInsensitive)) >= 0; at += term.text.size()) {
            if (!alone(english, at, term.text.size()))
                continue;
            const QString form = quotedWord(at, term.text.size()).toString();
            const bool capitals = form == form.toUpper() && std::count_if(form.begin(), form.end(), [](QChar c) {
                                      return c.isLetter();
                                  }) >= 2;
            if ((capitals || form == form.toLower()) && !forms.contains(form))
                forms.append(form);
        }
    }
    int uses = 0;
    for (const QString &form : forms) {
        const bool capitals = form != form.toLower();
        for (qsizetype at = 0; (at = value.indexOf(form, at)) >= 0; at += form.size())
            if (alone(value, at, form.size())
                && (capitals || (quoteAt(value, at - 1, -1) && quoteAt(value, at + form.size(), 1))))
                ++uses;
    }
    return uses;
}

// The English term's uses that make one phrase with the word after them: a qualifier
// ("Timer countdown", "Alarm Sound", "currency exchange rates") or a verb with its
// particle ("Zoom Out"). A translation often says the two in one word or leaves the
// qualifier implied, so a term missing there is no more than an info.
// example: one such pair as the English writes it.
int qualifyingUses(QStringView english, const TermConcept &entry, QString &example)
{
    // Words after which the term ends its phrase ("Timer is done", "Text Editor will
    // check", "Search in files").
    static const QSet<QString> phraseEnds = [] {
        QSet<QString> words;
        for (const char *word : {"a", "an", "the", "and", "or", "nor", "but", "to", "of", "for", "in", "on", "at", "by",
                                 "with", "from", "as", "than", "that", "which", "who", "whose", "into", "onto", "over",
                                 "under", "about", "after", "before", "per", "via", "not", "no", "is", "are", "was",
                                 "were", "be", "been", "being", "will", "would", "can", "could", "may", "might", "must",
                                 "shall", "should", "has", "have", "had", "does", "do", "did", "this", "these", "those",
                                 "it", "its", "if", "when", "while", "so", "only", "now", "here", "there", "again",
                                 "too", "also", "all", "each"})
            words.insert(QString::fromLatin1(word));
        return words;
    }();
    // A command's verb before its object ("Reboot Device", "Save Changes") is no
    // qualifier; before its particle ("Zoom Out", "Log off") it makes one phrase.
    static const QSet<QString> verbs = [] {
        QSet<QString> words;
        for (const char *word : {"add", "apply", "browse", "cancel", "change", "check", "choose", "clear", "close",
                                 "configure", "connect", "continue", "copy", "create", "delete", "disable",
                                 "disconnect", "download", "edit", "eject", "enable", "enter", "erase", "export",
                                 "find", "format", "get", "hide", "import", "insert", "install", "keep", "load", "lock",
                                 "log", "mark", "merge", "mount", "move", "open", "paste", "pause", "play", "print",
                                 "quit", "reboot", "redo", "refresh", "reload", "remove", "rename", "replace", "reset",
                                 "restart", "restore", "resume", "retry", "revert", "rotate", "run", "save", "scan",
                                 "search", "select", "send", "set", "share", "show", "sign", "skip", "sort", "start",
                                 "stop", "switch", "sync", "turn", "undo", "uninstall", "unlock", "unmount", "update",
                                 "upload", "use", "view", "zoom"})
            words.insert(QString::fromLatin1(word));
        return words;
    }();
    static const QSet<QString> particles{QStringLiteral("out"), QStringLiteral("up"), QStringLiteral("down"),
                                         QStringLiteral("off"), QStringLiteral("back"), QStringLiteral("away")};
    // The English's words, accelerators' marks left out, each with whether only blanks
    // part it from the next.
    struct Word
    {
        QString text, folded;
        bool blanksAfter = false;
    };
    std::vector<Word> englishWords;
    for (qsizetype i = 0; i < english.size();) {
        if (!english[i].isLetterOrNumber()) {
            ++i;
            continue;
        }
        Word word;
        while (i < english.size()) {
            const QChar c = english[i];
            if (c.isLetterOrNumber() || c.isMark())
                word.text += c;
            else if (!(c == u'_' || c == u'&') || i + 1 == english.size() || !english[i + 1].isLetterOrNumber())
                break;
            ++i;
        }
        qsizetype after = i;
        while (after < english.size() && (english[after] == u' ' || english[after] == u'\t'))
            ++after;
        word.blanksAfter = after > i && after < english.size() && english[after].isLetterOrNumber();
        word.folded = word.text.toCaseFolded();
        englishWords.push_back(std::move(word));
        i = after;
    }
    int uses = 0;
    for (const Term &term : entry.english) {
        if (term.status == TermStatus::Forbidden)
            continue;
        const QStringList words = wordsOf(wordText(term.text, !entry.caseSensitive));
        if (words.isEmpty() || (words.size() == 1 && phraseEnds.contains(words.front().toCaseFolded())))
            continue;
        for (size_t at = 0; at + size_t(words.size()) < englishWords.size(); ++at) {
            const auto same = [&](size_t k) {
                const Word &word = englishWords[at + k];
                return (entry.caseSensitive ? word.text : word.folded) == words[qsizetype(k)];
            };
            size_t k = 0;
            while (k < size_t(words.size()) && same(k))
                ++k;
            if (k < size_t(words.size()))
                continue;
            const Word &last = englishWords[at + k - 1];
            const Word &next = englishWords[at + k];
            if (!last.blanksAfter || phraseEnds.contains(next.folded)
                || std::all_of(next.text.begin(), next.text.end(), [](QChar c) { return c.isDigit(); })
                || (verbs.contains(last.folded) && !particles.contains(next.folded)))
                continue;
            ++uses;
            if (example.isEmpty()) {
                for (size_t w = at; w <= at + k; ++w)
                    example += (w == at ? QString() : QStringLiteral(" ")) + englishWords[w].text;
            }
        }
    }
    return uses;
}

// How often a name stands in a value's words (not folded) at the start of a word, an
// ending of the language's own after it ("GNOMEssa").
int startsOfWords(const QString &valueWords, const QString &nameWords)
{
    const QStringView name = QStringView(nameWords).chopped(1); // " GNOME" without its closing space
    if (name.size() < 2)
        return 0;
    int count = 0;
    for (qsizetype at = valueWords.indexOf(name); at >= 0; at = valueWords.indexOf(name, at + 1))
        ++count;
    return count;
}

} // namespace

EnglishTerms::EnglishTerms(std::shared_ptr<const Glossary> glossary, const QStringList &keys, const QStringList &english)
    : m_glossary(std::move(glossary)), m_keys(keys), m_english(english)
{
    const auto &concepts = m_glossary->concepts;
    for (size_t c = 0; c < concepts.size(); ++c)
        for (const auto &[tag, terms] : concepts[c].translations) {
            TermsColumn &column = m_columns[tag];
            if (column.empty())
                column.resize(concepts.size());
            column[c] = &terms;
        }
    m_tags = m_columns.keys();
    m_tags.sort();
    for (int c = 0; c < int(concepts.size()); ++c)
        for (const Term &term : concepts[size_t(c)].english) {
            const bool folded = !concepts[size_t(c)].caseSensitive;
            const QString words = wordText(term.text, folded);
            // A term of no words ("...") would stand at every space: it is never found.
            if (term.status == TermStatus::Forbidden || QStringView(words).trimmed().isEmpty())
                continue;
            (folded ? m_folded : m_exact).add(words, c);
        }
    m_folded.build();
    m_exact.build();
    m_rowStart.reserve(size_t(english.size()) + 1);
    m_rowStart.push_back(0);
    for (const QString &text : english) {
        for (const auto &[entry, count] : countMatches(m_folded, m_exact, text, true))
            m_hits.push_back({entry, count});
        m_rowStart.push_back(std::uint32_t(m_hits.size()));
    }
}

std::shared_ptr<const EnglishTerms> loadProductTerms(const QString &productDirectory, const QStringList &keys,
                                                     const QStringList &english, QString &error)
{
    error.clear();
    auto glossary = std::make_shared<Glossary>();
    if (!loadProductGlossary(productDirectory, *glossary, error) || glossary->isEmpty())
        return {};
    return std::make_shared<const EnglishTerms>(std::move(glossary), keys, english);
}

EnglishTerms::LanguageKeys EnglishTerms::keysFor(const QString &normalisedTag) const
{
    LanguageKeys keys;
    const QStringView base = QStringView(normalisedTag).left(normalisedTag.indexOf(u'-') < 0 ? normalisedTag.size()
                                                                                             : normalisedTag.indexOf(u'-'));
    for (const QString &tag : m_tags) {
        if (tag.compare(normalisedTag, Qt::CaseInsensitive) == 0)
            (tag == normalisedTag ? keys.own.prepend(tag) : keys.own.append(tag));
        else if (tag.compare(base, Qt::CaseInsensitive) == 0)
            (tag == base ? keys.base.prepend(tag) : keys.base.append(tag));
    }
    return keys;
}

std::vector<TermHit> EnglishTerms::match(QStringView english) const
{
    std::vector<TermHit> hits;
    for (const auto &[entry, count] : countMatches(m_folded, m_exact, english, true))
        hits.push_back({entry, count});
    return hits;
}

TermChecker::TermChecker(std::shared_ptr<const EnglishTerms> english, const QString &languageTag)
    : m_english(std::move(english)), m_language(languageTag), m_substring(Terms::writesWithoutSpaces(languageTag)),
      m_compounds(compounds(languageTag)), m_finnish(languageTag.section(u'-', 0, 0).toLower() == u"fi"),
      m_stemmer(m_substring ? QString() : languageTag)
{
    const auto &concepts = m_english->glossary().concepts;
    m_approved.resize(concepts.size());
    m_approvedStems.resize(concepts.size());
    m_stemmed.resize(concepts.size());
    m_forbidden.resize(concepts.size());
    const auto pattern = [this](const QString &text, bool folded) {
        const QString words = wordText(text, folded);
        return m_substring ? words.trimmed() : words;
    };
    // The language's terms in each entry, looked up by the tags the glossary spells it
    // with: what TermConcept::termsFor finds, without comparing every tag of every entry.
    const EnglishTerms::LanguageKeys keys = m_english->keysFor(normalisedLanguageTag(languageTag));
    std::vector<const EnglishTerms::TermsColumn *> columns; // the tag's spellings, then its base's
    for (const QStringList *spellings : {&keys.own, &keys.base})
        for (const QString &tag : *spellings)
            if (const EnglishTerms::TermsColumn *column = m_english->termsOf(tag))
                columns.push_back(column);
    const auto termsOf = [&columns](int c) -> const QList<Term> * {
        for (const EnglishTerms::TermsColumn *column : columns)
            if (const QList<Term> *terms = (*column)[size_t(c)])
                return terms;
        return nullptr;
    };
    if (!m_substring)
        m_entryPhrases.resize(concepts.size());
    // A term once per entry and kind, as an automaton reports a phrase added twice once.
    const auto addPhrase = [](std::vector<CountedPhrase> &to, const QString &words, bool folded, int code) {
        Terms::WordPhrase phrase(words, folded);
        if (phrase.isEmpty())
            return;
        for (const CountedPhrase &have : to)
            if (have.code == code && have.phrase.folded == folded && have.phrase.hashes == phrase.hashes
                && have.phrase.words == phrase.words)
                return;
        to.push_back({std::move(phrase), code});
    };
    const auto add = [&](int c, const QString &text, bool folded, Kind kind) {
        const QString words = pattern(text, folded);
        const int code = c * 3 + kind;
        if (m_substring) {
            PhraseAutomaton &automaton = folded ? m_folded : m_exact;
            automaton.add(words, code);
            if (kind == Forbidden)
                (folded ? m_forbiddenFolded : m_forbiddenExact).add(words, code);
        } else {
            addPhrase(kind == Forbidden ? m_forbiddenPhrases : m_entryPhrases[size_t(c)], words, folded, code);
        }
    };
    for (int c = 0; c < int(concepts.size()); ++c) {
        const TermConcept &entry = concepts[size_t(c)];
        const bool folded = !entry.caseSensitive;
        if (entry.doNotTranslate)
            for (const Term &term : entry.english)
                if (term.status != TermStatus::Forbidden)
                    add(c, term.text, false, Unchanged);
        if (const QList<Term> *terms = termsOf(c)) {
            for (const Term &term : *terms) {
                if (term.status == TermStatus::Forbidden) {
                    m_forbidden[size_t(c)].append(term.text);
                    m_exactForbidden = m_exactForbidden || entry.caseSensitive;
                    m_hasForbidden = true;
                    add(c, term.text, folded, Forbidden);
                } else {
                    m_approved[size_t(c)].append(term.text);
                    add(c, term.text, folded, Approved);
                }
            }
        }
    }
    if (m_substring) {
        m_folded.build();
        m_exact.build();
        m_forbiddenFolded.build();
        m_forbiddenExact.build();
        return;
    }
    m_forbiddenFilter.assign(ForbiddenFilterWords, 0);
    for (int i = 0; i < int(m_forbiddenPhrases.size()); ++i) {
        const std::uint64_t first = m_forbiddenPhrases[size_t(i)].phrase.hashes.front();
        m_forbiddenStarts.emplace_back(first, i);
        m_forbiddenFilter[filterBit(first) / 64] |= std::uint64_t(1) << (filterBit(first) % 64);
    }
    std::sort(m_forbiddenStarts.begin(), m_forbiddenStarts.end());
}

const QStringList &TermChecker::approvedStems(int entry) const
{
    if (!m_stemmed[size_t(entry)]) {
        m_stemmed[size_t(entry)] = true;
        if (m_stemmer.isValid())
            for (const QString &term : m_approved[size_t(entry)])
                m_approvedStems[size_t(entry)].append(m_stemmer.stemWords(wordText(term, true)));
    }
    return m_approvedStems[size_t(entry)];
}

void TermChecker::countTerms(std::span<const TermHit> hits, QStringView text, bool withExact,
                             std::vector<std::pair<int, int>> &counts) const
{
    if (m_substring) {
        // Every match counts (none is dropped for a longer one), so the forbidden terms'
        // own automata count them as the whole ones do.
        if (hits.empty())
            countMatches(m_forbiddenFolded, m_forbiddenExact, text, false, withExact, counts);
        else
            countMatches(m_folded, m_exact, text, false, withExact, counts);
        return;
    }
    thread_local Terms::TextWords words;
    words.read(text);
    counts.clear();
    for (const TermHit &hit : hits)
        for (const CountedPhrase &counted : m_entryPhrases[size_t(hit.entry)])
            if (const int n = words.count(counted.phrase))
                counts.emplace_back(counted.code, n);
    if (!m_forbiddenPhrases.empty()) {
        for (qsizetype i = 0; i < words.size(); ++i)
            for (const bool folded : {true, false}) {
                if (!folded && !m_exactForbidden)
                    continue;
                const std::uint64_t hash = words.hashAt(i, folded);
                if (!(m_forbiddenFilter[filterBit(hash) / 64] >> (filterBit(hash) % 64) & 1))
                    continue;
                for (auto it = std::lower_bound(m_forbiddenStarts.begin(), m_forbiddenStarts.end(), std::pair(hash, 0));
                     it != m_forbiddenStarts.end() && it->first == hash; ++it) {
                    const CountedPhrase &counted = m_forbiddenPhrases[size_t(it->second)];
                    if (counted.phrase.folded == folded && words.standsAt(counted.phrase, i))
                        counts.emplace_back(counted.code, 1);
                }
            }
    }
    // In order of their codes, each code once.
    std::sort(counts.begin(), counts.end());
    size_t kept = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (kept > 0 && counts[kept - 1].first == counts[i].first)
            counts[kept - 1].second += counts[i].second;
        else
            counts[kept++] = counts[i];
    }
    counts.resize(kept);
}

std::vector<TermFinding> TermChecker::findings(const QString &key, std::span<const TermHit> hits, QStringView english,
                                              QStringView value) const
{
    std::vector<TermFinding> found;
    // A value whose English holds no entry can only use a forbidden term.
    if (hits.empty() && !m_hasForbidden)
        return found;
    const QStringView text = textOf(value);
    if (text.trimmed().isEmpty())
        return found;
    const auto &concepts = m_english->glossary().concepts;
    // Counts in the value per (entry, kind); the approved terms of two concepts may
    // overlap, so nothing is dropped here.
    // The letter-case automaton only when something of it can count: a case-sensitive
    // forbidden term, or an entry of the English that is do-not-translate or case-sensitive.
    const bool withExact = m_exactForbidden || std::any_of(hits.begin(), hits.end(), [&concepts](const TermHit &hit) {
                               return concepts[size_t(hit.entry)].doNotTranslate || concepts[size_t(hit.entry)].caseSensitive;
                           });
    thread_local std::vector<std::pair<int, int>> counts;
    countTerms(hits, text, withExact, counts);
    const auto countOf = [](int entry, Kind kind) {
        const auto it = std::lower_bound(counts.begin(), counts.end(), std::pair(entry * 3 + kind, 0));
        return it != counts.end() && it->first == entry * 3 + kind ? it->second : 0;
    };
    QString stemmed; // the value's stems, made once when a finding may be cleared
    QStringList looseWords; // the value's folded words, made once when a finding may be cleared
    QStringList plainWords; // and without their accents
    QString keptWords;      // the value's words as they are, for the names not to translate
    for (const TermHit &hit : hits) {
        const TermConcept &entry = concepts[size_t(hit.entry)];
        const QStringList &approved = m_approved[size_t(hit.entry)];
        if (entry.doNotTranslate) {
            int kept = countOf(hit.entry, Unchanged) + countOf(hit.entry, Approved);
            if (kept < hit.count && !m_substring) {
                // The name with an ending of the language's own counts as the name kept.
                if (keptWords.isEmpty())
                    keptWords = wordText(text, false);
                int loose = 0;
                for (const Term &term : entry.english)
                    if (term.status != TermStatus::Forbidden)
                        loose += startsOfWords(keptWords, wordText(term.text, false));
                kept = std::max(kept, loose);
            }
            if (kept < hit.count)
                found.push_back(termFinding(Check::TermUntranslated, key,
                                 QStringLiteral("\"%1\" stays as it is in every language (the glossary says not to "
                                                "translate it); the English has it %2, the value %3")
                                     .arg(entry.name(), times(hit.count),
                                          kept == 0 ? QStringLiteral("not at all") : times(kept))));
            continue;
        }
        if (approved.isEmpty())
            continue;
        const int have = countOf(hit.entry, Approved);
        if (have >= hit.count)
            continue;
        // An inflected form ("Geräte" for "Gerät") may only clear the finding.
        int said = have; // the approved terms, or forms of them, as often as the value says them
        if (m_stemmer.isValid()) {
            if (stemmed.isEmpty())
                stemmed = m_stemmer.stemWords(wordText(text, true));
            int stems = 0;
            for (const QString &stem : approvedStems(hit.entry))
                stems += Terms::countOccurrences(stemmed, stem, false);
            said = std::max(said, stems);
        }
        if (looseWords.isEmpty())
            looseWords = wordsOf(wordText(text, true));
        if (!m_substring && said < hit.count) {
            if (plainWords.isEmpty())
                for (const QString &word : looseWords)
                    plainWords.append(withoutAccents(word));
            int loose = 0;
            for (qsizetype t = 0; t < approved.size(); ++t)
                loose += looseCount(looseWords, plainWords, wordText(approved[t], true),
                                    approvedStems(hit.entry).value(t), m_compounds, m_finnish);
            said = std::max(said, loose);
        }
        if (said < hit.count)
            said += literalUses(english, text, entry);
        if (said >= hit.count || keptAsLiteral(wordsOf(wordText(english, true)), looseWords, entry))
            continue;
        const QString message = hit.count == 1
            ? QStringLiteral("the English has \"%1\"; the value has none of its approved translations: %2")
                  .arg(entry.name(), quotedList(approved))
            : QStringLiteral("the English has \"%1\" %2; the value has its approved translations (%3) %4")
                  .arg(entry.name(), times(hit.count), quotedList(approved),
                       said == 0 ? QStringLiteral("not at all") : times(said));
        QString example;
        const int qualifying = qualifyingUses(english, entry, example);
        TermFinding finding = termFinding(Check::Term, key,
                                          said + qualifying >= hit.count
                                              ? message + QStringLiteral(" (the English makes it one phrase with the next "
                                                                         "word, \"%1\": a translation may say the two "
                                                                         "in one word)")
                                                              .arg(example)
                                              : message);
        // Said fewer times than the English says it: a pronoun or a word left out for
        // style does the rest more often than not ("the currency code, the name").
        if (said > 0 || said + qualifying >= hit.count)
            finding.severity = FindingSeverity::Info;
        found.push_back(std::move(finding));
    }
    for (const auto &[value, count] : counts) {
        if (value % 3 != Forbidden)
            continue;
        const int c = value / 3;
        const QStringList &approved = m_approved[size_t(c)];
        QString message = QStringLiteral("the value uses %1, which the glossary forbids for this language")
                              .arg(quotedList(m_forbidden[size_t(c)]));
        if (!approved.isEmpty())
            message += QStringLiteral(" (for \"%1\" it says %2)").arg(concepts[size_t(c)].name(), quotedList(approved));
        found.push_back(termFinding(Check::TermForbidden, key, message));
    }
    return found;
}

std::vector<TermFinding> TermChecker::checkRow(int row, QStringView value) const
{
    return findings(m_english->key(row), m_english->hitsAt(row), m_english->text(row), value);
}

std::vector<TermFinding> TermChecker::check(const QString &key, QStringView english, QStringView value) const
{
    const std::vector<TermHit> hits = m_english->match(english);
    return findings(key, hits, english, value);
}

std::vector<TermFinding> TermChecker::checkAll(const QStringList &values) const
{
    std::vector<TermFinding> all;
    const int rows = std::min(m_english->rowCount(), int(values.size()));
    for (int row = 0; row < rows; ++row) {
        std::vector<TermFinding> found = checkRow(row, values[row]);
        std::move(found.begin(), found.end(), std::back_inserter(all));
    }
    return all;
}

std::vector<TermChecker::Entry> TermChecker::entriesFor(QStringView english) const
{
    std::vector<Entry> entries;
    const auto &concepts = m_english->glossary().concepts;
    for (const TermHit &hit : m_english->match(english)) {
        const TermConcept &found = concepts[size_t(hit.entry)];
        Entry entry{&found, hit.count, {}};
        if (const QList<Term> *terms = found.termsFor(m_language))
            entry.terms = *terms;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<TermChecker::Entry> TermChecker::forbiddenEntriesIn(QStringView value) const
{
    std::vector<Entry> entries;
    const auto &concepts = m_english->glossary().concepts;
    std::vector<std::pair<int, int>> counts;
    countTerms({}, textOf(value), m_exactForbidden, counts);
    for (const auto &[found, count] : counts) {
        if (found % 3 != Forbidden)
            continue;
        const TermConcept &entry = concepts[size_t(found / 3)];
        entries.push_back({&entry, count, entry.termsFor(m_language) ? *entry.termsFor(m_language) : QList<Term>()});
    }
    return entries;
}

ValueCheckSource::Checker GlossaryChecks::forLanguage(const QString &displayName) const
{
    const QString tag = LocaleCatalogue::Bcp47ForDisplayName(displayName);
    if (tag.isEmpty())
        return {};
    auto checker = std::make_shared<const TermChecker>(m_english, tag);
    return [checker](int attribute, QStringView value, std::vector<Finding> &found) {
        std::vector<TermFinding> more = checker->checkRow(attribute, value);
        std::move(more.begin(), more.end(), std::back_inserter(found));
    };
}

std::shared_ptr<const GlossaryChecks> glossaryChecks(const CheckEngine &engine, std::shared_ptr<const Glossary> glossary)
{
    if (!glossary || glossary->isEmpty())
        return {};
    return std::make_shared<const GlossaryChecks>(
        std::make_shared<const EnglishTerms>(std::move(glossary), engine.attributeNames(), engine.masterValues()));
}

std::shared_ptr<const GlossaryChecks> productGlossaryChecks(const CheckEngine &engine, QString &error)
{
    std::shared_ptr<const EnglishTerms> terms =
        loadProductTerms(engine.productDirectory(), engine.attributeNames(), engine.masterValues(), error);
    if (!terms)
        return {};
    return std::make_shared<const GlossaryChecks>(std::move(terms));
}

} // namespace Glossa
