#pragma once

#include <QString>
#include <QStringList>

class QTableWidget;
class QTableWidgetItem;
class QWidget;

// What the side panel's sections share: their tables and how a match's English is shown.
namespace Glossa {

// A read-only table of whole rows, one selected at a time, its texts sharing the room
// and its first column as wide as what it holds; name is its accessible name.
QTableWidget *makePanelTable(QWidget *parent, const QStringList &columns, const QString &name);
// A cell of such a table: its text, and its tooltip (the text when none is given).
QTableWidgetItem *panelCell(const QString &text, const QString &toolTip = {});

// A match's English as the suggestions show it: HTML, with the words that are not in
// the entry's English in bold (none marked when the texts are too long to compare).
QString markDifferences(const QString &entryEnglish, const QString &matchEnglish);

} // namespace Glossa
