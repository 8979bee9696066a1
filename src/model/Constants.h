#pragma once

#include <QString>

// Process-wide constants of the language data and the editor's entry states.
// They are plain literals, so they exist before any other static object.
namespace Glossa {

inline const QString StatusModified = QStringLiteral("MODIFIED");
inline const QString StatusError = QStringLiteral("ERROR");
inline const QString StatusNone = QString();

// The one section of every language file.
inline const QString TextSectionName = QStringLiteral("text");
// The language file whose keys, in file order, are the master list of attributes.
inline const QString MasterLanguageFileName = QStringLiteral("English (United States).ini");
// The index of the product's languages, in the language directory.
inline const QString LanguageIndexFileName = QStringLiteral("LanguageIndex.ini");

// The program's name: the main window's caption and the caption of its messages.
inline const QString ProgramName = QStringLiteral("Glossa Desk");
// What every long operation but saving shows in the waiting window.
inline const QString LoadingText = QStringLiteral("Loading data, please wait ...");

// Dialog results of the system's own dialogs: 5 for the affirmative way out, 6 for cancel.
constexpr int ResultSaved = 5;
constexpr int ResultCancelled = 6;

} // namespace Glossa
