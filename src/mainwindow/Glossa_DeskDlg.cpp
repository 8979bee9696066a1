#include "mainwindow/Glossa_DeskDlg.h"

#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "shared/AboutDlg.h"
#include "mainwindow/LanguagesOverviewDlg.h"
#include "checks/ReportFormats.h"
#include "mainwindow/AddNewLanDlg.h"
#include "platform/DialogFont.h"
#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "model/SyncLanguageIndex.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/MessageBoxNotifier.h"
#include "shared/StatusField.h"
#include "shared/WindowSettings.h"
#include "waiting/WaitingScope.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QTimer>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QCloseEvent>
#include <QPushButton>
#include <QTableView>

namespace Glossa {

namespace {

const QString StatusNote = QStringLiteral(
    "Check errors are what the check finds wrong with a translated value: placeholders that differ from the "
    "English, or an odd number of double quotes. The editor and \"Languages\u2026\" count them the same way; an "
    "untranslated entry is counted as untranslated, not as an error.\nExtra keys are keys the master lacks: the next "
    "save deletes them.");

} // namespace

namespace {

// Dialog template 102, in dialog units and tab order.
const QList<ControlSpec> &mainWindowTemplate()
{
    static const QList<ControlSpec> table = {
        {CGlossa_DeskDlg::IDC_MODIFY, ControlSpec::PushButton, QStringLiteral("Modify"), 259, 217, 70, 14},
        {CGlossa_DeskDlg::IDC_LANGUAGE_LABEL, ControlSpec::Label, QStringLiteral("Language"), 20, 14, 35, 12},
        {CGlossa_DeskDlg::IDC_LANGUAGE_COMBO, ControlSpec::ComboBox, QString(), 57, 14, 141, 16,
         Qt::AlignLeft | Qt::AlignTop, CGlossa_DeskDlg::IDC_LANGUAGE_LABEL},
        {CGlossa_DeskDlg::IDC_ENTRY_LIST, ControlSpec::TableView, QString(), 20, 32, 308, 180,
         Qt::AlignLeft | Qt::AlignTop, ControlSpec::NoLabel, QStringLiteral("Attributes and values")},
        {CGlossa_DeskDlg::IDC_ADD_LANGUAGE, ControlSpec::PushButton, QStringLiteral("Add New Langugae"), 242, 14, 85, 12},
    };
    return table;
}

} // namespace

CGlossa_DeskDlg::CGlossa_DeskDlg(QWidget *parent)
    : QDialog(parent)
    , m_icon(QStringLiteral(":/glossa-desk.png"))
    , m_notifier(std::make_unique<MessageBoxNotifier>(this))
{
    setWindowTitle(ProgramName);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setFont(dialogFont(10));
    setAccessibleName(ProgramName);
    buildControls();
}

CGlossa_DeskDlg::~CGlossa_DeskDlg() = default;

void CGlossa_DeskDlg::buildControls()
{
    const DialogBaseUnits units = dialogBaseUnits(font());
    // The template's controls live in an area below the menu bar; its size lays them out.
    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("Main area"));
    m_entryList = new QTableView(m_area);
    createControls(m_area, mainWindowTemplate(), units, {{IDC_ENTRY_LIST, m_entryList}});
    m_area->resize(dialogUnitsToPixels(QSize(350, 238), units));

    m_modifyButton = findControl<QPushButton>(this, IDC_MODIFY);
    m_languageLabel = findControl<QLabel>(this, IDC_LANGUAGE_LABEL);
    m_languageCombo = findControl<QComboBox>(this, IDC_LANGUAGE_COMBO);
    m_addLanguageButton = findControl<QPushButton>(this, IDC_ADD_LANGUAGE);
    m_modifyButton->setEnabled(false);
    for (QPushButton *button : {m_modifyButton, m_addLanguageButton})
        button->setAutoDefault(false); // Enter presses no button in this window

    m_entryModel = new EntryListModel({QStringLiteral("Attribute"), QStringLiteral("Value")}, this);
    m_entryList->setModel(m_entryModel);
    m_entryList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_entryList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_entryList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_entryList->verticalHeader()->hide();
    // The list follows the window's size, and the Value column takes what it gains.
    m_entryList->horizontalHeader()->setStretchLastSection(true);
    m_entryList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_entryList->horizontalHeader()->setHighlightSections(false);
    m_entryList->setWordWrap(false);
    m_entryList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_entryList->verticalHeader()->setDefaultSectionSize(m_entryList->fontMetrics().height() + 6);

