#include "editor/EditorSuggestions.h"

#include "editor/PanelTables.h"
#include "exchange/MemoryBuild.h"
#include "platform/AsyncTask.h"

#include "checks/CheckEngine.h"
#include "editor/EditorSession.h"
#include "editor/EditorSupport.h"
#include "editor/EntryListModel.h"
#include "exchange/Tmx.h"
#include "memory/ProductMemory.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTableWidget>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace Glossa {

namespace {

const QString WarningMark = QStringLiteral("\u26a0");

// Where the TMX files added to each product's memory are remembered.
QString rememberedFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/glossa-desk/suggestions.json");
}

QJsonObject readRemembered()
{
    QFile file(rememberedFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.read(1 << 20)).object();
}

// What reading a TMX file or building a memory freed (its transient copies, on this
// thread's heap) goes back to the system instead of staying with the process.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace

struct EditorSuggestions::Built
{
    int generation = 0;
    std::shared_ptr<const TranslationMemory> memory;
    QHash<QString, int> attributeOfKey;
    std::map<QString, std::shared_ptr<const UnitSet>> tmxSets;
    QList<std::pair<QString, QString>> refused; // path, why
    QString error;
};

EditorSuggestions::EditorSuggestions(EditorSession &session, QWidget *parent)
    : QGroupBox(QStringLiteral("Suggestions"), parent)
    , m_session(session)
{
    setAccessibleName(QStringLiteral("Suggestions"));
    m_pool.setMaxThreadCount(1);

    m_sameEnglish = new QLabel(this);
    m_sameEnglish->setObjectName(QStringLiteral("sameEnglish"));
    m_sameEnglish->setAccessibleName(QStringLiteral("Same English"));
    m_applySame = new QPushButton(QStringLiteral("Apply to Same English"), this);
    m_applySame->setAccessibleName(m_applySame->text());
    m_applySame->setAutoDefault(false);
    m_applySame->setToolTip(QStringLiteral("Ctrl+Shift+Return: the value shown goes to every other untranslated entry "
                                           "with the same English, in one step that Ctrl+Z takes back"));
    auto *concordanceLabel = new QLabel(QStringLiteral("Concordance"), this);
    m_concordance = new QLineEdit(this);
    m_concordance->setAccessibleName(QStringLiteral("Concordance"));
    m_concordance->setPlaceholderText(QStringLiteral("a word or phrase of the English"));
    m_concordance->setClearButtonEnabled(true);
    concordanceLabel->setBuddy(m_concordance);
    m_matchTable = makePanelTable(this, {QStringLiteral("Score"), QStringLiteral("Suggestion"), QStringLiteral("English"),
                                    QStringLiteral("From")},
                             QStringLiteral("Matches"));
    m_matchTable->setToolTip(QStringLiteral("Ctrl+1 \u2026 Ctrl+5 or a double click put a suggestion into Value; Enter there applies it"));
    m_concordanceTable = makePanelTable(this, {QStringLiteral("Attribute"), QStringLiteral("English"), QStringLiteral("Translation")},
                                   QStringLiteral("Concordance entries"));
    // In the side panel's width the suggestion gets the room; where it comes from is in its tooltip too.
    m_matchTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_matchTable->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Interactive);
    m_matchTable->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Interactive);
    m_matchTable->setColumnWidth(2, 110);
    m_matchTable->setColumnWidth(3, 90);
    m_concordanceTable->setToolTip(QStringLiteral("A double click shows the entry"));

    // One above the other in the side panel: the matches, the same English, the concordance.
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 4);
    grid->setVerticalSpacing(4);
    m_sameEnglish->setWordWrap(true);
    grid->addWidget(m_matchTable, 0, 0, 1, 2);
    grid->addWidget(m_sameEnglish, 1, 0);
    grid->addWidget(m_applySame, 1, 1);
    grid->addWidget(concordanceLabel, 2, 0, 1, 2);
    grid->addWidget(m_concordance, 3, 0, 1, 2);
    grid->addWidget(m_concordanceTable, 4, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(0, 3);
    grid->setRowStretch(4, 2);
    m_applySame->setEnabled(false);

    connect(m_applySame, &QPushButton::clicked, this, [this] { applyToSameEnglish(); });
    connect(m_matchTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { useSuggestion(row); });
    connect(m_concordanceTable, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const QTableWidgetItem *item = m_concordanceTable->item(row, 0);
        if (!item)
            return;
        m_session.showEntry(AttributeId(item->data(Qt::UserRole).toULongLong()));
    });
    m_concordanceTimer.setSingleShot(true);
    m_concordanceTimer.setInterval(150);
    connect(&m_concordanceTimer, &QTimer::timeout, this, &EditorSuggestions::findConcordance);
    connect(m_concordance, &QLineEdit::textChanged, this, [this] { m_concordanceTimer.start(); });
    m_askTimer.setSingleShot(true);
    m_askTimer.setInterval(0);
    connect(&m_askTimer, &QTimer::timeout, this, [this] {
        ask();
        updateSameEnglish();
    });
    EntryListModel *rows = &m_session.entries();
    connect(rows, &QAbstractItemModel::dataChanged, this, &EditorSuggestions::rowsChanged);
    connect(rows, &QAbstractItemModel::modelReset, this, &EditorSuggestions::rowsChanged);
}

