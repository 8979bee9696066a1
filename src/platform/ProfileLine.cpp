#include "platform/ProfileLine.h"

namespace Glossa {

bool isProfileSpace(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == u'\v' || u == u'\f';
}

QStringView trimProfileSpace(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isProfileSpace(text[begin]))
        ++begin;
    while (end > begin && isProfileSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

ProfileSplitView splitProfileLineView(QStringView line)
{
    const QStringView trimmed = trimProfileSpace(line);
    qsizetype separator = -1;
    if (trimmed.endsWith(u'"')) {
        for (qsizetype i = trimmed.indexOf(u'='); i >= 0; i = trimmed.indexOf(u'=', i + 1)) {
            qsizetype next = i + 1;
            while (next < trimmed.size() && isProfileSpace(trimmed[next]))
                ++next;
            if (next < trimmed.size() && trimmed[next] == u'"') {
                separator = i;
                break;
            }
        }
    }
    if (separator < 0)
        separator = trimmed.lastIndexOf(u'=');

    ProfileSplitView split;
    if (separator < 0)
        return split;
    split.hasSeparator = true;
    split.key = trimProfileSpace(trimmed.first(separator));
    split.value = trimProfileSpace(trimmed.sliced(separator + 1));
    return split;
}

ProfileSplit splitProfileLine(QStringView line)
{
    const ProfileSplitView view = splitProfileLineView(line);
    return {view.key.toString(), view.value.toString(), view.hasSeparator};
}

} // namespace Glossa
