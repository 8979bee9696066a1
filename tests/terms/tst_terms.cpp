#include "checks/CheckEngine.h"
#include "checks/ReleaseComparison.h"
#include "model/Constants.h"
#include "terms/GlossaryFormats.h"
#include "terms/TermChecker.h"
#include "terms/TermExtraction.h"

#include "TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;

namespace {

Term preferred(const QString &text)
{
    return {text, TermStatus::Preferred};
}

// "device|Gerät|Apparat!" style entries, for the tables: the English term(s) before
// the first "|" ("device;devices"), then per language "tag=term;term;forbidden!".
// Flags after a "#": "dnt", "case".
TermConcept entryOf(const QString &line)
{
    TermConcept entry;
    QString body = line.section(u'#', 0, 0);
    const QString flags = line.section(u'#', 1);
    entry.doNotTranslate = flags.contains(QLatin1String("dnt"));
    entry.caseSensitive = flags.contains(QLatin1String("case"));
    const QStringList parts = body.split(u'|');
    for (const QString &english : parts[0].split(u';'))
        entry.english.append(preferred(english));
    for (const QString &language : parts.mid(1)) {
        const QString tag = language.section(u'=', 0, 0);
        for (QString term : language.section(u'=', 1).split(u';', Qt::SkipEmptyParts)) {
            const bool forbidden = term.endsWith(u'!');
            if (forbidden)
                term.chop(1);
            entry.translations[tag].append({term, forbidden ? TermStatus::Forbidden : TermStatus::Preferred});
        }
    }
    return entry;
}

std::shared_ptr<const Glossary> glossaryOf(const QStringList &lines)
{
    auto glossary = std::make_shared<Glossary>();
    for (const QString &line : lines) {
        glossary->concepts.push_back(entryOf(line));
        glossary->concepts.back().id = QStringLiteral("c%1").arg(glossary->concepts.size());
    }
    return glossary;
}

// The checks' ids, sorted and joined: "term,term-forbidden".
// The findings' checks, sorted; an info's with " (info)" after it.
QString checkIds(const std::vector<TermFinding> &findings)
{
    QStringList ids;
    for (const TermFinding &finding : findings)
        ids.append(finding.check + (finding.severity == FindingSeverity::Info ? QStringLiteral(" (info)") : QString()));
    ids.sort();
    return ids.join(u',');
}

Glossary sampleGlossary()
{
    Glossary glossary;
    TermConcept device = entryOf(QStringLiteral("device;devices|de-DE=Gerät;Apparat!|fr-FR=appareil"));
    device.id = QStringLiteral("c1");
    device.english[1].status = TermStatus::Admitted;
    device.translations[QStringLiteral("de-DE")].insert(1, {QStringLiteral("Einheit"), TermStatus::Admitted});
    device.note = QStringLiteral("Hardware, \"the box\"; never the app");
    TermConcept name = entryOf(QStringLiteral("Vistaline Monitor#dnt case"));
    name.id = QStringLiteral("c2");
    TermConcept save = entryOf(QStringLiteral("Save as|de-DE=Speichern unter|fr-FR=Enregistrer sous"));
    save.id = QStringLiteral("c3");
    glossary.concepts = {device, name, save};
    return glossary;
}

// The glossary as a one-language format keeps it: each entry's first English term,
// the language's first approved term and the note.
Glossary bilingualOf(const Glossary &glossary, const QString &tag)
{
    Glossary reduced;
    for (const TermConcept &entry : glossary.concepts) {
        TermConcept kept;
        kept.id = QStringLiteral("c%1").arg(reduced.concepts.size() + 1);
        kept.english.append(preferred(entry.name()));
        if (const QList<Term> *terms = entry.termsFor(tag))
            for (const Term &term : *terms)
                if (term.status != TermStatus::Forbidden) {
                    kept.translations[tag].append(preferred(term.text));
                    break;
                }
        kept.note = entry.note;
        reduced.concepts.push_back(kept);
    }
    return reduced;
}

QString describe(const Glossary &glossary)
{
    QString text;
    for (const TermConcept &entry : glossary.concepts) {
        text += QStringLiteral("[%1 dnt=%2 case=%3 note=%4]").arg(entry.id).arg(entry.doNotTranslate).arg(entry.caseSensitive).arg(entry.note);
        for (const Term &term : entry.english)
            text += QStringLiteral(" en:%1/%2").arg(term.text).arg(int(term.status));
        for (const auto &[tag, terms] : entry.translations)
            for (const Term &term : terms)
                text += QStringLiteral(" %1:%2/%3").arg(tag, term.text).arg(int(term.status));
        text += u'\n';
    }
    return text;
}

} // namespace

class TestTerms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void tbxReading_data();
    void tbxReading();
    void refusals_data();
    void refusals();
    void englishMatching_data();
    void englishMatching();
    void valueChecks_data();
    void valueChecks();
    void phraseNamedInTheMessage();
    void wordsCountAsTheAutomaton();
    void demoGermanShowsOneOfEach();
    void importMerges();
    void productGlossaryCache();
    void extraction();
};

void TestTerms::roundTrip_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("language");
    QTest::newRow("tbx") << int(GlossaryFormat::Tbx) << QString();
    QTest::newRow("csv") << int(GlossaryFormat::Csv) << QString();
    QTest::newRow("tsv") << int(GlossaryFormat::Tsv) << QStringLiteral("de-DE");
    QTest::newRow("qph") << int(GlossaryFormat::Qph) << QStringLiteral("fr-FR");
}