    // The user's choice only: programmatic changes of the list do not reload it.
    connect(m_languageCombo, &QComboBox::activated, this, &CGlossa_DeskDlg::onLanguageSelected);
    connect(m_modifyButton, &QPushButton::clicked, this, &CGlossa_DeskDlg::onModify);
    connect(m_entryList, &QTableView::doubleClicked, this, &CGlossa_DeskDlg::onEntryDoubleClicked);
    connect(m_addLanguageButton, &QPushButton::clicked, this, &CGlossa_DeskDlg::onAddNewLanguage);

    // Beside the template's controls, in the free room left of "Modify".
    m_languagesButton = new QPushButton(QStringLiteral("Languages…"), m_area);
    m_languagesButton->setAutoDefault(false);
    m_languagesButton->setToolTip(QStringLiteral("Every language's counts and findings"));
    m_languagesButton->setAccessibleName(QStringLiteral("Languages…"));
    // A read-only field: a screen reader gives its name and then what it says.
    // In the editor's size of the dialog font, so that the counts are whole at the
    // window's first size between "Languages…" and "Modify".
    auto *statusLine = new StatusField(m_area, QStringLiteral("Language status"));
    statusLine->setFont(dialogFont(9));
    statusLine->setToolTipFollowsText(true, StatusNote);
    m_statusLine = statusLine;
    connect(m_languagesButton, &QPushButton::clicked, this, &CGlossa_DeskDlg::onLanguages);

    // What a save did, whole, however long the list of removed keys: below the area, after a save.
    m_savedBand = new QLabel(this);
    m_savedBand->setObjectName(QStringLiteral("Last save"));
    m_savedBand->setWordWrap(true);
    m_savedBand->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_savedBand->setContentsMargins(8, 2, 8, 4);
    m_savedBand->hide();

    // A Linux window manager owns the window menu, so the About entry lives in
    // the window's context menu (and on F1), and in the menu bar.
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    auto *about = new QAction(QStringLiteral("&About Glossa_Desk..."), this);
    about->setShortcut(QKeySequence::HelpContents);
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
    addAction(separator);
    addAction(about);
    // The menu shows the overview's entry above the window's own actions.
    auto *languages = new QAction(QStringLiteral("&Languages…"), this);
    languages->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    connect(languages, &QAction::triggered, this, &CGlossa_DeskDlg::onLanguages);
    addAction(languages);
    buildMenuBar(languages, about);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this, languages, separator, about](const QPoint &at) {
        QMenu menu(this);
        menu.addAction(languages);
        menu.addAction(separator);
        menu.addAction(about);
        menu.exec(mapToGlobal(at));
    });

    // Enter and Escape are swallowed before any control sees them.
    const auto children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);
}

