#include "checks/CheckEngine.h"

#include "checks/PlaceholderCheck.h"
#include "checks/Spelling.h"
#include "checks/ValueChecks.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "model/SyncLanguageIndex.h"
#include "platform/ProfileFile.h"
#include "platform/ProfileLine.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace Glossa {

struct CheckEngine::AcceptedWords
{
    std::once_flag read;
    QSet<QString> words;
};

struct CheckEngine::CheckFacts
{
    std::once_flag made;
    std::vector<ReferenceFacts> references;
};

namespace {

const QString LanguageDirName = QStringLiteral("/language");
const QString WebDirName = QStringLiteral("/Web/LanguageInfo");

QString relativeFileOf(const QString &displayName)
{
    return QStringLiteral("language/") + displayName + QStringLiteral(".ini");
}

QString encodingId(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QStringLiteral("utf-16le");
    case TextEncoding::Utf16BE:
        return QStringLiteral("utf-16be");
    case TextEncoding::Utf8:
        return QStringLiteral("utf-8");
    case TextEncoding::Utf8Bom:
        return QStringLiteral("utf-8-bom");
    case TextEncoding::Legacy8Bit:
        return QStringLiteral("legacy-8bit");
    }
    return {};
}


// "%d: the reference has it once, the value never" for each placeholder whose counts differ.
QString countsMessage(const PlaceholderCounts &value, const PlaceholderCounts &reference)
{
    std::set<QString> names;
    for (const auto &[name, count] : value)
        names.insert(name);
    for (const auto &[name, count] : reference)
        names.insert(name);
    QStringList parts;
    for (const QString &name : names) {
        const auto v = value.find(name);
        const auto r = reference.find(name);
        const int inValue = v == value.end() ? 0 : v->second;
        const int inReference = r == reference.end() ? 0 : r->second;
        if (inValue != inReference)
            parts.append(QStringLiteral("%1: the reference has it %2, the value %3")
                             .arg(name, timesText(inReference), timesText(inValue)));
    }
    return parts.join(QStringLiteral("; "));
}

AttributeId idOfIndex(int attributeIndex)
{
    return AttributeId(attributeIndex);
}

enum class Script { Latin, CJK, Arabic, Greek };

Script scriptOf(const QString &languageName)
{
    if (languageName.startsWith(QStringLiteral("Chinese")) || languageName.startsWith(QStringLiteral("Japanese")))
        return Script::CJK;
    if (languageName.startsWith(QStringLiteral("Arabic")) || languageName.startsWith(QStringLiteral("Persian"))
        || languageName.startsWith(QStringLiteral("Urdu")))
        return Script::Arabic;
    if (languageName.startsWith(QStringLiteral("Greek")))
        return Script::Greek;
    return Script::Latin;
}

// The closing punctuation of a text, as the canonical Latin mark ("." ":" "!" "?" "...");
// empty when it ends with none. Marks of the language's script count as their Latin equivalent.
QStringView endMark(QStringView text, Script script)
{
    const QStringView t = trimProfileSpace(text);
    if (t.isEmpty())
        return {};
    const qsizetype n = t.size();
    switch (t.back().unicode()) {
    case u'…':
        return u"...";
    case u'.':
        return n >= 3 && t[n - 2] == u'.' && t[n - 3] == u'.' ? u"..." : u".";
    case u':':
        return u":";
    case u'!':
        return u"!";
    case u'?':
        return u"?";
    case u'。':
        return script == Script::CJK ? u"." : QStringView();
    case u'：':
        return script == Script::CJK ? u":" : QStringView();
    case u'！':
        return script == Script::CJK ? u"!" : QStringView();
    case u'？':
        return script == Script::CJK ? u"?" : QStringView();
    case u'؟':
        return script == Script::Arabic ? u"?" : QStringView();
    case u';':
        return script == Script::Greek ? u"?" : QStringView();
    default:
        return {};
    }
}

// The placeholders of a value by one rule; most values hold none, and then no map is built.
PlaceholderCounts placeholdersOf(QStringView value, PlaceholderRule rule)
{
    const bool mayHold = rule == PlaceholderRule::Percent ? value.contains(u'%') || value.contains(u'\\')
                                                          : value.contains(u'{');
    return mayHold ? countPlaceholders(value, rule) : PlaceholderCounts();
}

QStringView leadingBlanks(QStringView text)
{
    qsizetype n = 0;
    while (n < text.size() && text[n].isSpace())
        ++n;
    return text.first(n);
}

QStringView trailingBlanks(QStringView text)
{
    qsizetype n = 0;
    while (n < text.size() && text[text.size() - 1 - n].isSpace())
        ++n;
    return text.last(n);
}

