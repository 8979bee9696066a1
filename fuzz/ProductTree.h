#pragma once

#include "FuzzSupport.h"

namespace Glossa::Fuzz {

// Builds a product below root from the input: a master file, language files
// named after catalogue languages (exactly, in another letter case, as
// directories) or anything else, an index of random lines in one of the file
// encodings (or a directory in its place), and a web language directory of
// catalogue, random, dotted and plain-file entries.
void buildProductTree(InputReader &in, const QString &root);

} // namespace Glossa::Fuzz