EditorSuggestions::~EditorSuggestions()
{
    m_pool.clear();
    m_pool.waitForDone();
}

QSize EditorSuggestions::sizeHint() const
{
    // The first line and five matches.
    const int line = m_matchTable->verticalHeader()->defaultSectionSize();
    return {QGroupBox::sizeHint().width(), m_concordance->sizeHint().height() + line * (MaxShown + 1) + 28};
}

template<typename Work, typename Done>
void EditorSuggestions::post(Work work, Done done)
{
    ++m_pending;
    runAsync(this, &m_pool, std::move(work), std::move(done));
}

void EditorSuggestions::start()
{
    m_productDirectory = m_session.productDirectory();
    m_tmxPaths.clear();
    for (const QJsonValue &path : readRemembered().value(QStringLiteral("products")).toObject().value(m_productDirectory).toArray())
        if (!path.toString().isEmpty())
            m_tmxPaths.append(path.toString());
    refreshMenu();
    // In view unless the user hid it last time.
    if (readRemembered().value(QStringLiteral("shown")).toBool(true))
        setShown(true);
}

void EditorSuggestions::setShown(bool shown)
{
    const bool changed = shown != m_shown;
    m_shown = shown;
    Q_EMIT shownChanged(shown);
    if (!changed)
        return;
    if (shown && !hasMemory() && !m_buildQueued && !m_productDirectory.isEmpty()) {
        setTitle(QStringLiteral("Suggestions: building the translation memory\u2026"));
        // The build reads every language file on the worker: it starts once the
        // window has come up, so that it takes nothing from the opening.
        m_buildQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_buildQueued = false;
            if (!hasMemory())
                rebuild();
        });
    }
    if (!m_productDirectory.isEmpty())
        saveRemembered();
    entryShown();
}

void EditorSuggestions::rebuild()
{
    const int generation = ++m_generation;
    const QString directory = m_productDirectory;
    MemoryBuildRequest request{m_session.languageName(), m_earlier, m_tmxPaths, m_tmxSets, m_memory};
    post([this, generation, directory, request] {
        auto built = std::make_shared<Built>();
        built->generation = generation;
        if (!m_product) {
            auto product = std::make_shared<ProductMemory>();
            if (product->open(directory))
                m_product = std::move(product);
            else
                built->error = product->error();
        }
        if (m_product) {
            MemoryBuild build = buildMemory(*m_product, request);
            built->memory = std::move(build.memory);
            built->error = std::move(build.error);
            built->attributeOfKey = std::move(build.attributeOfKey);
            built->tmxSets = std::move(build.tmxSets);
            built->refused = std::move(build.refused);
        }
        releaseFreedMemory();
        return built;
    }, [this](const std::shared_ptr<Built> &built) { takeBuilt(built); });
}

void EditorSuggestions::takeBuilt(const std::shared_ptr<Built> &built)
{
    --m_pending;
    if (built->generation != m_generation)
        return; // a newer build is on its way
    for (const auto &[path, why] : built->refused) {
        m_session.say(QStringLiteral("The translation memory \"%1\" cannot be read: %2")
                                            .arg(QDir::toNativeSeparators(path), why));
    }
    if (!built->memory) {
        setTitle(QStringLiteral("Suggestions: no translation memory (%1)").arg(built->error));
        Q_EMIT answered();
        return;
    }
    m_memory = built->memory;
    m_tmxSets = built->tmxSets;
    m_attributeOfKey = built->attributeOfKey;
    const int count = m_memory->english().attributeCount();
    m_idOfAttribute.assign(size_t(count), 0);
    m_hasRow.assign(size_t(count), false);
    for (const EntryRow &row : m_session.entries().rows()) {
        const int attribute = m_attributeOfKey.value(row.cells[0], -1);
        if (attribute >= 0 && !m_hasRow[size_t(attribute)]) {
            m_idOfAttribute[size_t(attribute)] = row.id;
            m_hasRow[size_t(attribute)] = true;
        }
    }
    // The memory read the file; the rows may hold values applied since.
    m_rowsChanged = true;
    int units = 0;
    for (const auto &set : m_memory->tmxFiles())
        units += set->size();
    setTitle(m_memory->tmxFiles().empty()
                 ? QStringLiteral("Suggestions")
                 : QStringLiteral("Suggestions (with %1 TMX units)").arg(grouped(units)));
    refreshMenu();
    entryShown();
    findConcordance();
}

