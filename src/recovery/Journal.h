#pragma once

#include "recovery/FileFingerprint.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

#include <future>
#include <optional>
#include <vector>

namespace Glossa {

// The recovery journal of one language open in the editor: what the language
// file was when it was loaded, then every step that changed a row and the text
// typed but not applied. It lives in the user's state directory, never in the
// product, and goes away when the changes are saved or dropped.
//
// On disk: a magic line, then frames of [payload length, 4 bytes big-endian]
// [first 8 bytes of the payload's SHA-256][payload]. The first frame is the
// header. A frame cut short or whose checksum fails ends the journal there: a
// torn last write is dropped, never read as data.

enum class JournalStepKind : quint8 {
    Apply = 1,      // Modify or Enter
    Import = 2,
    SameEnglish = 3, // Apply to Same English
    Undo = 4,
    Redo = 5,
    Restore = 6,    // the values a recovery put back, as the new journal's start
};

// One row as a step left it.
struct JournalEntry
{
    QString key;                   // the attribute
    std::optional<QString> loaded; // its value in the file as loaded; none when the file lacked it
    QString value;                 // the row's Value after the step
    bool marked = false;           // MODIFIED or ERROR after the step; false when back as loaded
};

struct JournalStep
{
    qint64 timeMs = 0; // when, milliseconds since the epoch
    JournalStepKind kind = JournalStepKind::Apply;
    std::vector<JournalEntry> entries;
};

// The text in "Value" that was typed but not applied; an empty key clears it.
struct JournalPending
{
    qint64 timeMs = 0;
    QString key;
    QString text;
};

struct JournalHeader
{
    QString filePath;       // the language file, absolute
    QString language;       // its display name
    FileFingerprint loaded; // the file as the editor loaded it
    qint64 createdMs = 0;
};

struct JournalContents
{
    JournalHeader header;
    std::vector<JournalStep> steps;
    std::optional<JournalPending> pending; // the last one, unless a later record cleared it
    bool tornTail = false;                 // bytes after the last whole record were dropped
    qint64 validBytes = 0;                 // length of the whole records

    // Each key's last entry, in the order the keys were first changed.
    std::vector<JournalEntry> finalEntries() const;
    // Keys whose last entry differs from the file as loaded (what a restore changes).
    int changeCount() const;
    qint64 lastChangeMs() const;
};

// Where journals live: $XDG_STATE_HOME/glossa-desk/recovery, by default
// ~/.local/state/glossa-desk/recovery.
QString journalDirectory();
// The journal of one language file (one per product path and language).
QString journalPathFor(const QString &languageFilePath, const QString &language);
// Every journal in journalDirectory(), kept-aside ones excluded.
QStringList existingJournals();

// Reads a journal. False, with *error, when it is missing or unreadable (no
// whole header); a torn tail is not an error.
bool readJournal(const QString &path, JournalContents &contents, QString *error = nullptr);

// Renames a journal that cannot be used out of the way, never deleting it; the
// new path, or empty (with *error) when it could not be moved.
QString keepJournalAside(const QString &path, QString *error = nullptr);

// Appends records as steps happen. Each record reaches the kernel at once, so
// a killed process loses nothing applied; the data reaches the disk within a
// second (fdatasync), so a power cut loses at most the last second.
//
// A step of many rows (an import, its undo) is encoded and written on a thread
// of its own, so that the editor does not wait for megabytes of record: it
// reaches the kernel a few milliseconds after the step. Every later record,
// sync or close waits for it first, so the records keep their order.
class JournalWriter : public QObject
{
public:
    // Longest time a written record waits for its fdatasync.
    static constexpr int SyncDelayMs = 500;
    // Steps of this many rows or more are written beside the caller's thread.
    static constexpr size_t RowsWrittenBeside = 1000;

    explicit JournalWriter(QObject *parent = nullptr);
    ~JournalWriter() override;

    // Starts a fresh journal at path (replacing any) with its header, synced.
    bool create(const QString &path, const JournalHeader &header);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }

    bool appendStep(JournalStep step);
    bool setPending(const JournalPending &pending);

    // Waits until a step being written beside the caller is in the file; false
    // (with error()) when it could not be written.
    bool finishWriting();
    // Flushes what was written to the disk now.
    bool sync();
    // Closes and deletes the journal: the changes were saved or dropped.
    void remove();
    // Closes without deleting (the journal stays for the next start).
    void close();

    QString error() const { return m_error; }

private:
    bool writeFrame(const QByteArray &frame);
    // A record's frame written to the file; an error text, empty when written.
    // Touches nothing but the file, so it may run on another thread.
    QString writeWhole(const QByteArray &frame);
    void noteWritten();

    QFile m_file;
    std::future<QString> m_writing; // the step being written beside the caller, if any
    QTimer m_syncTimer;
    qint64 m_dirtySinceMs = -1;
    bool m_directoryUnsynced = false; // the journal's name, new since the last sync
    QString m_error;
};

} // namespace Glossa
