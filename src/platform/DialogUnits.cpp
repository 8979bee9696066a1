#include "platform/DialogUnits.h"

#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <limits>

namespace Glossa {

DialogBaseUnits dialogBaseUnits(const QFontMetrics &metrics)
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Rounded average over the 52 letters, computed as dialog templates always have been.
    return {(metrics.horizontalAdvance(letters) / 26 + 1) / 2, metrics.height()};
}

DialogBaseUnits dialogBaseUnits(const QFont &font)
{
    return dialogBaseUnits(QFontMetrics(font));
}

int mulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    qint64 a = number;
    qint64 d = denominator;
    if (d < 0) {
        a = -a;
        d = -d;
    }
    const qint64 product = a * numerator;
    const qint64 result = product >= 0 ? (product + d / 2) / d : (product - d / 2) / d;
    if (result > std::numeric_limits<int>::max() || result < -std::numeric_limits<int>::max())
        return -1;
    return static_cast<int>(result);
}

int dialogUnitsToPixelsX(int x, const DialogBaseUnits &units)
{
    return mulDiv(x, units.x, 4);
}

int dialogUnitsToPixelsY(int y, const DialogBaseUnits &units)
{
    return mulDiv(y, units.y, 8);
}

QRect dialogUnitsToPixels(const QRect &rect, const DialogBaseUnits &units)
{
    return {dialogUnitsToPixelsX(rect.x(), units), dialogUnitsToPixelsY(rect.y(), units),
            dialogUnitsToPixelsX(rect.width(), units), dialogUnitsToPixelsY(rect.height(), units)};
}

QSize dialogUnitsToPixels(const QSize &size, const DialogBaseUnits &units)
{
    return {dialogUnitsToPixelsX(size.width(), units), dialogUnitsToPixelsY(size.height(), units)};
}

QString withoutMnemonic(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain.append(text.at(i));
    }
    return plain;
}

QString controlObjectName(int id)
{
    return QStringLiteral("ctl%1").arg(id);
}

QWidget *createControl(QWidget *parent, const ControlSpec &entry)
{
    switch (entry.kind) {
    case ControlSpec::PushButton:
    case ControlSpec::DefaultPushButton: {
        auto *button = new QPushButton(entry.text, parent);
        button->setDefault(entry.kind == ControlSpec::DefaultPushButton);
        return button;
    }
    case ControlSpec::Label: {
        auto *label = new QLabel(entry.text, parent);
        label->setAlignment(entry.alignment);
        label->setWordWrap(true);
        return label;
    }
    case ControlSpec::LineEdit:
    case ControlSpec::ReadOnlyLineEdit: {
        auto *edit = new QLineEdit(entry.text, parent);
        edit->setReadOnly(entry.kind == ControlSpec::ReadOnlyLineEdit);
        return edit;
    }
    case ControlSpec::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(false);
        return combo;
    }
    case ControlSpec::GroupBox:
        return new QGroupBox(entry.text, parent);
    case ControlSpec::RadioButton:
        return new QRadioButton(entry.text, parent);
    case ControlSpec::TableView:
        return new QTableView(parent);
    }
    return nullptr;
}

void placeControl(QWidget *control, const ControlSpec &entry, const DialogBaseUnits &units)
{
    QRect geometry = dialogUnitsToPixels(QRect(entry.x, entry.y, entry.w, entry.h), units);
    // A closed drop-down list is as high as its font needs; the table gives the open list.
    if (entry.kind == ControlSpec::ComboBox)
        geometry.setHeight(control->sizeHint().height());
    control->setGeometry(geometry);
    control->setObjectName(controlObjectName(entry.id));
    control->setProperty("controlId", entry.id);
    if (!entry.accessibleName.isEmpty())
        control->setAccessibleName(entry.accessibleName);
    else if (!entry.text.isEmpty())
        control->setAccessibleName(withoutMnemonic(entry.text));
    // Group boxes frame their siblings and must stay behind them.
    if (entry.kind == ControlSpec::GroupBox)
        control->lower();
}

QList<QWidget *> createControls(QWidget *parent, const QList<ControlSpec> &table, const DialogBaseUnits &units,
                                const QHash<int, QWidget *> &custom)
{
    QList<QWidget *> controls;
    QHash<int, const ControlSpec *> specById;
    QHash<int, QWidget *> controlById;
    controls.reserve(table.size());
    for (const ControlSpec &entry : table) {
        QWidget *control = custom.value(entry.id);
        if (control)
            control->setParent(parent);
        else
            control = createControl(parent, entry);
        placeControl(control, entry, units);
        // Children added to a window already on screen are not shown with it.
        if (parent->isVisible())
            control->show();
        if (!controls.isEmpty())
            QWidget::setTabOrder(controls.last(), control);
        controls.append(control);
        specById.insert(entry.id, &entry);
        controlById.insert(entry.id, control);
    }

    // Labels may follow the controls they name, so names are given once all exist.
    for (qsizetype i = 0; i < table.size(); ++i) {
        const ControlSpec &entry = table.at(i);
        if (entry.labelId == ControlSpec::NoLabel || !entry.accessibleName.isEmpty())
            continue;
        const ControlSpec *label = specById.value(entry.labelId);
        if (!label)
            continue;
        if (entry.text.isEmpty())
            controls.at(i)->setAccessibleName(withoutMnemonic(label->text));
        if (auto *labelWidget = qobject_cast<QLabel *>(controlById.value(entry.labelId)))
            labelWidget->setBuddy(controls.at(i));
    }
    return controls;
}

} // namespace Glossa
