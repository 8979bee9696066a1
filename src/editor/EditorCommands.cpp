#include "editor/EditorCommands.h"

#include "checks/PlaceholderCheck.h"
#include "editor/EditorGlossary.h"
#include "editor/EditorSuggestions.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "shared/AboutDlg.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace Glossa {

namespace {

QString plain(QString text)
{
    return text.remove(u'&').remove(QStringLiteral("\u2026"));
}

} // namespace

EditorCommands::EditorCommands(CVuduzLanguageMapDlg &editor)
    : QObject(&editor)
    , m_editor(editor)
    , m_bar(new QMenuBar(&editor))
{
    m_bar->setAccessibleName(QStringLiteral("Menu bar"));
    editor.layout()->setMenuBar(m_bar);
    const auto key = [](const char *text) { return QKeySequence(QString::fromLatin1(text)); };
    EditorSuggestions &suggestions = editor.suggestions();

    QMenu *file = m_bar->addMenu(QStringLiteral("&File"));
    connect(add(file, QStringLiteral("&Save"), {key("Ctrl+S")}, QStringLiteral("Writes every marked row to the language file")),
            &QAction::triggered, &editor, &CVuduzLanguageMapDlg::OnSave);
    file->addSeparator();
    connect(add(file, QStringLiteral("&Import\u2026"), {},
                QStringLiteral("Applies the values of an XLIFF or CSV file from a translator; nothing is written until Save")),
            &QAction::triggered, &editor, [&editor] { editor.exchange().onImport(); });
    connect(add(file, QStringLiteral("&Export\u2026"), {},
                QStringLiteral("Writes the entries the list shows to an XLIFF or CSV file for a translator")),
            &QAction::triggered, &editor, [&editor] { editor.exchange().onExport(); });
    connect(add(file, QStringLiteral("&Compare with Earlier Release\u2026"), {},
                QStringLiteral("Finds the entries whose English changed since an earlier release")),
            &QAction::triggered, &editor, [&editor] { editor.exchange().onCompareWithEarlierRelease(); });
    connect(add(file, QStringLiteral("Add Translation &Memory\u2026"), {},
                QStringLiteral("Adds a TMX file to the suggestions of this product, until it is removed")),
            &QAction::triggered, &suggestions, &EditorSuggestions::onAddMemory);
    file->addSeparator();
    connect(add(file, QStringLiteral("&Close"), {key("Ctrl+W")}, QStringLiteral("Leaves the editor, asking before changes are dropped")),
            &QAction::triggered, &editor, &CVuduzLanguageMapDlg::OnCancel);

    QMenu *edit = m_bar->addMenu(QStringLiteral("&Edit"));
    connect(add(edit, QStringLiteral("&Undo"), {key("Ctrl+Z")}, QStringLiteral("Takes back the last applied value")),
            &QAction::triggered, &editor, [&editor] { editor.review().undo(); });
    connect(add(edit, QStringLiteral("&Redo"), {key("Ctrl+Shift+Z"), key("Ctrl+Y")},
                QStringLiteral("Applies again what Undo took back")),
            &QAction::triggered, &editor, [&editor] { editor.review().redo(); });
    edit->addSeparator();
    connect(add(edit, QStringLiteral("Apply and &Next Untranslated"), {key("Ctrl+Return"), key("Ctrl+Enter")},
                QStringLiteral("Applies the Value field and shows the next untranslated entry")),
            &QAction::triggered, &editor, [&editor] {
                editor.ApplyValue();
                editor.filterBar().showNextUntranslated(true);
            });
    connect(add(edit, QStringLiteral("Insert Missing &Placeholder"), {key("Ctrl+P")},
                QStringLiteral("Puts the next placeholder of the reference that the value lacks at the cursor")),
            &QAction::triggered, this, [this] { insertNextPlaceholder(); });
    connect(add(edit, QStringLiteral("Use &It"), {key("Ctrl+U")},
                QStringLiteral("Puts the value of the key in another letter case or in quotes into the Value field")),
            &QAction::triggered, &editor, [&editor] { editor.review().useCaseVariant(); });
    connect(add(edit, QStringLiteral("Apply to &Same English"), {key("Ctrl+Shift+Return"), key("Ctrl+Shift+Enter")},
                QStringLiteral("Gives the value shown to every other untranslated entry with the same English")),
            &QAction::triggered, &suggestions, [&suggestions] { suggestions.applyToSameEnglish(); });
    QMenu *use = edit->addMenu(QStringLiteral("Use Su&ggestion"));
    for (int n = 0; n < EditorSuggestions::MaxShown; ++n)
        connect(add(use, QStringLiteral("Suggestion &%1").arg(n + 1), {QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + n))},
                    QStringLiteral("Puts suggestion %1 into the Value field, not applied").arg(n + 1)),
                &QAction::triggered, &suggestions, [&suggestions, n] { suggestions.useSuggestion(n); });
    QMenu *terms = edit->addMenu(QStringLiteral("Insert Glossary &Term"));
    EditorGlossary &glossary = editor.glossary();
    for (int n = 0; n < EditorGlossary::MaxKeys; ++n)
        connect(add(terms, QStringLiteral("Term &%1").arg(n + 1), {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key(Qt::Key_1 + n))},
                    QStringLiteral("Puts translation %1 of the Glossary section into the Value field at the cursor").arg(n + 1)),
                &QAction::triggered, &glossary, [&glossary, n] { glossary.insertTerm(n); });
    connect(add(edit, QStringLiteral("Add &Term\u2026"), {key("Ctrl+T")},
                QStringLiteral("Adds a term to the product's glossary: the English and the value's selected words")),
            &QAction::triggered, &glossary, &EditorGlossary::onAddTerm);
    edit->addSeparator();
    connect(add(edit, QStringLiteral("&Find"), {key("Ctrl+F")}, QStringLiteral("Goes to the search field")),
            &QAction::triggered, &editor, [&editor] {
                editor.searchEdit()->setFocus();
                editor.searchEdit()->selectAll();
            });

    QMenu *view = m_bar->addMenu(QStringLiteral("&View"));
    m_showModes = new QActionGroup(this);
    QComboBox *show = editor.showCombo();
    for (int mode = 0; mode < show->count() + 1; ++mode) {
        const QString text = mode < show->count() ? show->itemText(mode) : QStringLiteral("Reference changed");
        QAction *action = add(view, text, {QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + mode))},
                              QStringLiteral("Show: %1").arg(text));
        action->setCheckable(true);
        action->setChecked(mode == 0);
        m_showModes->addAction(action);
        if (mode == show->count())
            m_referenceChanged = action;
        connect(action, &QAction::triggered, &editor, [&editor, mode] {
            QComboBox *combo = editor.showCombo();
            if (mode >= combo->count())
                return; // no earlier release compared yet
            combo->setCurrentIndex(mode);
            editor.filterBar().applyFilter();
        });
    }
    connect(view, &QMenu::aboutToShow, this, [this] {
        m_referenceChanged->setEnabled(m_editor.showCombo()->count() > m_showModes->actions().indexOf(m_referenceChanged));
        showModeChanged(m_editor.showCombo()->currentIndex());
    });
    view->addSeparator();
    m_panel = add(view, QStringLiteral("S&uggestions"), {key("F9")},
                  QStringLiteral("Shows or hides the side panel: suggestions, same English, concordance and glossary"));
    m_panel->setCheckable(true);
    connect(m_panel, &QAction::triggered, &suggestions, [&suggestions](bool checked) { suggestions.setShown(checked); });

    QMenu *go = m_bar->addMenu(QStringLiteral("&Go"));
    connect(add(go, QStringLiteral("&Next Untranslated"), {key("Ctrl+J")}, QStringLiteral("Shows the next untranslated entry")),
            &QAction::triggered, &editor, [&editor] { editor.filterBar().showNextUntranslated(true); });
    connect(add(go, QStringLiteral("&Previous Untranslated"), {key("Ctrl+Shift+J")},
                QStringLiteral("Shows the previous untranslated entry")),
            &QAction::triggered, &editor, [&editor] { editor.filterBar().showNextUntranslated(false); });
    connect(add(go, QStringLiteral("Next &Problem"), {key("F8")},
                QStringLiteral("Shows the next entry with an error or a warning")),
            &QAction::triggered, &editor, [&editor] { editor.filterBar().showNextProblem(true); });
    connect(add(go, QStringLiteral("Previous P&roblem"), {key("Shift+F8")},
                QStringLiteral("Shows the previous entry with an error or a warning")),
            &QAction::triggered, &editor, [&editor] { editor.filterBar().showNextProblem(false); });

    QMenu *help = m_bar->addMenu(QStringLiteral("&Help"));
    connect(add(help, QStringLiteral("&Keyboard Shortcuts"), {key("F1")}, QStringLiteral("Lists the editor's keys")),
            &QAction::triggered, this, &EditorCommands::showKeyboardShortcuts);
    connect(add(help, QStringLiteral("&About Glossa Desk"), {}, QStringLiteral("The program's name and version")),
            &QAction::triggered, &editor, [&editor] {
                CAboutDlg about(&editor);
                about.exec();
            });
}

