#include "editor/PlaceholderMarks.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTextCharFormat>

namespace Glossa {

void markPlaceholders(QLineEdit *field, PlaceholderRule rule, const QList<std::pair<int, int>> &terms)
{
    // A line edit takes formats of parts of its text only as an input method's
    // attributes, placed relative to the cursor; no text comes with them.
    QTextCharFormat format;
    format.setForeground(QColor(0, 92, 175));
    format.setFontWeight(QFont::DemiBold);
    QList<QInputMethodEvent::Attribute> marks;
    const int cursor = field->cursorPosition();
    QTextCharFormat term;
    term.setUnderlineStyle(QTextCharFormat::DotLine);
    term.setUnderlineColor(QColor(0, 128, 64));
    for (const auto &[start, length] : terms)
        marks.append({QInputMethodEvent::TextFormat, start - cursor, length, term});
    forEachPlaceholderSpan(field->text(), rule, [&](qsizetype start, qsizetype length) {
        marks.append({QInputMethodEvent::TextFormat, int(start) - cursor, int(length), format});
    });
    // A read-only field ignores input method events: it takes them for the moment of this one.
    const bool readOnly = field->isReadOnly();
    const bool blocked = field->blockSignals(true);
    field->setReadOnly(false);
    QInputMethodEvent event(QString(), marks);
    QCoreApplication::sendEvent(field, &event);
    field->setReadOnly(readOnly);
    field->blockSignals(blocked);
}

} // namespace Glossa