void CGlossa_DeskDlg::buildMenuBar(QAction *languages, QAction *about)
{
    m_menuBar = new QMenuBar(this);
    m_menuBar->setAccessibleName(QStringLiteral("Menu bar"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_area, 1);
    layout->addWidget(m_savedBand);

    QMenu *file = m_menuBar->addMenu(QStringLiteral("&File"));
    auto *modify = new QAction(QStringLiteral("&Modify"), this);
    modify->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    modify->setToolTip(QStringLiteral("Opens the translation editor on the language picked"));
    connect(modify, &QAction::triggered, this, [this] {
        if (m_modifyButton->isEnabled())
            onModify();
    });
    auto *add = new QAction(QStringLiteral("Add New Langugae"), this);
    add->setShortcut(QKeySequence(QStringLiteral("Ctrl+N")));
    connect(add, &QAction::triggered, this, &CGlossa_DeskDlg::onAddNewLanguage);
    auto *quit = new QAction(QStringLiteral("&Quit"), this);
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    for (QAction *action : {modify, add, quit})
        addAction(action); // its key works wherever the focus is in the window
    file->addAction(modify);
    file->addAction(add);
    file->addAction(languages);
    file->addSeparator();
    file->addAction(quit);
    m_menuBar->addMenu(QStringLiteral("&Help"))->addAction(about);
    resize(m_area->width(), m_area->height() + m_menuBar->sizeHint().height());
    m_area->installEventFilter(this);
}

std::pair<int, int> CGlossa_DeskDlg::initialColumnWidths(int clientWidth)
{
    // Integer divisions taken as 16-bit values, as the list's column widths are.
    return {qint16(clientWidth / 3), qint16((2 * clientWidth) / 3)};
}

int CGlossa_DeskDlg::exec()
{
    if (!m_initialised) {
        m_initialised = true;
        if (!OnInitDialog())
            return result();
    }
    return QDialog::exec();
}

bool CGlossa_DeskDlg::OnInitDialog()
{
    m_initialised = true;
    setWindowIcon(m_icon);

    WaitingScope wait(this, LoadingText);
    m_startupDirectory = QDir::currentPath();
    const QString languageDir = QStringLiteral(".") + QDir::separator() + QStringLiteral("language");
    if (!m_store.Open(languageDir)) {
        MessageBox::show(this, QMessageBox::Critical, ProgramName,
                         QStringLiteral("The main file is missing, the software can not be running!"));
        setResult(0);
        wait.abandon();
        return false;
    }

    const QString sep = QDir::separator();
    SyncLanguageIndex(m_startupDirectory, m_store, sep + QStringLiteral("language"),
                      sep + QStringLiteral("Web") + sep + QStringLiteral("LanguageInfo"), presentLanguages(), *m_notifier);

    const int clientWidth = m_entryList->width() - 2 * m_entryList->frameWidth();
    const auto [first, second] = initialColumnWidths(clientWidth);
    m_entryList->setColumnWidth(0, first);
    m_entryList->setColumnWidth(1, second);
    m_entryList->setShowGrid(true);
    // The size, place and column widths the window had when it last closed.
    {
        WindowSettings settings;
        const QByteArray geometry = settings.value(QStringLiteral("main/geometry")).toByteArray();
        if (!geometry.isEmpty() && restoreGeometry(geometry))
            m_entryList->horizontalHeader()->restoreState(settings.value(QStringLiteral("main/columns")).toByteArray());
    }

    fillLanguageList();
    wait.finish();
    // Once the window is up: the question needs the window behind it.
    QTimer::singleShot(0, this, &CGlossa_DeskDlg::offerRecoveryJournals);
    return true;
}

void CGlossa_DeskDlg::fillLanguageList()
{
    const PresentLanguageSet &present = presentLanguages();
    for (int i = 0; i < LocaleCatalogue::RowCount(); ++i) {
        if (present.count(i))
            m_languageCombo->addItem(LocaleCatalogue::DisplayNameAt(i), i);
    }
    m_languageCombo->setCurrentIndex(-1);
}

void CGlossa_DeskDlg::OnSysCommand(int commandId)
{
    if ((commandId & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about(this);
        about.exec();
    }
}

void CGlossa_DeskDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
}

void CGlossa_DeskDlg::closeEvent(QCloseEvent *event)
{
    WindowSettings settings;
    settings.setValue(QStringLiteral("main/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("main/columns"), m_entryList->horizontalHeader()->saveState());
    QDialog::closeEvent(event);
}

void CGlossa_DeskDlg::layoutControls()
{
    if (!m_languageLabel)
        return;
    // Client and label edges as the window system gives them: right and bottom
    // exclusive, the area's (below the menu bar).
    const int clientRight = m_area->width();
    const int clientBottom = m_area->height();
    const QRect label = m_languageLabel->geometry();
    const int labelLeft = label.left();
    const int labelBottom = label.top() + label.height();

    m_entryList->setGeometry(labelLeft, labelBottom + 10, clientRight - 2 * labelLeft,
                             clientBottom - 70 - (labelBottom + 10));
    m_entryList->update();
    const QSize button = m_modifyButton->size();
    m_modifyButton->move(clientRight - labelLeft - button.width(), clientBottom - 60);
    m_modifyButton->update();
    if (m_languagesButton) {
        const int width = m_languagesButton->sizeHint().width();
        m_languagesButton->setGeometry(labelLeft, clientBottom - 60, width, button.height());
        const int statusLeft = labelLeft + width + 6;
        m_statusLine->setGeometry(statusLeft, clientBottom - 60,
                                  std::max(0, m_modifyButton->x() - 6 - statusLeft), button.height());
    }
}

bool CGlossa_DeskDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && event->type() == QEvent::Resize)
        layoutControls();
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CGlossa_DeskDlg::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        return; // neither key closes the main window
    QDialog::keyPressEvent(event);
}

void CGlossa_DeskDlg::reloadEntries(int row)
{
    m_redundantKeys.clear();
    m_entryModel->clear();
    const QString displayName = LocaleCatalogue::DisplayNameAt(row);
    const AttributeCatalogue catalogue = m_store.attributes();
    m_fileValues.clear();
    LanguageValues &values = m_fileValues;
    if (!m_store.LoadLanguageFile(displayName, values, m_redundantKeys)
        && QFileInfo::exists(m_store.filePathFor(displayName))) {
        // A missing file simply shows empty values; one that is there but cannot
        // be read is worth a word.
        m_notifier->notify(Severity::Warning, ProgramName, m_store.lastError());
    }
    std::vector<EntryRow> rows;
    rows.reserve(catalogue.size());
    for (auto it = catalogue.cbegin(); it != catalogue.cend(); ++it) {
        EntryRow entry;
        entry.cells[0] = it.value();
        entry.cells[1] = values.value(it.key());
        entry.id = it.key();
        rows.push_back(std::move(entry));
    }
    m_entryModel->setRows(std::move(rows));
}

void CGlossa_DeskDlg::onLanguageSelected(int comboIndex)
{
    if (comboIndex < 0)
        return;
    WaitingScope wait(this, LoadingText);
    m_entryList->hide();
    reloadEntries(m_languageCombo->itemData(comboIndex).toInt());
    m_entryList->show();
    m_modifyButton->setEnabled(true);
    updateStatusLine();
    wait.finish();
    // After the wait: a window that is still disabled takes no focus.
    m_entryList->setFocus();
}

void CGlossa_DeskDlg::runEditor(qint64 initialEntryId)
{
    const int comboIndex = m_languageCombo->currentIndex();
    if (comboIndex < 0)
        return;
    const int row = m_languageCombo->itemData(comboIndex).toInt();
    CVuduzLanguageMapDlg editor(this);
    editor.sourceList = m_entryModel;
    editor.languageIndex = row;
    editor.initialEntryId = initialEntryId;
    m_savedValueCount = 0;
    m_savedChangedCount = 0;
    if (editor.exec() != ResultSaved)
        return;
    const QString displayName = LocaleCatalogue::DisplayNameAt(row);
    const QLocale english(QLocale::English);
    QString saved = QStringLiteral("Saved %1 values to %2")
                        .arg(english.toString(m_savedValueCount), LanguageStore::fileNameFor(displayName));
    if (m_savedChangedCount < m_savedValueCount)
        saved += QStringLiteral(" (%1 you changed, %2 marked ERROR when the editor opened)")
                     .arg(english.toString(m_savedChangedCount), english.toString(m_savedValueCount - m_savedChangedCount));
    if (!m_store.RemoveKeys(displayName, m_redundantKeys)) {
        m_notifier->notify(Severity::Error, ProgramName, m_store.lastError());
    } else if (!m_redundantKeys.empty()) {
        QStringList keys(m_redundantKeys.begin(), m_redundantKeys.end());
        saved += QStringLiteral("; removed %1 keys the master lacks: %2").arg(keys.size()).arg(keys.join(QStringLiteral(", ")));
    }
    if (editor.droppedValueCount > 0)
        saved += QStringLiteral("; your %1 values replaced by the other program's are kept in \"%2\"")
                     .arg(editor.droppedValueCount)
                     .arg(QDir::toNativeSeparators(editor.keptJournalPath));
    // The next editor merges against the file as it is now.
    LanguageValues now;
    RedundantKeySet unused;
    if (m_store.LoadLanguageFile(displayName, now, unused))
        m_fileValues = std::move(now);
    updateStatusLine(saved);
    // The status line is one line; the band below shows what the save did whole.
    const int before = m_savedBand->isVisible() ? m_savedBand->height() : 0;
    m_savedBand->setText(saved);
    m_savedBand->setAccessibleName(saved);
    m_savedBand->show();
    // The window grows by the band, so that the list keeps its room.
    resize(width(), height() - before + m_savedBand->heightForWidth(width()));
}

void CGlossa_DeskDlg::updateStatusLine(const QString &saved)
{
    const int comboIndex = m_languageCombo->currentIndex();
    if (comboIndex < 0) {
        m_statusLine->clear();
        return;
    }
    const QString displayName = LocaleCatalogue::DisplayNameAt(m_languageCombo->itemData(comboIndex).toInt());
    CheckEngine engine;
    QString text;
    QString marked;
    if (engine.open(m_startupDirectory)) {
        const LanguageReport report = engine.checkLanguage(displayName);
        // The editor's "Errors" shows the check errors and the untranslated entries whose English has placeholders.
        marked = QStringLiteral("In the editor against the English: ")
            + markedErrorText(report.untranslatedWithPlaceholders, report.errors) + QStringLiteral(".\n");
        const QLocale english(QLocale::English);
        const int percent = report.attributes ? report.translated * 100 / report.attributes : 100;
        text = QStringLiteral("%1 of %2 translated (%3%) · %4 %5 · %6 %7")
                   .arg(english.toString(report.translated), english.toString(report.attributes))
                   .arg(percent)
                   .arg(english.toString(report.errors),
                        report.errors == 1 ? QStringLiteral("check error") : QStringLiteral("check errors"),
                        english.toString(report.redundant),
                        report.redundant == 1 ? QStringLiteral("extra key") : QStringLiteral("extra keys"));
    }
    if (!saved.isEmpty())
        text = text.isEmpty() ? saved : saved + QStringLiteral(" · ") + text;
    static_cast<StatusField *>(m_statusLine)->setToolTipFollowsText(true, marked + StatusNote);
    m_statusLine->setText(text);
}

void CGlossa_DeskDlg::selectLanguage(const QString &displayName)
{
    for (int i = 0; i < m_languageCombo->count(); ++i) {
        if (LocaleCatalogue::DisplayNameAt(m_languageCombo->itemData(i).toInt()) == displayName) {
            m_languageCombo->setCurrentIndex(i);
            onLanguageSelected(i); // as if the user had picked it
            return;
        }
    }
}

void CGlossa_DeskDlg::onLanguages()
{
    LanguagesOverviewDlg overview(m_startupDirectory, {}, this);
    overview.setReportWriter([](const ProductReport &report, const QString &format, const QString &path, QString *error) {
        QSaveFile file(path);
        const std::optional<CheckFormat> kind = checkFormatFromName(format);
        if (!kind || !file.open(QIODevice::WriteOnly) || file.write(formatCheckReport(report, *kind)) < 0 || !file.commit()) {
            *error = file.errorString();
            return false;
        }
        return true;
    });
    overview.start();
    if (overview.exec() != QDialog::Accepted || overview.chosenLanguage().isEmpty())
        return;
    selectLanguage(overview.chosenLanguage());
    if (overview.chosenKey().isEmpty())
        return;
    if (const std::optional<AttributeId> id = m_store.findAttribute(overview.chosenKey()))
        runEditor(qint64(*id));
}

void CGlossa_DeskDlg::onModify()
{
    runEditor(-1);
}

void CGlossa_DeskDlg::onEntryDoubleClicked()
{
    // The editor opens on the row that holds the selection mark, which need
    // not be the row under the pointer.
    const QModelIndex mark = m_entryList->currentIndex();
    if (!mark.isValid())
        return;
    runEditor(qint64(m_entryModel->itemData(mark.row())));
}

void CGlossa_DeskDlg::ApplySavedValues(const LanguageValues &values)
{
    m_savedValueCount = int(values.size());
    m_savedChangedCount = 0;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const int row = m_entryModel->findRowById(it.key());
        // Save writes every marked row: one marked ERROR when the editor opened goes out as it came in.
        if (row < 0 || m_entryModel->text(row, 1) != it.value())
            ++m_savedChangedCount;
        if (row >= 0)
            m_entryModel->setText(row, 1, it.value());
    }
}

