#include "shared/StatusField.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

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
    connect(this, &QLineEdit::textChanged, this, &StatusField::textChangedTo);
}

void StatusField::setToolTipFollowsText(bool follows, const QString &note)
{
    m_toolTipFollowsText = follows;
    m_note = note;
    if (follows)
        textChangedTo(text());
}

void StatusField::textChangedTo(const QString &text)
{
    // A line edit keeps the cursor at the end of a new text and scrolls to it,
    // which hides the start, where what matters comes first.
    setCursorPosition(0);
    if (m_toolTipFollowsText)
        setToolTip(text.isEmpty() || m_note.isEmpty() ? text : text + QStringLiteral("\n\n") + m_note);
}

QRect StatusField::textArea() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    // QLineEdit keeps two pixels free left and right of its text, and one above and below.
    return contents.marginsRemoved(textMargins()).adjusted(2, 1, -2, -1);
}

QString StatusField::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(0, textArea().width()));
}

void StatusField::paintEvent(QPaintEvent *event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(textArea(), int(QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter)), shown);
}

} // namespace Glossa
