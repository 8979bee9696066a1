#include "editor/VuduzLanguageMapDlg.h"

#include "editor/EditorCommands.h"
#include "editor/EditorExchange.h"
#include "editor/EditorFilterBar.h"
#include "editor/EditorOwner.h"
#include "editor/EditorPlace.h"
#include "editor/EditorRecovery.h"
#include "editor/EditorReview.h"
#include "editor/EditorSession.h"
#include "editor/EditorSaving.h"
#include "editor/EditorSpelling.h"
#include "editor/EditorGlossary.h"
#include "editor/EditorSuggestions.h"
#include "editor/EditorSupport.h"
#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"
#include "editor/PlaceholderMarks.h"
#include "editor/VuduzListCtrl.h"
#include "platform/DialogFont.h"
#include "platform/DialogUnits.h"
#include "shared/StatusField.h"
#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

// The editor's fixed controls: the dialog template they are made from, and their
// places when the window or the area changes size.
namespace Glossa {

namespace {

using C = CVuduzLanguageMapDlg;
constexpr Qt::Alignment RightAligned = Qt::AlignRight | Qt::AlignTop;
constexpr Qt::Alignment Centred = Qt::AlignHCenter | Qt::AlignTop;
constexpr Qt::Alignment LeftAligned = Qt::AlignLeft | Qt::AlignTop;

// Dialog 129, in dialog units and tab order.
const QList<ControlSpec> &editorTemplate()
{
    static const QList<ControlSpec> table = {
        {C::IDC_SEARCH_GROUP, ControlSpec::GroupBox, QStringLiteral("Search"), 12, 6, 469, 28},
        {C::IDC_SEARCH_TEXT, ControlSpec::LineEdit, QString(), 25, 15, 238, 15, LeftAligned, C::IDC_SEARCH_GROUP},
        {C::IDC_BY_ATTRIBUTE, ControlSpec::RadioButton, QStringLiteral("By Attribute"), 269, 17, 49, 10},
        {C::IDC_BY_VALUE, ControlSpec::RadioButton, QStringLiteral("By Value"), 325, 17, 40, 10},
        {C::IDC_BY_REFERENCE, ControlSpec::RadioButton, QStringLiteral("By Reference"), 367, 17, 53, 10},
        {C::IDC_SEARCH_NEXT, ControlSpec::PushButton, QStringLiteral("Search Next"), 426, 15, 49, 12},
        {C::IDC_MODIFY_GROUP, ControlSpec::GroupBox, QStringLiteral("Modify"), 12, 36, 349, 85},
        {C::IDC_VALUE_LABEL, ControlSpec::Label, QStringLiteral("Value"), 16, 50, 39, 10, RightAligned},
        {C::IDC_VALUE, ControlSpec::LineEdit, QString(), 57, 49, 295, 13, LeftAligned, C::IDC_VALUE_LABEL},
        {C::IDC_REFERENCE_LABEL, ControlSpec::Label, QStringLiteral("Reference"), 16, 70, 39, 10, RightAligned},
        {C::IDC_REFERENCE, ControlSpec::LineEdit, QString(), 57, 69, 294, 13, LeftAligned, C::IDC_REFERENCE_LABEL},
        {C::IDC_ATTRIBUTE_LABEL, ControlSpec::Label, QStringLiteral("Attribute"), 16, 93, 39, 10, RightAligned},
        {C::IDC_ATTRIBUTE, ControlSpec::ReadOnlyLineEdit, QString(), 59, 90, 227, 13, LeftAligned, C::IDC_ATTRIBUTE_LABEL},
        {C::IDC_MODIFY, ControlSpec::PushButton, QStringLiteral("Modify"), 297, 89, 51, 13},
        {C::IDC_NEXT_BLANK, ControlSpec::PushButton, QStringLiteral("Next Blank"), 393, 100, 69, 13},
        {C::IDC_NOTICE, ControlSpec::Label, QStringLiteral("WARNING"), 15, 109, 345, 8, Centred},
        {C::IDC_REFERENCE_LANGUAGE_LABEL, ControlSpec::Label, QStringLiteral("Select Reference Language"), 371, 45, 108, 8},
        {C::IDC_REFERENCE_LANGUAGE, ControlSpec::ComboBox, QString(), 368, 68, 120, 24, LeftAligned,
         C::IDC_REFERENCE_LANGUAGE_LABEL},
        {C::IDC_ENTRY_LIST, ControlSpec::TableView, QString(), 7, 126, 481, 178, LeftAligned, ControlSpec::NoLabel,
         QStringLiteral("Entries")},
        {C::IDC_REMOVE_REDUNDANT, ControlSpec::PushButton, QStringLiteral("Remove Redundant Entries"), 7, 314, 109, 11},
        {C::IDC_ADD_ATTRIBUTE, ControlSpec::PushButton, QStringLiteral("\u6dfb\u52a0\u65b0\u5c5e\u6027"), 142, 312, 98, 13},
        {C::IDC_SAVE, ControlSpec::PushButton, QStringLiteral("Save"), 374, 311, 50, 14},
        {C::IDC_CANCEL, ControlSpec::PushButton, QStringLiteral("Cancel"), 438, 311, 50, 14},
    };
    return table;
}

} // namespace

void CVuduzLanguageMapDlg::buildControls()
{
    // The fixed controls live in an area of their own, below the menu bar and left
    // of the side panel; its size lays them out.
    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("Editor area"));
    m_area->installEventFilter(this);
    // The review makes "Use It" before the template's controls, so that they keep
    // their places among the children.
    m_session = new EditorSession(*m_owner, this);
    m_review = std::make_unique<EditorReview>(*m_session, m_area);
    m_exchange = std::make_unique<EditorExchange>(*m_session, this);
    m_recovery = new EditorRecovery(*m_session, this);
    const DialogBaseUnits units = dialogBaseUnits(font());
    m_list = new CVuduzListCtrl({QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"),
                                 QStringLiteral("Statue")},
                                m_area);
    m_session->setEntries(*m_list->entryModel());
    m_exchange->setRowShownTest([this](int row) { return m_list->isRowShown(row); });
    createControls(m_area, editorTemplate(), units, {{IDC_ENTRY_LIST, m_list}});
    const QSize areaSize = dialogUnitsToPixels(QSize(495, 332), units);
    m_area->resize(areaSize);
    m_defaultAreaWidth = areaSize.width();
    for (int id : {IDC_MODIFY_GROUP, IDC_VALUE, IDC_REFERENCE, IDC_NOTICE, IDC_NEXT_BLANK, IDC_REFERENCE_LANGUAGE_LABEL,
                   IDC_REFERENCE_LANGUAGE})
        m_defaultPlaces.insert(id, findControl<QWidget>(m_area, id)->geometry());