void CGlossa_DeskDlg::onAddNewLanguage()
{
    CAddNewLanDlg dialog(this);
    if (dialog.exec() != ResultSaved || dialog.chosenRow() < 0)
        return;
    const int row = dialog.chosenRow();
    const QString displayName = LocaleCatalogue::DisplayNameAt(row);
    {
        WaitingScope wait(this, LoadingText);
        const bool created = m_store.CreateLanguageFile(displayName);
        wait.finish();
        // The editor still opens on the new language; the user hears why its file is not there.
        if (!created)
            m_notifier->notify(Severity::Error, ProgramName, m_store.lastError());
    }
    const AttributeCatalogue catalogue = m_store.attributes();
    CVuduzLanguageMapDlg editor(this);
    editor.newLanguageAttributes = &catalogue;
    editor.languageIndex = row;
    if (editor.exec() != ResultSaved) {
        // The file and its index entry are there: the language is listed, as it
        // will be at the next start, and the rows shown stay as they were.
        if (QFileInfo(m_store.filePathFor(displayName)).isFile() && m_languageCombo->findData(row) < 0)
            m_languageCombo->addItem(displayName, row);
        return;
    }
    if (m_languageCombo->findData(row) < 0)
        m_languageCombo->addItem(displayName, row);
    m_languageCombo->setCurrentIndex(m_languageCombo->count() - 1);
    // The entry list follows the combo box, so that "Modify" never opens the
    // editor on the new language with the rows of another.
    WaitingScope wait(this, LoadingText);
    reloadEntries(row);
    m_modifyButton->setEnabled(true);
    updateStatusLine();
    wait.finish();
}

} // namespace Glossa