void TestTerms::roundTrip()
{
    QFETCH(int, format);
    QFETCH(QString, language);
    const auto glossaryFormat = GlossaryFormat(format);
    const Glossary glossary = sampleGlossary();
    const QByteArray bytes = writeGlossary(glossary, glossaryFormat, language);
    Glossary read;
    QString error;
    QVERIFY2(readGlossary(bytes, glossaryFormat, read, error, language), qPrintable(error));
    const Glossary expected = glossaryFormatIsBilingual(glossaryFormat) ? bilingualOf(glossary, language) : glossary;
    QCOMPARE(describe(read), describe(expected));
    // Written again, the same bytes: the glossary file stays stable under version control.
    QCOMPARE(writeGlossary(read, glossaryFormat, language), writeGlossary(expected, glossaryFormat, language));
}

void TestTerms::tbxReading_data()
{
    QTest::addColumn<QByteArray>("tbx");
    QTest::addColumn<QString>("expected");
    // TBX v2 as Translate Toolkit and others write it: a DTD named (never loaded), ntig/termGrp,
    // normativeAuthorization, a langSet's xml:lang in any spelling.
    QTest::newRow("v2 martif")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE martif PUBLIC \"ISO 12200:1999A//DTD MARTIF core (DXFcdV04)//EN\" \"TBXcdv04.dtd\">\n"
                      "<martif type=\"TBX\" xml:lang=\"en-US\"><text><body>"
                      "<termEntry id=\"e7\"><descrip type=\"definition\">A box</descrip>"
                      "<langSet xml:lang=\"en\"><tig><term>device</term></tig></langSet>"
                      "<langSet xml:lang=\"de_de\"><ntig><termGrp><term>Gerät</term>"
                      "<termNote type=\"normativeAuthorization\">admittedTerm</termNote></termGrp></ntig>"
                      "<tig><term>Apparat</term><termNote type=\"administrativeStatus\">supersededTerm-admn-sts</termNote></tig>"
                      "</langSet></termEntry>"
                      "<termEntry><descrip type=\"Translation needed\">No</descrip>"
                      "<langSet xml:lang=\"en-GB\"><tig><term>Vistaline</term></tig></langSet></termEntry>"
                      "<termEntry><langSet xml:lang=\"de\"><tig><term>ohne Englisch</term></tig></langSet></termEntry>"
                      "</body></text></martif>")
        << QStringLiteral("[e7 dnt=0 case=0 note=A box] en:device/0 de-DE:Gerät/1 de-DE:Apparat/2\n"
                          "[c2 dnt=1 case=0 note=] en:Vistaline/0\n");
    QTest::newRow("v3 TBX-Basic")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<tbx type=\"TBX-Basic\" style=\"dca\" xml:lang=\"en\" xmlns=\"urn:iso:std:iso:30042:ed-2\">"
                      "<tbxHeader><fileDesc><sourceDesc><p>x</p></sourceDesc></fileDesc></tbxHeader><text><body>"
                      "<conceptEntry id=\"k1\"><langSec xml:lang=\"en\"><termSec><term>log in</term>"
                      "<termNote type=\"administrativeStatus\">preferredTerm-admn-sts</termNote></termSec></langSec>"
                      "<langSec xml:lang=\"fr-FR\"><termSec><term>se connecter</term></termSec>"
                      "<termSec><term>loguer</term><termNote type=\"administrativeStatus\">deprecatedTerm-admn-sts</termNote></termSec>"
                      "<termSec><term>s'identifier</term><termNote type=\"administrativeStatus\">admittedTerm-admn-sts</termNote>"
                      "<termNote type=\"translationNote\">yes</termNote></termSec></langSec>"
                      "<note>the verb</note></conceptEntry>"
                      "<conceptEntry id=\"k2\"><langSec xml:lang=\"en\"><termSec><term>HTTP</term>"
                      "<termNote type=\"translationNote\">no</termNote></termSec></langSec></conceptEntry>"
                      "</body></text></tbx>")
        << QStringLiteral("[k1 dnt=0 case=0 note=the verb] en:log in/0 fr-FR:se connecter/0 fr-FR:loguer/2 fr-FR:s'identifier/1\n"
                          "[k2 dnt=1 case=0 note=] en:HTTP/0\n");
}

void TestTerms::tbxReading()
{
    QFETCH(QByteArray, tbx);
    QFETCH(QString, expected);
    Glossary glossary;
    QString error;
    QVERIFY2(readTbx(tbx, glossary, error), qPrintable(error));
    QCOMPARE(describe(glossary), expected);
}

