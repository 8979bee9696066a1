#pragma once

#include <QString>
#include <QStringView>

namespace Glossa {

// White space trimmed from INI lines, keys and values: space, tab, CR, LF,
// vertical tab and form feed. Other Unicode spaces (a French no-break space
// before a colon, say) belong to the text and are kept.
bool isProfileSpace(QChar c);
QStringView trimProfileSpace(QStringView text);

// One key=value line split the way every reader of the language files splits it.
struct ProfileSplit
{
    QString key;
    QString value;
    bool hasSeparator = false; // false: the line holds no "=" and is no entry
};

// Splits a line at its last "=", trimming key and value. A quoted value may
// itself hold "=": when the trimmed line ends with a double quote and holds an
// "=" followed (after optional blanks) by a double quote, the key is the text
// before the first such "=" and the value is the quoted rest, so that
// Brightness="Level = %d" keeps its key. Every other line splits at its last "=".
ProfileSplit splitProfileLine(QStringView line);

// The same split as views into the line, for readers that copy only what they keep.
struct ProfileSplitView
{
    QStringView key;
    QStringView value;
    bool hasSeparator = false;
};
ProfileSplitView splitProfileLineView(QStringView line);

} // namespace Glossa
