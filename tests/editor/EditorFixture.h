#pragma once

#include "GuiTestSupport.h"
#include "TestSupport.h"

#include "editor/EditorOwner.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace TestSupport {

// The catalogue row of a display name, -1 for none.
inline int catalogueRow(const QString &displayName)
{
    for (int row = 0; row < Glossa::LocaleCatalogue::RowCount(); ++row)
        if (Glossa::LocaleCatalogue::DisplayNameAt(row) == displayName)
            return row;
    return -1;
}

// The window that opens the editor, as the main window is to it: the store, the
// language's rows as the main window lists them, and the values a save hands back.
class EditorTestOwner : public Glossa::EditorOwner
{
public:
    Glossa::LanguageStore store;
    Glossa::EntryListModel rows{{QStringLiteral("Attribute"), QStringLiteral("Value")}};
    QWidget window;
    QList<Glossa::LanguageValues> applied;

    Glossa::LanguageStore &languageStore() override { return store; }
    const Glossa::EntryListModel *entryRows() const override { return &rows; }
    void ApplySavedValues(const Glossa::LanguageValues &values) override { applied.append(values); }
    QWidget *ownerWindow() override { return &window; }
    const Glossa::LanguageValues *fileValues() const override { return &values; }

    Glossa::LanguageValues values; // the file as the rows were read from it
    bool loadRows(int catalogueRow)
    {
        values.clear();
        Glossa::RedundantKeySet redundant;
        if (!store.LoadLanguageFile(Glossa::LocaleCatalogue::DisplayNameAt(catalogueRow), values, redundant))
            return false;
        std::vector<Glossa::EntryRow> list;
        for (auto it = store.attributes().cbegin(); it != store.attributes().cend(); ++it) {
            Glossa::EntryRow row;
            row.cells[0] = it.value();
            row.cells[1] = values.value(it.key());
            row.id = it.key();
            list.push_back(row);
        }
        rows.setRows(std::move(list));
        return true;
    }
};

// An editor on a scratch product: a copy of a product folder, or one made of
// (attribute, value, reference) lines. Every message box that comes up without a
// queued answer is answered and recorded; the test checks that none did.
class EditorFixture
{
public:
    struct Entry
    {
        QString attribute;
        QString value; // null: the language file lacks the key
        QString reference;
    };

    // Six entries: IDS_0 translated, IDS_1 blank, IDS_2 a placeholder error,
    // IDS_3 the same as its reference, IDS_4 missing, IDS_5 a trailing-blank warning.
    static QList<Entry> mixedEntries()
    {
        return {{QStringLiteral("IDS_0"), QStringLiteral("Ouvrir"), QStringLiteral("Open")},
                {QStringLiteral("IDS_1"), QStringLiteral(""), QStringLiteral("Close")},
                {QStringLiteral("IDS_2"), QStringLiteral("Fichier"), QStringLiteral("File %s")},
                {QStringLiteral("IDS_3"), QStringLiteral("OK"), QStringLiteral("OK")},
                {QStringLiteral("IDS_4"), QString(), QStringLiteral("Help")},
                {QStringLiteral("IDS_5"), QStringLiteral("\"Copier \""), QStringLiteral("Copy")}};
    }

    QTemporaryDir tmp;
    QString root;
    int languageRow = -1;
    std::unique_ptr<CurrentDirGuard> cwd;
    std::unique_ptr<EditorTestOwner> owner;
    std::unique_ptr<UnansweredBoxGuard> boxes;

    void start()
    {
        cwd = std::make_unique<CurrentDirGuard>();
        Glossa::MessageBox::resetTestHooks();
        boxes = std::make_unique<UnansweredBoxGuard>();
    }
    // The texts of the boxes nobody answered.
    QStringList finish()
    {
        owner.reset();
        cwd.reset();
        const QStringList unanswered = boxes->texts;
        boxes.reset();
        return unanswered;
    }

    QString languageFile() const
    {
        return root + QStringLiteral("/language/") + Glossa::LanguageStore::fileNameFor(Glossa::LocaleCatalogue::DisplayNameAt(languageRow));
    }

    // A master and a French file in UTF-16LE with CRLF; extraLines go at the French file's end.
    bool makeProduct(const QList<Entry> &entries, const QStringList &extraLines = {})
    {
        root = tmp.filePath(QStringLiteral("p%1").arg(++m_serial));
        QString master = QStringLiteral("[text]\r\n");
        QString french = master;
        for (const Entry &e : entries) {
            master += e.attribute + u'=' + e.reference + QStringLiteral("\r\n");
            if (!e.value.isNull())
                french += e.attribute + u'=' + e.value + QStringLiteral("\r\n");
        }
        for (const QString &line : extraLines)
            french += line + QStringLiteral("\r\n");
        if (!QDir().mkpath(root + QStringLiteral("/language"))
            || !writeBytes(root + QStringLiteral("/language/English (United States).ini"), utf16le(master))
            || !writeBytes(root + QStringLiteral("/language/French (France).ini"), utf16le(french)))
            return false;
        return openStore(QStringLiteral("French (France)"), {QStringLiteral("English (United States)")});
    }

    // A copy of a product folder, its language opened in the editor.
    bool copyProduct(const QString &from, const QString &language, const QStringList &others)
    {
        root = tmp.filePath(QStringLiteral("p%1").arg(++m_serial));
        return copyTree(from, root) && openStore(language, others);
    }

    std::unique_ptr<Glossa::CVuduzLanguageMapDlg> openEditor()
    {
        auto editor = std::make_unique<Glossa::CVuduzLanguageMapDlg>(owner.get());
        editor->sourceList = owner->entryRows();
        editor->languageIndex = languageRow;
        editor->OnInitDialog();
        editor->activateWindow();
        if (!QTest::qWaitForWindowActive(editor.get()))
            return nullptr;
        return editor;
    }

private:
    bool openStore(const QString &language, const QStringList &others)
    {
        QDir::setCurrent(root);
        Glossa::resetAttributeIdCounter();
        owner = std::make_unique<EditorTestOwner>();
        if (!owner->store.Open(QStringLiteral("./language")))
            return false;
        languageRow = catalogueRow(language);
        Glossa::presentLanguages() = {languageRow};
        for (const QString &other : others)
            Glossa::presentLanguages().insert(catalogueRow(other));
        return languageRow >= 0 && owner->loadRows(languageRow);
    }

    int m_serial = 0;
};

} // namespace TestSupport