void TestTerms::refusals_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    const QByteArray body("<martif type=\"TBX\"><text><body><termEntry><langSet xml:lang=\"en\"><tig><term>&e;</term>"
                          "</tig></langSet></termEntry></body></text></martif>");
    QTest::newRow("tbx entity") << int(GlossaryFormat::Tbx)
                                << "<?xml version=\"1.0\"?><!DOCTYPE martif [<!ENTITY e \"Gerät\">]>" + body
                                << QStringLiteral("declares the entity \"e\"");
    QTest::newRow("tbx external entity")
        << int(GlossaryFormat::Tbx) << "<?xml version=\"1.0\"?><!DOCTYPE martif [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + body
        << QStringLiteral("declares the entity \"e\"");
    QTest::newRow("tbx parameter entity")
        << int(GlossaryFormat::Tbx)
        << "<?xml version=\"1.0\"?><!DOCTYPE martif [<!ENTITY % p SYSTEM \"http://localhost:9/x.dtd\"> %p;]>" + body
        << QStringLiteral("declares the entity \"p\"");
    QTest::newRow("tbx attribute default")
        << int(GlossaryFormat::Tbx) << "<?xml version=\"1.0\"?><!DOCTYPE martif [<!ATTLIST martif type CDATA \"TBX\">]>" + body
        << QStringLiteral("declares \"type\"");
    QTest::newRow("tbx undeclared entity") << int(GlossaryFormat::Tbx) << "<?xml version=\"1.0\"?>" + body
                                           << QStringLiteral("not well-formed XML");
    QTest::newRow("not tbx") << int(GlossaryFormat::Tbx) << QByteArray("<tmx version=\"1.4\"/>") << QStringLiteral("not TBX");
    QTest::newRow("qph entity")
        << int(GlossaryFormat::Qph)
        << QByteArray("<!DOCTYPE QPH [<!ENTITY x SYSTEM \"file:///etc/hostname\">]><QPH language=\"de\"><phrase>"
                      "<source>&x;</source><target>x</target></phrase></QPH>")
        << QStringLiteral("declares the entity \"x\"");
    QTest::newRow("qph without language")
        << int(GlossaryFormat::Qph) << QByteArray("<!DOCTYPE QPH><QPH><phrase><source>a</source></phrase></QPH>")
        << QStringLiteral("names no language");
    QTest::newRow("csv without English") << int(GlossaryFormat::Csv) << QByteArray("de,fr\nGerät,appareil\n")
                                         << QStringLiteral("no English column");
    QTest::newRow("csv open quote") << int(GlossaryFormat::Csv) << QByteArray("en,de\n\"device,Gerät\n")
                                    << QStringLiteral("inside a quoted field");
    QTest::newRow("tsv without language") << int(GlossaryFormat::Tsv) << QByteArray("device\tGerät\n")
                                          << QStringLiteral("does not say which");
}

void TestTerms::refusals()
{
    QFETCH(int, format);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    Glossary glossary;
    QString error;
    QVERIFY(!readGlossary(bytes, GlossaryFormat(format), glossary, error));
    QVERIFY2(error.contains(why), qPrintable(error));
    QVERIFY(glossary.isEmpty());
}

void TestTerms::englishMatching_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("expected"); // "entry:count" for each entry found
    const QStringList device{QStringLiteral("device")};
    QTest::newRow("whole word") << device << QStringLiteral("Add a device.") << QStringLiteral("0:1");
    QTest::newRow("not inside a word") << device << QStringLiteral("Devices and subdevice") << QString();
    QTest::newRow("case ignored") << device << QStringLiteral("DEVICE List") << QStringLiteral("0:1");
    QTest::newRow("case kept when the entry says") << QStringList{QStringLiteral("Vistaline#case")}
                                                   << QStringLiteral("vistaline and Vistaline") << QStringLiteral("0:1");
    QTest::newRow("counted") << device << QStringLiteral("Device %d of device %d: device") << QStringLiteral("0:3");
    QTest::newRow("multi-word") << QStringList{QStringLiteral("device name")} << QStringLiteral("Enter the Device  Name:")
                                << QStringLiteral("0:1");
    QTest::newRow("longer term wins") << QStringList{QStringLiteral("device"), QStringLiteral("device name")}
                                      << QStringLiteral("Device name of the device") << QStringLiteral("0:1,1:1");
    QTest::newRow("placeholders are no words") << QStringList{QStringLiteral("s"), QStringLiteral("n"), QStringLiteral("0")}
                                               << QStringLiteral("Delete %s?\\n{0} %ls") << QString();
    QTest::newRow("no phrase across a placeholder") << QStringList{QStringLiteral("device name")}
                                                    << QStringLiteral("device %s name") << QString();
    QTest::newRow("markup and accelerators skipped") << device << QStringLiteral("<b>Device</b> &amp; &Device")
                                                     << QStringLiteral("0:2");
    QTest::newRow("markup is no word") << QStringList{QStringLiteral("b")} << QStringLiteral("<b>bold</b>") << QString();
}

void TestTerms::englishMatching()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, english);
    QFETCH(QString, expected);
    const EnglishTerms terms(glossaryOf(entries), {QStringLiteral("K")}, {english});
    QStringList found;
    for (const TermHit &hit : terms.hitsAt(0))
        found.append(QStringLiteral("%1:%2").arg(hit.entry).arg(hit.count));
    QCOMPARE(found.join(u','), expected);
    // The editor's lookup of any English gives what the product's index holds.
    QCOMPARE(terms.match(english).size(), terms.hitsAt(0).size());
}