    m_searchEdit = findControl<QLineEdit>(this, IDC_SEARCH_TEXT);
    m_valueEdit = findControl<QLineEdit>(this, IDC_VALUE);
    // A line edit cuts text at 32,767 characters by default; the field never cuts a value.
    m_valueEdit->setMaxLength(std::numeric_limits<int>::max());
    // The session knows the field's value before anything else that follows the field hears of it.
    connect(m_valueEdit, &QLineEdit::textChanged, this, [this] { m_session->setFieldValue(fieldValue(), m_valueHeld); });
    m_spelling = std::make_unique<EditorSpelling>(*m_session, m_valueEdit);
    connect(m_spelling.get(), &EditorSpelling::wordsChanged, this, [this] { m_review->updateWhy(); });
    m_referenceEdit = findControl<QLineEdit>(this, IDC_REFERENCE);
    m_attributeEdit = findControl<QLineEdit>(this, IDC_ATTRIBUTE);
    m_referenceCombo = findControl<QComboBox>(this, IDC_REFERENCE_LANGUAGE);
    m_notice = findControl<QLabel>(this, IDC_NOTICE);
    m_notice->setWordWrap(true);

    m_searchColumns = new QButtonGroup(this);
    m_searchColumns->addButton(findControl<QRadioButton>(this, IDC_BY_ATTRIBUTE), 0);
    m_searchColumns->addButton(findControl<QRadioButton>(this, IDC_BY_VALUE), 1);
    m_searchColumns->addButton(findControl<QRadioButton>(this, IDC_BY_REFERENCE), 2);
    connect(m_searchColumns, &QButtonGroup::idClicked, this, [this](int column) {
        readFields();
        searchColumn = column; // the search goes on from where it stopped
    });
    connect(m_searchEdit, &QLineEdit::textChanged, this, [this] {
        readFields();
        searchCursor = -1;
    });
    auto button = [this](int id) { return findControl<QPushButton>(this, id); };
    connect(button(IDC_SEARCH_NEXT), &QPushButton::clicked, this, [this] {
        readFields();
        SearchNext(searchText);
    });
    connect(button(IDC_MODIFY), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::ApplyValue);
    connect(button(IDC_NEXT_BLANK), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnNextBlank);
    connect(button(IDC_SAVE), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnSave);
    connect(button(IDC_CANCEL), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnCancel);
    connect(button(IDC_REMOVE_REDUNDANT), &QPushButton::clicked, this, &CVuduzLanguageMapDlg::OnRemoveRedundantEntries);
    connect(m_referenceCombo, &QComboBox::activated, this, &CVuduzLanguageMapDlg::OnReferenceLanguageChanged);
    // A left click shows the marked row; Page Up, Page Down, Home and End move
    // the selection without refreshing the fields.
    connect(m_list, &QAbstractItemView::clicked, this, [this] {
        const int mark = m_list->selectionMark();
        if (mark >= 0)
            ShowEntry(mark);
    });
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);

    // The filter bar lives in the free band between the "Modify" group and the list,
    // the why line and the status below it.
    m_filterBar = std::make_unique<EditorFilterBar>(*m_session, m_list, m_area);
    m_status = new StatusField(m_area, QStringLiteral("Editor status"));
    m_review->createWhyField();
    connect(m_valueEdit, &QLineEdit::textChanged, this, [this] { m_review->updateWhy(); });
    // Placeholders in their own colour, so that one missing is seen before Enter.
    connect(m_valueEdit, &QLineEdit::textChanged, this, [this] { markFieldPlaceholders(m_valueEdit); });
    connect(m_referenceEdit, &QLineEdit::textChanged, this, [this] { markFieldPlaceholders(m_referenceEdit); });
    entries()->setToolTipProvider([this](const EntryRow &row) { return m_review->whyText(row); });
    m_valueEdit->setToolTip(QStringLiteral("Enter applies the value; Ctrl+Return applies it and shows the next "
                                           "untranslated entry (Ctrl+J); Ctrl+Z / Ctrl+Shift+Z: undo / redo"));
    m_list->setToolTip(QStringLiteral("Up / Down: previous / next entry; Ctrl+J / Ctrl+Shift+J: next / previous "
                                      "untranslated entry; F8 / Shift+F8: next / previous entry with an error or a warning"));
    m_status->setToolTip(QStringLiteral("Ctrl+J / Ctrl+Shift+J: next / previous untranslated entry; F8 / Shift+F8: "
                                        "next / previous entry with an error or a warning; Ctrl+Return: apply and "
                                        "go to the next untranslated entry"));

    m_suggestions = std::make_unique<EditorSuggestions>(*m_session);
    // The side panel beside the area, the menu bar above both; the list's context
    // menu holds the same actions as the menus.
    m_place = new EditorPlace(*this, m_area, areaSize);
    m_place->addSection(m_suggestions.get());
    m_glossary = std::make_unique<EditorGlossary>(*m_session);
    m_glossary->setFields(m_referenceEdit, m_valueEdit);
    m_review->setWhySources(m_spelling.get(), m_exchange.get(), m_glossary.get());
    // F9 or the remembered choice: the menu, the panel and the glossary follow.
    connect(m_suggestions.get(), &EditorSuggestions::shownChanged, this, [this](bool shown) {
        m_commands->panelShownChanged(shown);
        m_place->setPanelShown(shown);
        m_glossary->panelShown(shown);
    });
    m_place->addSection(m_glossary.get());
    connect(m_glossary.get(), &EditorGlossary::loaded, this, [this] {
        m_review->updateWhy();
        markFieldPlaceholders(m_referenceEdit);
    });
    m_commands = new EditorCommands(*this);
    connectSession();
    connect(m_exchange.get(), &EditorExchange::releaseCompared, this, [this](const QString &path) {
        m_filterBar->offerReferenceChanged();
        m_suggestions->setEarlierRelease(path);
        m_review->updateWhy();
        m_filterBar->updateCounts();
    });
    m_commands->addToContextMenu(m_list);
    m_suggestions->addMenuActions(m_list);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);
    resize(areaSize.width(), areaSize.height() + m_commands->menuBar()->sizeHint().height());
    connect(m_filterBar->showCombo(), &QComboBox::currentIndexChanged, m_commands,
            [this](int mode) { m_commands->showModeChanged(mode); });

    // Enter, Escape and the arrows reach the editor before the control they are
    // sent to; a key of a command reaches its action even from a field that
    // would take it for itself.
    installEventFilter(this);
    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

