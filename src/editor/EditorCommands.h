#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <utility>

class QAction;
class QActionGroup;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QWidget;

namespace Glossa {

class CVuduzLanguageMapDlg;

// Every command of the editor as one action, in the menu bar with its key shown:
// File, Edit, View, Go and Help. A key works from anywhere in the window; in the
// Search, Filter and Concordance fields Ctrl+Z and the redo keys stay the field's
// own. The list's context menu holds the same actions.
class EditorCommands : public QObject
{
    Q_OBJECT

public:
    explicit EditorCommands(CVuduzLanguageMapDlg &editor);

    QMenuBar *menuBar() const { return m_bar; }
    // The action whose text (without "&" and "…") is text, or null.
    QAction *action(const QString &text) const;
    QList<QAction *> actions() const { return m_actions; }
    // Undo, Redo, the exchange files and the release, the panel and the memory.
    void addToContextMenu(QWidget *list) const;

    // The editor's keys and what they do, as Help ▸ Keyboard Shortcuts lists them.
    static QList<std::pair<QString, QString>> keyTable();
    void showKeyboardShortcuts();

    // Whether a key that a field would take for itself belongs to a command here.
    bool isCommandKey(const QKeyEvent *key, const QWidget *field) const;

    // Puts the first placeholder of the reference that the value holds fewer
    // times than the reference into the Value field at the cursor; false when
    // the value lacks none.
    bool insertNextPlaceholder();

    // The "Show" item chosen elsewhere: the View menu follows.
    void showModeChanged(int mode);
    // The panel shown or hidden elsewhere: the View menu follows.
    void panelShownChanged(bool shown);

private:
    QAction *add(QMenu *menu, const QString &text, const QList<QKeySequence> &keys, const QString &tip);

    CVuduzLanguageMapDlg &m_editor;
    QMenuBar *m_bar;
    QList<QAction *> m_actions;
    QActionGroup *m_showModes = nullptr;
    QAction *m_panel = nullptr;
    QAction *m_referenceChanged = nullptr;
};

} // namespace Glossa