void TestTerms::valueChecks_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const QStringList device{QStringLiteral("device|de=Gerät;Apparat!|zh=设备|ja=デバイス|th=อุปกรณ์|ko=장치|it=dispositivo|cs=zařízení")};
    QTest::newRow("approved, other case") << device << QStringLiteral("de-DE") << QStringLiteral("Add device") << QStringLiteral("\"gerät hinzufügen\"") << QStringLiteral("");
    QTest::newRow("approved missing") << device << QStringLiteral("de-DE") << QStringLiteral("Add device") << QStringLiteral("Einheit hinzufügen") << QStringLiteral("term");
    QTest::newRow("forbidden used") << device << QStringLiteral("de-DE") << QStringLiteral("Add device") << QStringLiteral("Apparat hinzufügen") << QStringLiteral("term,term-forbidden");
    QTest::newRow("forbidden without the English") << device << QStringLiteral("de-DE") << QStringLiteral("Add unit") << QStringLiteral("Apparat hinzufügen")
                                                   << QStringLiteral("term-forbidden");
    QTest::newRow("not inside a word") << device << QStringLiteral("it-IT") << QStringLiteral("Add device") << QStringLiteral("Aggiungi multidispositivo") << QStringLiteral("term");
    QTest::newRow("inside a compound") << device << QStringLiteral("de-DE") << QStringLiteral("Open the device list") << QStringLiteral("Geräteliste öffnen") << QStringLiteral("");
    QTest::newRow("an ending, no stemmer") << device << QStringLiteral("cs-CZ") << QStringLiteral("Connect to the device") << QStringLiteral("Připojit se k zařízením") << QStringLiteral("");
    QTest::newRow("a vowel that changes with the ending") << QStringList{QStringLiteral("rotation|pl=obrót")} << QStringLiteral("pl-PL") << QStringLiteral("Reset rotation")
                                                          << QStringLiteral("Przywrócenie obrotu") << QStringLiteral("");
    QTest::newRow("another word, no stemmer") << device << QStringLiteral("cs-CZ") << QStringLiteral("Connect to the device") << QStringLiteral("Připojit se k přístroji") << QStringLiteral("term");
    QTest::newRow("words of a term in another order") << QStringList{QStringLiteral("device name|es=nombre del dispositivo")} << QStringLiteral("es-ES")
                                                      << QStringLiteral("Device name") << QStringLiteral("Dispositivo: nombre") << QStringLiteral("");
    QTest::newRow("twice in English, once in value") << device << QStringLiteral("de-DE") << QStringLiteral("Device %d: connect device")
                                                     << QStringLiteral("Gerät %d: verbinden") << QStringLiteral("term (info)");
    QTest::newRow("twice in both") << device << QStringLiteral("de-DE") << QStringLiteral("Device %d: connect device") << QStringLiteral("Gerät %d: Gerät verbinden") << QStringLiteral("");
    QTest::newRow("twice in English, once in another form") << device << QStringLiteral("de-DE") << QStringLiteral("Device %d: connect device")
                                                            << QStringLiteral("Geräte %d: verbinden") << QStringLiteral("term (info)");
    const QStringList timer{QStringLiteral("timer|fr=Minuteur")};
    QTest::newRow("an accelerator inside a word") << timer << QStringLiteral("fr-FR") << QStringLiteral("_Timer") << QStringLiteral("Mi_nuteur") << QStringLiteral("");
    QTest::newRow("two underscores mark no accelerator") << timer << QStringLiteral("fr-FR") << QStringLiteral("_Timer") << QStringLiteral("Mi_nu_teur")
                                                         << QStringLiteral("term");
    QTest::newRow("a term qualifying the next word: an info") << timer << QStringLiteral("fr-FR") << QStringLiteral("_Timer countdown finished")
                                                              << QStringLiteral("Le décompte est fini") << QStringLiteral("term (info)");
    QTest::newRow("... or a verb with its particle") << QStringList{QStringLiteral("zoom|hu=Nagyítás")} << QStringLiteral("hu-HU") << QStringLiteral("Zoom Out")
                                                     << QStringLiteral("Kicsinyítés") << QStringLiteral("term (info)");
    QTest::newRow("... not a verb before its object") << QStringList{QStringLiteral("reboot|de=Neustart")} << QStringLiteral("de-DE")
                                                     << QStringLiteral("Reboot Device") << QStringLiteral("Gerät neu starten") << QStringLiteral("term");
    QTest::newRow("... not where the term ends its phrase") << timer << QStringLiteral("fr-FR") << QStringLiteral("The timer is done, countdown over")
                                                            << QStringLiteral("Le décompte est fini") << QStringLiteral("term");
    QTest::newRow("a short word ending a compound") << QStringList{QStringLiteral("feet|de=Fuß")} << QStringLiteral("de-DE") << QStringLiteral("Square Feet")
                                                    << QStringLiteral("Quadratfuß") << QStringLiteral("");
    const QStringList financial{QStringLiteral("financial|de=Finanztechnisch|zh=财务")};
    QTest::newRow("kept English in a run of three words") << financial << QStringLiteral("de-DE") << QStringLiteral("Start in a mode (basic, financial, keyboard)")
                                                          << QStringLiteral("In einem Modus starten (basic, financial, keyboard)") << QStringLiteral("");
    QTest::newRow("kept English in a keyword list") << financial << QStringLiteral("zh-CN") << QStringLiteral("money;financial;bank;")
                                                    << QStringLiteral("money;financial;bank;钱;银行;") << QStringLiteral("");
    QTest::newRow("a term left in English alone") << financial << QStringLiteral("de-DE") << QStringLiteral("Switch to financial")
                                                  << QStringLiteral("Zu financial wechseln") << QStringLiteral("term");
    const QStringList colours{QStringLiteral("white|fr=Blanc|fi=Valkoinen|sv=Vit"), QStringLiteral("hex|zh=十六进制"),
                              QStringLiteral("save|de=Speichern"), QStringLiteral("flags|pl=Flagi")};
    QTest::newRow("a setting's value kept in quotation marks") << colours << QStringLiteral("fr-FR") << QStringLiteral("Set it to black or white.")
                                                               << QStringLiteral("Les valeurs sont « black » ou « white ».") << QStringLiteral("");
    QTest::newRow("... not a label the English capitalises") << colours << QStringLiteral("de-DE") << QStringLiteral("Click “Save” to keep it")
                                                             << QStringLiteral("Klicken Sie auf „Save“") << QStringLiteral("term");
    QTest::newRow("... nor an English word in the sentence") << colours << QStringLiteral("fr-FR") << QStringLiteral("Set it to white.")
                                                             << QStringLiteral("Mettre en white.") << QStringLiteral("term");
    QTest::newRow("... or the quoted word it stands in") << colours << QStringLiteral("fr-FR") << QStringLiteral("White, see the “white-list” key")
                                                       << QStringLiteral("Blanc, voir la clé « white-list »") << QStringLiteral("");
    QTest::newRow("an abbreviation in capitals kept") << colours << QStringLiteral("zh-CN") << QStringLiteral("<sub>HEX</sub> Offset")
                                                      << QStringLiteral("<sub>HEX</sub> 偏移值") << QStringLiteral("");
    QTest::newRow("Finnish -nen before an ending") << colours << QStringLiteral("fi-FI") << QStringLiteral("White has run out of time.")
                                                   << QStringLiteral("Valkoiselta loppui aika.") << QStringLiteral("");
    QTest::newRow("a word of three with its ending") << colours << QStringLiteral("sv-SE") << QStringLiteral("White moves")
                                                     << QStringLiteral("Vitt flyttar") << QStringLiteral("");
    QTest::newRow("a word of five without its last letter") << colours << QStringLiteral("pl-PL") << QStringLiteral("enums and flags")
                                                            << QStringLiteral("wyliczeń i flag") << QStringLiteral("");
    QTest::newRow("base language's terms") << device << QStringLiteral("de-AT") << QStringLiteral("Add device") << QStringLiteral("Einheit") << QStringLiteral("term");
    const QStringList regional{QStringLiteral("device|de=Gerät|DE-at=Apparat")};
    QTest::newRow("the region's terms before the base's") << regional << QStringLiteral("de-AT") << QStringLiteral("Add device")
                                                          << QStringLiteral("Apparat hinzufügen") << QStringLiteral("");
    QTest::newRow("... and the base's for another region") << regional << QStringLiteral("de-DE") << QStringLiteral("Add device")
                                                          << QStringLiteral("Apparat hinzufügen") << QStringLiteral("term");
    QTest::newRow("other language: no terms") << device << QStringLiteral("fr-FR") << QStringLiteral("Add device") << QStringLiteral("Ajouter un appareil") << QStringLiteral("");
    QTest::newRow("blank value") << device << QStringLiteral("de-DE") << QStringLiteral("Add device") << QStringLiteral("\" \"") << QStringLiteral("");
    QTest::newRow("Chinese by substring") << device << QStringLiteral("zh-CN") << QStringLiteral("Add device") << QStringLiteral("添加设备") << QStringLiteral("");
    QTest::newRow("Chinese missing") << device << QStringLiteral("zh-CN") << QStringLiteral("Add device") << QStringLiteral("添加装置") << QStringLiteral("term");
    QTest::newRow("Japanese by substring") << device << QStringLiteral("ja-JP") << QStringLiteral("Add device") << QStringLiteral("デバイスを追加") << QStringLiteral("");
    QTest::newRow("Thai by substring") << device << QStringLiteral("th-TH") << QStringLiteral("Add device") << QStringLiteral("เพิ่มอุปกรณ์") << QStringLiteral("");
    QTest::newRow("stem clears an inflected form") << device << QStringLiteral("de-DE") << QStringLiteral("Delete device") << QStringLiteral("Geräte löschen") << QStringLiteral("");
    QTest::newRow("no stemmer: the form stays a finding") << device << QStringLiteral("ko-KR") << QStringLiteral("Delete device") << QStringLiteral("장치들 삭제") << QStringLiteral("term");
    const QStringList sharing{QStringLiteral("file list|de=Dateiliste;Datei Liste!"), QStringLiteral("file name|de=Dateiname;Datei Name!"),
                              QStringLiteral("Box|de=Box;BOX!#case")};
    QTest::newRow("forbidden terms with one first word") << sharing << QStringLiteral("de-DE") << QStringLiteral("Name")
                                                         << QStringLiteral("Datei Name, Datei Liste") << QStringLiteral("term-forbidden,term-forbidden");
    QTest::newRow("a case-sensitive forbidden term") << sharing << QStringLiteral("de-DE") << QStringLiteral("Name") << QStringLiteral("BOX")
                                                     << QStringLiteral("term-forbidden");
    QTest::newRow("... in another case") << sharing << QStringLiteral("de-DE") << QStringLiteral("Name") << QStringLiteral("Box") << QStringLiteral("");
    QTest::newRow("terms of no words are never found") << QStringList{QStringLiteral("...|de=…;-!")} << QStringLiteral("de-DE")
                                                       << QStringLiteral("Wait ... please") << QStringLiteral("Bitte - warten") << QStringLiteral("");
    QTest::newRow("stem never raises a forbidden term") << device << QStringLiteral("de-DE") << QStringLiteral("Add device") << QStringLiteral("Gerät, keine Apparate") << QStringLiteral("");
    QTest::newRow("placeholder is no term") << QStringList{QStringLiteral("s|de=s")} << QStringLiteral("de-DE") << QStringLiteral("Size s") << QStringLiteral("Größe %s")
                                            << QStringLiteral("term");
    const QStringList name{QStringLiteral("Vistaline Monitor#dnt case")};
    QTest::newRow("do-not-translate kept") << name << QStringLiteral("de-DE") << QStringLiteral("About Vistaline Monitor") << QStringLiteral("Über Vistaline Monitor") << QStringLiteral("");
    QTest::newRow("do-not-translate: case changed") << name << QStringLiteral("de-DE") << QStringLiteral("About Vistaline Monitor") << QStringLiteral("Über Vistaline monitor")
                                                    << QStringLiteral("term-untranslated");
    QTest::newRow("do-not-translate translated") << name << QStringLiteral("fr-FR") << QStringLiteral("About Vistaline Monitor") << QStringLiteral("À propos du Moniteur Vistaline")
                                                 << QStringLiteral("term-untranslated");
    QTest::newRow("do-not-translate with an ending") << name << QStringLiteral("fi-FI") << QStringLiteral("About Vistaline Monitor") << QStringLiteral("Tietoja Vistaline Monitorista") << QStringLiteral("");
    QTest::newRow("do-not-translate in Chinese") << name << QStringLiteral("zh-CN") << QStringLiteral("About Vistaline Monitor") << QStringLiteral("关于Vistaline Monitor") << QStringLiteral("");
}

