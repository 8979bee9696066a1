#include "editor/EditorGlossary.h"

#include "checks/CheckEngine.h"
#include "editor/EditorSession.h"
#include "editor/EntryListModel.h"
#include "editor/PanelTables.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/AsyncTask.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QThreadPool>
#include <QVBoxLayout>

#include <algorithm>

namespace Glossa {

namespace {

QString statusName(TermStatus status)
{
    switch (status) {
    case TermStatus::Preferred:
        return QStringLiteral("preferred");
    case TermStatus::Admitted:
        return QStringLiteral("admitted");
    case TermStatus::Forbidden:
        return QStringLiteral("forbidden: never use it");
    }
    return {};
}

QString keyName(int n)
{
    return QStringLiteral("Ctrl+Alt+%1").arg(n + 1);
}

} // namespace

// What the worker reads: the master's English, the glossary matched against it and
// the language's checker, or why there is none.
struct EditorGlossary::Read
{
    std::shared_ptr<const EnglishTerms> english;
    std::unique_ptr<TermChecker> checker;
    QHash<QString, int> rowOfKey;
    QStringList englishTexts; // the master's values, by row
    QString error;
};

EditorGlossary::EditorGlossary(EditorSession &session, QWidget *parent)
    : QGroupBox(QStringLiteral("Glossary"), parent)
    , m_session(session)
{
    setAccessibleName(QStringLiteral("Glossary"));
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    m_note->setAccessibleName(QStringLiteral("Glossary"));
    m_table = makePanelTable(this, {QStringLiteral("Keys"), QStringLiteral("English"), QStringLiteral("Translation")},
                             QStringLiteral("Glossary terms"));
    m_table->setToolTip(QStringLiteral("The glossary's terms in this entry's English; Ctrl+Alt+1 \u2026 Ctrl+Alt+9 or a "
                                       "double click put a translation into \"Value\" at the cursor"));
    m_add = new QPushButton(QStringLiteral("Add Term\u2026"), this);
    m_add->setToolTip(QStringLiteral("Adds a term to the product's glossary: the English and the value's selected words (Ctrl+T)"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_add, 0, Qt::AlignLeft);
    connect(m_add, &QPushButton::clicked, this, &EditorGlossary::onAddTerm);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        const QVariant n = m_table->item(row, 0) ? m_table->item(row, 0)->data(Qt::UserRole) : QVariant();
        if (n.isValid())
            insertTerm(n.toInt());
    });
}

EditorGlossary::~EditorGlossary() = default;

void EditorGlossary::start()
{
    m_productDirectory = m_session.productDirectory();
    const QString language = m_session.languageName();
    m_isMaster = LanguageStore::fileNameFor(language) == MasterLanguageFileName;
    m_languageTag = LocaleCatalogue::Bcp47ForDisplayName(language);
    // The why line names the glossary's findings whether or not the panel is in view,
    // so a product with a glossary has it read at once.
    if (QFileInfo::exists(productGlossaryPath(m_productDirectory)))
        load();
    else
        take(std::make_shared<Read>());
}

void EditorGlossary::load()
{
    if (m_productDirectory.isEmpty())
        return;
    m_loading = true;
    setNote(QStringLiteral("Reading the glossary\u2026"));
    const int generation = ++m_generation;
    const QString product = m_productDirectory;
    const QString tag = m_isMaster ? QString() : m_languageTag;
    runAsync(
        this, QThreadPool::globalInstance(),
        [product, tag] {
            auto read = std::make_shared<Read>();
            CheckEngine engine;
            if (!engine.open(product)) {
                read->error = engine.error();
                return read;
            }
            read->englishTexts = engine.masterValues();
            read->english = loadProductTerms(product, engine.attributeNames(), engine.masterValues(), read->error);
            if (read->english) {
                if (!tag.isEmpty())
                    read->checker = std::make_unique<TermChecker>(read->english, tag);
                for (int row = 0; row < read->english->rowCount(); ++row)
                    read->rowOfKey.insert(read->english->key(row), row);
            }
            return read;
        },
        // A later read (after Add Term) makes this one's answer stale.
        [this, generation](const std::shared_ptr<Read> &read) {
            if (generation == m_generation)
                take(read);
        });
}

