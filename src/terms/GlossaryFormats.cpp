#include "terms/GlossaryFormats.h"

#include "exchange/SaxReading.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QXmlStreamWriter>

#include <algorithm>

namespace Glossa {

namespace {

using Sax::equals;

// Characters XML 1.0 cannot carry (controls but tab and line breaks, U+FFFE, U+FFFF) are
// dropped as a file is read, so that whatever the glossary holds, its TBX file can be
// written and read back.
QString xmlCarried(QString text)
{
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF;
    });
    return text;
}

// A term as kept: one line, single spaces.
QString cleanTerm(const QString &text)
{
    return xmlCarried(text).simplified();
}

// A note as kept: line feeds for its line breaks, no white space around.
QString cleanNote(const QString &text)
{
    QString note = xmlCarried(text);
    note.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
    return note.trimmed();
}

// ----- TBX -----

// An English tag: the source language of every glossary of the product.
bool isEnglish(const QString &tag, const QString &sourceLanguage)
{
    const QString base = tag.section(u'-', 0, 0);
    return base.compare(sourceLanguage.section(u'-', 0, 0), Qt::CaseInsensitive) == 0;
}

TermStatus statusFromTbx(const QString &value)
{
    // The values TBX-Basic writes, as they stand, without a copy.
    if (value == u"preferredTerm-admn-sts")
        return TermStatus::Preferred;
    if (value == u"admittedTerm-admn-sts")
        return TermStatus::Admitted;
    const QString v = value.trimmed().toLower();
    for (const char *forbidden : {"deprecated", "superseded", "forbidden", "obsolete"})
        if (v.contains(QLatin1String(forbidden)))
            return TermStatus::Forbidden;
    if (v.contains(QLatin1String("admitted")))
        return TermStatus::Admitted;
    return TermStatus::Preferred;
}

bool saysNo(const QString &value)
{
    return value.trimmed().compare(QLatin1String("no"), Qt::CaseInsensitive) == 0;
}

bool saysYes(const QString &value)
{
    const QString v = value.trimmed().toLower();
    return v == u"yes" || v == u"true" || v == u"1";
}

struct TbxReading : Sax::RefusingReader
{
    Glossary *glossary = nullptr;
    bool seenRoot = false;
    // The glossary's source is the master's English, whatever the file's root names.
    const QString sourceLanguage = QStringLiteral("en");
    int depth = 0;
    int conceptDepth = -1;
    QString language;        // of the open langSet / langSec
    bool inTermGroup = false; // tig, ntig or termSec
    Term term;
    bool termHasText = false;
    // The element whose text is wanted, and what it is.
    enum class Text { None, Term, Status, TranslationNeeded, CaseSensitive, Note } textKind = Text::None;
    int textDepth = -1;
    QString text;
    int conceptCount = 0;
    // A file names a few languages many times: each one's tag is worked out once.
    struct Language
    {
        QString tag; // empty for the English
        bool usable = true;
    };
    QHash<QString, Language> languages;

    TermConcept &entry() { return glossary->concepts.back(); }

    void finishTerm()
    {
        term.text = cleanTerm(term.text);
        if (term.text.isEmpty())
            return;
        auto known = languages.constFind(language);
        if (known == languages.cend()) {
            const QString tag = normalisedLanguageTag(language);
            const bool english = tag.isEmpty() || isEnglish(tag, sourceLanguage);
            known = languages.insert(language, {english ? QString() : tag, english || looksLikeLanguageTag(tag)});
        }
        if (!known->usable)
            return; // a language the file names in no way we can match: its terms are left out
        if (known->tag.isEmpty())
            entry().english.append(term);
        else
            entry().translations[known->tag].append(term);
    }
};