void TestTerms::valueChecks()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, language);
    QFETCH(QString, english);
    QFETCH(QString, value);
    QFETCH(QString, expected);
    auto terms = std::make_shared<const EnglishTerms>(glossaryOf(entries), QStringList{QStringLiteral("KEY")}, QStringList{english});
    const TermChecker checker(terms, language);
    const std::vector<TermFinding> found = checker.checkRow(0, value);
    QCOMPARE(checkIds(found), expected);
    for (const TermFinding &finding : found) {
        QCOMPARE(finding.key, QStringLiteral("KEY"));
        if (finding.severity != FindingSeverity::Info)
            QCOMPARE(finding.severity, finding.check == u"term-forbidden" ? FindingSeverity::Error : FindingSeverity::Warning);
    }
    QCOMPARE(checkIds(checker.check(QStringLiteral("KEY"), english, value)), expected);
}

// The info of a term that makes one phrase with the next word names the pair as the
// English writes it, accelerators left out, and stays a warning where any use ends its phrase.
void TestTerms::phraseNamedInTheMessage()
{
    auto terms = std::make_shared<const EnglishTerms>(glossaryOf({QStringLiteral("timer|fr=Minuteur")}),
                                                      QStringList{QStringLiteral("A"), QStringLiteral("B")},
                                                      QStringList{QStringLiteral("_Timer Countdown"),
                                                                  QStringLiteral("Timer countdown, then the timer")});
    const TermChecker checker(terms, QStringLiteral("fr-FR"));
    const std::vector<TermFinding> pair = checker.checkRow(0, QStringLiteral("Décompte"));
    QCOMPARE(pair.size(), size_t(1));
    QCOMPARE(pair.front().severity, FindingSeverity::Info);
    QVERIFY2(pair.front().message.contains(QStringLiteral("\"Timer Countdown\"")), qPrintable(pair.front().message));
    const std::vector<TermFinding> twice = checker.checkRow(1, QStringLiteral("Décompte, puis le décompte"));
    QCOMPARE(checkIds(twice), QStringLiteral("term"));
}

