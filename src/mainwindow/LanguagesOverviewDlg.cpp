#include "mainwindow/LanguagesOverviewDlg.h"

#include "terms/TermChecker.h"

#include "model/LocaleCatalogue.h"
#include "shared/WindowSettings.h"

#include "checks/ReleaseComparison.h"
#include "shared/EarlierRelease.h"
#include "platform/AsyncTask.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace Glossa {

namespace {

QTableWidgetItem *numberItem(int value)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value); // sorts as a number
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QTableWidget *makeTable(const QStringList &headers, const QString &name)
{
    auto *table = new QTableWidget(0, int(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setAccessibleName(name);
    return table;
}

} // namespace

LanguagesOverviewDlg::LanguagesOverviewDlg(const QString &productDirectory, CheckOptions options, QWidget *parent)
    : QDialog(parent)
    , m_product(productDirectory)
    , m_options(std::move(options))
{
    m_pool.setMaxThreadCount(1);
    setWindowTitle(QStringLiteral("Languages"));

    m_languages = makeTable({QStringLiteral("Language"), QStringLiteral("Code"), QStringLiteral("Encoding"),
                             QStringLiteral("Translated"), QStringLiteral("%"), QStringLiteral("Blank"),
                             QStringLiteral("Missing"), QStringLiteral("Errors"), QStringLiteral("Warnings"),
                             QStringLiteral("Keys the master lacks"), QStringLiteral("Stale")},
                            QStringLiteral("Languages"));
    m_findings = makeTable({QStringLiteral("Line"), QStringLiteral("Key"), QStringLiteral("Check"),
                            QStringLiteral("Severity"), QStringLiteral("Message")},
                           QStringLiteral("Findings"));
    // Until the user clicks a header: languages by name, findings by line, both ascending
    // (a header's own default would be the first column descending).
    m_languages->horizontalHeader()->setSortIndicator(NameColumn, Qt::AscendingOrder);
    m_findings->horizontalHeader()->setSortIndicator(LineColumn, Qt::AscendingOrder);
    m_findings->setSortingEnabled(true);
    m_flush = new QTimer(this);
    m_flush->setSingleShot(true);
    m_flush->setInterval(150);
    connect(m_flush, &QTimer::timeout, this, &LanguagesOverviewDlg::flushArrivals);
    m_languages->setColumnHidden(StaleColumn, m_options.staleKeys.isEmpty());

    m_severity = new QComboBox;
    m_severity->addItems({QStringLiteral("All findings"), QStringLiteral("Errors"), QStringLiteral("Warnings"),
                          QStringLiteral("Infos")});
    m_severity->setAccessibleName(QStringLiteral("Show findings"));
    auto *severityLabel = new QLabel(QStringLiteral("Show:"));
    severityLabel->setBuddy(m_severity);

    m_progress = new QProgressBar;
    m_progress->setAccessibleName(QStringLiteral("Check progress"));
    m_status = new QLineEdit;
    m_status->setReadOnly(true);
    m_status->setFrame(false);
    m_status->setFocusPolicy(Qt::NoFocus);
    m_status->setAccessibleName(QStringLiteral("Check status"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_cancel->setAutoDefault(false);
    m_saveReport = new QPushButton(QStringLiteral("Save Report…"));
    m_saveReport->setAutoDefault(false);
    m_saveReport->setEnabled(false);
    m_compare = new QPushButton(QStringLiteral("Compare with Earlier Release\u2026"));
    m_compare->setAutoDefault(false);
    m_compare->setToolTip(QStringLiteral("Counts the translations whose English changed since an earlier release"));
    auto *close = new QPushButton(QStringLiteral("Close"));
    close->setAutoDefault(false);

    auto *findingsBar = new QHBoxLayout;
    findingsBar->addWidget(new QLabel(QStringLiteral("Findings of the selected language")));
    findingsBar->addStretch();
    findingsBar->addWidget(severityLabel);
    findingsBar->addWidget(m_severity);
    auto *lower = new QWidget;
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addLayout(findingsBar);
    lowerLayout->addWidget(m_findings);
    auto *splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(m_languages);
    splitter->addWidget(lower);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_progress, 1);
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_compare);
    buttons->addWidget(m_saveReport);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelRequested = true; });
    connect(close, &QPushButton::clicked, this, &LanguagesOverviewDlg::reject);
    connect(m_saveReport, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("Save Report"), m_product + QStringLiteral("/glossa-report.txt"),
            QStringLiteral("Text (*.txt);;JSON (*.json);;JUnit XML (*.xml);;SARIF (*.sarif);;GitHub workflow commands (*.github)"));
        if (!path.isEmpty())
            saveReport(path);
    });
    connect(m_compare, &QPushButton::clicked, this, [this] {
        if (const QString path = chooseEarlierRelease(this); !path.isEmpty())
            compareWithEarlierRelease(path);
    });
    connect(m_languages, &QTableWidget::itemSelectionChanged, this, &LanguagesOverviewDlg::showFindings);
    connect(m_severity, &QComboBox::currentIndexChanged, this, &LanguagesOverviewDlg::showFindings);
    connect(m_languages, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        m_chosenLanguage = m_languages->item(row, NameColumn)->text();
        m_chosenKey.clear();
        stop();
        accept();
    });
    connect(m_findings, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const LanguageReport *language = selectedLanguage();
        const QString key = m_findings->item(row, KeyColumn)->text();
        if (!language || key.isEmpty())
            return; // a finding about the whole file shows no entry
        m_chosenLanguage = language->name;
        m_chosenKey = key;
        stop();
        accept();
    });

    // Wide enough for every column, the longest language name whole; or as it was left.
    QFontMetrics metrics(m_languages->font());
    int longestName = 0;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        longestName = std::max(longestName, metrics.horizontalAdvance(LocaleCatalogue::DisplayNameAt(row)));
    m_languages->resizeColumnsToContents();
    m_languages->setColumnWidth(NameColumn, std::max(m_languages->columnWidth(NameColumn), longestName + 16));
    // The columns are empty yet: each is made as wide as what it will hold.
    const auto atLeast = [&](int column, const QString &widest) {
        m_languages->setColumnWidth(column, std::max(m_languages->columnWidth(column), metrics.horizontalAdvance(widest) + 16));
    };
    atLeast(CodeColumn, QStringLiteral("0x0000"));
    atLeast(EncodingColumn, QStringLiteral("utf-8-bom"));
    atLeast(PercentColumn, QStringLiteral("100"));
    for (int column : {TranslatedColumn, BlankColumn, MissingColumn, ErrorsColumn, WarningsColumn})
        atLeast(column, QStringLiteral("20,000"));
    int needed = 2 * m_languages->frameWidth() + m_languages->verticalScrollBar()->sizeHint().width() + 24;
    for (int column = 0; column < m_languages->columnCount(); ++column)
        if (!m_languages->isColumnHidden(column))
            needed += m_languages->columnWidth(column);
    resize(std::max(900, needed), 600);
    WindowSettings settings;
    const QByteArray geometry = settings.value(QStringLiteral("overview/geometry")).toByteArray();
    if (!geometry.isEmpty() && restoreGeometry(geometry)) {
        m_languages->horizontalHeader()->restoreState(settings.value(QStringLiteral("overview/languages")).toByteArray());
        m_findings->horizontalHeader()->restoreState(settings.value(QStringLiteral("overview/findings")).toByteArray());
        m_languages->setColumnHidden(StaleColumn, m_options.staleKeys.isEmpty());
    }
}

