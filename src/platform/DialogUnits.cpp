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

QWidget *createControl(QWidget *parent, const ControlSpec &spec)
{
    switch (spec.kind) {
    case ControlSpec::PushButton:
    case ControlSpec::DefaultPushButton: {
        auto *button = new QPushButton(spec.text, parent);
        button->setDefault(spec.kind == ControlSpec::DefaultPushButton);
        return button;
    }
    case ControlSpec::Label: {
        auto *label = new QLabel(spec.text, parent);
        label->setAlignment(spec.alignment);
        label->setWordWrap(true);
        return label;
    }
    case ControlSpec::LineEdit:
    case ControlSpec::ReadOnlyLineEdit: {
        auto *edit = new QLineEdit(spec.text, parent);
        edit->setReadOnly(spec.kind == ControlSpec::ReadOnlyLineEdit);
        return edit;
    }
    case ControlSpec::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(false);
        return combo;
    }
    case ControlSpec::GroupBox:
        return new QGroupBox(spec.text, parent);
    case ControlSpec::RadioButton:
        return new QRadioButton(spec.text, parent);
    case ControlSpec::TableView:
        return new QTableView(parent);
    }
    return nullptr;
}

void placeControl(QWidget *control, const ControlSpec &spec, const DialogBaseUnits &units)
{
    QRect geometry = dialogUnitsToPixels(QRect(spec.x, spec.y, spec.w, spec.h), units);
    // A closed drop-down list is as high as its font needs; the table gives the open list.
    if (spec.kind == ControlSpec::ComboBox)
        geometry.setHeight(control->sizeHint().height());
    control->setGeometry(geometry);
    control->setObjectName(controlObjectName(spec.id));
    control->setProperty("controlId", spec.id);
    if (!spec.accessibleName.isEmpty())
        control->setAccessibleName(spec.accessibleName);
    else if (!spec.text.isEmpty())
        control->setAccessibleName(withoutMnemonic(spec.text));
    // Group boxes frame their siblings and must stay behind them.
    if (spec.kind == ControlSpec::GroupBox)
        control->lower();
}

QList<QWidget *> createControls(QWidget *parent, const QList<ControlSpec> &table, const DialogBaseUnits &units,
                                const QHash<int, QWidget *> &custom)
{
    QList<QWidget *> controls;
    QHash<int, const ControlSpec *> specById;
    QHash<int, QWidget *> controlById;
    controls.reserve(table.size());
    for (const ControlSpec &spec : table) {
        QWidget *control = custom.value(spec.id);
        if (control)
            control->setParent(parent);
        else
            control = createControl(parent, spec);
        placeControl(control, spec, units);
        // Children added to a window already on screen are not shown with it.
        if (parent->isVisible())
            control->show();
        if (!controls.isEmpty())
            QWidget::setTabOrder(controls.last(), control);
        controls.append(control);
        specById.insert(spec.id, &spec);
        controlById.insert(spec.id, control);
    }

    // Labels may follow the controls they name, so names are given once all exist.
    for (qsizetype i = 0; i < table.size(); ++i) {
        const ControlSpec &spec = table.at(i);
        if (spec.labelId == ControlSpec::NoLabel || !spec.accessibleName.isEmpty())
            continue;
        const ControlSpec *label = specById.value(spec.labelId);
        if (!label)
            continue;
        if (spec.text.isEmpty())
            controls.at(i)->setAccessibleName(withoutMnemonic(label->text));
        if (auto *labelWidget = qobject_cast<QLabel *>(controlById.value(spec.labelId)))
            labelWidget->setBuddy(controls.at(i));
    }
    return controls;
}

} // namespace Glossa