int EditorSuggestions::shownAttribute() const
{
    if (!m_memory || !m_session.shownEntry())
        return -1;
    const int row = m_session.entries().findRowById(*m_session.shownEntry());
    return row < 0 ? -1 : m_attributeOfKey.value(m_session.entries().text(row, 0), -1);
}

QString EditorSuggestions::valueOf(int attribute) const
{
    if (attribute < 0 || size_t(attribute) >= m_hasRow.size() || !m_hasRow[size_t(attribute)])
        return {};
    const int row = m_session.entries().findRowById(m_idOfAttribute[size_t(attribute)]);
    return row < 0 ? QString() : m_session.entries().text(row, 1);
}

QStringList EditorSuggestions::ownValues() const
{
    QStringList values(m_memory->english().attributeCount());
    for (const EntryRow &row : m_session.entries().rows())
        if (const int attribute = m_attributeOfKey.value(row.cells[0], -1); attribute >= 0)
            values[attribute] = row.cells[1];
    return values;
}

void EditorSuggestions::entryShown()
{
    m_askTimer.stop();
    if (!m_shown || !m_memory)
        return;
    ask();
    updateSameEnglish();
}

void EditorSuggestions::rowsChanged()
{
    m_rowsChanged = true;
    if (m_memory && m_shown)
        m_askTimer.start();
}

void EditorSuggestions::ask()
{
    const int attribute = shownAttribute();
    const int serial = ++m_serial;
    if (attribute < 0) {
        show({});
        return;
    }
    MatchQuery query;
    query.english = m_memory->english().english(attribute);
    query.attribute = attribute;
    query.currentValue = valueOf(attribute);
    query.maxMatches = MaxShown;
    const bool sendValues = m_rowsChanged;
    const QStringList values = sendValues ? ownValues() : QStringList();
    m_rowsChanged = false;
    const std::shared_ptr<const TranslationMemory> memory = m_memory;
    const int generation = m_generation;
    struct Answer
    {
        std::shared_ptr<const TranslationMemory> asked;
        std::vector<MemoryMatch> matches;
    };
    post(
        [memory, sendValues, values, query] {
            Answer answer;
            answer.asked = sendValues ? memory->withOwnValues(values) : memory;
            answer.matches = answer.asked->suggest(query);
            return std::make_shared<const Answer>(std::move(answer));
        },
        [this, sendValues, serial, generation](const std::shared_ptr<const Answer> &answer) {
            --m_pending;
            if (sendValues && generation == m_generation)
                m_memory = answer->asked;
            if (serial == m_serial)
                show(answer->matches);
        });
}

void EditorSuggestions::show(const std::vector<MemoryMatch> &matches)
{
    m_matches = matches;
    m_matchTable->setRowCount(0);
    const int attribute = shownAttribute();
    const QString english = attribute >= 0 ? m_memory->english().english(attribute) : QString();
    m_matchTable->setRowCount(int(matches.size()));
    for (int i = 0; i < int(matches.size()); ++i) {
        const MemoryMatch &match = matches[size_t(i)];
        const QString use = QStringLiteral("Ctrl+%1 puts it into Value").arg(i + 1);
        QTableWidgetItem *score = panelCell(QString::number(match.score), use);
        if (match.placeholdersDiffer) {
            score->setText(QString::number(match.score) + u' ' + WarningMark);
            score->setToolTip(QStringLiteral("Its placeholders differ from this entry's English (10 points off). ") + use);
        }
        m_matchTable->setItem(i, 0, score);
        m_matchTable->setItem(i, 1, panelCell(match.text, match.text + u'\n' + use));
        auto *source = new QLabel(markDifferences(english, match.source));
        source->setTextFormat(Qt::RichText);
        source->setToolTip(match.source);
        source->setAccessibleName(match.source);
        m_matchTable->setItem(i, 2, panelCell(QString(), match.source));
        m_matchTable->setCellWidget(i, 2, source);
        QString from = originLabel(match);
        if (match.uses > 1)
            from += QStringLiteral(" (%1 keys)").arg(match.uses);
        m_matchTable->setItem(i, 3, panelCell(from));
    }
    Q_EMIT answered();
}