// Letters outside placeholders: "%d %%" holds none.
bool holdsLetters(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' || text[i] == u'\\') {
            i += (i + 1 < text.size() && text[i + 1] == u'l') ? 2 : 1;
            continue;
        }
        if (text[i].isLetter())
            return true;
    }
    return false;
}

} // namespace

int ProductReport::count(FindingSeverity severity) const
{
    int n = 0;
    for (const LanguageReport &language : languages)
        n += severity == FindingSeverity::Error ? language.errors
           : severity == FindingSeverity::Warning ? language.warnings
                                                  : language.infos;
    for (const Finding &finding : productFindings)
        n += finding.severity == severity ? 1 : 0;
    return n;
}

bool CheckOptions::wants(const QString &check) const
{
    return (only.isEmpty() ? isDefaultCheck(check) : only.contains(check)) && !ignore.contains(check);
}

bool isBlankValue(QStringView value)
{
    return trimProfileSpace(valueText(value)).isEmpty();
}

QString placeholderMessage(QStringView value, QStringView reference, int attributeIndex)
{
    const PlaceholderRule rule = placeholderRuleFor(idOfIndex(attributeIndex));
    return countsMessage(countPlaceholders(value, rule), countPlaceholders(reference, rule));
}

QString markedErrorText(int untranslatedWithPlaceholders, int checkErrors)
{
    const QLocale english(QLocale::English);
    QString text = QStringLiteral("%1 marked ERROR").arg(english.toString(untranslatedWithPlaceholders + checkErrors));
    QStringList parts;
    if (untranslatedWithPlaceholders > 0)
        parts << QStringLiteral("%1 untranslated with placeholders").arg(english.toString(untranslatedWithPlaceholders));
    parts << QStringLiteral("%1 %2").arg(english.toString(checkErrors),
                                        checkErrors == 1 ? QStringLiteral("check error") : QStringLiteral("check errors"));
    return text + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

ReferenceFacts::ReferenceFacts(QStringView reference, int attributeIndex)
    : value(reference)
    , text(valueText(reference))
    , rule(placeholderRuleFor(idOfIndex(attributeIndex)))
    , placeholders(countPlaceholders(reference, rule))
    , otherPlaceholders(countPlaceholders(reference, rule == PlaceholderRule::Percent ? PlaceholderRule::Brace
                                                                                       : PlaceholderRule::Percent))
    , blank(isBlankValue(reference))
    , endMark(Glossa::endMark(text, Script::Latin))
    , leading(leadingBlanks(text))
    , trailing(trailingBlanks(text))
    , numbers(numbersOf(text))
    , plainNumbers(plainNumbersOf(text, numbers))
    , links(linksOf(text))
    , tags(tagsOf(text))
    , tagsNested(Glossa::tagsNested(tags))
    , repeats(!repeatedWord(text, u"").isEmpty())
    , doubleSpace(hasInnerDoubleSpace(text))
{
}

std::vector<Finding> checkValue(QStringView value, QStringView reference, int attributeIndex,
                                const QString &languageName, bool isMaster, const CheckOptions &options)
{
    return checkValue(value, ReferenceFacts(reference, attributeIndex), languageName, isMaster, options);
}

namespace {

// Which of the value checks that read the whole value are wanted: asked once
// per language, not once per value, and a check not wanted costs nothing.
struct WantedValueChecks
{
    explicit WantedValueChecks(const CheckOptions &options)
        : numbers(options.wants(QStringLiteral("numbers")))
        , repeatedWord(options.wants(QStringLiteral("repeated-word")))
        , doubleSpace(options.wants(QStringLiteral("double-space")))
        , urls(options.wants(QStringLiteral("urls")))
        , tags(options.wants(QStringLiteral("tags")))
    {
    }
    bool numbers;
    bool repeatedWord;
    bool doubleSpace;
    bool urls;
    bool tags;
};

std::vector<Finding> checkValueIn(QStringView value, const ReferenceFacts &reference, const QString &languageName,
                                  Script script, bool isMaster, const CheckOptions &options,
                                  const WantedValueChecks &wanted)
{
    std::vector<Finding> found;
    auto add = [&](const QString &check, FindingSeverity severity, const QString &message) {
        if (!options.wants(check))
            return;
        Finding finding;
        finding.check = check;
        finding.severity = severity;
        finding.language = languageName;
        finding.message = message;
        found.push_back(std::move(finding));
    };

    const qsizetype quotes = value.count(u'"');
    if (quotes % 2 != 0)
        add(QStringLiteral("odd-quotes"), FindingSeverity::Error,
            QStringLiteral("the value holds an odd number of double quotes (%1): Save asks about it").arg(quotes));
    if (isMaster) {
        // The master's own texts: what makes them hard to translate.
        if (value.count(u'%') >= 2) {
            const QStringList unnumbered = unnumberedPlaceholders(valueText(value));
            if (unnumbered.size() >= 2)
                add(QStringLiteral("source-placeholders"), FindingSeverity::Info,
                    QStringLiteral("%1 unnumbered placeholders (%2): a translation cannot change their order; numbered "
                                   "placeholders or a text split in two would let it")
                        .arg(unnumbered.size())
                        .arg(unnumbered.join(QStringLiteral(", "))));
        }
        return found;
    }
    if (isBlankValue(value))
        return found;

    // The editor's rule (what CheckPlaceholders compares), on the values as the files hold them.
    const PlaceholderCounts counts = placeholdersOf(value, reference.rule);
    if (counts != reference.placeholders)
        add(QStringLiteral("placeholders"), FindingSeverity::Error, countsMessage(counts, reference.placeholders));
    // What that rule passes by design: the other kind of placeholder.
    const PlaceholderCounts other = placeholdersOf(
        value, reference.rule == PlaceholderRule::Percent ? PlaceholderRule::Brace : PlaceholderRule::Percent);
    if (other != reference.otherPlaceholders)
        add(QStringLiteral("braces"), FindingSeverity::Warning, countsMessage(other, reference.otherPlaceholders));

    const QStringView text = valueText(value);
    if (!reference.blank) {
        const bool leading = leadingBlanks(text) != reference.leading;
        const bool trailing = trailingBlanks(text) != reference.trailing;
        if (leading || trailing)
            add(QStringLiteral("whitespace"), FindingSeverity::Warning,
                leading && trailing ? QStringLiteral("the blanks at the start and at the end differ from the reference's")
                : leading           ? QStringLiteral("the blanks at the start differ from the reference's")
                                    : QStringLiteral("the blanks at the end differ from the reference's"));

        const QStringView valueMark = endMark(text, script);
        if (reference.endMark != valueMark) {
            if (reference.endMark.isEmpty())
                add(QStringLiteral("end-punctuation"), FindingSeverity::Warning,
                    QStringLiteral("the value ends with \"%1\", the reference with no such mark").arg(valueMark.toString()));
            else
                add(QStringLiteral("end-punctuation"), FindingSeverity::Warning,
                    QStringLiteral("the reference ends with \"%1\", the value %2")
                        .arg(reference.endMark.toString(), valueMark.isEmpty() ? QStringLiteral("with no such mark")
                                                                    : QStringLiteral("with \"%1\"").arg(valueMark.toString())));
        }
    }
    if (!reference.blank) {
        // A value that holds each of the reference's numbers as the reference
        // writes them needs no reading of its own numbers.
        if (wanted.numbers && !reference.numbers.isEmpty()
            && !holdsPlainNumbers(text, reference.plainNumbers)) {
            const QStringList missing = missingNumbers(text, reference.text, reference.numbers);
            if (!missing.isEmpty())
                add(QStringLiteral("numbers"), FindingSeverity::Warning,
                    QStringLiteral("the reference's %1 %2 not in the value")
                        .arg(missing.join(QStringLiteral(" and ")),
                             missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are")));
        }
        bool twoSpaces = true;
        if (wanted.repeatedWord && !reference.repeats) {
            const QStringView word = repeatedWord(text, languageName, &twoSpaces);
            if (!word.isEmpty())
                add(QStringLiteral("repeated-word"), FindingSeverity::Warning,
                    QStringLiteral("\"%1\" stands twice in a row").arg(word.toString()));
        }
        if (wanted.doubleSpace && !reference.doubleSpace && twoSpaces && hasInnerDoubleSpace(text))
            add(QStringLiteral("double-space"), FindingSeverity::Warning,
                QStringLiteral("two spaces in a row, where the reference has none"));
        if (wanted.urls && !reference.links.isEmpty()) {
            QStringList lost;
            for (const QString &link : reference.links)
                if (!text.contains(link))
                    lost.append(link);
            if (!lost.isEmpty())
                add(QStringLiteral("urls"), FindingSeverity::Warning,
                    QStringLiteral("the reference's %1 %2 not in the value unchanged")
                        .arg(lost.join(QStringLiteral(", ")),
                             lost.size() == 1 ? QStringLiteral("is") : QStringLiteral("are")));
        }
        if (wanted.tags && (!reference.tags.empty() || text.contains(u'<'))) {
            const QString why = tagsMessage(text, reference.tags, reference.tagsNested);
            if (!why.isEmpty())
                add(QStringLiteral("tags"), FindingSeverity::Error, why);
        }
    }
    if (text == reference.text && holdsLetters(text))
        add(QStringLiteral("unchanged"), FindingSeverity::Info, QStringLiteral("the value is the same as the reference"));
    return found;
}

} // namespace

std::vector<Finding> checkValue(QStringView value, const ReferenceFacts &reference, const QString &languageName,
                                bool isMaster, const CheckOptions &options)
{
    return checkValueIn(value, reference, languageName, scriptOf(languageName), isMaster, options,
                        WantedValueChecks(options));
}

bool CheckEngine::open(const QString &productDirectory)
{
    m_error.clear();
    m_present.clear();
    m_names.clear();
    m_masterValues.clear();
    m_indexByName.clear();
    m_indexByFoldedName.clear();
    m_indexFindings.clear();

    const QFileInfo product(productDirectory);
    if (!product.exists()) {
        m_error = QStringLiteral("The product directory \"%1\" does not exist.").arg(productDirectory);
        return false;
    }
    if (!product.isDir()) {
        m_error = QStringLiteral("\"%1\" is a file, not a product directory.").arg(productDirectory);
        return false;
    }
    m_product = product.absoluteFilePath();
    const QFileInfo languageDir(m_product + LanguageDirName);
    if (!languageDir.isDir()) {
        m_error = QStringLiteral("\"%1\" has no language directory.").arg(m_product);
        return false;
    }
    const QString masterPath = languageDir.absoluteFilePath() + u'/' + MasterLanguageFileName;
    if (!QFileInfo(masterPath).isFile()) {
        m_error = QStringLiteral("The master file \"language/%1\" is missing.").arg(MasterLanguageFileName);
        return false;
    }
    ProfileFile master(masterPath);
    master.requireSection(TextSectionName);
    if (!master.load()) {
        m_error = QStringLiteral("The master file \"language/%1\" cannot be read: %2").arg(MasterLanguageFileName, master.error());
        return false;
    }
    if (const QString why = master.undecodableReason(); !why.isEmpty()) {
        m_error = QStringLiteral("The master file \"language/%1\" cannot be read as text: %2.").arg(MasterLanguageFileName, why);
        return false;
    }
    m_masterLines.clear();
    master.forEachEntryLine(TextSectionName, [&](QStringView key, QStringView value, int line) {
        m_masterLines.push_back(line);
        const QString name = key.toString();
        const int index = int(m_names.size());
        if (!m_indexByName.contains(name))
            m_indexByName.insert(name, index);
        const QString folded = name.toCaseFolded();
        if (!m_indexByFoldedName.contains(folded))
            m_indexByFoldedName.insert(folded, index);
        m_names.append(name);
        m_masterValues.append(value.toString());
    });
    m_acceptedWords = std::make_shared<AcceptedWords>();
    m_viewIndex = std::make_shared<ViewIndex>();
    m_viewIndex->reserve(size_t(m_names.size()));
    for (int i = int(m_names.size()) - 1; i >= 0; --i)
        (*m_viewIndex)[QStringView(m_names[i])] = i; // the lowest index wins
    m_firstIndex.clear();
    for (int i = 0; i < m_names.size(); ++i)
        m_firstIndex.push_back(m_indexByName.value(m_names[i]));
    m_facts = std::make_shared<CheckFacts>();
    // Attributes whose English text another attribute shares, numbered by
    // text, so that a language's check compares their translations without
    // hashing its values. A key the master repeats is checked at its first line only.
    m_referenceGroup.assign(size_t(m_names.size()), -1);
    m_referenceGroups = 0;
    QHash<QStringView, int> firstWithText; // trimmed English text -> its first attribute
    firstWithText.reserve(m_names.size());
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_firstIndex[size_t(i)] != i)
            continue;
        const QStringView text = trimProfileSpace(valueText(m_masterValues[i]));
        if (text.isEmpty())
            continue;
        const auto it = firstWithText.constFind(text);
        if (it == firstWithText.cend()) {
            firstWithText.insert(text, i);
            continue;
        }
        int &group = m_referenceGroup[size_t(it.value())];
        if (group < 0)
            group = m_referenceGroups++;
        m_referenceGroup[size_t(i)] = group;
    }
    if (m_names.isEmpty()) {
        m_error = QStringLiteral("The master file \"language/%1\" holds no attributes in its [%2] section.")
                      .arg(MasterLanguageFileName, TextSectionName);
        return false;
    }

    // The languages the program would list after its start-up synchronisation.
    const LanguageIndexPlan plan = PlanLanguageIndexSync(m_product, LanguageDirName, WebDirName);
    const QString indexFile = QStringLiteral("language/") + LanguageIndexFileName;
    auto indexFinding = [&](const QString &message) {
        Finding finding;
        finding.check = QStringLiteral("index");
        finding.severity = FindingSeverity::Warning;
        finding.file = indexFile;
        finding.message = message;
        m_indexFindings.push_back(std::move(finding));
    };
    PresentLanguageSet present = plan.present;
    if (!plan.readable) {
        indexFinding(plan.error);
        // Without an index, the language files themselves say which languages there are.
        const QStringList files = QDir(languageDir.absoluteFilePath())
                                      .entryList({QStringLiteral("*.ini")}, QDir::Files | QDir::CaseSensitive);
        for (const QString &file : files) {
            const QString code = LocaleCatalogue::CodeForDisplayName(file.chopped(4));
            for (int row = 0; !code.isEmpty() && row < LocaleCatalogue::RowCount(); ++row)
                if (LocaleCatalogue::RowAt(row).localeCode == code)
                    present.insert(row);
        }
    }
    for (const QString &change : plan.changes)
        indexFinding(change);
    bool masterListed = false;
    for (int row : present) {
        const QString name = LocaleCatalogue::DisplayNameAt(row);
        masterListed = masterListed || LanguageStore::fileNameFor(name) == MasterLanguageFileName;
        m_present.append(name);
    }
    if (!masterListed)
        m_present.prepend(MasterLanguageFileName.chopped(4));
    return true;
}

const std::vector<ReferenceFacts> &CheckEngine::references() const
{
    static const std::vector<ReferenceFacts> none;
    if (!m_facts)
        return none; // never opened
    std::call_once(m_facts->made, [this] {
        std::vector<ReferenceFacts> &references = m_facts->references;
        references.reserve(size_t(m_masterValues.size()));
        for (int i = 0; i < int(m_masterValues.size()); ++i)
            references.emplace_back(m_masterValues[i], i);
    });
    return m_facts->references;
}

const QSet<QString> &CheckEngine::acceptedWords() const
{
    std::call_once(m_acceptedWords->read, [this] {
        QSet<QString> &words = m_acceptedWords->words;
        // Product names and terms the English uses are right in every language.
        for (const QString &value : m_masterValues)
            for (const QString &word : spellingWords(valueText(value)))
                words.insert(word);
        for (const QString &word : SpellChecker::readWordList(m_product + QStringLiteral("/glossa-words.txt")))
            words.insert(word);
    });
    return m_acceptedWords->words;
}

QString CheckEngine::resolveLanguage(const QString &nameOrCode) const
{
    if (m_present.contains(nameOrCode))
        return nameOrCode;
    const QString byCode = LocaleCatalogue::DisplayNameForCode(nameOrCode.toLower());
    return m_present.contains(byCode) ? byCode : QString();
}

LanguageReport CheckEngine::checkLanguage(const QString &displayName, const CheckOptions &options) const
{
    LanguageReport report;
    report.name = displayName;
    report.code = LocaleCatalogue::CodeForDisplayName(displayName);
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        if (LocaleCatalogue::DisplayNameAt(row) == displayName)
            report.catalogueRow = row;
    report.file = relativeFileOf(displayName);
    report.isMaster = LanguageStore::fileNameFor(displayName) == MasterLanguageFileName;
    const int count = int(m_names.size());
    report.attributes = count;

    auto add = [&](const QString &check, FindingSeverity severity, int line, const QString &key, const QString &message) {
        if (!options.wants(check))
            return;
        report.findings.push_back({check, severity, displayName, report.file, line, key, message});
    };

    const QString path = m_product + u'/' + report.file;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        report.encoding = QStringLiteral("missing");
        report.missing = count;
        add(QStringLiteral("missing-key"), FindingSeverity::Warning, 0, {},
            QStringLiteral("the language has no file: all %1 attributes are missing until the next start creates it with every attribute blank").arg(count));
    } else {
        ProfileFile file(path);
        file.requireSection(TextSectionName);
        const bool loaded = !info.isDir() && file.load() && file.exists();
        const QString undecodable = loaded ? file.undecodableReason() : QString();
        if (loaded && !undecodable.isEmpty()) {
            // Whatever the bytes would read as is no translation: no value check runs on them.
            report.readable = false;
            report.encoding = QStringLiteral("undecodable");
            report.missing = count;
            add(QStringLiteral("undecodable"), FindingSeverity::Error, 0, {},
                QStringLiteral("the file cannot be read as text (%1): no save, import or synchronisation writes it until it is mended")
                    .arg(undecodable));
        } else if (!loaded) {
            report.readable = false;
            report.encoding = QStringLiteral("missing");
            report.missing = count;
            add(QStringLiteral("unreadable"), FindingSeverity::Error, 0, {},
                info.isDir() ? QStringLiteral("the file is a directory")
                             : file.error().isEmpty() ? QStringLiteral("the file cannot be read") : file.error());
        } else {
            report.encoding = encodingId(file.format().encoding);
            switch (file.format().encoding) {
            case TextEncoding::Utf8Bom:
                add(QStringLiteral("encoding"), FindingSeverity::Warning, 0, {},
                    QStringLiteral("UTF-8 with a byte-order mark: the product's Windows readers break its first line"));
                break;
            case TextEncoding::Legacy8Bit:
                add(QStringLiteral("encoding"), FindingSeverity::Warning, 0, {},
                    QStringLiteral("a legacy 8-bit file (read as Windows-1252): the product reads it in the system's code page"));
                break;
            default:
                break;
            }
            if (file.hasUndecodableBytes())
                add(QStringLiteral("encoding"), FindingSeverity::Warning, 0, {},
                    QStringLiteral("some bytes of the file do not decode as text"));

            // Values are views into the file's text, kept only while the file is.
            std::vector<QStringView> values(static_cast<size_t>(count));
            std::vector<int> lines(static_cast<size_t>(count), 0);
            std::unordered_map<QStringView, int, NameHash, NameEqual> redundantLines;
            const auto &index = *m_viewIndex;
            bool nonAscii = false;
            const bool utf8 = file.format().encoding == TextEncoding::Utf8;
            int expected = 0;
            file.forEachEntryLine(TextSectionName, [&](QStringView key, QStringView value, int line) {
                if (utf8 && !nonAscii)
                    nonAscii = std::any_of(value.begin(), value.end(), [](QChar c) { return c.unicode() > 0x7F; })
                            || std::any_of(key.begin(), key.end(), [](QChar c) { return c.unicode() > 0x7F; });
                // Files usually follow the master's order, so the next attribute is tried first.
                int at = -1;
                if (expected < count && m_names[expected] == key) {
                    at = expected;
                } else {
                    const auto it = index.find(key);
                    if (it != index.end())
                        at = it->second;
                }
                if (at >= 0) {
                    expected = at + 1;
                    if (lines[size_t(at)] == 0) {
                        lines[size_t(at)] = line;
                        values[size_t(at)] = value;
                    } else {
                        add(QStringLiteral("duplicate-key"), FindingSeverity::Warning, line, key.toString(),
                            QStringLiteral("a second line of the key: only the line %1 is read").arg(lines[size_t(at)]));
                    }
                    return;
                }
                const auto [it, fresh] = redundantLines.try_emplace(key, line);
                if (!fresh) {
                    add(QStringLiteral("duplicate-key"), FindingSeverity::Warning, line, key.toString(),
                        QStringLiteral("a second line of the key: only the line %1 is read").arg(it->second));
                    return;
                }
                ++report.redundant;
                const QString name = key.toString();
                const bool quoted = name.size() > 2 && name.front() == u'"' && name.back() == u'"';
                const auto folded = m_indexByFoldedName.constFind(
                    (quoted ? name.sliced(1, name.size() - 2) : name).toCaseFolded());
                if (quoted && folded != m_indexByFoldedName.cend())
                    add(QStringLiteral("redundant-key"), FindingSeverity::Warning, line, name,
                        QStringLiteral("a key the master lacks: it is %1 written in quotes, which the product reads as "
                                       "another key; the next save deletes it and its translation")
                            .arg(m_names[folded.value()]));
                else if (folded != m_indexByFoldedName.cend())
                    add(QStringLiteral("redundant-key"), FindingSeverity::Warning, line, name,
                        QStringLiteral("a key the master lacks; it differs from %1 only in letter case: most likely a "
                                       "mistyped key whose translation the next save deletes")
                            .arg(m_names[folded.value()]));
                else
                    add(QStringLiteral("redundant-key"), FindingSeverity::Warning, line, name,
                        QStringLiteral("a key the master lacks: the next save deletes it"));
            });
            if (nonAscii)
                add(QStringLiteral("encoding"), FindingSeverity::Warning, 0, {},
                    QStringLiteral("UTF-8 without a byte-order mark holding non-ASCII text: the product's Windows readers "
                                   "read it in the system's code page"));

            std::unique_ptr<SpellChecker> speller;
            if (!report.isMaster && options.wants(QStringLiteral("spelling"))) {
                const QString tag = LocaleCatalogue::Bcp47ForDisplayName(displayName);
                speller = std::make_unique<SpellChecker>(tag);
                if (!speller->isValid()) {
                    add(QStringLiteral("spelling"), FindingSeverity::Info, 0, {},
                        QStringLiteral("no spelling dictionary for %1").arg(tag.isEmpty() ? displayName : tag));
                    speller.reset();
                } else {
                    speller->acceptAll(acceptedWords());
                    speller->acceptAll(SpellChecker::readWordList(SpellChecker::userDictionaryPath(tag)));
                }
            }
            const QSet<QString> stale = options.staleKeys.value(displayName);
            const Script script = scriptOf(displayName);
            // A group of attributes with one English text -> the first of them translated.
            std::vector<int> firstTranslation(size_t(m_referenceGroups), -1);
            const bool wantsInconsistent = !report.isMaster && options.wants(QStringLiteral("inconsistent"));
            const WantedValueChecks wanted(options);
            const std::vector<ReferenceFacts> &references = this->references();
            for (int i = 0; i < count; ++i) {
                // A key the master repeats is read once, at its first line.
                const int first = m_firstIndex[size_t(i)];
                const int line = lines[size_t(first)];
                const QStringView value = values[size_t(first)];
                const bool noTranslation = line == 0 || isBlankValue(value);
                if (noTranslation && !report.isMaster && !references[size_t(i)].placeholders.empty())
                    ++report.untranslatedWithPlaceholders;
                if (line == 0) {
                    ++report.missing;
                    add(QStringLiteral("missing-key"), FindingSeverity::Warning, 0, m_names[i],
                        QStringLiteral("the attribute has no line in the file"));
                    continue;
                }
                const bool blank = isBlankValue(value);
                if (blank) {
                    ++report.blank;
                    add(QStringLiteral("blank"), FindingSeverity::Warning, line, m_names[i],
                        QStringLiteral("the value is blank"));
                } else {
                    ++report.translated;
                }
                if (first != i)
                    continue;
                for (Finding &finding :
                     checkValueIn(value, references[size_t(i)], displayName, script, report.isMaster, options, wanted)) {
                    finding.file = report.file;
                    finding.line = line;
                    finding.key = m_names[i];
                    report.findings.push_back(std::move(finding));
                }
                if (blank)
                    continue;
                if (speller) {
                    const QStringList wrong = speller->misspelled(valueText(value));
                    if (!wrong.isEmpty())
                        add(QStringLiteral("spelling"), FindingSeverity::Info, line, m_names[i],
                            QStringLiteral("the dictionary does not know %1").arg(wrong.join(QStringLiteral(", "))));
                }
                if (stale.contains(m_names[i]))
                    add(QStringLiteral("reference-changed"), FindingSeverity::Warning, line, m_names[i],
                        QStringLiteral("the English text changed since the earlier release: the translation may be stale"));
                const int group = m_referenceGroup[size_t(i)];
                if (wantsInconsistent && group >= 0) {
                    int &first = firstTranslation[size_t(group)];
                    if (first < 0) {
                        first = i;
                    } else if (valueText(values[size_t(first)]) != valueText(value)) {
                        add(QStringLiteral("inconsistent"), FindingSeverity::Info, line, m_names[i],
                            QStringLiteral("\"%1\" is translated differently under %2")
                                .arg(trimProfileSpace(valueText(m_masterValues[i])).toString(), m_names[first]));
                    }
                }
            }
        }
    }

    for (const QString &leftover : ProfileFile::leftoversOf(path)) {
        const QFileInfo left(leftover);
        const qint64 hours = left.lastModified().secsTo(QDateTime::currentDateTime()) / 3600;
        add(QStringLiteral("leftover-file"), FindingSeverity::Warning, 0, {},
            QStringLiteral("\"%1\" (%2 bytes, %3) is what an interrupted save left behind; the next save of the "
                           "language removes it")
                .arg(left.fileName(), QLocale::c().toString(left.size()),
                     hours < 1 ? QStringLiteral("less than an hour old")
                     : hours < 48 ? QStringLiteral("%1 hours old").arg(hours)
                                  : QStringLiteral("%1 days old").arg(hours / 24)));
    }

    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding &a, const Finding &b) { return a.line < b.line; });
    for (const Finding &finding : report.findings) {
        switch (finding.severity) {
        case FindingSeverity::Error:
            ++report.errors;
            break;
        case FindingSeverity::Warning:
            ++report.warnings;
            break;
        case FindingSeverity::Info:
            ++report.infos;
            break;
        }
    }
    return report;
}

