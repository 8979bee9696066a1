#pragma once

#include <QObject>
#include <QSize>

#include <array>

class QSplitter;
class QVBoxLayout;
class QWidget;

namespace Glossa {

class CVuduzLanguageMapDlg;

// Where the editor sits on the screen. Its fixed controls keep their places in
// an area of their own, below the menu bar; a side panel of sections (the
// suggestions, the glossary) stands to its right, beyond a splitter. At the
// default size the area has the controls' own size and the window is wider by
// the panel; a larger window gives the list's Value and Reference columns the
// width the list gains. The window's size, place and maximised state, the
// panel's width and the column widths are remembered for the next editor.
class EditorPlace : public QObject
{
    Q_OBJECT

public:
    // The panel's width when nothing is remembered.
    static constexpr int DefaultPanelWidth = 380;

    // area holds the fixed controls; areaSize is their size at the default size.
    EditorPlace(CVuduzLanguageMapDlg &editor, QWidget *area, QSize areaSize);

    // The side panel, and a section added below the others in it.
    QWidget *panel() const { return m_panel; }
    void addSection(QWidget *section);
    QSplitter *splitter() const { return m_splitter; }

    // Shows or hides the side panel; the window keeps its size and the area takes the room.
    void setPanelShown(bool shown);
    bool isPanelShown() const { return m_panelShown; }

    // Before the window first shows: the remembered size, place and widths, else
    // the default size; offset from another editor of the program that is open.
    void restore();
    // As the window closes: remembered for the next editor.
    void remember() const;
    // The list's columns after the area changed size: the widths at the default
    // size, with what the list gained shared by Value and Reference.
    void fitColumns();
    // The column widths at the default size (Attribute, Value, Reference, Statue).
    std::array<int, 4> baseWidths() const { return m_base; }

private:
    void columnResized(int column, int oldSize, int newSize);
    int extraOf(int column) const;

    CVuduzLanguageMapDlg &m_editor;
    QWidget *m_area;
    QSize m_areaSize;
    QSplitter *m_splitter;
    QWidget *m_panel;
    QVBoxLayout *m_sections;
    bool m_panelShown = false;
    int m_panelWidth = DefaultPanelWidth;
    std::array<int, 4> m_base{200, 250, 250, 110};
    int m_extra = 0;       // what the list is wider than at the default size
    bool m_fitting = false; // the widths are being set, not changed by the user
};

} // namespace Glossa