void EditorGlossary::take(const std::shared_ptr<Read> &read)
{
    m_loading = false;
    m_loaded = true;
    m_error = read->error;
    m_english = read->english;
    m_checker = std::move(read->checker);
    m_rowOfKey = std::move(read->rowOfKey);
    m_englishTexts = std::move(read->englishTexts);
    entryShown();
    Q_EMIT loaded();
}

void EditorGlossary::panelShown(bool shown)
{
    m_panelShown = shown;
    if (shown)
        entryShown();
}

void EditorGlossary::setNote(const QString &text)
{
    m_note->setText(text);
    m_note->setAccessibleName(text.isEmpty() ? QStringLiteral("Glossary") : text);
    m_note->setVisible(!text.isEmpty());
}

QString EditorGlossary::englishOf(const QString &key) const
{
    if (!m_english)
        return {};
    const auto row = m_rowOfKey.constFind(key);
    if (row == m_rowOfKey.cend())
        return {};
    return valueText(m_englishTexts.value(row.value())).toString();
}

void EditorGlossary::entryShown()
{
    QStringList marks;
    m_insertable.clear();
    const std::optional<AttributeId> shown = m_session.shownEntry();
    const int row = shown ? m_session.entries().findRowById(*shown) : -1;
    const QString key = row >= 0 ? m_session.entries().text(row, 0) : QString();
    const QString english = englishOf(key);
    std::vector<TermChecker::Entry> entries;
    if (m_checker && !english.isEmpty()) {
        entries = m_checker->entriesFor(english);
        // A forbidden term the value uses shows its entry too, with the terms to use instead.
        for (TermChecker::Entry &entry : m_checker->forbiddenEntriesIn(m_session.fieldValue()))
            if (std::none_of(entries.begin(), entries.end(),
                             [&entry](const TermChecker::Entry &e) { return e.glossaryEntry == entry.glossaryEntry; }))
                entries.push_back(std::move(entry));
    }
    else if (m_english && m_isMaster && !english.isEmpty())
        for (const TermHit &hit : m_english->match(english))
            entries.push_back({&m_english->glossary().concepts[size_t(hit.entry)], hit.count, {}});
    const QString referenceTag = LocaleCatalogue::Bcp47ForDisplayName(m_session.referenceName());
    for (const TermChecker::Entry &entry : entries) {
        for (const Term &term : entry.glossaryEntry->english)
            if (term.status != TermStatus::Forbidden)
                marks.append(term.text);
        if (const QList<Term> *terms = entry.glossaryEntry->termsFor(referenceTag))
            for (const Term &term : *terms)
                if (term.status != TermStatus::Forbidden)
                    marks.append(term.text);
    }
    m_markTexts = marks;

    if (!m_panelShown)
        return; // the table waits until it is in view
    m_table->setRowCount(0);
    if (m_loading)
        setNote(QStringLiteral("Reading the glossary\u2026"));
    else if (!m_error.isEmpty())
        setNote(QStringLiteral("The glossary cannot be used: %1").arg(m_error));
    else if (!m_english)
        setNote(QStringLiteral("The product has no glossary yet: Add Term\u2026 starts %1")
                    .arg(QFileInfo(productGlossaryPath(m_productDirectory)).fileName()));
    else if (row < 0)
        setNote(QString());
    else if (entries.empty())
        setNote(QStringLiteral("No glossary term in this entry's English"));
    else
        setNote(QString());

    const auto addRow = [this](const QString &englishTerm, const QString &translation, const QString &tip, bool insert,
                               bool struck) {
        const int at = m_table->rowCount();
        m_table->insertRow(at);
        QTableWidgetItem *keys = panelCell(QString());
        if (insert && m_insertable.size() < MaxKeys) {
            keys->setText(keyName(int(m_insertable.size())));
            keys->setData(Qt::UserRole, int(m_insertable.size()));
            m_insertable.append(translation);
        }
        QTableWidgetItem *text = panelCell(translation);
        if (struck) {
            QFont font = text->font();
            font.setStrikeOut(true);
            text->setFont(font);
        }
        for (QTableWidgetItem *item : {keys, text})
            item->setToolTip(tip);
        m_table->setItem(at, 0, keys);
        m_table->setItem(at, 1, panelCell(englishTerm));
        m_table->setItem(at, 2, text);
    };
    for (const TermChecker::Entry &entry : entries) {
        const TermConcept &concept_ = *entry.glossaryEntry;
        const QString note = concept_.note.isEmpty() ? QString() : QStringLiteral("\n") + concept_.note;
        if (concept_.doNotTranslate) {
            addRow(concept_.name(), concept_.name(), QStringLiteral("stays as it is in every language") + note, !m_isMaster,
                   false);
            continue;
        }
        if (m_isMaster || entry.terms.isEmpty()) {
            addRow(concept_.name(), m_isMaster ? QString() : QStringLiteral("(none for this language)"),
                   QStringLiteral("the glossary gives no translation for this language yet") + note, false, false);
            continue;
        }
        for (const Term &term : entry.terms)
            addRow(concept_.name(), term.text, statusName(term.status) + note, term.status != TermStatus::Forbidden,
                   term.status == TermStatus::Forbidden);
    }
    m_table->resizeRowsToContents();
}