QAction *EditorCommands::add(QMenu *menu, const QString &text, const QList<QKeySequence> &keys, const QString &tip)
{
    auto *action = new QAction(text, this);
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(tip);
    action->setStatusTip(tip);
    menu->addAction(action);
    m_editor.addAction(action); // its key works wherever the focus is in the window
    m_actions.append(action);
    return action;
}

QAction *EditorCommands::action(const QString &text) const
{
    for (QAction *action : m_actions)
        if (plain(action->text()) == plain(text))
            return action;
    return nullptr;
}

void EditorCommands::addToContextMenu(QWidget *list) const
{
    const QStringList items{QStringLiteral("Undo"), QStringLiteral("Redo"), QString(), QStringLiteral("Import"),
                            QStringLiteral("Export"), QStringLiteral("Compare with Earlier Release"), QString(),
                            QStringLiteral("Suggestions"), QStringLiteral("Add Translation Memory")};
    for (const QString &item : items) {
        if (item.isEmpty()) {
            auto *separator = new QAction(list);
            separator->setSeparator(true);
            list->addAction(separator);
        } else {
            list->addAction(action(item));
        }
    }
}

bool EditorCommands::isCommandKey(const QKeyEvent *key, const QWidget *field) const
{
    const QKeySequence pressed(key->keyCombination());
    // In the fields with a text of their own to undo, Ctrl+Z and the redo keys are theirs.
    const bool ownUndo = field == m_editor.searchEdit() || field == m_editor.filterEdit()
        || field == m_editor.suggestions().concordanceField();
    for (const QAction *action : m_actions) {
        if (!action->isEnabled() || !action->shortcuts().contains(pressed))
            continue;
        const QString text = plain(action->text());
        return !(ownUndo && (text == u"Undo" || text == u"Redo"));
    }
    return false;
}

