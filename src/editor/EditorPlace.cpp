#include "editor/EditorPlace.h"

#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "shared/WindowSettings.h"

#include <QHeaderView>
#include <QLayout>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace Glossa {

namespace {

// The editor opened last: the next one opens offset from it while it is open.
QPointer<QWidget> &lastOpened()
{
    static QPointer<QWidget> last;
    return last;
}

constexpr int OpenOffset = 32;
constexpr int NarrowestPanel = 160;
constexpr int NarrowestColumn = 24;

} // namespace

EditorPlace::EditorPlace(CVuduzLanguageMapDlg &editor, QWidget *area, QSize areaSize)
    : QObject(&editor)
    , m_editor(editor)
    , m_area(area)
    , m_areaSize(areaSize)
{
    m_splitter = new QSplitter(Qt::Horizontal, &editor);
    m_splitter->setObjectName(QStringLiteral("Editor splitter"));
    m_splitter->setChildrenCollapsible(false);
    m_panel = new QWidget;
    m_panel->setObjectName(QStringLiteral("Side panel"));
    m_panel->setAccessibleName(QStringLiteral("Side panel"));
    m_sections = new QVBoxLayout(m_panel);
    m_sections->setContentsMargins(0, 6, 6, 6);
    m_splitter->addWidget(area);
    m_splitter->addWidget(m_panel);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    m_panel->hide();
    auto *layout = new QVBoxLayout(&editor);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_splitter);
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] {
        if (m_panelShown)
            m_panelWidth = m_panel->width();
    });
    connect(editor.entryList()->horizontalHeader(), &QHeaderView::sectionResized, this, &EditorPlace::columnResized);
}

void EditorPlace::addSection(QWidget *section)
{
    m_sections->addWidget(section, 1);
}

void EditorPlace::setPanelShown(bool shown)
{
    if (shown == m_panelShown)
        return;
    m_panelShown = shown;
    if (!shown) {
        if (m_panel->width() > 0 && m_editor.isVisible())
            m_panelWidth = m_panel->width();
        m_panel->hide();
        return;
    }
    m_panel->show();
    const int total = m_splitter->width();
    if (total > m_panelWidth)
        m_splitter->setSizes({total - m_splitter->handleWidth() - m_panelWidth, m_panelWidth});
}

void EditorPlace::restore()
{
    WindowSettings settings;
    m_panelWidth = std::max(NarrowestPanel, settings.value(QStringLiteral("editor/panelWidth"), DefaultPanelWidth).toInt());
    const QVariantList columns = settings.value(QStringLiteral("editor/columns")).toList();
    if (columns.size() == int(m_base.size()))
        for (size_t c = 0; c < m_base.size(); ++c)
            m_base[c] = std::max(NarrowestColumn, columns[qsizetype(c)].toInt());

    const QByteArray geometry = settings.value(QStringLiteral("editor/geometry")).toByteArray();
    if (geometry.isEmpty() || !m_editor.restoreGeometry(geometry)) {
        const QWidget *menu = m_editor.layout()->menuBar();
        const int panel = m_panelShown ? m_splitter->handleWidth() + m_panelWidth : 0;
        m_editor.resize(m_areaSize.width() + panel, m_areaSize.height() + (menu ? menu->sizeHint().height() : 0));
    }
    m_editor.layout()->activate();
    if (m_panelShown)
        m_splitter->setSizes({m_splitter->width() - m_splitter->handleWidth() - m_panelWidth, m_panelWidth});

    // A second editor of the program opens offset from the first, never hiding it.
    QPointer<QWidget> &last = lastOpened();
    if (last && last != &m_editor && last->isVisible())
        m_editor.move(last->pos() + QPoint(OpenOffset, OpenOffset));
    last = &m_editor;
    fitColumns();
}

void EditorPlace::remember() const
{
    WindowSettings settings;
    settings.setValue(QStringLiteral("editor/geometry"), m_editor.saveGeometry());
    settings.setValue(QStringLiteral("editor/panelWidth"), m_panelShown ? m_panel->width() : m_panelWidth);
    QVariantList columns;
    for (const int width : m_base)
        columns << width;
    settings.setValue(QStringLiteral("editor/columns"), columns);
}

int EditorPlace::extraOf(int column) const
{
    if (column == 1)
        return m_extra / 2;
    if (column == 2)
        return m_extra - m_extra / 2;
    return 0;
}

void EditorPlace::fitColumns()
{
    CVuduzListCtrl *list = m_editor.entryList();
    // The list is 10 pixels in from either side of the area.
    m_extra = std::max(0, list->width() - (m_areaSize.width() - 20));
    m_fitting = true;
    for (int c = 0; c < int(m_base.size()); ++c)
        list->setColumnWidth(c, m_base[size_t(c)] + extraOf(c));
    m_fitting = false;
}

void EditorPlace::columnResized(int column, int, int newSize)
{
    if (m_fitting || column < 0 || column >= int(m_base.size()))
        return;
    m_base[size_t(column)] = std::max(NarrowestColumn, newSize - extraOf(column));
}

} // namespace Glossa
