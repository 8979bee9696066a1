#pragma once

#include <QLineEdit>

namespace Glossa {

// A line of text in a window's status band that a screen reader reads by its
// fixed name; a read-only field keeps that name whatever it shows, which a
// label would not. Frameless, transparent and never focused. A text too long
// for the field is shown from its start and cut at the right with "…";
// text() stays whole.
class StatusField : public QLineEdit
{
    Q_OBJECT

public:
    StatusField(QWidget *parent, const QString &name);

    // The tooltip follows the text, whole, with note below it when there is one.
    // Off for a field that keeps a tooltip of its own.
    void setToolTipFollowsText(bool follows, const QString &note = {});
    // The text as the field paints it at its present width.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;
    void textChangedTo(const QString &text);

    bool m_toolTipFollowsText = false;
    QString m_note;
};

} // namespace Glossa