bool EditorCommands::insertNextPlaceholder()
{
    QLineEdit *value = m_editor.valueEdit();
    const std::optional<AttributeId> shown = m_editor.session().shownEntry();
    if (!shown || value->isReadOnly())
        return false;
    const PlaceholderRule rule = placeholderRuleFor(*shown);
    const QString reference = m_editor.referenceEdit()->text();
    PlaceholderCounts held = countPlaceholders(value->text(), rule);
    QString missing;
    forEachPlaceholderSpan(reference, rule, [&](qsizetype start, qsizetype length) {
        const QString placeholder = reference.mid(start, length);
        if (!missing.isEmpty())
            return;
        // Each of the reference's occurrences takes one of the value's.
        if (int &count = held[placeholder]; count > 0)
            --count;
        else
            missing = placeholder;
    });
    if (missing.isEmpty()) {
        m_editor.statusField()->setText(QStringLiteral("The value holds every placeholder of the reference"));
        return false;
    }
    value->insert(missing);
    value->setFocus();
    return true;
}

void EditorCommands::showModeChanged(int mode)
{
    const QList<QAction *> modes = m_showModes->actions();
    if (mode >= 0 && mode < modes.size())
        modes[mode]->setChecked(true);
}

void EditorCommands::panelShownChanged(bool shown)
{
    m_panel->setChecked(shown);
}