void tbxStart(void *data, const xmlChar *localName, const xmlChar *, const xmlChar *, int, const xmlChar **,
              int attributeCount, int, const xmlChar **attributes)
{
    TbxReading &r = Sax::readerOf<TbxReading>(data);
    ++r.depth;
    if (!r.seenRoot) {
        r.seenRoot = true;
        if (!equals(localName, "martif") && !equals(localName, "tbx"))
            r.refuse(QStringLiteral("the file is not TBX: its root must be <martif> (TBX v2) or <tbx> (TBX v3), not <%1>")
                         .arg(Sax::text(localName)));
        return;
    }
    if (r.textDepth >= 0)
        return; // inline markup inside a term or note: its text is the element's
    if (equals(localName, "termEntry") || equals(localName, "conceptEntry")) {
        r.glossary->concepts.emplace_back();
        r.entry().id = Sax::attribute(attributeCount, attributes, "id");
        r.conceptDepth = r.depth;
        r.language.clear();
        return;
    }
    if (r.conceptDepth < 0)
        return;
    if (equals(localName, "langSet") || equals(localName, "langSec")) {
        r.language = Sax::attribute(attributeCount, attributes, "lang", "xml");
        return;
    }
    if (equals(localName, "tig") || equals(localName, "ntig") || equals(localName, "termSec")) {
        r.inTermGroup = true;
        r.term = Term();
        return;
    }
    using Text = TbxReading::Text;
    Text kind = Text::None;
    const QString type = Sax::attribute(attributeCount, attributes, "type");
    if (equals(localName, "term") && r.inTermGroup) {
        kind = Text::Term;
    } else if (equals(localName, "termNote") || equals(localName, "descrip")) {
        const QString t = type.toLower();
        if (t == u"administrativestatus" || t == u"normativeauthorization")
            kind = Text::Status;
        else if (t == u"translation needed" || t == u"translationnote")
            kind = Text::TranslationNeeded;
        else if (t == u"casesensitive")
            kind = Text::CaseSensitive;
        else if (equals(localName, "descrip") && r.entry().note.isEmpty())
            kind = Text::Note;
    } else if (equals(localName, "note") && r.entry().note.isEmpty()) {
        kind = Text::Note;
    }
    if (kind != Text::None) {
        r.textKind = kind;
        r.textDepth = r.depth;
        r.text.clear();
    }
}

void tbxEnd(void *data, const xmlChar *localName, const xmlChar *, const xmlChar *)
{
    TbxReading &r = Sax::readerOf<TbxReading>(data);
    using Text = TbxReading::Text;
    if (r.depth == r.textDepth) {
        switch (r.textKind) {
        case Text::Term:
            r.term.text = r.text;
            break;
        case Text::Status:
            r.term.status = statusFromTbx(r.text);
            break;
        case Text::TranslationNeeded:
            if (saysNo(r.text))
                r.entry().doNotTranslate = true;
            break;
        case Text::CaseSensitive:
            r.entry().caseSensitive = saysYes(r.text);
            break;
        case Text::Note:
            r.entry().note = cleanNote(r.text);
            break;
        case Text::None:
            break;
        }
        r.textDepth = -1;
        r.textKind = Text::None;
    } else if (r.textDepth < 0 && r.conceptDepth >= 0) {
        if (equals(localName, "tig") || equals(localName, "ntig") || equals(localName, "termSec")) {
            r.finishTerm();
            r.inTermGroup = false;
        } else if (equals(localName, "langSet") || equals(localName, "langSec")) {
            r.language.clear();
        } else if (r.depth == r.conceptDepth) {
            r.conceptDepth = -1;
            if (r.entry().english.isEmpty())
                r.glossary->concepts.pop_back(); // no English: nothing to look for
            else if (r.entry().id.isEmpty())
                r.entry().id = QStringLiteral("c%1").arg(r.glossary->concepts.size());
        }
    }
    --r.depth;
}

void collectText(void *data, const xmlChar *chars, int length)
{
    TbxReading &r = Sax::readerOf<TbxReading>(data);
    if (r.textDepth >= 0)
        r.text += Sax::text(chars, length);
}

QString statusName(TermStatus status)
{
    switch (status) {
    case TermStatus::Preferred:
        return QStringLiteral("preferredTerm-admn-sts");
    case TermStatus::Admitted:
        return QStringLiteral("admittedTerm-admn-sts");
    case TermStatus::Forbidden:
        return QStringLiteral("deprecatedTerm-admn-sts");
    }
    return {};
}

const QString XmlNamespace = QStringLiteral("http://www.w3.org/XML/1998/namespace");