// A value's words compared with a term's count what the automaton over the word text
// finds: the term checks of spaced scripts read the words, the others the automaton.
void TestTerms::wordsCountAsTheAutomaton()
{
    const QStringList texts{QStringLiteral("Open the Fi&le: file, FILE and files"),
                            QStringLiteral("a a a a"),
                            QStringLiteral("Device %d device {0} device \\n device"),
                            QStringLiteral("<b>Device</b> list&amp;device list, device-list"),
                            QStringLiteral("ÄPFEL und Äpfel, l'instantané"),
                            QStringLiteral("  spaces   between  words  "),
                            QStringLiteral("Device: the DEVICE-list, device list. File 2 files"),
                            QString()};
    const QStringList phrases{QStringLiteral("file"), QStringLiteral("a a"), QStringLiteral("device"), QStringLiteral("device list"),
                              QStringLiteral("äpfel"), QStringLiteral("Äpfel"), QStringLiteral("instantané"), QStringLiteral("between words"),
                              QStringLiteral("device %d device")};
    for (const bool folded : {true, false})
        for (const QString &phrase : phrases) {
            const QString words = Terms::wordText(phrase, folded);
            Terms::PhraseAutomaton automaton;
            automaton.add(words, 0);
            automaton.build();
            const Terms::WordPhrase wordPhrase(words, folded);
            for (const QString &text : texts) {
                Terms::TextWords read;
                read.read(text);
                const int expected = int(automaton.matches(Terms::wordText(text, folded)).size());
                QVERIFY2(read.count(wordPhrase) == expected,
                         qPrintable(QStringLiteral("\"%1\" in \"%2\", folded %3").arg(phrase, text).arg(folded)));
            }
        }
}

