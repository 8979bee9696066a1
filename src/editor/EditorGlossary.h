#pragma once

#include "terms/TermChecker.h"

#include <QGroupBox>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace Glossa {

class EditorSession;

// The "Glossary" section of the editor's side panel: the terms of the product's
// glossary (glossa-glossary.tbx) that the shown entry's English holds, with the
// translations the glossary gives this language (forbidden ones struck through).
// Ctrl+Alt+1 … Ctrl+Alt+9 put the listed translations into "Value" at the cursor;
// "Add Term…" takes the English and the value's selected words as a new entry.
// The glossary is read on a worker thread the first time the panel is in view;
// until then nothing is read or matched.
class EditorGlossary : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr int MaxKeys = 9;

    explicit EditorGlossary(EditorSession &session, QWidget *parent = nullptr);
    ~EditorGlossary() override;

    // The fields whose selected words "Add Term…" takes: the Reference and the Value field.
    void setFields(QLineEdit *reference, QLineEdit *value)
    {
        m_referenceField = reference;
        m_valueField = value;
    }
    // At the start of the editor's run: the product and the language.
    void start();
    // The panel came into view or went out of it.
    void panelShown(bool shown);
    // The fields show another entry (or the value changed).
    void entryShown();
    // The glossary has been read (or found missing, or refused).
    bool isLoaded() const { return m_loaded; }

    // Puts listed translation n (from 0) into "Value" at the cursor; false when there is none.
    bool insertTerm(int n);
    // "Add Term…": asks for the entry and adds it to the product's glossary.
    void onAddTerm();
    // Adds an entry to the product's glossary file and reads it again; false, with
    // the user told why, when it cannot be written.
    bool addTerm(const TermConcept &entry);

    // What the glossary finds wrong with a value, for the why line: "warning: ...".
    QStringList whyParts(const QString &key, const QString &value) const;
    // Where the terms of the shown entry stand in a text (the Reference field's): (start, length).
    QList<std::pair<int, int>> termSpans(const QString &text) const;

    QTableWidget *table() const { return m_table; }
    QLabel *noteLabel() const { return m_note; }
    QPushButton *addButton() const { return m_add; }
    // The translations the keys insert, in order.
    const QStringList &insertable() const { return m_insertable; }

Q_SIGNALS:
    // The glossary was read again: the why line and the marks may change.
    void loaded();

private:
    struct Read;
    void load();
    void take(const std::shared_ptr<Read> &read);
    void setNote(const QString &text);
    // The master's English of a key, without enclosing quotes; null when the master lacks it.
    QString englishOf(const QString &key) const;

    EditorSession &m_session;
    QPointer<QLineEdit> m_referenceField;
    QPointer<QLineEdit> m_valueField;
    bool m_panelShown = false;
    QLabel *m_note = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_add = nullptr;

    QString m_productDirectory;
    QString m_languageTag;
    bool m_isMaster = false;
    bool m_loaded = false;
    bool m_loading = false;
    int m_generation = 0;
    QString m_error;
    std::shared_ptr<const EnglishTerms> m_english;
    std::unique_ptr<TermChecker> m_checker;
    QHash<QString, int> m_rowOfKey;
    QStringList m_englishTexts;
    QStringList m_insertable;
    QStringList m_markTexts; // the shown entry's terms, as the Reference field may hold them
};

} // namespace Glossa