void LanguagesOverviewDlg::done(int result)
{
    WindowSettings settings;
    settings.setValue(QStringLiteral("overview/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("overview/languages"), m_languages->horizontalHeader()->saveState());
    settings.setValue(QStringLiteral("overview/findings"), m_findings->horizontalHeader()->saveState());
    QDialog::done(result);
}

LanguagesOverviewDlg::~LanguagesOverviewDlg()
{
    stop();
}

void LanguagesOverviewDlg::start()
{
    if (m_running)
        return;
    m_running = true;
    m_cancelRequested = false;
    m_arrived.clear();
    m_inTable = 0;
    m_flush->stop();
    m_report = {};
    m_languages->setSortingEnabled(false);
    m_languages->setRowCount(0);
    m_findings->setRowCount(0);
    m_progress->setValue(0);
    m_cancel->setEnabled(true);
    m_saveReport->setEnabled(false);
    m_status->setText(QStringLiteral("Checking…"));
    const int generation = ++m_generation;
    // Runs fn on the window's thread unless a later run has started since.
    auto post = [this, generation](auto fn) {
        QMetaObject::invokeMethod(this, [this, generation, fn = std::move(fn)]() mutable {
            if (generation == m_generation)
                fn();
        }, Qt::QueuedConnection);
    };
    // What the run ends with: the report, or why the product could not be opened.
    struct Outcome
    {
        QString openError;
        ProductReport report;
    };
    runAsync(
        this, &m_pool,
        [this, post] {
            auto outcome = std::make_shared<Outcome>();
            CheckEngine engine;
            if (!engine.open(m_product)) {
                outcome->openError = engine.error();
                return outcome;
            }
            // The product's glossary adds the term checks; one that cannot be read is named.
            CheckOptions options = m_options;
            QString glossaryError;
            if (!options.valueChecks)
                options.valueChecks = productGlossaryChecks(engine, glossaryError);
            const int total = int(engine.presentLanguages().size());
            post([this, total, glossaryError] {
                m_progress->setRange(0, total);
                m_glossaryError = glossaryError;
            });
            outcome->report = engine.run(options, {}, &m_cancelRequested, [post, this](const LanguageReport &language) {
                post([this, language] { addLanguage(language); });
            });
            return outcome;
        },
        [this, generation](const std::shared_ptr<Outcome> &outcome) {
            if (generation != m_generation)
                return;
            if (!outcome->openError.isEmpty()) {
                m_status->setText(outcome->openError);
                finish(true);
                return;
            }
            m_report = std::move(outcome->report);
            finish(m_report.cancelled);
        });
}

void LanguagesOverviewDlg::stop()
{
    m_cancelRequested = true;
    m_pool.waitForDone();
}

void LanguagesOverviewDlg::addLanguage(const LanguageReport &language)
{
    m_arrived.push_back(language);
    m_progress->setValue(int(m_arrived.size()));
    if (m_inTable == 0)
        flushArrivals();
    else if (!m_flush->isActive())
        m_flush->start();
}

void LanguagesOverviewDlg::flushArrivals()
{
    m_flush->stop();
    if (m_inTable == m_arrived.size())
        return;
    const bool wasEmpty = m_languages->rowCount() == 0;
    const bool sorting = m_languages->isSortingEnabled();
    m_languages->setSortingEnabled(false);
    m_languages->setUpdatesEnabled(false);
    for (; m_inTable < m_arrived.size(); ++m_inTable) {
        const LanguageReport &language = m_arrived[m_inTable];
        const int row = m_languages->rowCount();
        m_languages->insertRow(row);
        auto *name = new QTableWidgetItem(language.name);
        name->setData(Qt::UserRole, int(m_inTable));
        // Catalogue order until the user sorts by another column.
        name->setData(Qt::UserRole + 1, language.catalogueRow);
        m_languages->setItem(row, NameColumn, name);
        m_languages->setItem(row, CodeColumn, new QTableWidgetItem(language.code));
        m_languages->setItem(row, EncodingColumn, new QTableWidgetItem(language.encoding));
        m_languages->setItem(row, TranslatedColumn, numberItem(language.translated));
        m_languages->setItem(row, PercentColumn,
                             numberItem(language.attributes ? language.translated * 100 / language.attributes : 100));
        m_languages->setItem(row, BlankColumn, numberItem(language.blank));
        m_languages->setItem(row, MissingColumn, numberItem(language.missing));
        QTableWidgetItem *errors = numberItem(language.errors);
        // The count of check errors; the tip says what the editor will mark ERROR besides.
        // The glossary's errors are named in the editor's why line, never marked ERROR.
        const auto forbidden = std::count_if(language.findings.begin(), language.findings.end(), [](const Finding &f) {
            return f.check == checkInfo(Check::TermForbidden).id;
        });
        errors->setToolTip(markedErrorText(language.untranslatedWithPlaceholders, language.errors - int(forbidden))
                           + (forbidden ? QStringLiteral("; besides, %1 term-forbidden (the glossary), which the "
                                                         "editor's why line names")
                                              .arg(forbidden)
                                        : QString()));
        m_languages->setItem(row, ErrorsColumn, errors);
        m_languages->setItem(row, WarningsColumn, numberItem(language.warnings));
        m_languages->setItem(row, RedundantColumn, numberItem(language.redundant));
        int stale = 0;
        for (const Finding &finding : language.findings)
            stale += finding.check == QLatin1String("reference-changed");
        m_languages->setItem(row, StaleColumn, numberItem(stale));
    }
    m_languages->setUpdatesEnabled(true);
    m_languages->setSortingEnabled(sorting);
    if (wasEmpty)
        m_languages->selectRow(0);
}

bool LanguagesOverviewDlg::compareWithEarlierRelease(const QString &earlier)
{
    QHash<QString, QSet<QString>> stale;
    QString error;
    if (!loadStaleKeys(earlier, m_product, &stale, &error)) {
        MessageBox::show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                         QStringLiteral("No comparison with \"%1\": %2").arg(QDir::toNativeSeparators(earlier), error));
        return false;
    }
    stop(); // what the stopped run still sends is dropped
    m_running = false;
    m_options.staleKeys = std::move(stale);
    m_languages->setColumnHidden(StaleColumn, false);
    start();
    return true;
}

void LanguagesOverviewDlg::finish(bool cancelled)
{
    flushArrivals();
    m_running = false;
    m_cancel->setEnabled(false);
    m_saveReport->setEnabled(!m_report.languages.empty());
    const bool openFailed = m_report.languages.empty() && !m_status->text().startsWith(QStringLiteral("Checking"));
    if (!openFailed) // else the open's message stays
        m_status->setText(cancelled ? QStringLiteral("Cancelled: %1 of %2 languages checked")
                                          .arg(m_arrived.size())
                                          .arg(m_progress->maximum())
                                    : QStringLiteral("%1 errors, %2 warnings, %3 infos")
                                          .arg(m_report.count(FindingSeverity::Error))
                                          .arg(m_report.count(FindingSeverity::Warning))
                                          .arg(m_report.count(FindingSeverity::Info))
                                          + (m_glossaryError.isEmpty()
                                                 ? QString()
                                                 : QStringLiteral("; the term checks did not run: ") + m_glossaryError));
    m_languages->setSortingEnabled(true);
    Q_EMIT checkFinished();
}

const LanguageReport *LanguagesOverviewDlg::selectedLanguage() const
{
    const QList<QTableWidgetItem *> selected = m_languages->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const QTableWidgetItem *name = m_languages->item(selected.front()->row(), NameColumn);
    const int at = name ? name->data(Qt::UserRole).toInt() : -1;
    return at >= 0 && size_t(at) < m_arrived.size() ? &m_arrived[size_t(at)] : nullptr;
}

void LanguagesOverviewDlg::showFindings()
{
    m_findings->setSortingEnabled(false);
    m_findings->setRowCount(0);
    const LanguageReport *language = selectedLanguage();
    if (!language)
        return;
    const int wanted = m_severity->currentIndex(); // 0 all, then error, warning, info
    std::vector<const Finding *> shown;
    for (const Finding &finding : language->findings)
        if (wanted == 0 || int(finding.severity) == wanted - 1)
            shown.push_back(&finding);
    m_findings->setRowCount(int(shown.size()));
    for (int row = 0; row < int(shown.size()); ++row) {
        const Finding &finding = *shown[size_t(row)];
        m_findings->setItem(row, LineColumn, finding.line > 0 ? numberItem(finding.line) : new QTableWidgetItem);
        m_findings->setItem(row, KeyColumn, new QTableWidgetItem(finding.key));
        m_findings->setItem(row, CheckColumn, new QTableWidgetItem(finding.check));
        m_findings->setItem(row, SeverityColumn, new QTableWidgetItem(severityName(finding.severity)));
        m_findings->setItem(row, MessageColumn, new QTableWidgetItem(finding.message));
    }
    // Keys are long ("MSG_DEVICE_CONNECT_FAILED"): the columns before the message take their
    // text's width (the first thousand rows measured), and the message the rest.
    m_findings->horizontalHeader()->setResizeContentsPrecision(1000);
    for (int column : {int(LineColumn), int(KeyColumn), int(CheckColumn), int(SeverityColumn)})
        m_findings->resizeColumnToContents(column);
    m_findings->setSortingEnabled(true);
}

bool LanguagesOverviewDlg::saveReport(const QString &path)
{
    QString format = QStringLiteral("text");
    if (path.endsWith(QStringLiteral(".json")))
        format = QStringLiteral("json");
    else if (path.endsWith(QStringLiteral(".xml")))
        format = QStringLiteral("junit");
    else if (path.endsWith(QStringLiteral(".sarif")))
        format = QStringLiteral("sarif");
    else if (path.endsWith(QStringLiteral(".github")))
        format = QStringLiteral("github");
    QString error;
    if (!m_reportWriter || !m_reportWriter(m_report, format, path, &error)) {
        MessageBox::show(this, QMessageBox::Warning, QStringLiteral("Warning"),
                         QStringLiteral("The report could not be saved to \"%1\".\n%2").arg(path, error));
        return false;
    }
    return true;
}

void LanguagesOverviewDlg::reject()
{
    stop();
    QDialog::reject();
}

} // namespace Glossa
