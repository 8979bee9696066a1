#pragma once

#include <QHash>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>

#include <climits>

class QFont;
class QFontMetrics;

// Dialog layouts are given as tables of controls in dialog units, which scale with the
// dialog's font: one x unit is a quarter of the font's average character width, one y
// unit an eighth of its height.
namespace Glossa {

struct DialogBaseUnits
{
    int x = 0; // average width of the letters A-Z and a-z, in pixels
    int y = 0; // font height in pixels
};

DialogBaseUnits dialogBaseUnits(const QFontMetrics &metrics);
DialogBaseUnits dialogBaseUnits(const QFont &font);

// number * numerator / denominator with 64-bit intermediate, rounded half away from
// zero; -1 when the denominator is 0 or the result does not fit.
int mulDiv(int number, int numerator, int denominator);

int dialogUnitsToPixelsX(int x, const DialogBaseUnits &units);
int dialogUnitsToPixelsY(int y, const DialogBaseUnits &units);
// Each of position and size is converted on its own, as dialog templates are.
QRect dialogUnitsToPixels(const QRect &rect, const DialogBaseUnits &units);
QSize dialogUnitsToPixels(const QSize &size, const DialogBaseUnits &units);

// One control of a dialog table. Positions and sizes are in dialog units.
struct ControlSpec
{
    enum Kind {
        PushButton,
        DefaultPushButton,
        Label,
        LineEdit,
        ReadOnlyLineEdit,
        ComboBox, // a drop-down list without typing; h is the height of the open list
        GroupBox,
        RadioButton,
        TableView, // an empty QTableView, or the caller's own widget for this id
    };
    static constexpr int NoLabel = INT_MIN;

    int id = 0;
    Kind kind = Label;
    QString text{};
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop; // labels only
    int labelId = NoLabel;  // the label or group box whose text names this control
    QString accessibleName{}; // when neither the text nor a label names the control
};

// Removes mnemonic markers: "&Add" becomes "Add", "&&" becomes "&".
QString withoutMnemonic(const QString &text);

// Builds the widget of one table row on parent, not yet placed.
QWidget *createControl(QWidget *parent, const ControlSpec &entry);

// Gives a control its place, object name "ctl<id>", property "controlId" and, unless
// it names itself, accessible name from the text.
void placeControl(QWidget *control, const ControlSpec &entry, const DialogBaseUnits &units);

// Builds every control of the table on parent in table order (which is the tab order),
// taking the caller's own widgets for the ids in custom. Accessible names and label
// buddies come from the controls named by labelId.
QList<QWidget *> createControls(QWidget *parent, const QList<ControlSpec> &table, const DialogBaseUnits &units,
                                const QHash<int, QWidget *> &custom = {});

QString controlObjectName(int id);

// The control with the given id among parent's descendants, or null.
template <typename T>
T *findControl(const QWidget *parent, int id)
{
    return parent->findChild<T *>(controlObjectName(id));
}

} // namespace Glossa
