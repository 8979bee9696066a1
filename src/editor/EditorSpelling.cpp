#include "editor/EditorSpelling.h"

#include "checks/CheckEngine.h"
#include "checks/Spelling.h"
#include "checks/ValueChecks.h"
#include "editor/EditorOwner.h"
#include "editor/EditorSession.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/ProfileFile.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QSet>

namespace Glossa {

namespace {

// The words "Ignore for This Session" accepted, by language tag: they stay
// accepted in every editor until the program ends.
QHash<QString, QSet<QString>> &sessionWords()
{
    static QHash<QString, QSet<QString>> words;
    return words;
}

bool isWordCharacter(const QString &text, qsizetype i)
{
    const QChar c = text[i];
    if (c.isLetterOrNumber() || c.isMark())
        return true;
    // Inner apostrophes and hyphens belong to the word, as the spelling check reads it.
    return (c == u'\'' || c == u'-' || c == QChar(0x2019)) && i > 0 && i + 1 < text.size()
           && text[i - 1].isLetterOrNumber() && text[i + 1].isLetter();
}

} // namespace

EditorSpelling::EditorSpelling(EditorSession &session, QLineEdit *valueField)
    : m_session(session)
    , m_field(valueField)
{
    valueField->installEventFilter(this);
}

EditorSpelling::~EditorSpelling() = default;

SpellChecker *EditorSpelling::speller()
{
    if (m_loaded)
        return m_speller.get();
    // Nothing to load before the editor knows its language.
    if (m_session.languageName().isEmpty())
        return nullptr;
    m_loaded = true;
    // The master's own words are right in every language, as glossa check takes them.
    if (m_session.isMaster())
        return nullptr;
    m_tag = LocaleCatalogue::Bcp47ForDisplayName(m_session.languageName());
    auto speller = std::make_unique<SpellChecker>(m_tag);
    if (!speller->isValid())
        return nullptr;
    const QString languageDirectory = m_session.store().directory();
    ProfileFile master(languageDirectory + u'/' + MasterLanguageFileName);
    if (master.load() && !master.isUndecodable())
        master.forEachEntry(TextSectionName, [&](QStringView, QStringView value) {
            for (const QString &word : spellingWords(valueText(value)))
                speller->accept(word);
        });
    const QString product = QFileInfo(languageDirectory).absolutePath();
    speller->acceptAll(SpellChecker::readWordList(product + QStringLiteral("/glossa-words.txt")));
    speller->acceptAll(SpellChecker::readWordList(SpellChecker::userDictionaryPath(m_tag)));
    speller->acceptAll(sessionWords().value(m_tag));
    m_speller = std::move(speller);
    return m_speller.get();
}

QStringList EditorSpelling::misspelled(const QString &value)
{
    // Save refuses a value with a line break or a NUL; the why line says so
    // first, and the halves of a broken word are no misspellings.
    if (value.contains(u'\n') || value.contains(u'\r') || value.contains(QChar(u'\0')))
        return {};
    SpellChecker *checker = speller();
    return checker ? checker->misspelled(valueText(value)) : QStringList();
}

QString EditorSpelling::whyPart(const QString &value)
{
    const QStringList wrong = misspelled(value);
    if (wrong.isEmpty())
        return {};
    return QStringLiteral("spelling: the dictionary does not know ") + wrong.join(QStringLiteral(", "));
}

QString EditorSpelling::wordAt(const QString &text, qsizetype position, qsizetype *start)
{
    position = std::clamp<qsizetype>(position, 0, text.size());
    // The cursor may stand just after the word's last character.
    qsizetype at = position;
    if ((at == text.size() || !isWordCharacter(text, at)) && at > 0 && isWordCharacter(text, at - 1))
        --at;
    if (at >= text.size() || !isWordCharacter(text, at))
        return {};
    qsizetype first = at;
    while (first > 0 && isWordCharacter(text, first - 1))
        --first;
    qsizetype end = at;
    while (end < text.size() && isWordCharacter(text, end))
        ++end;
    if (start)
        *start = first;
    return text.mid(first, end - first);
}

QMenu *EditorSpelling::createMenu(qsizetype position)
{
    QLineEdit *field = m_field;
    QMenu *menu = field->createStandardContextMenu();
    menu->setAccessibleName(QStringLiteral("Value field menu"));
    const QString text = field->text();
    qsizetype start = 0;
    const QString word = wordAt(text, position, &start);
    if (word.isEmpty() || !misspelled(text).contains(word))
        return menu;

    QAction *first = menu->actions().value(0);
    auto insert = [&](QAction *action) { menu->insertAction(first, action); };
    // Replacing would change a field that takes no typing.
    if (!field->isReadOnly()) {
        const QStringList suggestions = m_speller->suggestions(word, 5);
        for (const QString &suggestion : suggestions) {
            auto *action = new QAction(suggestion, menu);
            connect(action, &QAction::triggered, this,
                    [this, start, word, suggestion] { replaceWord(start, word, suggestion); });
            insert(action);
        }
        if (suggestions.isEmpty()) {
            auto *none = new QAction(QStringLiteral("No Suggestions"), menu);
            none->setEnabled(false);
            insert(none);
        }
        menu->insertSeparator(first);
    }
    auto *add = new QAction(QStringLiteral("Add to Dictionary"), menu);
    add->setToolTip(QStringLiteral("Keeps \"%1\" in your own dictionary of %2, which glossa check reads too")
                        .arg(word, m_tag));
    connect(add, &QAction::triggered, this, [this, word] { addToDictionary(word); });
    insert(add);
    auto *ignore = new QAction(QStringLiteral("Ignore for This Session"), menu);
    ignore->setToolTip(QStringLiteral("Takes \"%1\" as right until the program ends").arg(word));
    connect(ignore, &QAction::triggered, this, [this, word] { ignoreForSession(word); });
    insert(ignore);
    menu->insertSeparator(first);
    menu->setToolTipsVisible(true);
    return menu;
}

bool EditorSpelling::eventFilter(QObject *watched, QEvent *event)
{
    QLineEdit *field = m_field;
    if (watched != field || event->type() != QEvent::ContextMenu)
        return false;
    const auto *request = static_cast<QContextMenuEvent *>(event);
    // A click names the word under the mouse; the menu key, the one at the text cursor.
    const qsizetype position = request->reason() == QContextMenuEvent::Mouse ? field->cursorPositionAt(request->pos())
                                                                             : field->cursorPosition();
    QMenu *menu = createMenu(position);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(request->globalPos());
    return true;
}

void EditorSpelling::replaceWord(qsizetype start, const QString &word, const QString &replacement)
{
    QLineEdit *field = m_field;
    // The field may have changed while the menu was open.
    if (field->text().mid(start, word.size()) != word)
        return;
    // Through the field's own editing, so that its undo takes it back; not applied.
    field->setSelection(int(start), int(word.size()));
    field->insert(replacement);
    field->setFocus();
}

void EditorSpelling::addToDictionary(const QString &word)
{
    QString error;
    if (!SpellChecker::addToUserDictionary(m_tag, word, &error)) {
        m_session.say(QStringLiteral("\"%1\" was not added to your dictionary: %2").arg(word, error));
        return;
    }
    m_speller->accept(word);
    m_session.say(
        QStringLiteral("\"%1\" is in your dictionary of %2 now").arg(word, m_tag));
    Q_EMIT wordsChanged();
}

void EditorSpelling::ignoreForSession(const QString &word)
{
    sessionWords()[m_tag].insert(word);
    m_speller->accept(word);
    m_session.say(QStringLiteral("\"%1\" is taken as right until the program ends").arg(word));
    Q_EMIT wordsChanged();
}

} // namespace Glossa
