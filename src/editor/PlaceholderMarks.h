#pragma once

#include "checks/PlaceholderCheck.h"

#include <QList>

#include <utility>

class QLineEdit;

namespace Glossa {

// Shows the placeholders of a field's text in their own colour, so that one
// missing from the value is seen before it is applied. The field's text is
// never changed. terms: (start, length) of glossary terms, marked with a dotted underline.
void markPlaceholders(QLineEdit *field, PlaceholderRule rule, const QList<std::pair<int, int>> &terms = {});

} // namespace Glossa