void writeLangSet(QXmlStreamWriter &xml, const QString &tag, const QList<Term> &terms)
{
    xml.writeStartElement(QStringLiteral("langSet"));
    xml.writeAttribute(XmlNamespace, QStringLiteral("lang"), tag);
    for (const Term &term : terms) {
        xml.writeStartElement(QStringLiteral("tig"));
        xml.writeTextElement(QStringLiteral("term"), cleanTerm(term.text));
        xml.writeStartElement(QStringLiteral("termNote"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("administrativeStatus"));
        xml.writeCharacters(statusName(term.status));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

// ----- QPH -----

struct QphReading : Sax::RefusingReader
{
    Glossary *glossary = nullptr;
    QString language;
    bool seenRoot = false;
    int depth = 0;
    bool inPhrase = false;
    QString source, target, definition;
    QString *textOut = nullptr;
    int textDepth = -1;
};

void qphStart(void *data, const xmlChar *localName, const xmlChar *, const xmlChar *, int, const xmlChar **,
              int attributeCount, int, const xmlChar **attributes)
{
    QphReading &r = Sax::readerOf<QphReading>(data);
    ++r.depth;
    if (!r.seenRoot) {
        r.seenRoot = true;
        if (!equals(localName, "QPH"))
            r.refuse(QStringLiteral("the file is not a phrase book: its root must be <QPH>, not <%1>").arg(Sax::text(localName)));
        else if (r.language.isEmpty())
            r.language = Sax::attribute(attributeCount, attributes, "language");
        return;
    }
    if (equals(localName, "phrase")) {
        r.inPhrase = true;
        r.source.clear();
        r.target.clear();
        r.definition.clear();
    } else if (r.inPhrase && r.textDepth < 0) {
        if (equals(localName, "source"))
            r.textOut = &r.source;
        else if (equals(localName, "target"))
            r.textOut = &r.target;
        else if (equals(localName, "definition"))
            r.textOut = &r.definition;
        if (r.textOut)
            r.textDepth = r.depth;
    }
}

void qphEnd(void *data, const xmlChar *localName, const xmlChar *, const xmlChar *)
{
    QphReading &r = Sax::readerOf<QphReading>(data);
    if (r.depth == r.textDepth) {
        r.textDepth = -1;
        r.textOut = nullptr;
    } else if (equals(localName, "phrase") && r.inPhrase) {
        r.inPhrase = false;
        if (!cleanTerm(r.source).isEmpty()) {
            TermConcept entry;
            entry.id = QStringLiteral("c%1").arg(r.glossary->concepts.size() + 1);
            entry.english.append({cleanTerm(r.source), TermStatus::Preferred});
            if (!cleanTerm(r.target).isEmpty())
                entry.translations[normalisedLanguageTag(r.language)].append({cleanTerm(r.target), TermStatus::Preferred});
            entry.note = cleanNote(r.definition);
            r.glossary->concepts.push_back(std::move(entry));
        }
    }
    --r.depth;
}

void qphText(void *data, const xmlChar *chars, int length)
{
    QphReading &r = Sax::readerOf<QphReading>(data);
    if (r.textOut)
        *r.textOut += Sax::text(chars, length);
}

bool readQph(const QByteArray &bytes, Glossary &glossary, QString &error, const QString &language)
{
    xmlSAXHandler sax = Sax::refusingHandler();
    sax.startElementNs = qphStart;
    sax.endElementNs = qphEnd;
    sax.characters = qphText;
    sax.cdataBlock = qphText;
    QphReading reading;
    reading.fileKind = QStringLiteral("a phrase book");
    reading.namedDocumentTypeAllowed = true; // Qt Linguist writes "<!DOCTYPE QPH>"
    reading.glossary = &glossary;
    reading.language = language;
    error = Sax::parse(bytes, sax, reading);
    if (error.isEmpty() && !reading.seenRoot)
        error = QStringLiteral("the file is not a phrase book: it holds no element");
    if (error.isEmpty() && normalisedLanguageTag(reading.language).isEmpty())
        error = QStringLiteral("the phrase book names no language; give it");
    else if (error.isEmpty() && !looksLikeLanguageTag(normalisedLanguageTag(reading.language)))
        error = QStringLiteral("the phrase book's language \"%1\" is no language tag").arg(reading.language);
    else if (error.isEmpty() && isEnglish(normalisedLanguageTag(reading.language), QStringLiteral("en")))
        error = QStringLiteral("the phrase book's translations are English, the master's language");
    return error.isEmpty();
}

// The terms of one language as a bilingual format carries them: the preferred and
// admitted ones (a forbidden term is no translation).
QStringList approvedTexts(const TermConcept &entry, const QString &language)
{
    QStringList texts;
    if (const QList<Term> *terms = entry.termsFor(language))
        for (const Term &term : *terms)
            if (term.status != TermStatus::Forbidden)
                texts.append(term.text);
    return texts;
}

// ----- TSV -----

// A field of OmegaT's tab-separated glossary: no tab, no line break.
QString tsvField(QString text)
{
    text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

bool readTsv(const QByteArray &bytes, Glossary &glossary, QString &error, const QString &language)
{
    if (language.isEmpty()) {
        error = QStringLiteral("a tab-separated glossary holds one language and does not say which; give it");
        return false;
    }
    const QString text = QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
    const QString tag = normalisedLanguageTag(language);
    if (!looksLikeLanguageTag(tag)) {
        error = QStringLiteral("\"%1\" is no language tag").arg(language);
        return false;
    }
    if (isEnglish(tag, QStringLiteral("en"))) {
        error = QStringLiteral("the glossary's translations cannot be English, the master's language");
        return false;
    }
    for (const QString &line : text.split(u'\n')) {
        const QString trimmed = QString(line).remove(u'\r');
        if (trimmed.trimmed().isEmpty() || trimmed.startsWith(u'#'))
            continue;
        const QStringList fields = trimmed.split(u'\t');
        const QString english = cleanTerm(fields.value(0));
        if (english.isEmpty())
            continue;
        TermConcept entry;
        entry.id = QStringLiteral("c%1").arg(glossary.concepts.size() + 1);
        entry.english.append({english, TermStatus::Preferred});
        if (const QString target = cleanTerm(fields.value(1)); !target.isEmpty())
            entry.translations[tag].append({target, TermStatus::Preferred});
        entry.note = cleanNote(fields.mid(2).join(u' '));
        glossary.concepts.push_back(std::move(entry));
    }
    return true;
}

// ----- CSV -----

QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + u'"';
}

// RFC 4180 records: quoted fields may hold commas, quotes (doubled) and line breaks.
bool csvRecords(const QString &text, std::vector<QStringList> &records, QString &error)
{
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == u',') {
            record.append(field);
            field.clear();
            fieldStarted = false;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            record.append(field);
            field.clear();
            fieldStarted = false;
            if (!(record.size() == 1 && record.front().isEmpty()))
                records.push_back(record);
            record.clear();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted) {
        error = QStringLiteral("the file ends inside a quoted field");
        return false;
    }
    if (fieldStarted || !record.isEmpty()) {
        record.append(field);
        records.push_back(record);
    }
    return true;
}

const QString ForbiddenSuffix = QStringLiteral(":forbidden");

bool readCsv(const QByteArray &bytes, Glossary &glossary, QString &error)
{
    std::vector<QStringList> records;
    if (!csvRecords(QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes), records, error))
        return false;
    if (records.empty()) {
        error = QStringLiteral("the file holds no header line");
        return false;
    }
    const QStringList header = records.front();
    qsizetype englishColumn = -1;
    for (qsizetype c = 0; c < header.size(); ++c)
        if (isEnglish(header[c].trimmed(), QStringLiteral("en")) && !header[c].contains(ForbiddenSuffix))
            englishColumn = c;
    if (englishColumn < 0) {
        error = QStringLiteral("the header names no English column (\"en\" or \"en-US\")");
        return false;
    }
    const auto terms = [](const QString &cell, TermStatus first, TermStatus rest) {
        QList<Term> list;
        for (const QString &part : cell.split(u';', Qt::SkipEmptyParts))
            if (const QString text = cleanTerm(part); !text.isEmpty())
                list.append({text, list.isEmpty() ? first : rest});
        return list;
    };
    for (size_t r = 1; r < records.size(); ++r) {
        const QStringList &record = records[r];
        TermConcept entry;
        entry.english = terms(record.value(englishColumn), TermStatus::Preferred, TermStatus::Admitted);
        if (entry.english.isEmpty())
            continue;
        entry.id = QStringLiteral("c%1").arg(glossary.concepts.size() + 1);
        for (qsizetype c = 0; c < header.size(); ++c) {
            const QString name = header[c].trimmed();
            const QString cell = record.value(c);
            if (c == englishColumn || cell.trimmed().isEmpty())
                continue;
            if (name.compare(QLatin1String("note"), Qt::CaseInsensitive) == 0) {
                entry.note = cleanNote(cell);
            } else if (name.compare(QLatin1String("do-not-translate"), Qt::CaseInsensitive) == 0) {
                entry.doNotTranslate = saysYes(cell);
            } else if (name.compare(QLatin1String("case-sensitive"), Qt::CaseInsensitive) == 0) {
                entry.caseSensitive = saysYes(cell);
            } else {
                // A language column: its tag, not empty and not another English one.
                const bool forbidden = name.endsWith(ForbiddenSuffix, Qt::CaseInsensitive);
                const QString tag = normalisedLanguageTag(forbidden ? name.chopped(ForbiddenSuffix.size()) : name);
                if (!looksLikeLanguageTag(tag) || isEnglish(tag, QStringLiteral("en")))
                    continue; // another English column, or a column of something else
                const QList<Term> read = forbidden ? terms(cell, TermStatus::Forbidden, TermStatus::Forbidden)
                                                   : terms(cell, TermStatus::Preferred, TermStatus::Admitted);
                if (read.isEmpty())
                    continue;
                QList<Term> &into = entry.translations[tag];
                into = forbidden ? into + read : read + into;
            }
        }
        glossary.concepts.push_back(std::move(entry));
    }
    return true;
}

QByteArray writeCsv(const Glossary &glossary)
{
    const QStringList languages = glossary.languages();
    QStringList header{QStringLiteral("en")};
    for (const QString &tag : languages)
        header << tag << tag + ForbiddenSuffix;
    header << QStringLiteral("note") << QStringLiteral("do-not-translate") << QStringLiteral("case-sensitive");
    QString text = header.join(u',') + QLatin1String("\r\n");
    const auto join = [](const QList<Term> &terms, bool forbidden) {
        QStringList texts;
        // The preferred term first: the reader takes the first as preferred.
        for (TermStatus status : {TermStatus::Preferred, TermStatus::Admitted, TermStatus::Forbidden})
            for (const Term &term : terms)
                if (term.status == status && (status == TermStatus::Forbidden) == forbidden)
                    texts.append(term.text);
        return texts.join(QLatin1String("; "));
    };
    for (const TermConcept &entry : glossary.concepts) {
        QStringList fields{csvField(join(entry.english, false))};
        for (const QString &tag : languages) {
            const auto it = entry.translations.find(tag);
            const QList<Term> terms = it == entry.translations.end() ? QList<Term>() : it->second;
            fields << csvField(join(terms, false)) << csvField(join(terms, true));
        }
        fields << csvField(entry.note) << (entry.doNotTranslate ? QStringLiteral("yes") : QString())
               << (entry.caseSensitive ? QStringLiteral("yes") : QString());
        text += fields.join(u',') + QLatin1String("\r\n");
    }
    return text.toUtf8();
}

} // namespace

