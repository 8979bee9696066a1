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
};

// Rows 0 and 1 are the two languages the tool itself needs first; the rest follow in
// ordinal order of display name, which is the order every language list shows.
// Vietnamese really has an upper-case "A" in its code, and lookups are case-sensitive.
constexpr LocaleSeed localeSeeds[] = {
    {u"Chinese (PRC)", u"0x0804", u"zh-cn"},
    {u"English (United States)", u"0x0409", u"en-us"},
    {u"Afrikaans (South Africa)", u"0x0436", u"Afrikaans_South_Africa"},
    {u"Albanian (Albania)", u"0x041c", u"Albanian_Albania"},
    {u"Arabic (Algeria)", u"0x1401", u"Arabic_Algeria"},
    {u"Arabic (Bahrain)", u"0x3c01", u"Arabic_Bahrain"},
    {u"Arabic (Egypt)", u"0x0c01", u"Arabic_Egypt"},
    {u"Arabic (Iraq)", u"0x0801", u"Arabic_Iraq"},
    {u"Arabic (Jordan)", u"0x2c01", u"Arabic_Jordan"},
    {u"Arabic (Kuwait)", u"0x3401", u"Arabic_Kuwait"},
    {u"Arabic (Lebanon)", u"0x3001", u"Arabic_Lebanon"},
    {u"Arabic (Libya)", u"0x1001", u"Arabic_Libya"},
    {u"Arabic (Morocco)", u"0x1801", u"Arabic_Morocco"},
    {u"Arabic (Oman)", u"0x2001", u"Arabic_Oman"},
    {u"Arabic (Qatar)", u"0x4001", u"Arabic_Qatar"},
    {u"Arabic (Saudi Arabia)", u"0x0401", u"Arabic_Saudi_Arabia"},
    {u"Arabic (Syria)", u"0x2801", u"Arabic_Syria"},
    {u"Arabic (Tunisia)", u"0x1c01", u"Arabic_Tunisia"},
    {u"Arabic (U.A.E.)", u"0x3801", u"Arabic_UAE"},
    {u"Arabic (Yemen)", u"0x2401", u"Arabic_Yemen"},
    {u"Azeri (Azerbaijan, Cyrillic)", u"0x082c", u"Azeri_Azerbaijan_Cyrillic"},
    {u"Azeri (Azerbaijan, Latin)", u"0x042c", u"Azeri_Azerbaijan_Latin"},
    {u"Basque (Basque)", u"0x042d", u"Basque_Basque"},
    {u"Belarusian (Belarus)", u"0x0423", u"Belarusian_Belarus"},
    {u"Breton (France)", u"0x047e", u"Breton_France"},
    {u"Bulgarian (Bulgaria)", u"0x0402", u"Bulgarian_Bulgaria"},
    {u"Catalan (Catalan)", u"0x0403", u"Catalan_Catalan"},
    {u"Chinese (Hong Kong SAR, PRC)", u"0x0c04", u"Chinese_Hong_Kong_SAR_PRC"},
    {u"Chinese (Singapore)", u"0x1004", u"Chinese_Singapore"},
    {u"Chinese (Taiwan)", u"0x0404", u"Chinese_Taiwan"},
    {u"Croatian (Croatia)", u"0x041a", u"Croatian_Croatia"},
    {u"Czech (Czech Republic)", u"0x0405", u"Czech_Czech_Republic"},
    {u"Danish (Denmark)", u"0x0406", u"Danish_Denmark"},
    {u"Dutch (Belgium)", u"0x0813", u"Dutch_Belgium"},
    {u"Dutch (Netherlands)", u"0x0413", u"Dutch_Netherlands"},
    {u"English (Australia)", u"0x0c09", u"English_Australia"},
    {u"English (Belize)", u"0x2809", u"English_Belize"},
    {u"English (Canada)", u"0x1009", u"English_Canada"},
    {u"English (Caribbean)", u"0x2409", u"English_Caribbean"},
    {u"English (Ireland)", u"0x1809", u"English_Ireland"},
    {u"English (Jamaica)", u"0x2009", u"English_Jamaica"},
    {u"English (New Zealand)", u"0x1409", u"English_New_Zealand"},
    {u"English (South Africa)", u"0x1c09", u"English_South_Africa"},
    {u"English (Trinidad and Tobago)", u"0x2c09", u"English_Trinidad_and_Tobago"},
    {u"English (United Kingdom)", u"0x0809", u"English_United_Kingdom"},
    {u"Estonian (Estonia)", u"0x0425", u"Estonian_Estonia"},
    {u"Faroese (Faroe Islands)", u"0x0438", u"Faroese_Faroe_Islands"},
    {u"Finnish (Finland)", u"0x040b", u"Finnish_Finland"},
    {u"French (Belgium)", u"0x080c", u"French_Belgium"},
    {u"French (Canada)", u"0x0c0c", u"French_Canada"},
    {u"French (France)", u"0x040c", u"French_France"},
    {u"French (Luxembourg)", u"0x140c", u"French_Luxembourg"},
    {u"French (Monaco)", u"0x180c", u"French_Monaco"},
    {u"French (Switzerland)", u"0x100c", u"French_Switzerland"},
    {u"German (Austria)", u"0x0c07", u"German_Austria"},
    {u"German (Germany)", u"0x0407", u"German_Germany"},
    {u"German (Liechtenstein)", u"0x1407", u"German_Liechtenstein"},
    {u"German (Luxembourg)", u"0x1007", u"German_Luxembourg"},
    {u"German (Switzerland)", u"0x0807", u"German_Switzerland"},
    {u"Greek (Greece)", u"0x0408", u"Greek_Greece"},
    {u"Hebrew (Israel)", u"0x040d", u"Hebrew_Israel"},
    {u"Hungarian (Hungary)", u"0x040e", u"Hungarian_Hungary"},
    {u"Icelandic (Iceland)", u"0x040f", u"Icelandic_Iceland"},
    {u"Igbo (Nigeria)", u"0x0470", u"Igbo_Nigeria"},
    {u"Indonesian (Indonesia)", u"0x0421", u"Indonesian_Indonesia"},
    {u"Italian (Italy)", u"0x0410", u"Italian_Italy"},
    {u"Italian (Switzerland)", u"0x0810", u"Italian_Switzerland"},
    {u"Japanese (Japan)", u"0x0411", u"Japanese_Japan"},
    {u"Korean (Korea)", u"0x0412", u"Korean_Korea"},
    {u"Latvian (Latvia)", u"0x0426", u"Latvian_Latvia"},
    {u"Lithuanian (Lithuania)", u"0x0427", u"Lithuanian_Lithuania"},
    {u"Norwegian (Bokmal, Norway)", u"0x0414", u"Norwegian_Bokmal_Norway"},
    {u"Norwegian (Nynorsk, Norway)", u"0x0814", u"Norwegian_Nynorsk_Norway"},
    {u"Occitan (France)", u"0x0482", u"Occitan_France"},
    {u"Oriya (India)", u"0x0448", u"Oriya_India"},
    {u"Persian (Iran)", u"0x0429", u"Persian_Iran"},
    {u"Polish (Poland)", u"0x0415", u"Polish_Poland"},
    {u"Portuguese (Brazil)", u"0x0416", u"Portuguese_Brazil"},
    {u"Portuguese (Portugal)", u"0x0816", u"Portuguese_Portugal"},
    {u"Romanian (Romania)", u"0x0418", u"Romanian_Romania"},
    {u"Russian (Russia)", u"0x0419", u"Russian_Russia"},
    {u"Serbian (Serbia, Cyrillic)", u"0x0c1a", u"Serbian_Serbia_Cyrillic"},
    {u"Serbian (Serbia, Latin)", u"0x081a", u"Serbian_Serbia_Latin"},
    {u"Slovak (Slovakia)", u"0x041b", u"Slovak_Slovakia"},
    {u"Slovenian (Slovenia)", u"0x0424", u"Slovenian_Slovenia"},
    {u"Spanish (Argentina)", u"0x2c0a", u"Spanish_Argentina"},
    {u"Spanish (Bolivia)", u"0x400a", u"Spanish_Bolivia"},
    {u"Spanish (Chile)", u"0x340a", u"Spanish_Chile"},
    {u"Spanish (Colombia)", u"0x240a", u"Spanish_Colombia"},
    {u"Spanish (Costa Rica)", u"0x140a", u"Spanish_Costa_Rica"},
    {u"Spanish (Dominican Republic)", u"0x1c0a", u"Spanish_Dominican_Republic"},
    {u"Spanish (Ecuador)", u"0x300a", u"Spanish_Ecuador"},
    {u"Spanish (El Salvador)", u"0x440a", u"Spanish_El_Salvador"},
    {u"Spanish (Guatemala)", u"0x100a", u"Spanish_Guatemala"},
    {u"Spanish (Honduras)", u"0x480a", u"Spanish_Honduras"},
    {u"Spanish (Mexico)", u"0x080a", u"Spanish_Mexico"},
    {u"Spanish (Nicaragua)", u"0x4c0a", u"Spanish_Nicaragua"},
    {u"Spanish (Panama)", u"0x180a", u"Spanish_Panama"},
    {u"Spanish (Paraguay)", u"0x3c0a", u"Spanish_Paraguay"},
    {u"Spanish (Peru)", u"0x280a", u"Spanish_Peru"},
    {u"Spanish (Puerto Rico)", u"0x500a", u"Spanish_Puerto_Rico"},
    {u"Spanish (Spain)", u"0x0c0a", u"Spanish_Spain"},
    {u"Spanish (Spain, Traditional Sort)", u"0x040a", u"Spanish_Spain_Traditional_Sort"},
    {u"Spanish (Uruguay)", u"0x380a", u"Spanish_Uruguay"},
    {u"Spanish (Venezuela)", u"0x200a", u"Spanish_Venezuela"},
    {u"Swedish (Finland)", u"0x081d", u"Swedish_Finland"},
    {u"Swedish (Sweden)", u"0x041d", u"Swedish_Sweden"},
    {u"Thai (Thailand)", u"0x041e", u"Thai_Thailand"},
    {u"Turkish (Turkey)", u"0x041f", u"Turkish_Turkey"},
    {u"Ukrainian (Ukraine)", u"0x0422", u"Ukrainian_Ukraine"},
    {u"Urdu (India)", u"0x0820", u"Urdu_India"},
    {u"Vietnamese (Vietnam)", u"0x042A", u"Vietnamese_Vietnam"},
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
