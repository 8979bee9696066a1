#pragma once

#include "editor/EditSteps.h"
#include "model/LanguageStore.h"
#include "model/Types.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

class QLineEdit;
class QPushButton;
class QRect;
class QWidget;

namespace Glossa {

class EditorExchange;
class EditorGlossary;
class EditorSpelling;
class EditorSession;
struct EntryRow;

// What the translator reviews and takes back in the editor: the steps of applied
// values (and of typing a step threw away) on the session's undo stack, the why line that says what
// is wrong with the shown entry, and "Use It" for a key that differs from the
// shown one only in letter case. Owned by the editor; its widgets are the editor's children.
class EditorReview : public QObject
{
    Q_OBJECT

public:
    // area: the widget the why line and "Use It" live in.
    EditorReview(EditorSession &session, QWidget *area);
    // The parts that add to the why line: misspelled words, the English changed
    // since the earlier release, the glossary's findings; each may be absent.
    void setWhySources(EditorSpelling *spelling, const EditorExchange *exchange, const EditorGlossary *glossary)
    {
        m_spelling = spelling;
        m_exchange = exchange;
        m_glossary = glossary;
    }

    // The why line, made after the editor's status line so that it follows it among the children.
    void createWhyField();
    QLineEdit *whyField() const { return m_why; }
    QPushButton *useItButton() const { return m_useIt; }
    // Places the why line and, when shown, "Use It" at its end, within line.
    void layout(const QRect &line);

    // The keys of the edited language that differ from an attribute only in letter case.
    void loadCaseVariants(LanguageStore &store, const QString &languageName);

    QString whyText(const EntryRow &row) const;
    void updateWhy();
    void useCaseVariant();

    // Before another entry is shown: typing never applied becomes a step,
    // so that Ctrl+Z brings it back. Nothing is recorded while a step is replayed.
    void entryLeaving();
    // A value applied to one row by Modify.
    void recordApplied(RowChange change, const QString &description);

    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const;


private:
    // The Value field's text when it differs from the shown entry's value.
    std::optional<QString> unappliedText() const;

    EditorSession &m_session;
    QWidget *m_area;
    EditorSpelling *m_spelling = nullptr;
    const EditorExchange *m_exchange = nullptr;
    const EditorGlossary *m_glossary = nullptr;
    QLineEdit *m_why = nullptr;
    QPushButton *m_useIt = nullptr;
    // Typing that Ctrl+Z took back, which Ctrl+Shift+Z puts back.
    struct TakenBackTyping
    {
        AttributeId entry = 0;
        QString text;
    };
    std::optional<TakenBackTyping> m_takenBack;
    QHash<AttributeId, LanguageStore::CaseVariant> m_caseVariants;
};

} // namespace Glossa
