#pragma once

#include <QMap>
#include <QString>

#include <cstdint>
#include <set>

namespace Glossa {

// Identifies one attribute for the whole run; handed out in master-file line order.
using AttributeId = std::uint32_t;

// Master list of attributes, ascending by id. A name may occur under several ids
// when the master file repeats a key; lookups by name stop at the lowest id.
using AttributeCatalogue = QMap<AttributeId, QString>;

// One language's values, ascending by id. A missing id reads as the empty value.
using LanguageValues = QMap<AttributeId, QString>;

// Keys of a language file that name no attribute of the catalogue (ordinal order).
using RedundantKeySet = std::set<QString>;

// Catalogue row indexes of the languages that are present, ascending.
using PresentLanguageSet = std::set<int>;

// The one process-wide counter from which attribute ids are taken.
AttributeId takeNextAttributeId();
// Tests load several catalogues in one process; they start each from id 0 again.
void resetAttributeIdCounter();

// Hash and equality of names for unordered maps looked up with views of a
// file's text, so that a key is copied only when it is kept.
struct NameHash
{
    using is_transparent = void;
    size_t operator()(QStringView name) const { return qHash(name); }
};
struct NameEqual
{
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const { return a == b; }
};

// The process-wide set of present languages.
PresentLanguageSet &presentLanguages();

} // namespace Glossa
