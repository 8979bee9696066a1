#pragma once

#include "editor/EditorOwner.h"
#include "model/LanguageStore.h"
#include "model/Types.h"

#include <QDialog>
#include <QIcon>

class QComboBox;
class QLabel;
class QMenuBar;
class QAction;
class QLineEdit;
class QPushButton;
class QTableView;

namespace Glossa {

class EntryListModel;
class Notifier;

// The program's only top-level window: the present languages, the selected
// language's attributes and values, "Modify" to open the editor and "Add New
// Langugae". It owns the language store for the whole run.
class CGlossa_DeskDlg : public QDialog, public EditorOwner
{
    Q_OBJECT

public:
    // Control ids of the window's template.
    enum ControlId {
        IDC_MODIFY = 1004,
        IDC_LANGUAGE_LABEL = 1031,
        IDC_LANGUAGE_COMBO = 1001,
        IDC_ENTRY_LIST = 1003,
        IDC_ADD_LANGUAGE = 1047,
    };
    static constexpr int IDM_ABOUTBOX = 0x10;

    explicit CGlossa_DeskDlg(QWidget *parent = nullptr);
    ~CGlossa_DeskDlg() override;

    // Loads the catalogue, brings the index into line and lists the languages.
    // False when the master file is missing: the message has been shown and
    // the dialog ended with 0.
    bool OnInitDialog();
    // Initialises on the first run, then runs the window modally.
    int exec() override;

    // The system menu's commands; IDM_ABOUTBOX opens the About box.
    void OnSysCommand(int commandId);

    // Editor owner.
    LanguageStore &languageStore() override { return m_store; }
    const EntryListModel *entryRows() const override { return m_entryModel; }
    void ApplySavedValues(const LanguageValues &values) override;
    const LanguageValues *fileValues() const override { return &m_fileValues; }
    QWidget *ownerWindow() override { return this; }

    // Column widths of an entry list whose client area is W pixels wide.
    static std::pair<int, int> initialColumnWidths(int clientWidth);

    const QString &startupDirectory() const { return m_startupDirectory; }
    const RedundantKeySet &redundantKeys() const { return m_redundantKeys; }
    QComboBox *languageCombo() const { return m_languageCombo; }
    QTableView *entryList() const { return m_entryList; }
    QPushButton *modifyButton() const { return m_modifyButton; }
    QPushButton *addLanguageButton() const { return m_addLanguageButton; }
    QLabel *languageLabel() const { return m_languageLabel; }
    QPushButton *languagesButton() const { return m_languagesButton; }
    QLineEdit *statusLine() const { return m_statusLine; }
    QWidget *area() const { return m_area; }
    QMenuBar *menuBar() const { return m_menuBar; }
    QLabel *savedBand() const { return m_savedBand; }

    // The user's actions, callable by tests as the signals call them.
    void onLanguageSelected(int comboIndex);
    void onModify();
    void onEntryDoubleClicked();
    void onAddNewLanguage();
    // Opens the languages overview; a double click there picks a language or opens the editor on an entry.
    void onLanguages();
    // Unsaved changes a crash left in recovery journals: this product's languages are
    // offered for the editor, which asks to restore them; the others are named.
    void offerRecoveryJournals();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildMenuBar(QAction *languages, QAction *about);
    void layoutControls();
    void fillLanguageList();
    void reloadEntries(int row);
    void runEditor(qint64 initialEntryId);
    // The selected language's counts, from the check engine; after a save with what was saved first.
    void updateStatusLine(const QString &saved = {});
    void selectLanguage(const QString &displayName);

    LanguageStore m_store;
    QIcon m_icon;
    QString m_startupDirectory;
    RedundantKeySet m_redundantKeys;
    // The shown language's file as its rows were read from it (an attribute without a line absent).
    LanguageValues m_fileValues;
    QPushButton *m_addLanguageButton = nullptr;
    QLabel *m_languageLabel = nullptr;
    QPushButton *m_modifyButton = nullptr;
    QTableView *m_entryList = nullptr;
    QComboBox *m_languageCombo = nullptr;
    QPushButton *m_languagesButton = nullptr;
    QLineEdit *m_statusLine = nullptr;
    QWidget *m_area = nullptr;        // the template's controls, below the menu bar
    QMenuBar *m_menuBar = nullptr;
    QLabel *m_savedBand = nullptr;    // what the last save did, whole
    int m_savedValueCount = 0;
    int m_savedChangedCount = 0; // of those, the values that differ from what the list showed
    EntryListModel *m_entryModel = nullptr;
    std::unique_ptr<Notifier> m_notifier;
    bool m_initialised = false;
};

} // namespace Glossa
