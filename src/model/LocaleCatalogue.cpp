#include "model/LocaleCatalogue.h"

#include <QStringView>

#include <iterator>

namespace Glossa {

namespace {

struct LocaleSeed
{
    QStringView displayName;
    QStringView localeCode;
    QStringView webName;
    QStringView bcp47;
};

// Rows 0 and 1 are the two languages the tool itself needs first; the rest follow in
// ordinal order of display name, which is the order every language list shows.
// Each row also carries its BCP 47 tag, which exchange files name languages by; the
// Caribbean's is a region number and traditional Spanish sorting a collation extension.
// Vietnamese really has an upper-case "A" in its code, and lookups are case-sensitive.
constexpr LocaleSeed localeSeeds[] = {
    {u"Chinese (PRC)", u"0x0804", u"zh-cn", u"zh-CN"},
    {u"English (United States)", u"0x0409", u"en-us", u"en-US"},
    {u"Afrikaans (South Africa)", u"0x0436", u"Afrikaans_South_Africa", u"af-ZA"},
    {u"Albanian (Albania)", u"0x041c", u"Albanian_Albania", u"sq-AL"},
    {u"Arabic (Algeria)", u"0x1401", u"Arabic_Algeria", u"ar-DZ"},
    {u"Arabic (Bahrain)", u"0x3c01", u"Arabic_Bahrain", u"ar-BH"},
    {u"Arabic (Egypt)", u"0x0c01", u"Arabic_Egypt", u"ar-EG"},
    {u"Arabic (Iraq)", u"0x0801", u"Arabic_Iraq", u"ar-IQ"},
    {u"Arabic (Jordan)", u"0x2c01", u"Arabic_Jordan", u"ar-JO"},
    {u"Arabic (Kuwait)", u"0x3401", u"Arabic_Kuwait", u"ar-KW"},
    {u"Arabic (Lebanon)", u"0x3001", u"Arabic_Lebanon", u"ar-LB"},
    {u"Arabic (Libya)", u"0x1001", u"Arabic_Libya", u"ar-LY"},
    {u"Arabic (Morocco)", u"0x1801", u"Arabic_Morocco", u"ar-MA"},
    {u"Arabic (Oman)", u"0x2001", u"Arabic_Oman", u"ar-OM"},
    {u"Arabic (Qatar)", u"0x4001", u"Arabic_Qatar", u"ar-QA"},
    {u"Arabic (Saudi Arabia)", u"0x0401", u"Arabic_Saudi_Arabia", u"ar-SA"},
    {u"Arabic (Syria)", u"0x2801", u"Arabic_Syria", u"ar-SY"},
    {u"Arabic (Tunisia)", u"0x1c01", u"Arabic_Tunisia", u"ar-TN"},
    {u"Arabic (U.A.E.)", u"0x3801", u"Arabic_UAE", u"ar-AE"},
    {u"Arabic (Yemen)", u"0x2401", u"Arabic_Yemen", u"ar-YE"},
    {u"Azeri (Azerbaijan, Cyrillic)", u"0x082c", u"Azeri_Azerbaijan_Cyrillic", u"az-Cyrl-AZ"},
    {u"Azeri (Azerbaijan, Latin)", u"0x042c", u"Azeri_Azerbaijan_Latin", u"az-Latn-AZ"},
    {u"Basque (Basque)", u"0x042d", u"Basque_Basque", u"eu-ES"},
    {u"Belarusian (Belarus)", u"0x0423", u"Belarusian_Belarus", u"be-BY"},
    {u"Breton (France)", u"0x047e", u"Breton_France", u"br-FR"},
    {u"Bulgarian (Bulgaria)", u"0x0402", u"Bulgarian_Bulgaria", u"bg-BG"},
    {u"Catalan (Catalan)", u"0x0403", u"Catalan_Catalan", u"ca-ES"},
    {u"Chinese (Hong Kong SAR, PRC)", u"0x0c04", u"Chinese_Hong_Kong_SAR_PRC", u"zh-HK"},
    {u"Chinese (Singapore)", u"0x1004", u"Chinese_Singapore", u"zh-SG"},
    {u"Chinese (Taiwan)", u"0x0404", u"Chinese_Taiwan", u"zh-TW"},
    {u"Croatian (Croatia)", u"0x041a", u"Croatian_Croatia", u"hr-HR"},
    {u"Czech (Czech Republic)", u"0x0405", u"Czech_Czech_Republic", u"cs-CZ"},
    {u"Danish (Denmark)", u"0x0406", u"Danish_Denmark", u"da-DK"},
    {u"Dutch (Belgium)", u"0x0813", u"Dutch_Belgium", u"nl-BE"},
    {u"Dutch (Netherlands)", u"0x0413", u"Dutch_Netherlands", u"nl-NL"},
    {u"English (Australia)", u"0x0c09", u"English_Australia", u"en-AU"},
    {u"English (Belize)", u"0x2809", u"English_Belize", u"en-BZ"},
    {u"English (Canada)", u"0x1009", u"English_Canada", u"en-CA"},
    {u"English (Caribbean)", u"0x2409", u"English_Caribbean", u"en-029"},
    {u"English (Ireland)", u"0x1809", u"English_Ireland", u"en-IE"},
    {u"English (Jamaica)", u"0x2009", u"English_Jamaica", u"en-JM"},
    {u"English (New Zealand)", u"0x1409", u"English_New_Zealand", u"en-NZ"},
    {u"English (South Africa)", u"0x1c09", u"English_South_Africa", u"en-ZA"},
    {u"English (Trinidad and Tobago)", u"0x2c09", u"English_Trinidad_and_Tobago", u"en-TT"},
    {u"English (United Kingdom)", u"0x0809", u"English_United_Kingdom", u"en-GB"},
    {u"Estonian (Estonia)", u"0x0425", u"Estonian_Estonia", u"et-EE"},
    {u"Faroese (Faroe Islands)", u"0x0438", u"Faroese_Faroe_Islands", u"fo-FO"},
    {u"Finnish (Finland)", u"0x040b", u"Finnish_Finland", u"fi-FI"},
    {u"French (Belgium)", u"0x080c", u"French_Belgium", u"fr-BE"},
    {u"French (Canada)", u"0x0c0c", u"French_Canada", u"fr-CA"},
    {u"French (France)", u"0x040c", u"French_France", u"fr-FR"},
    {u"French (Luxembourg)", u"0x140c", u"French_Luxembourg", u"fr-LU"},
    {u"French (Monaco)", u"0x180c", u"French_Monaco", u"fr-MC"},
    {u"French (Switzerland)", u"0x100c", u"French_Switzerland", u"fr-CH"},
    {u"German (Austria)", u"0x0c07", u"German_Austria", u"de-AT"},
    {u"German (Germany)", u"0x0407", u"German_Germany", u"de-DE"},
    {u"German (Liechtenstein)", u"0x1407", u"German_Liechtenstein", u"de-LI"},
    {u"German (Luxembourg)", u"0x1007", u"German_Luxembourg", u"de-LU"},
    {u"German (Switzerland)", u"0x0807", u"German_Switzerland", u"de-CH"},
    {u"Greek (Greece)", u"0x0408", u"Greek_Greece", u"el-GR"},
    {u"Hebrew (Israel)", u"0x040d", u"Hebrew_Israel", u"he-IL"},
    {u"Hungarian (Hungary)", u"0x040e", u"Hungarian_Hungary", u"hu-HU"},
    {u"Icelandic (Iceland)", u"0x040f", u"Icelandic_Iceland", u"is-IS"},
    {u"Igbo (Nigeria)", u"0x0470", u"Igbo_Nigeria", u"ig-NG"},
    {u"Indonesian (Indonesia)", u"0x0421", u"Indonesian_Indonesia", u"id-ID"},
    {u"Italian (Italy)", u"0x0410", u"Italian_Italy", u"it-IT"},
    {u"Italian (Switzerland)", u"0x0810", u"Italian_Switzerland", u"it-CH"},
    {u"Japanese (Japan)", u"0x0411", u"Japanese_Japan", u"ja-JP"},
    {u"Korean (Korea)", u"0x0412", u"Korean_Korea", u"ko-KR"},
    {u"Latvian (Latvia)", u"0x0426", u"Latvian_Latvia", u"lv-LV"},
    {u"Lithuanian (Lithuania)", u"0x0427", u"Lithuanian_Lithuania", u"lt-LT"},
    {u"Norwegian (Bokmal, Norway)", u"0x0414", u"Norwegian_Bokmal_Norway", u"nb-NO"},
    {u"Norwegian (Nynorsk, Norway)", u"0x0814", u"Norwegian_Nynorsk_Norway", u"nn-NO"},
    {u"Occitan (France)", u"0x0482", u"Occitan_France", u"oc-FR"},
    {u"Oriya (India)", u"0x0448", u"Oriya_India", u"or-IN"},
    {u"Persian (Iran)", u"0x0429", u"Persian_Iran", u"fa-IR"},
    {u"Polish (Poland)", u"0x0415", u"Polish_Poland", u"pl-PL"},
    {u"Portuguese (Brazil)", u"0x0416", u"Portuguese_Brazil", u"pt-BR"},
    {u"Portuguese (Portugal)", u"0x0816", u"Portuguese_Portugal", u"pt-PT"},
    {u"Romanian (Romania)", u"0x0418", u"Romanian_Romania", u"ro-RO"},
    {u"Russian (Russia)", u"0x0419", u"Russian_Russia", u"ru-RU"},
    {u"Serbian (Serbia, Cyrillic)", u"0x0c1a", u"Serbian_Serbia_Cyrillic", u"sr-Cyrl-RS"},
    {u"Serbian (Serbia, Latin)", u"0x081a", u"Serbian_Serbia_Latin", u"sr-Latn-RS"},
    {u"Slovak (Slovakia)", u"0x041b", u"Slovak_Slovakia", u"sk-SK"},
    {u"Slovenian (Slovenia)", u"0x0424", u"Slovenian_Slovenia", u"sl-SI"},
    {u"Spanish (Argentina)", u"0x2c0a", u"Spanish_Argentina", u"es-AR"},
    {u"Spanish (Bolivia)", u"0x400a", u"Spanish_Bolivia", u"es-BO"},
    {u"Spanish (Chile)", u"0x340a", u"Spanish_Chile", u"es-CL"},
    {u"Spanish (Colombia)", u"0x240a", u"Spanish_Colombia", u"es-CO"},
    {u"Spanish (Costa Rica)", u"0x140a", u"Spanish_Costa_Rica", u"es-CR"},
    {u"Spanish (Dominican Republic)", u"0x1c0a", u"Spanish_Dominican_Republic", u"es-DO"},
    {u"Spanish (Ecuador)", u"0x300a", u"Spanish_Ecuador", u"es-EC"},
    {u"Spanish (El Salvador)", u"0x440a", u"Spanish_El_Salvador", u"es-SV"},
    {u"Spanish (Guatemala)", u"0x100a", u"Spanish_Guatemala", u"es-GT"},
    {u"Spanish (Honduras)", u"0x480a", u"Spanish_Honduras", u"es-HN"},
    {u"Spanish (Mexico)", u"0x080a", u"Spanish_Mexico", u"es-MX"},
    {u"Spanish (Nicaragua)", u"0x4c0a", u"Spanish_Nicaragua", u"es-NI"},
    {u"Spanish (Panama)", u"0x180a", u"Spanish_Panama", u"es-PA"},
    {u"Spanish (Paraguay)", u"0x3c0a", u"Spanish_Paraguay", u"es-PY"},
    {u"Spanish (Peru)", u"0x280a", u"Spanish_Peru", u"es-PE"},
    {u"Spanish (Puerto Rico)", u"0x500a", u"Spanish_Puerto_Rico", u"es-PR"},
    {u"Spanish (Spain)", u"0x0c0a", u"Spanish_Spain", u"es-ES"},
    {u"Spanish (Spain, Traditional Sort)", u"0x040a", u"Spanish_Spain_Traditional_Sort", u"es-ES-u-co-trad"},
    {u"Spanish (Uruguay)", u"0x380a", u"Spanish_Uruguay", u"es-UY"},
    {u"Spanish (Venezuela)", u"0x200a", u"Spanish_Venezuela", u"es-VE"},
    {u"Swedish (Finland)", u"0x081d", u"Swedish_Finland", u"sv-FI"},
    {u"Swedish (Sweden)", u"0x041d", u"Swedish_Sweden", u"sv-SE"},
    {u"Thai (Thailand)", u"0x041e", u"Thai_Thailand", u"th-TH"},
    {u"Turkish (Turkey)", u"0x041f", u"Turkish_Turkey", u"tr-TR"},
    {u"Ukrainian (Ukraine)", u"0x0422", u"Ukrainian_Ukraine", u"uk-UA"},
    {u"Urdu (India)", u"0x0820", u"Urdu_India", u"ur-IN"},
    {u"Vietnamese (Vietnam)", u"0x042A", u"Vietnamese_Vietnam", u"vi-VN"},
};

static_assert(std::size(localeSeeds) <= LocaleCatalogue::Capacity);

} // namespace

LocaleCatalogue::LocaleCatalogue()
{
    for (const LocaleSeed &seed : localeSeeds) {
        LocaleRow &row = m_rows[m_rowCount++];
        row.displayName = seed.displayName.toString();
        row.localeCode = seed.localeCode.toString();
        row.webName = seed.webName.toString();
        row.bcp47 = seed.bcp47.toString();
    }
}

const LocaleCatalogue &LocaleCatalogue::instance()
{
    static const LocaleCatalogue catalogue;
    return catalogue;
}

int LocaleCatalogue::RowCount()
{
    return instance().m_rowCount;
}

const LocaleRow &LocaleCatalogue::RowAt(int row)
{
    Q_ASSERT(row >= 0 && row < RowCount());
    return instance().m_rows[row];
}

QString LocaleCatalogue::DisplayNameAt(int row)
{
    return row >= 0 && row < RowCount() ? instance().m_rows[row].displayName : QString();
}

QString LocaleCatalogue::WebNameAt(int row)
{
    return row >= 0 && row < RowCount() ? instance().m_rows[row].webName : QString();
}

QString LocaleCatalogue::DisplayNameForCode(const QString &localeCode)
{
    return instance().find(&LocaleRow::localeCode, &LocaleRow::displayName, localeCode);
}

QString LocaleCatalogue::WebNameForCode(const QString &localeCode)
{
    return instance().find(&LocaleRow::localeCode, &LocaleRow::webName, localeCode);
}

QString LocaleCatalogue::CodeForDisplayName(const QString &displayName)
{
    return instance().find(&LocaleRow::displayName, &LocaleRow::localeCode, displayName);
}

QString LocaleCatalogue::CodeForWebName(const QString &webName)
{
    return instance().find(&LocaleRow::webName, &LocaleRow::localeCode, webName);
}

QString LocaleCatalogue::Bcp47ForDisplayName(const QString &displayName)
{
    return instance().find(&LocaleRow::displayName, &LocaleRow::bcp47, displayName);
}

QString LocaleCatalogue::DisplayNameForBcp47(const QString &tag)
{
    // Tags compare without regard to case ("de-de" is "de-DE").
    const LocaleCatalogue &catalogue = instance();
    for (int i = 0; i < catalogue.m_rowCount; ++i) {
        if (catalogue.m_rows[i].bcp47.compare(tag, Qt::CaseInsensitive) == 0)
            return catalogue.m_rows[i].displayName;
    }
    return QString();
}

QString LocaleCatalogue::find(QString LocaleRow::*compared, QString LocaleRow::*wanted, const QString &key) const
{
    // 112 rows: a plain scan is cheap, and the first match wins.
    for (int i = 0; i < m_rowCount; ++i) {
        if (m_rows[i].*compared == key)
            return m_rows[i].*wanted;
    }
    return QString();
}

} // namespace Glossa
