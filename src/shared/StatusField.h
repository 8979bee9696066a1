#pragma once

#include <QLineEdit>

namespace Glossa {

// A line of text in a window's status band that a screen reader reads by its
// fixed name; a read-only field keeps that name whatever it shows, which a
// label would not. Frameless, transparent and never focused.
class StatusField : public QLineEdit
{
    Q_OBJECT

public:
    StatusField(QWidget *parent, const QString &name);
};

} // namespace Glossa