bool EditorSuggestions::useSuggestion(int n)
{
    if (!m_shown) {
        m_session.say(QStringLiteral("F9 shows the suggestions"));
        return false;
    }
    if (n < 0 || n >= int(m_matches.size()) || !m_session.canEditValue())
        return false;
    m_session.setValueText(m_matches[size_t(n)].text);
    m_session.say(
        QStringLiteral("Suggestion %1 (%2, score %3) is in the Value field: Enter applies it")
            .arg(n + 1)
            .arg(originLabel(m_matches[size_t(n)]))
            .arg(m_matches[size_t(n)].score));
    return true;
}

void EditorSuggestions::updateSameEnglish()
{
    const int attribute = shownAttribute();
    const std::vector<int> others = attribute >= 0 ? m_memory->english().sameEnglish(attribute) : std::vector<int>();
    int untranslated = 0;
    for (int other : others)
        if (isBlankValue(valueOf(other)))
            ++untranslated;
    if (others.empty()) {
        m_sameEnglish->setText(attribute >= 0 ? QStringLiteral("No other key has this English") : QString());
    } else {
        m_sameEnglish->setText(QStringLiteral("Used by %1 other %2, %3 untranslated")
                                   .arg(grouped(int(others.size())),
                                        others.size() == 1 ? QStringLiteral("key") : QStringLiteral("keys"),
                                        grouped(untranslated)));
    }
    // A screen reader reads the line itself, counts and all.
    m_sameEnglish->setAccessibleName(m_sameEnglish->text().isEmpty() ? QStringLiteral("Same English")
                                                                      : m_sameEnglish->text());
    m_sameEnglish->setAccessibleDescription(QStringLiteral("Same English"));
    m_applySame->setEnabled(untranslated > 0 && !m_session.isReadOnly());
}

int EditorSuggestions::applyToSameEnglish()
{
    if (!m_memory) {
        m_session.say(QStringLiteral("Apply to Same English: F9 shows the suggestions first"));
        return 0;
    }
    const int attribute = shownAttribute();
    if (attribute < 0 || !m_session.canEditValue())
        return 0;
    // Text typed and not applied yet is applied first, as Modify does.
    if (m_session.fieldValue() != valueOf(attribute) && !isBlankValue(m_session.fieldValue()))
        m_session.applyShownValue();
    const QString value = valueOf(attribute);
    if (isBlankValue(value)) {
        m_session.say(QStringLiteral("Apply to Same English: the entry shown has no value yet"));
        return 0;
    }
    std::vector<std::pair<int, QString>> values;
    for (int other : m_memory->english().sameEnglish(attribute)) {
        if (!m_hasRow[size_t(other)] || !isBlankValue(valueOf(other)))
            continue; // a translated entry is never changed
        values.emplace_back(m_session.entries().findRowById(m_idOfAttribute[size_t(other)]), value);
    }
    if (values.empty()) {
        m_session.say(QStringLiteral("No other untranslated entry has the same English"));
        return 0;
    }
    m_session.applyValues(values, QStringLiteral("Apply to Same English"));
    m_session.say(QStringLiteral("Applied to %1 other %2 with the same English (Ctrl+Z takes them back)")
                                        .arg(grouped(int(values.size())),
                                             values.size() == 1 ? QStringLiteral("entry") : QStringLiteral("entries")));
    updateSameEnglish();
    return int(values.size());
}

void EditorSuggestions::findConcordance()
{
    m_concordanceTable->setRowCount(0);
    const QString phrase = m_concordance->text().trimmed();
    if (!m_memory || phrase.isEmpty())
        return;
    const std::vector<int> found = m_memory->english().concordance(phrase, ConcordanceLimit);
    m_concordanceTable->setRowCount(int(found.size()));
    for (int i = 0; i < int(found.size()); ++i) {
        const int attribute = found[size_t(i)];
        QTableWidgetItem *key = panelCell(m_memory->english().keys()[attribute]);
        key->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(m_idOfAttribute[size_t(attribute)]));
        m_concordanceTable->setItem(i, 0, key);
        m_concordanceTable->setItem(i, 1, panelCell(m_memory->english().english(attribute)));
        m_concordanceTable->setItem(i, 2, panelCell(valueOf(attribute)));
    }
}