QList<std::pair<QString, QString>> EditorCommands::keyTable()
{
    return {
        {QStringLiteral("Enter"), QStringLiteral("in \"Value\": apply the value; in the search field: Search Next")},
        {QStringLiteral("Ctrl+Return"), QStringLiteral("apply the value and show the next untranslated entry")},
        {QStringLiteral("Up, Down"), QStringLiteral("the previous, next entry shown")},
        {QStringLiteral("Ctrl+J, Ctrl+Shift+J"), QStringLiteral("the next, previous untranslated entry")},
        {QStringLiteral("F8, Shift+F8"),
         QStringLiteral("the next, previous entry with an error or a warning (or whose English changed)")},
        {QStringLiteral("Ctrl+Z"), QStringLiteral("undo the last applied value, import or lost typing")},
        {QStringLiteral("Ctrl+Shift+Z, Ctrl+Y"), QStringLiteral("redo")},
        {QStringLiteral("Ctrl+U"), QStringLiteral("put the value of the key in another letter case into \"Value\"")},
        {QStringLiteral("Ctrl+P"), QStringLiteral("insert the next placeholder of the reference that the value lacks")},
        {QStringLiteral("F9"), QStringLiteral("show or hide the side panel: suggestions, same English, concordance, glossary")},
        {QStringLiteral("Ctrl+1 \u2026 Ctrl+5"), QStringLiteral("put suggestion 1 \u2026 5 into \"Value\"")},
        {QStringLiteral("Ctrl+Alt+1 \u2026 Ctrl+Alt+9"),
         QStringLiteral("put translation 1 \u2026 9 of the Glossary section into \"Value\" at the cursor")},
        {QStringLiteral("Ctrl+T"), QStringLiteral("add a term to the glossary: the English and the value's selected words")},
        {QStringLiteral("Ctrl+Shift+Return"), QStringLiteral("give the value to every other untranslated entry with the same English")},
        {QStringLiteral("Alt+1 \u2026 Alt+7"), QStringLiteral("show all entries, untranslated, errors, marked, warnings, "
                                                             "the same as the reference, reference changed")},
        {QStringLiteral("Ctrl+F"), QStringLiteral("go to the search field")},
        {QStringLiteral("Ctrl+S"), QStringLiteral("save")},
        {QStringLiteral("Ctrl+W"), QStringLiteral("close the editor, asking before changes are dropped")},
        {QStringLiteral("F1"), QStringLiteral("this list of keys")},
    };
}

void EditorCommands::showKeyboardShortcuts()
{
    QDialog dialog(&m_editor);
    dialog.setWindowTitle(QStringLiteral("Keyboard Shortcuts"));
    dialog.setAccessibleName(QStringLiteral("Keyboard Shortcuts"));
    auto *layout = new QVBoxLayout(&dialog);
    const auto keys = keyTable();
    auto *table = new QTableWidget(int(keys.size()), 2, &dialog);
    table->setObjectName(QStringLiteral("Keyboard Shortcuts"));
    table->setAccessibleName(QStringLiteral("Keyboard Shortcuts"));
    table->setHorizontalHeaderLabels({QStringLiteral("Keys"), QStringLiteral("What they do")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < int(keys.size()); ++row) {
        table->setItem(row, 0, new QTableWidgetItem(keys[size_t(row)].first));
        table->setItem(row, 1, new QTableWidgetItem(keys[size_t(row)].second));
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("Close"));
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(720, 460);
    dialog.exec();
}

} // namespace Glossa