bool readTbx(const QByteArray &bytes, Glossary &glossary, QString &error)
{
    glossary = Glossary();
    xmlSAXHandler sax = Sax::refusingHandler();
    sax.startElementNs = tbxStart;
    sax.endElementNs = tbxEnd;
    sax.characters = collectText;
    sax.cdataBlock = collectText;
    TbxReading reading;
    reading.fileKind = QStringLiteral("a TBX file");
    // TBX v2 files name their DTD ("TBXcdv04.dtd"); it is never loaded.
    reading.namedDocumentTypeAllowed = true;
    reading.glossary = &glossary;
    error = Sax::parse(bytes, sax, reading);
    if (error.isEmpty() && !reading.seenRoot)
        error = QStringLiteral("the file is not TBX: it holds no element");
    if (!error.isEmpty())
        glossary = Glossary();
    return error.isEmpty();
}

QByteArray writeTbx(const Glossary &glossary)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument(QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("martif"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("TBX"));
    xml.writeAttribute(XmlNamespace, QStringLiteral("lang"), QStringLiteral("en"));
    xml.writeStartElement(QStringLiteral("martifHeader"));
    xml.writeStartElement(QStringLiteral("fileDesc"));
    xml.writeStartElement(QStringLiteral("sourceDesc"));
    xml.writeTextElement(QStringLiteral("p"), QStringLiteral("Glossa Desk"));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("text"));
    xml.writeStartElement(QStringLiteral("body"));
    for (const TermConcept &entry : glossary.concepts) {
        xml.writeStartElement(QStringLiteral("termEntry"));
        if (!entry.id.isEmpty())
            xml.writeAttribute(QStringLiteral("id"), entry.id);
        if (entry.doNotTranslate) {
            xml.writeStartElement(QStringLiteral("descrip"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("Translation needed"));
            xml.writeCharacters(QStringLiteral("no"));
            xml.writeEndElement();
        }
        if (entry.caseSensitive) {
            xml.writeStartElement(QStringLiteral("descrip"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("caseSensitive"));
            xml.writeCharacters(QStringLiteral("yes"));
            xml.writeEndElement();
        }
        if (!cleanNote(entry.note).isEmpty())
            xml.writeTextElement(QStringLiteral("note"), cleanNote(entry.note));
        writeLangSet(xml, QStringLiteral("en"), entry.english);
        for (const auto &[tag, terms] : entry.translations)
            if (!terms.isEmpty())
                writeLangSet(xml, tag, terms);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

bool glossaryFormatForPath(const QString &path, GlossaryFormat &format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"tbx")
        format = GlossaryFormat::Tbx;
    else if (suffix == u"tsv" || suffix == u"txt" || suffix == u"utf8" || suffix == u"tab")
        format = GlossaryFormat::Tsv;
    else if (suffix == u"csv")
        format = GlossaryFormat::Csv;
    else if (suffix == u"qph")
        format = GlossaryFormat::Qph;
    else
        return false;
    return true;
}

QString glossaryFormatName(GlossaryFormat format)
{
    switch (format) {
    case GlossaryFormat::Tbx:
        return QStringLiteral("tbx");
    case GlossaryFormat::Tsv:
        return QStringLiteral("tsv");
    case GlossaryFormat::Csv:
        return QStringLiteral("csv");
    case GlossaryFormat::Qph:
        return QStringLiteral("qph");
    }
    return {};
}

bool glossaryFormatForName(const QString &name, GlossaryFormat &format)
{
    for (GlossaryFormat f : {GlossaryFormat::Tbx, GlossaryFormat::Tsv, GlossaryFormat::Csv, GlossaryFormat::Qph})
        if (glossaryFormatName(f) == name.toLower()) {
            format = f;
            return true;
        }
    return false;
}

bool glossaryFormatIsBilingual(GlossaryFormat format)
{
    return format == GlossaryFormat::Tsv || format == GlossaryFormat::Qph;
}

bool readGlossary(const QByteArray &bytes, GlossaryFormat format, Glossary &glossary, QString &error,
                  const QString &language)
{
    glossary = Glossary();
    error.clear();
    bool read = false;
    switch (format) {
    case GlossaryFormat::Tbx:
        return readTbx(bytes, glossary, error);
    case GlossaryFormat::Tsv:
        read = readTsv(bytes, glossary, error, language);
        break;
    case GlossaryFormat::Csv:
        read = readCsv(bytes, glossary, error);
        break;
    case GlossaryFormat::Qph:
        read = readQph(bytes, glossary, error, language);
        break;
    }
    if (!read)
        glossary = Glossary();
    return read;
}

QByteArray writeGlossary(const Glossary &glossary, GlossaryFormat format, const QString &language)
{
    switch (format) {
    case GlossaryFormat::Tbx:
        return writeTbx(glossary);
    case GlossaryFormat::Csv:
        return writeCsv(glossary);
    case GlossaryFormat::Tsv: {
        QString text;
        for (const TermConcept &entry : glossary.concepts) {
            const QStringList targets = approvedTexts(entry, language);
            text += tsvField(entry.name()) + u'\t' + tsvField(targets.value(0));
            if (!entry.note.isEmpty())
                text += u'\t' + tsvField(entry.note);
            text += u'\n';
        }
        return text.toUtf8();
    }
    case GlossaryFormat::Qph: {
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.setAutoFormatting(true);
        xml.writeStartDocument(QStringLiteral("1.0"));
        xml.writeDTD(QStringLiteral("<!DOCTYPE QPH>"));
        xml.writeStartElement(QStringLiteral("QPH"));
        xml.writeAttribute(QStringLiteral("sourcelanguage"), QStringLiteral("en"));
        xml.writeAttribute(QStringLiteral("language"), language);
        for (const TermConcept &entry : glossary.concepts) {
            const QStringList targets = approvedTexts(entry, language);
            xml.writeStartElement(QStringLiteral("phrase"));
            xml.writeTextElement(QStringLiteral("source"), cleanTerm(entry.name()));
            xml.writeTextElement(QStringLiteral("target"), cleanTerm(targets.value(0)));
            if (!cleanNote(entry.note).isEmpty())
                xml.writeTextElement(QStringLiteral("definition"), cleanNote(entry.note));
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndDocument();
        return bytes;
    }
    }
    return {};
}

} // namespace Glossa
