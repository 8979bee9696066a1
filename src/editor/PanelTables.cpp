#include "editor/PanelTables.h"

#include <QHeaderView>
#include <QRegularExpression>
#include <QTableWidget>

#include <vector>

namespace Glossa {

QTableWidget *makePanelTable(QWidget *parent, const QStringList &columns, const QString &name)
{
    auto *table = new QTableWidget(0, int(columns.size()), parent);
    table->setHorizontalHeaderLabels(columns);
    table->setAccessibleName(name);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    // The texts share the room; short columns take what they hold.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    table->setWordWrap(false);
    return table;
}

QTableWidgetItem *panelCell(const QString &text, const QString &toolTip)
{
    auto *item = new QTableWidgetItem(text);
    item->setToolTip(toolTip.isEmpty() ? text : toolTip);
    return item;
}

QString markDifferences(const QString &entryEnglish, const QString &matchEnglish)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList mine = entryEnglish.split(space, Qt::SkipEmptyParts);
    const QStringList theirs = matchEnglish.split(space, Qt::SkipEmptyParts);
    const qsizetype n = mine.size();
    const qsizetype m = theirs.size();
    std::vector<bool> common(size_t(m), false);
    // The longest common run of words, letter case ignored; long texts are shown unmarked.
    if (n * m <= 40000) {
        std::vector<int> table(size_t((n + 1) * (m + 1)), 0);
        auto at = [&](qsizetype i, qsizetype j) -> int & { return table[size_t(i * (m + 1) + j)]; };
        for (qsizetype i = n - 1; i >= 0; --i)
            for (qsizetype j = m - 1; j >= 0; --j)
                at(i, j) = mine[i].compare(theirs[j], Qt::CaseInsensitive) == 0 ? at(i + 1, j + 1) + 1
                                                                                : std::max(at(i + 1, j), at(i, j + 1));
        for (qsizetype i = 0, j = 0; i < n && j < m;) {
            if (mine[i].compare(theirs[j], Qt::CaseInsensitive) == 0) {
                common[size_t(j)] = true;
                ++i;
                ++j;
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
    } else {
        common.assign(size_t(m), true);
    }
    QStringList shown;
    for (qsizetype j = 0; j < m; ++j) {
        const QString word = theirs[j].toHtmlEscaped();
        shown.append(common[size_t(j)] ? word : QStringLiteral("<b>") + word + QStringLiteral("</b>"));
    }
    return shown.join(u' ');
}

} // namespace Glossa
