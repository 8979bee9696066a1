#include "editor/EditorReview.h"

#include "editor/EditorGlossary.h"

#include "checks/CheckEngine.h"
#include "editor/EditorExchange.h"
#include "editor/EditorSession.h"
#include "editor/EditorSpelling.h"
#include "editor/EntryListModel.h"
#include "model/Constants.h"
#include "shared/StatusField.h"

#include <QLocale>
#include <QPushButton>
#include <QRect>

namespace Glossa {

EditorReview::EditorReview(EditorSession &session, QWidget *area)
    : m_session(session)
    , m_area(area)
{
    // "Use It" sits at the end of the why line while the shown entry has a key that
    // differs from it only in letter case. The editor makes it first, so that the
    // template's controls keep their places among the children, Cancel the last button.
    m_useIt = new QPushButton(QStringLiteral("Use It"), area);
    m_useIt->setAccessibleName(QStringLiteral("Use It"));
    m_useIt->setObjectName(QStringLiteral("Use It"));
    m_useIt->setAutoDefault(false);
    m_useIt->setToolTip(QStringLiteral("Puts the value of the key that differs only in letter case into the Value field "
                                       "(Ctrl+U); Enter applies it"));
    m_useIt->hide();
    connect(m_useIt, &QPushButton::clicked, this, [this] { useCaseVariant(); });
    // A step done after typing was taken back ends the chance to put that typing back.
    connect(&session.undoStack(), &QUndoStack::indexChanged, this, [this] { m_takenBack.reset(); });
}

void EditorReview::createWhyField()
{
    m_why = new StatusField(m_area, QStringLiteral("Why"));
    QPalette why = m_why->palette();
    why.setColor(QPalette::Text, QColor(190, 0, 0));
    m_why->setPalette(why);
}

void EditorReview::layout(const QRect &line)
{
    const int useIt = m_useIt->isVisibleTo(m_area) ? m_useIt->sizeHint().width() + 6 : 0;
    m_why->setGeometry(line.x(), line.y(), line.width() - useIt, line.height());
    m_useIt->setGeometry(line.x() + line.width() - useIt + 3, line.y(), useIt - 6, line.height());
}

void EditorReview::loadCaseVariants(LanguageStore &store, const QString &languageName)
{
    // Keys that differ from an attribute only in letter case: the next save deletes
    // them, and their values are often the very translations that are missing.
    m_caseVariants.clear();
    store.LoadCaseVariants(languageName, m_caseVariants);
}

QString EditorReview::whyText(const EntryRow &row) const
{
    QStringList parts;
    const QString &value = row.cells[1];
    // A file line ends at a line break, and a NUL ends the text: Save refuses both.
    if (value.contains(u'\n') || value.contains(u'\r'))
        parts << QStringLiteral("a line break cannot be stored in the file: Save will refuse it");
    if (value.contains(QChar(u'\0')))
        parts << QStringLiteral("a NUL character cannot be stored in the file: Save will refuse it");
    for (const Finding &f : m_session.findingsOf(row)) {
        if (f.severity == FindingSeverity::Error)
            parts << f.message;
        else if (f.severity == FindingSeverity::Warning)
            parts << QStringLiteral("warning: ") + f.message;
        else if (f.check == checkInfo(Check::Placeholders).id)
            parts << QStringLiteral("marked ERROR, but nothing to change: ") + f.message;
    }
    // Spelling is information: named here, it never marks the row.
    if (const QString spelling = m_spelling ? m_spelling->whyPart(value) : QString(); !spelling.isEmpty())
        parts << spelling;
    if (m_session.isStale(row.id))
        parts << QStringLiteral("warning: ") + (m_exchange ? m_exchange->englishChangeText(row.id) : QString());
    if (const auto variant = m_caseVariants.constFind(row.id); variant != m_caseVariants.cend())
        parts << QStringLiteral("the file also holds %1=%2, %3 and which the next save deletes: Use It (Ctrl+U) "
                                "takes its value")
                     .arg(variant->key, variant->value,
                          variant->quoted ? QStringLiteral("the key written in quotes, which the product reads as another key")
                                          : QStringLiteral("which differs only in letter case"));
    if (m_glossary && !isBlankValue(row.cells[1]))
        parts << m_glossary->whyParts(row.cells[0], row.cells[1]);
    return parts.join(QStringLiteral("; "));
}

void EditorReview::updateWhy()
{
    if (!m_why)
        return;
    const EntryListModel *model = &m_session.entries();
    const std::optional<AttributeId> shown = m_session.shownEntry();
    QString text;
    const int row = shown ? model->findRowById(*shown) : -1;
    if (row >= 0) {
        text = whyText(model->rows()[size_t(row)]);
        if (m_session.isValueHeld())
            text = QStringLiteral("This value has %1 characters: the field shows the first %2, read-only, and the value "
                                  "is kept whole")
                       .arg(QLocale(QLocale::English).toString(model->text(row, 1).size()),
                            QLocale(QLocale::English).toString(EditorSession::LongValueLimit))
                + (text.isEmpty() ? QString() : QStringLiteral("; ") + text);
        else if (m_session.fieldValue() != model->text(row, 1))
            text = text.isEmpty() ? QStringLiteral("Not applied: Enter applies it")
                                  : QStringLiteral("Not applied: Enter applies it; ") + text;
    }
    m_why->setText(text);
    m_why->setToolTip(text);
    m_why->setCursorPosition(0);
    const bool variant = row >= 0 && m_caseVariants.contains(*shown);
    if (m_useIt->isVisibleTo(m_area) != variant) {
        m_useIt->setVisible(variant);
        Q_EMIT m_session.layoutRequested();
    }
}

void EditorReview::useCaseVariant()
{
    const std::optional<AttributeId> shown = m_session.shownEntry();
    if (!shown)
        return;
    const auto variant = m_caseVariants.constFind(*shown);
    if (variant == m_caseVariants.cend()) {
        m_session.say(QStringLiteral("The file holds no key that differs from this one only in letter case"));
        return;
    }
    m_session.setValueText(variant->value);
    m_session.say(QStringLiteral("The value of %1 is in the Value field: Enter applies it").arg(variant->key));
}

void EditorReview::entryLeaving()
{
    if (m_session.isReplaying())
        return;
    // Text typed for the entry shown until now and never applied goes, as it always
    // has; the undo stack keeps it, so that Ctrl+Z brings it back.
    if (const std::optional<QString> typed = unappliedText()) {
        const EntryListModel *model = &m_session.entries();
        const AttributeId entry = *m_session.shownEntry();
        m_session.undoStack().push(new DiscardedTyping(
            m_session, entry, *typed, QStringLiteral("the text typed for ") + model->text(model->findRowById(entry), 0)));
    }
    m_takenBack.reset();
}

void EditorReview::recordApplied(RowChange change, const QString &description)
{
    m_takenBack.reset();
    if (change.after == change.before)
        return;
    m_session.undoStack().push(new AppliedStep(m_session, {std::move(change)}, description, JournalStepKind::Apply, true));
}

bool EditorReview::canUndo() const
{
    return m_session.undoStack().canUndo();
}

bool EditorReview::canRedo() const
{
    return m_session.undoStack().canRedo();
}

std::optional<QString> EditorReview::unappliedText() const
{
    const std::optional<AttributeId> shown = m_session.shownEntry();
    if (!shown)
        return std::nullopt;
    const EntryListModel *model = &m_session.entries();
    const int row = model->findRowById(*shown);
    const QString &text = m_session.fieldValue();
    if (row < 0 || text == model->text(row, 1))
        return std::nullopt;
    return text;
}

void EditorReview::undo()
{
    // Typing comes first, as in any text field: the Value field gets the applied
    // value back, and Ctrl+Shift+Z puts the typing back.
    if (const std::optional<QString> typed = unappliedText()) {
        const AttributeId shown = *m_session.shownEntry();
        m_takenBack = TakenBackTyping{shown, *typed};
        const EntryListModel *model = &m_session.entries();
        m_session.setValueText(model->text(model->findRowById(shown), 1));
        m_session.say(QStringLiteral("Typing taken back: Ctrl+Shift+Z puts it back"));
        return;
    }
    if (!canUndo()) {
        m_session.say(QStringLiteral("Nothing to undo"));
        return;
    }
    m_session.undoStack().undo(); // the stack's indexChanged drops the typing taken back
    updateWhy();
}

void EditorReview::redo()
{
    if (unappliedText()) {
        m_session.say(
            QStringLiteral("The Value field holds text not applied: Enter applies it, Ctrl+Z takes it back"));
        return;
    }
    const std::optional<AttributeId> shown = m_session.shownEntry();
    if (m_takenBack && shown && m_takenBack->entry == *shown) {
        m_session.setValueText(m_takenBack->text);
        m_takenBack.reset();
        m_session.say(QStringLiteral("Typing put back: Enter applies it"));
        return;
    }
    if (!canRedo()) {
        m_session.say(QStringLiteral("Nothing to redo"));
        return;
    }
    m_session.undoStack().redo();
    updateWhy();
}

} // namespace Glossa