void CVuduzLanguageMapDlg::layoutControls()
{
    if (!m_list || !m_filterBar || !m_review->whyField())
        return;
    // Right and bottom are the area's: left of the side panel, below the menu bar.
    const int right = m_area->width();
    const int bottom = m_area->height();
    const int listTop = 270;
    const int listHeight = bottom - 315;
    m_list->setGeometry(10, listTop, right - 20, listHeight);
    if (m_place)
        m_place->fitColumns();
    // A wider area widens the "Modify" group with its Value and Reference fields;
    // the reference language moves with the group's right edge.
    const int wider = std::max(0, right - m_defaultAreaWidth);
    for (auto it = m_defaultPlaces.cbegin(); it != m_defaultPlaces.cend(); ++it) {
        QRect place = it.value();
        if (it.key() == IDC_MODIFY_GROUP || it.key() == IDC_VALUE || it.key() == IDC_REFERENCE || it.key() == IDC_NOTICE)
            place.setWidth(place.width() + wider);
        else
            place.translate(wider, 0);
        findControl<QWidget>(m_area, it.key())->setGeometry(place);
    }
    findControl<QWidget>(this, IDC_ADD_ATTRIBUTE)->setGeometry(25, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_SAVE)->setGeometry(right - 230, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_CANCEL)->setGeometry(right - 110, bottom - 40, 100, 30);
    findControl<QWidget>(this, IDC_REMOVE_REDUNDANT)->move(10, bottom - 40);

    // The band below the "Modify" group and the hidden "Next Blank", above the list
    // and the panel: the filter bar, then the why line and the status.
    int top = 0;
    for (int id : {IDC_MODIFY_GROUP, IDC_NEXT_BLANK, IDC_REFERENCE_LANGUAGE})
        top = std::max(top, findControl<QWidget>(this, id)->geometry().bottom() + 2);
    const int band = std::max(0, listTop - 2 - top);
    const int line = std::min(band / 2, m_filterBar->filterEdit()->sizeHint().height());
    const int width = right - 20;
    m_filterBar->layout(QRect(10, top, width, line));
    m_review->layout(QRect(10, top + line, width * 3 / 5, line));
    m_status->setGeometry(16 + width * 3 / 5, top + line, width - 6 - width * 3 / 5, line);
}

} // namespace Glossa