ProductReport CheckEngine::startReport(const CheckOptions &options, QStringList &chosen) const
{
    ProductReport report;
    report.product = m_product;
    report.master = MasterLanguageFileName.chopped(4);
    report.attributes = int(m_names.size());
    if (options.wants(QStringLiteral("index")))
        report.productFindings = m_indexFindings;

    for (const QString &name : m_present)
        if (options.languages.isEmpty() || options.languages.contains(name))
            chosen.append(name);
    return report;
}

ProductReport CheckEngine::run(const CheckOptions &options, const std::function<void(int, int)> &progress,
                               const std::atomic_bool *cancel,
                               const std::function<void(const LanguageReport &)> &languageDone) const
{
    QStringList chosen;
    ProductReport report = startReport(options, chosen);
    const int total = int(chosen.size());
    std::vector<LanguageReport> results(static_cast<size_t>(total));
    std::vector<bool> done(static_cast<size_t>(total), false);

    std::atomic_int next = 0;
    int finished = 0;
    std::mutex reporting;
    auto work = [&] {
        for (;;) {
            if (cancel && cancel->load())
                return;
            const int at = next++;
            if (at >= total)
                return;
            results[size_t(at)] = checkLanguage(chosen[at], options);
            const std::lock_guard lock(reporting);
            done[size_t(at)] = true;
            ++finished;
            if (languageDone)
                languageDone(results[size_t(at)]);
            if (progress)
                progress(finished, total);
        }
    };
    const int jobs = std::clamp(options.jobs > 0 ? options.jobs : QThread::idealThreadCount(), 1, std::max(1, total));
    std::vector<std::thread> threads;
    for (int i = 1; i < jobs; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();

    std::vector<int> errorLanguages;
    for (int i = 0; i < total; ++i) {
        if (!done[size_t(i)])
            continue;
        countErrors(results[size_t(i)], errorLanguages);
        report.languages.push_back(std::move(results[size_t(i)]));
    }
    report.cancelled = finished < total;
    if (!report.cancelled) {
        for (LanguageReport &language : report.languages) {
            if (!language.isMaster)
                continue;
            for (Finding &finding : widespreadFindings(errorLanguages, options)) {
                ++language.infos;
                language.findings.push_back(std::move(finding));
            }
            std::stable_sort(language.findings.begin(), language.findings.end(),
                             [](const Finding &a, const Finding &b) { return a.line < b.line; });
            break;
        }
    }
    return report;
}

ProductReport CheckEngine::stream(const CheckOptions &options, const std::function<void(const LanguageReport &)> &deliver,
                                  const std::atomic_bool *cancel) const
{
    QStringList chosen;
    ProductReport report = startReport(options, chosen);
    const int total = int(chosen.size());
    const int jobs = std::clamp(options.jobs > 0 ? options.jobs : QThread::idealThreadCount(), 1, std::max(1, total));
    // A worker waits rather than run further ahead of the next language to deliver.
    const int window = jobs + 2;

    std::mutex mutex;
    std::condition_variable moved;
    std::map<int, LanguageReport> ready; // done, waiting for those before them
    int next = 0;
    int delivered = 0;
    bool stopped = false;
    std::vector<int> errorLanguages;
    auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            moved.wait(lock, [&] { return stopped || next >= total || next < delivered + window; });
            if (stopped || next >= total || (cancel && cancel->load())) {
                stopped = stopped || (cancel && cancel->load());
                moved.notify_all();
                return;
            }
            const int at = next++;
            lock.unlock();
            LanguageReport language = checkLanguage(chosen[at], options);
            lock.lock();
            ready.emplace(at, std::move(language));
            // One thread delivers at a time, in order; the others keep checking.
            while (!ready.empty() && ready.begin()->first == delivered) {
                LanguageReport done = std::move(ready.begin()->second);
                ready.erase(ready.begin());
                ++delivered;
                countErrors(done, errorLanguages);
                if (deliver)
                    deliver(done);
                moved.notify_all();
            }
        }
    };
    std::vector<std::thread> threads;
    for (int i = 1; i < jobs; ++i)
        threads.emplace_back(work);
    work();
    for (std::thread &thread : threads)
        thread.join();

    report.cancelled = delivered < total;
    if (!report.cancelled)
        report.lateFindings = widespreadFindings(errorLanguages, options);
    return report;
}