bool EditorGlossary::insertTerm(int n)
{
    if (n < 0 || n >= int(m_insertable.size()) || !m_session.shownEntry() || !m_session.canEditValue()) {
        m_session.say(QStringLiteral("The glossary lists no term %1 for this entry").arg(n + 1));
        return false;
    }
    m_session.insertIntoValue(m_insertable[n]);
    return true;
}

QStringList EditorGlossary::whyParts(const QString &key, const QString &value) const
{
    QStringList parts;
    if (!m_checker)
        return parts;
    const QString english = englishOf(key);
    if (english.isEmpty())
        return parts;
    for (const Finding &finding : m_checker->check(key, english, value))
        parts.append(severityName(finding.severity) + QStringLiteral(": ") + finding.message + QStringLiteral(" (")
                     + finding.check + u')');
    return parts;
}

QList<std::pair<int, int>> EditorGlossary::termSpans(const QString &text) const
{
    QList<std::pair<int, int>> spans;
    for (const QString &term : m_markTexts) {
        const QRegularExpression whole(QStringLiteral("(?<![\\w])") + QRegularExpression::escape(term)
                                           + QStringLiteral("(?![\\w])"),
                                       QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
        for (auto it = whole.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            spans.append({int(match.capturedStart()), int(match.capturedLength())});
        }
    }
    return spans;
}

void EditorGlossary::onAddTerm()
{
    if (m_productDirectory.isEmpty())
        return;
    // The English: the Reference field's selected words when the reference is the
    // English, else the entry's whole English; the translation: the value's selected words.
    QString english;
    const QLineEdit *reference = m_referenceField;
    const bool referenceIsEnglish = LanguageStore::fileNameFor(m_session.referenceName()) == MasterLanguageFileName;
    if (referenceIsEnglish && reference && reference->hasSelectedText())
        english = reference->selectedText().trimmed();
    else if (const std::optional<AttributeId> shown = m_session.shownEntry()) {
        const int row = m_session.entries().findRowById(*shown);
        english = row >= 0 ? englishOf(m_session.entries().text(row, 0)) : QString();
    }
    if (english.isEmpty() && referenceIsEnglish && reference)
        english = reference->text().trimmed();
    const QLineEdit *valueField = m_valueField;
    const QString translation =
        valueField && valueField->hasSelectedText() ? valueField->selectedText().trimmed() : QString();

    QDialog dialog(window());
    dialog.setObjectName(QStringLiteral("Add Term"));
    dialog.setWindowTitle(QStringLiteral("Add Term"));
    dialog.setAccessibleName(QStringLiteral("Add Term"));
    auto *form = new QFormLayout(&dialog);
    const auto field = [&dialog](const QString &name, const QString &text) {
        auto *edit = new QLineEdit(text, &dialog);
        edit->setObjectName(name);
        edit->setAccessibleName(name);
        return edit;
    };
    QLineEdit *englishField = field(QStringLiteral("English"), english);
    QLineEdit *translationField = field(QStringLiteral("Translation"), translation);
    auto *status = new QComboBox(&dialog);
    status->setObjectName(QStringLiteral("Status"));
    status->setAccessibleName(QStringLiteral("Status"));
    status->addItems({QStringLiteral("Preferred"), QStringLiteral("Admitted"), QStringLiteral("Forbidden")});
    auto *keep = new QCheckBox(QStringLiteral("Do not translate (a name)"), &dialog);
    keep->setObjectName(QStringLiteral("Do not translate"));
    auto *caseSensitive = new QCheckBox(QStringLiteral("Letter case matters"), &dialog);
    caseSensitive->setObjectName(QStringLiteral("Letter case matters"));
    QLineEdit *note = field(QStringLiteral("Note"), QString());
    form->addRow(QStringLiteral("English:"), englishField);
    form->addRow(QStringLiteral("Translation (%1):").arg(m_isMaster ? QStringLiteral("none for the English") : m_languageTag),
                 translationField);
    form->addRow(QStringLiteral("Status:"), status);
    form->addRow(keep);
    form->addRow(caseSensitive);
    form->addRow(QStringLiteral("Note:"), note);
    translationField->setEnabled(!m_isMaster);
    status->setEnabled(!m_isMaster);
    connect(keep, &QCheckBox::toggled, &dialog, [=, this](bool on) {
        translationField->setEnabled(!on && !m_isMaster);
        status->setEnabled(!on && !m_isMaster);
    });
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Add"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("Add"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (englishField->text().trimmed().isEmpty()) {
            MessageBox::show(&dialog, QMessageBox::Warning, QStringLiteral("Add Term"), QStringLiteral("Give the English term."));
            return;
        }
        if (!keep->isChecked() && !m_isMaster && translationField->text().trimmed().isEmpty()) {
            MessageBox::show(&dialog, QMessageBox::Warning, QStringLiteral("Add Term"),
                        QStringLiteral("Give the translation, or mark the term as one not to translate."));
            return;
        }
        dialog.accept();
    });
    dialog.resize(460, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return;

    TermConcept entry;
    entry.english.append({englishField->text().trimmed(), TermStatus::Preferred});
    entry.doNotTranslate = keep->isChecked();
    entry.caseSensitive = caseSensitive->isChecked();
    entry.note = note->text().trimmed();
    if (!entry.doNotTranslate && !m_isMaster)
        entry.translations[m_languageTag].append(
            {translationField->text().trimmed(), TermStatus(status->currentIndex())});
    if (addTerm(entry))
        m_session.say(
            QStringLiteral("\"%1\" is in the glossary (%2)")
                .arg(entry.name(), QFileInfo(productGlossaryPath(m_productDirectory)).fileName()));
}

bool EditorGlossary::addTerm(const TermConcept &entry)
{
    Glossary glossary;
    QString error;
    if (!loadProductGlossary(m_productDirectory, glossary, error)) {
        MessageBox::show(window(), QMessageBox::Warning, QStringLiteral("Add Term"), QStringLiteral("The glossary cannot be read: %1").arg(error));
        return false;
    }
    Glossary added;
    added.concepts.push_back(entry);
    glossary.merge(added);
    if (!saveProductGlossary(m_productDirectory, glossary, error)) {
        MessageBox::show(window(), QMessageBox::Warning, QStringLiteral("Add Term"),
                    QStringLiteral("The glossary cannot be written (it is left as it was): %1").arg(error));
        return false;
    }
    load();
    return true;
}

} // namespace Glossa
