#pragma once

#include "editor/EntryListModel.h"

#include <QSet>
#include <QSortFilterProxyModel>

#include <functional>

namespace Glossa {

// The editor's "Show" choices, in the order of the drop-down list.
// ReferenceChanged is offered only once the editor compared with an earlier release.
enum class EntryFilterMode { All, Untranslated, Errors, Marked, Warnings, SameAsReference, ReferenceChanged };

// The rows of the editor's entry list that the filter bar lets through. It
// never sorts: the rows keep the order of the source, so a source row's
// neighbours in the list are its shown neighbours. Rows the user has just
// marked stay shown until the filter itself changes, so that an entry never
// vanishes under the cursor the moment it is fixed.
class EntryFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit EntryFilterModel(EntryListModel *source, QObject *parent = nullptr);

    EntryListModel *entryModel() const { return m_source; }

    EntryFilterMode mode() const { return m_mode; }
    QString text() const { return m_text; }
    // Each forgets the rows kept shown and filters again.
    void setMode(EntryFilterMode mode);
    void setText(const QString &text);
    // True when some row may be hidden: a mode other than All or a filter text.
    bool isActive() const { return m_mode != EntryFilterMode::All || !m_text.isEmpty(); }

    // Keeps the row with this id shown until the filter changes.
    void keepShown(AttributeId id);
    bool isShown(int sourceRow) const;

    // Whether an entry has a warning of the engine; the editor knows the
    // language and the reference it is checked against.
    void setWarningTest(std::function<bool(const EntryRow &row)> test) { m_hasWarning = std::move(test); }
    // Whether an entry's English changed since the earlier release it was compared with.
    void setStaleTest(std::function<bool(const EntryRow &row)> test) { m_isStale = std::move(test); }

    // Whether a row passes a mode and a text, kept rows aside.
    static bool matches(const EntryRow &row, int statusColumn, EntryFilterMode mode, const QString &text,
                        const std::function<bool(const EntryRow &row)> &hasWarning,
                        const std::function<bool(const EntryRow &row)> &isStale = {});

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    // Filters every row again after the mode or the text changed.
    void refilter();

    EntryListModel *m_source;
    EntryFilterMode m_mode = EntryFilterMode::All;
    QString m_text;
    QSet<AttributeId> m_kept;
    std::function<bool(const EntryRow &row)> m_hasWarning;
    std::function<bool(const EntryRow &row)> m_isStale;
};

} // namespace Glossa
