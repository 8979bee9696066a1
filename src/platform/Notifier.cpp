#include "platform/Notifier.h"

namespace Glossa {

// Out of line so that the class has one home for its vtable.
Notifier::~Notifier() = default;

} // namespace Glossa
