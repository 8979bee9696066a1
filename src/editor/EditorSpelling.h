#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLineEdit;
class QMenu;
class QPoint;

namespace Glossa {

class EditorSession;
class SpellChecker;

// Spelling in the editor: the misspelled words the why line names, and the
// Value field's context menu with Hunspell's suggestions for the word under
// the cursor, "Add to Dictionary" and "Ignore for This Session". Spelling is
// information only: it never marks a row or counts as a finding.
class EditorSpelling : public QObject
{
    Q_OBJECT

public:
    // valueField: the field whose context menu offers the suggestions.
    EditorSpelling(EditorSession &session, QLineEdit *valueField);
    ~EditorSpelling() override;

    // The words of a value the edited language's dictionary does not know,
    // each once, in text order; empty without a dictionary, for the master
    // and for a value Save would refuse anyway.
    QStringList misspelled(const QString &value);
    // "spelling: the dictionary does not know ..." for the why line; empty when all is well.
    QString whyPart(const QString &value);

    // The Value field's menu for a cursor position in its text: the standard
    // edit actions, after the spelling actions when the word there is misspelled.
    // Suggestions are computed here, never before. The caller owns the menu.
    QMenu *createMenu(qsizetype position);

    // The word of the Value field at a position and where it starts; empty when none.
    static QString wordAt(const QString &text, qsizetype position, qsizetype *start = nullptr);

Q_SIGNALS:
    // A word was added to the dictionary or ignored: the why line may change.
    void wordsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The speller of the edited language, made at its first use with the
    // words spelling accepts everywhere; null without a dictionary.
    SpellChecker *speller();
    void replaceWord(qsizetype start, const QString &word, const QString &replacement);
    void addToDictionary(const QString &word);
    void ignoreForSession(const QString &word);

    EditorSession &m_session;
    QLineEdit *m_field;
    QString m_tag;
    bool m_loaded = false;
    std::unique_ptr<SpellChecker> m_speller;
};

} // namespace Glossa
