#pragma once

#include "checks/Finding.h"
#include "checks/PlaceholderCheck.h"

#include <QString>
#include <QStringView>

#include <optional>

// What a difference between a value's placeholders and its reference's means, said
// so that a translator can act on it. The editor marks the row ERROR by the plain
// comparison whatever this says.
namespace Glossa {

// "%d: the reference has it once, the value never" for each placeholder whose counts differ;
// given the texts, a name that begins a longer printf conversion says which ("%0 (of \"%0.2f\")").
QString countsMessage(const PlaceholderCounts &value, const PlaceholderCounts &reference,
                      QStringView valueText = {}, QStringView referenceText = {});

struct PlaceholderFault
{
    // Empty when the difference is no fault: hand-wrapped prose broken into lines
    // elsewhere, or a date format written in the language's own order. The message
    // then says why the editor's mark needs no change.
    std::optional<FindingSeverity> severity;
    QString message;
    // The reference's percent sign is missing where a word of the language may say it:
    // no fault when the value holds the language's word for percent.
    bool percentWordMayStand = false;
};

// True when the counts hold a numbered placeholder ("%1", "%2$s").
bool holdsNumberedPlaceholder(const PlaceholderCounts &counts);

// text and counts are the value's (without enclosing quotes), referenceText and
// referenceCounts the reference's; the counts differ.
PlaceholderFault placeholderFault(QStringView text, const PlaceholderCounts &counts, QStringView referenceText,
                                  const PlaceholderCounts &referenceCounts, PlaceholderRule rule);

// The fields a strftime date or time format shows ("%b %e": month and day), as one
// letter each in a sorted string; empty when text is no such format: it has a
// conversion strftime does not know, or only ones printf knows too ("%d %s").
QString dateFormatFields(QStringView text);

} // namespace Glossa
