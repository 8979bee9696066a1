#pragma once

#include "checks/CheckEngine.h"

#include <QDialog>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace Glossa {

// "Languages": every present language's counts in a sortable table, filled by
// the check engine on a background thread as each language is done, and the
// findings of the selected language below it.
class LanguagesOverviewDlg : public QDialog
{
    Q_OBJECT

public:
    enum LanguageColumn {
        NameColumn, CodeColumn, EncodingColumn, TranslatedColumn, PercentColumn, BlankColumn, MissingColumn,
        ErrorsColumn, WarningsColumn, RedundantColumn, StaleColumn, LanguageColumnCount
    };
    enum FindingColumn { LineColumn, KeyColumn, CheckColumn, SeverityColumn, MessageColumn, FindingColumnCount };

    // Writes a report of the given format ("text", "json", "junit", "sarif",
    // "github") to a file; false with *error when it could not be written.
    using ReportWriter = std::function<bool(const ProductReport &report, const QString &format, const QString &path,
                                            QString *error)>;

    LanguagesOverviewDlg(const QString &productDirectory, CheckOptions options, QWidget *parent = nullptr);
    ~LanguagesOverviewDlg() override;
    // Remembers the size, place and column widths for the next overview.
    void done(int result) override;

    void setReportWriter(ReportWriter writer) { m_reportWriter = std::move(writer); }

    // Starts the check; the dialog's rows fill as languages are done.
    void start();
    bool isRunning() const { return m_running; }
    const ProductReport &report() const { return m_report; }
    // What the user chose with a double click: a language, and perhaps one of its entries.
    QString chosenLanguage() const { return m_chosenLanguage; }
    QString chosenKey() const { return m_chosenKey; }

    QTableWidget *languageTable() const { return m_languages; }
    QTableWidget *findingTable() const { return m_findings; }
    QComboBox *severityFilter() const { return m_severity; }
    QProgressBar *progressBar() const { return m_progress; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *saveReportButton() const { return m_saveReport; }
    QPushButton *compareButton() const { return m_compare; }

    // "Compare with Earlier Release…": checks again with the translations that
    // still follow the earlier English as findings, and shows their count in a
    // "Stale" column. False, with a message, when the releases cannot be compared.
    bool compareWithEarlierRelease(const QString &earlier);

    // Saves the report as the path's extension says (.json, .xml for JUnit, .sarif, else text).
    bool saveReport(const QString &path);

    // Stops the check before the dialog closes.
    void reject() override;

Q_SIGNALS:
    void checkFinished();

private:
    // Languages arrive one by one; the table takes them in batches, the first at once,
    // so that 112 languages cost a few repaints rather than 112.
    void addLanguage(const LanguageReport &language);
    void flushArrivals();
    void finish(bool cancelled);
    void showFindings();
    void stop();
    const LanguageReport *selectedLanguage() const;

    QString m_product;
    CheckOptions m_options;
    QString m_glossaryError; // the product's glossary could not be read
    ProductReport m_report;
    std::vector<LanguageReport> m_arrived;
    size_t m_inTable = 0; // how many of m_arrived the table shows
    QTimer *m_flush = nullptr;
    // The check runs on the pool's one thread; the window waits for it before it goes.
    QThreadPool m_pool;
    std::atomic_bool m_cancelRequested = false;
    bool m_running = false;
    // Each check run has a number; what a stopped run still sends is dropped.
    int m_generation = 0;
    QString m_chosenLanguage;
    QString m_chosenKey;
    ReportWriter m_reportWriter;

    QTableWidget *m_languages = nullptr;
    QTableWidget *m_findings = nullptr;
    QComboBox *m_severity = nullptr;
    QProgressBar *m_progress = nullptr;
    QLineEdit *m_status = nullptr;
    QPushButton *m_cancel = nullptr;
    QPushButton *m_saveReport = nullptr;
    QPushButton *m_compare = nullptr;
};

} // namespace Glossa
