#pragma once

#include "memory/TranslationMemory.h"
#include "model/Types.h"

#include <QGroupBox>
#include <QHash>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QWidget;

namespace Glossa {

class EditorSession;
class ProductMemory;

// The "Suggestions" section of the editor's side panel: what the translation memory
// offers for the entry shown (Ctrl+1 … Ctrl+5 or a double click put one into
// "Value", not applied), how many other keys share its English with "Apply to
// Same English", and the concordance of a word or phrase. The memory is built and
// asked on a worker thread, one job at a time; an answer for an entry that is no
// longer shown is dropped.
class EditorSuggestions : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr int MaxShown = 5;
    static constexpr int ConcordanceLimit = 200;

    explicit EditorSuggestions(EditorSession &session, QWidget *parent = nullptr);
    ~EditorSuggestions() override;
    QSize sizeHint() const override;

    // At the start of the editor's run, with its rows in place: builds the memory
    // of the language (its values, its siblings', the TMX files remembered for the
    // product) in the background.
    void start();
    // F9 and View ▸ Suggestions: the side panel, in view unless hidden; the choice
    // is kept for the next editor.
    void setShown(bool shown);
    bool isShown() const { return m_shown; }
    // The fields show another entry.
    void entryShown();
    // The earlier release of "Compare with Earlier Release" feeds the memory too.
    void setEarlierRelease(const QString &path);

    // TMX files added to the product's memory, remembered (in the user's data
    // directory) until removed; their unit counts once read.
    void onAddMemory();
    void addMemory(const QString &path);
    void removeMemory(const QString &path);
    QStringList memoryFiles() const { return m_tmxPaths; }
    // One "Remove" per added file, on the list's context menu.
    void addMenuActions(QWidget *list);

    // Puts suggestion n (from 0) into "Value", not applied; false when there is none.
    bool useSuggestion(int n);
    // Applies the shown entry's value (the Value field's text first, when not
    // applied yet) to every other untranslated entry with exactly the same English,
    // each checked as Modify checks it, in one undo step. Returns how many.
    int applyToSameEnglish();

    // A build or a question to the memory is under way.
    bool isWorking() const { return m_pending > 0 || m_buildQueued; }
    const std::vector<MemoryMatch> &matches() const { return m_matches; }
    QTableWidget *matchTable() const { return m_matchTable; }
    QLabel *sameEnglishLabel() const { return m_sameEnglish; }
    QPushButton *applySameButton() const { return m_applySame; }
    QLineEdit *concordanceField() const { return m_concordance; }
    QTableWidget *concordanceTable() const { return m_concordanceTable; }

Q_SIGNALS:
    // The panel shows the matches of the entry shown (or why there are none).
    void answered();
    // F9 or the remembered choice: the side panel is to be in view, or hidden.
    void shownChanged(bool shown);

private:
    struct Built;
    void rebuild();
    void takeBuilt(const std::shared_ptr<Built> &built);
    struct TmxRead;
    // A TMX file read on the worker: remembered and built in, or refused with a message.
    void takeTmx(const QString &path, const std::shared_ptr<TmxRead> &read);
    void ask();
    void show(const std::vector<MemoryMatch> &matches);
    void updateSameEnglish();
    void findConcordance();
    void rowsChanged();
    void refreshMenu();
    void saveRemembered() const;
    // The memory is built or being built.
    bool hasMemory() const { return m_generation > 0; }
    // The shown entry's attribute in master order, -1 for none.
    int shownAttribute() const;
    QString valueOf(int attribute) const;
    QStringList ownValues() const;
    // Runs work on the worker (one job at a time, in order) and done with its result here.
    template<typename Work, typename Done>
    void post(Work work, Done done);

    EditorSession &m_session;
    QLabel *m_sameEnglish = nullptr;
    QPushButton *m_applySame = nullptr;
    QLineEdit *m_concordance = nullptr;
    QTableWidget *m_matchTable = nullptr;
    QTableWidget *m_concordanceTable = nullptr;
    QWidget *m_menuList = nullptr;
    bool m_shown = false;
    bool m_buildQueued = false; // the first build waits for the window to come up
    QList<QAction *> m_removeActions;
    QTimer m_concordanceTimer;
    QTimer m_askTimer;

    QString m_productDirectory;
    QString m_earlier;
    QStringList m_tmxPaths;
    QStringList m_tmxReading; // added, still being read
    // Read TMX files by path, with their unit counts.
    std::map<QString, std::shared_ptr<const UnitSet>> m_tmxSets;

    std::shared_ptr<const TranslationMemory> m_memory;
    // The memory's own values no longer match the rows: the next question sends them.
    bool m_rowsChanged = false;
    int m_generation = 0; // builds started
    int m_serial = 0;     // questions asked
    int m_pending = 0;
    QHash<QString, int> m_attributeOfKey;
    std::vector<AttributeId> m_idOfAttribute;
    std::vector<bool> m_hasRow;
    std::vector<MemoryMatch> m_matches;

    // Used by the worker only, one job at a time.
    std::shared_ptr<ProductMemory> m_product;
    QThreadPool m_pool;
};

} // namespace Glossa
