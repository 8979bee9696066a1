#include "model/Types.h"

namespace Glossa {

namespace {
AttributeId attributeIdCounter = 0;
}

AttributeId takeNextAttributeId()
{
    return attributeIdCounter++;
}

void resetAttributeIdCounter()
{
    attributeIdCounter = 0;
}

PresentLanguageSet &presentLanguages()
{
    static PresentLanguageSet set;
    return set;
}

} // namespace Glossa