void TestTerms::demoGermanShowsOneOfEach()
{
    const QString product = TestSupport::demoProductDir();
    QString error;
    CheckEngine engine;
    QVERIFY2(engine.open(product), qPrintable(engine.error()));
    QHash<QString, QString> held;
    QVERIFY(readLanguageValues(QDir(product).filePath(QStringLiteral("language/German (Germany).ini")), &held, &error));
    QStringList values;
    for (const QString &name : engine.attributeNames())
        values.append(held.value(name));
    const auto english = loadProductTerms(product, engine.attributeNames(), engine.masterValues(), error);
    QVERIFY2(english, qPrintable(error));
    // A product without a glossary has no terms and no error; a refused file says why.
    QTemporaryDir other;
    QVERIFY(!loadProductTerms(other.path(), {}, {}, error) && error.isEmpty());
    QVERIFY(TestSupport::writeBytes(productGlossaryPath(other.path()), "<!DOCTYPE martif [<!ENTITY e \"x\">]><martif/>"));
    QVERIFY(!loadProductTerms(other.path(), {}, {}, error));
    QVERIFY2(error.contains(QLatin1String("is refused")), qPrintable(error));
    const TermChecker checker(english, QStringLiteral("de-DE"));
    QVERIFY(checker.hasStemmer());
    QStringList found;
    // None an info: the demo shows each check at its own severity.
    for (const TermFinding &finding : checker.checkAll(values))
        found.append(finding.check + u' ' + finding.key + (finding.severity == FindingSeverity::Info ? QStringLiteral(" (info)") : QString()));
    found.sort();
    QCOMPARE(found.join(u'|'), (QStringList{QStringLiteral("term IDS_SYSTEM_REBOOT"), QStringLiteral("term-forbidden MSG_OPERATION_TIMEOUT"),
                                 QStringLiteral("term-untranslated IDS_LIVE_VIEW")}.join(u'|')));
    // The panel's entries of one English text: the terms with the language's translations, forbidden ones too.
    const std::vector<TermChecker::Entry> entries = checker.entriesFor(QStringLiteral("Connection timeout"));
    QCOMPARE(entries.size(), size_t(1));
    QCOMPARE(entries[0].terms.size(), 2);
    QCOMPARE(entries[0].terms[1].status, TermStatus::Forbidden);
}

void TestTerms::importMerges()
{
    Glossary glossary = sampleGlossary();
    Glossary incoming;
    incoming.concepts.push_back(entryOf(QStringLiteral("DEVICE|de-DE=Apparat;Gerätschaft|it-IT=dispositivo")));
    incoming.concepts.push_back(entryOf(QStringLiteral("channel|de-DE=Kanal")));
    incoming.concepts.back().id = QStringLiteral("c2"); // taken: it gets another
    int added = 0, updated = 0;
    glossary.merge(incoming, &added, &updated);
    QCOMPARE(added, 1);
    QCOMPARE(updated, 1);
    QCOMPARE(glossary.concepts.size(), size_t(4));
    const TermConcept &device = glossary.concepts[0];
    QCOMPARE(device.english.size(), 2); // "DEVICE" is "device": not added again
    const QList<Term> &german = device.translations.at(QStringLiteral("de-DE"));
    QCOMPARE(german.size(), 4);
    QCOMPARE(german[2].status, TermStatus::Preferred); // "Apparat" as the file says now
    QCOMPARE(device.translations.at(QStringLiteral("it-IT")).size(), 1);
    QCOMPARE(glossary.concepts[3].id, QStringLiteral("c4"));
    // The same file again changes nothing.
    glossary.merge(incoming, &added, &updated);
    QCOMPARE(added + updated, 0);
}