void EditorSuggestions::setEarlierRelease(const QString &path)
{
    m_earlier = path;
    if (hasMemory())
        rebuild();
}

void EditorSuggestions::onAddMemory()
{
    const QString path = QFileDialog::getOpenFileName(window(), QStringLiteral("Add Translation Memory"), QDir::homePath(),
                                                      QStringLiteral("TMX files (*.tmx);;All files (*)"));
    if (!path.isEmpty())
        addMemory(path);
}

struct EditorSuggestions::TmxRead
{
    std::shared_ptr<const UnitSet> units;
    QString why;
    int others = 0;
};

void EditorSuggestions::addMemory(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (m_tmxPaths.contains(absolute) || m_tmxReading.contains(absolute))
        return;
    // Read on the worker, as a large file takes a while; a refused file is said when
    // read and never remembered.
    m_tmxReading.append(absolute);
    m_session.say(
        QStringLiteral("Reading \"%1\" into the translation memory\u2026").arg(QFileInfo(absolute).fileName()));
    const QString language = m_session.languageName();
    post(
        [absolute, language] {
            auto read = std::make_shared<TmxRead>();
            read->units = loadLanguageTmx(absolute, language, read->why, &read->others);
            releaseFreedMemory();
            return read;
        },
        [this, absolute](const std::shared_ptr<TmxRead> &read) { takeTmx(absolute, read); });
}

void EditorSuggestions::takeTmx(const QString &path, const std::shared_ptr<TmxRead> &read)
{
    m_tmxReading.removeOne(path);
    if (!read->units) {
        m_session.say(QString());
        MessageBox::show(window(), QMessageBox::Warning, ProgramName, read->why);
        --m_pending;
        return;
    }
    m_tmxSets[path] = read->units;
    m_tmxPaths.append(path);
    saveRemembered();
    m_session.say(QStringLiteral("Added \"%1\" to the translation memory: %2 units of %3 (%4 of other languages skipped)")
                                        .arg(QFileInfo(path).fileName(), grouped(read->units->size()),
                                             LocaleCatalogue::Bcp47ForDisplayName(m_session.languageName()), grouped(read->others)));
    if (hasMemory())
        rebuild();
    refreshMenu();
    --m_pending;
}

void EditorSuggestions::removeMemory(const QString &path)
{
    if (!m_tmxPaths.removeOne(path))
        return;
    m_tmxSets.erase(path);
    saveRemembered();
    if (hasMemory())
        rebuild();
    refreshMenu();
}

void EditorSuggestions::saveRemembered() const
{
    QJsonObject all = readRemembered();
    QJsonObject products = all.value(QStringLiteral("products")).toObject();
    if (m_tmxPaths.isEmpty())
        products.remove(m_productDirectory);
    else
        products.insert(m_productDirectory, QJsonArray::fromStringList(m_tmxPaths));
    all.insert(QStringLiteral("products"), products);
    all.insert(QStringLiteral("shown"), m_shown);
    QSaveFile file(rememberedFile());
    if (!QDir().mkpath(QFileInfo(file.fileName()).absolutePath()) || !file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(all).toJson()) < 0 || !file.commit()) {
        m_session.say(QStringLiteral("The list of translation memories could not be kept in \"%1\": %2")
                                            .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    }
}

void EditorSuggestions::addMenuActions(QWidget *list)
{
    // "Suggestions" and "Add Translation Memory…" are the menu bar's actions; the
    // list's menu adds one "Remove" per memory.
    m_menuList = list;
    refreshMenu();
}

void EditorSuggestions::refreshMenu()
{
    if (!m_menuList)
        return;
    for (QAction *action : std::as_const(m_removeActions)) {
        m_menuList->removeAction(action);
        action->deleteLater();
    }
    m_removeActions.clear();
    for (const QString &path : std::as_const(m_tmxPaths)) {
        const auto set = m_tmxSets.find(path);
        const QString units = set != m_tmxSets.end() ? grouped(set->second->size()) + QStringLiteral(" units")
                                                     : m_memory ? QStringLiteral("cannot be read") : QStringLiteral("not read yet");
        auto *remove = new QAction(QStringLiteral("Remove Translation Memory \"%1\" (%2)").arg(QFileInfo(path).fileName(), units),
                                   m_menuList);
        remove->setToolTip(QDir::toNativeSeparators(path));
        connect(remove, &QAction::triggered, this, [this, path] { removeMemory(path); });
        m_menuList->addAction(remove);
        m_removeActions.append(remove);
    }
}

} // namespace Glossa
