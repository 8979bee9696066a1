#pragma once

#include "checks/PlaceholderCheck.h"

class QLineEdit;

namespace Glossa {

// Shows the placeholders of a field's text in their own colour, so that one
// missing from the value is seen before it is applied. The field's text is
// never changed.
void markPlaceholders(QLineEdit *field, PlaceholderRule rule);

} // namespace Glossa