void CheckEngine::countErrors(const LanguageReport &language, std::vector<int> &errorLanguages) const
{
    if (language.isMaster)
        return;
    errorLanguages.resize(size_t(m_names.size()), 0);
    int last = -1;
    for (const Finding &finding : language.findings) {
        if (finding.severity != FindingSeverity::Error || finding.line <= 0 || finding.key.isEmpty())
            continue;
        const auto it = m_viewIndex->find(QStringView(finding.key));
        if (it == m_viewIndex->end() || it->second == last)
            continue;
        // Findings come in line order, so one attribute's errors stand together.
        last = it->second;
        ++errorLanguages[size_t(it->second)];
    }
}

std::vector<Finding> CheckEngine::widespreadFindings(const std::vector<int> &errorLanguages,
                                                     const CheckOptions &options) const
{
    std::vector<Finding> found;
    if (!options.wants(QStringLiteral("source-widespread")))
        return found;
    const QString master = MasterLanguageFileName.chopped(4);
    for (size_t i = 0; i < errorLanguages.size(); ++i) {
        if (errorLanguages[i] < 3)
            continue;
        found.push_back({QStringLiteral("source-widespread"), FindingSeverity::Info, master, relativeFileOf(master),
                         m_masterLines[i], m_names[int(i)],
                         QStringLiteral("the value has an error in %1 languages: the English text or the key may be "
                                        "at fault rather than the translations")
                             .arg(errorLanguages[i])});
    }
    return found;
}

} // namespace Glossa