void TestTerms::productGlossaryCache()
{
    // The glossary read from the TBX file is kept in the user's cache, read back while
    // the file is unchanged, and never trusted over the file.
    QTemporaryDir product, cacheHome;
    qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
    QString error;
    // A small glossary reads fast, and gets no cache.
    QVERIFY(saveProductGlossary(product.path(), sampleGlossary(), error));
    Glossary first, again;
    QVERIFY(loadProductGlossary(product.path(), first, error));
    QVERIFY(!QDir(cacheHome.path() + QStringLiteral("/glossa")).exists());
    // A large one: a thousand entries in five languages.
    Glossary large;
    for (int c = 0; c < 1000; ++c) {
        large.concepts.push_back(entryOf(QStringLiteral("term %1|de=Begriff %1|fr=terme %1|it=termine %1|es=término %1|nl=term %1!").arg(c)));
        large.concepts.back().id = QStringLiteral("c%1").arg(c);
    }
    QVERIFY(saveProductGlossary(product.path(), large, error));
    QVERIFY(QFileInfo(productGlossaryPath(product.path())).size() > 512 * 1024);
    QVERIFY(loadProductGlossary(product.path(), first, error));
    QCOMPARE(first.concepts.size(), size_t(1000));
    const QStringList cached = QDir(cacheHome.path() + QStringLiteral("/glossa/glossaries")).entryList(QDir::Files);
    QCOMPARE(cached.size(), 1);
    const QString cache = cacheHome.path() + QStringLiteral("/glossa/glossaries/") + cached.front();
    QVERIFY(loadProductGlossary(product.path(), again, error));
    QCOMPARE(again, first);

    // The caches of other glossaries, less recently used, make way: the folder keeps 16.
    for (int other = 0; other < 20; ++other) {
        QFile old(cacheHome.path() + QStringLiteral("/glossa/glossaries/other%1.bin").arg(other));
        QVERIFY(old.open(QIODevice::WriteOnly));
        QVERIFY(old.setFileTime(QDateTime::currentDateTime().addDays(-1 - other), QFileDevice::FileModificationTime));
    }

    // A damaged cache is read past, and made again.
    QFile damaged(cache);
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    const qint64 size = damaged.size();
    QVERIFY(damaged.resize(size / 2));
    damaged.close();
    QVERIFY(loadProductGlossary(product.path(), again, error));
    QCOMPARE(again, first);
    QCOMPARE(QFileInfo(cache).size(), size);
    // So is one whose count of languages asks for billions: it is refused, not allocated.
    QVERIFY(damaged.open(QIODevice::ReadWrite));
    QVERIFY(damaged.seek(24)); // after the magic, the version, the file's size and time
    QVERIFY(damaged.write(QByteArray(4, '\xff')) == 4);
    damaged.close();
    QVERIFY(loadProductGlossary(product.path(), again, error));
    QCOMPARE(again, first);
    const QStringList kept = QDir(cacheHome.path() + QStringLiteral("/glossa/glossaries")).entryList(QDir::Files);
    QCOMPARE(kept.size(), 16);
    QVERIFY(kept.contains(cached.front()) && kept.contains(QStringLiteral("other0.bin")) && !kept.contains(QStringLiteral("other19.bin")));

    // A changed file is read, not the cache.
    large.concepts.pop_back();
    QVERIFY(saveProductGlossary(product.path(), large, error));
    QVERIFY(loadProductGlossary(product.path(), again, error));
    QCOMPARE(again.concepts.size(), size_t(999));

    // Without a cache to write to, the file is read all the same.
    qputenv("XDG_CACHE_HOME", cache.toUtf8()); // a file, where a folder would be
    QVERIFY(loadProductGlossary(product.path(), again, error));
    QCOMPARE(again.concepts.size(), size_t(999));
    qunsetenv("XDG_CACHE_HOME");
}

void TestTerms::extraction()
{
    const QStringList english{QStringLiteral("\"Device\""),      QStringLiteral("Add device"),    QStringLiteral("Delete device"),
                              QStringLiteral("Edit &device..."), QStringLiteral("Device:"),       QStringLiteral("Channel"),
                              QStringLiteral("Channel %d"),      QStringLiteral("Channel list"),  QStringLiteral("Save"),
                              QStringLiteral("Saved %d files"),  QStringLiteral("The device %d"),
                              QStringLiteral("Device")};
    const QStringList german{QStringLiteral("\"Gerät\""),        QStringLiteral("Gerät hinzufügen"), QStringLiteral("Geräte löschen"),
                             QStringLiteral("Gerät &bearbeiten"), QStringLiteral("Apparat:"),        QStringLiteral("Kanal"),
                             QStringLiteral("Kanal %d"),          QStringLiteral("Senderliste"),     QString(),
                             QStringLiteral("%d gespeichert"),    QString(),
                             QStringLiteral("Gerät")};
    const std::vector<ExtractedTerm> terms = extractTerms(english, german, QStringLiteral("de-DE"));
    QCOMPARE(terms.size(), size_t(2)); // "Save" never recurs: "Saved" is another word
    // Ranked by how many texts use the translation: "Gerät" (also as "Geräte") in 3.
    QCOMPARE(terms[0].english, QStringLiteral("Device"));
    QCOMPARE(terms[0].translation, QStringLiteral("Gerät"));
    QCOMPARE(terms[0].standalone, 3);
    QCOMPARE(terms[0].recurrences, 4);
    QCOMPARE(terms[0].translationUses, 3);
    QVERIFY(terms[0].needsReview); // "Apparat" under one of its keys
    QVERIFY2(terms[0].comment.contains(QLatin1String("\"Apparat\" (1)")), qPrintable(terms[0].comment));
    QCOMPARE(terms[1].english, QStringLiteral("Channel"));
    QCOMPARE(terms[1].translationUses, 1);
    QVERIFY(!terms[1].needsReview);
    QCOMPARE(extractedAsTsv(terms).split('\n').front(), (QStringLiteral("Device\tGerät\t") + terms[0].comment).toUtf8());
    const Glossary proposed = extractedGlossary(terms, QStringLiteral("de-DE"));
    QCOMPARE(proposed.concepts[1].translations.at(QStringLiteral("de-DE")).front().text, QStringLiteral("Kanal"));
}

QTEST_GUILESS_MAIN(TestTerms)
#include "tst_terms.moc"
