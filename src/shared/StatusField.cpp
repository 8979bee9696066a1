#include "shared/StatusField.h"

namespace Glossa {

StatusField::StatusField(QWidget *parent, const QString &name)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setFrame(false);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(name);
    setObjectName(name);
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    setPalette(p);
}

} // namespace Glossa
