#include "platform/DialogFont.h"

namespace Glossa {

QFont dialogFont(int pointSize)
{
    QFont font;
    font.setFamilies(QStringList{QStringLiteral("Microsoft YaHei"), QStringLiteral("\u5fae\u8f6f\u96c5\u9ed1"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(pointSize);
    return font;
}

} // namespace Glossa
