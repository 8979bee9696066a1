#pragma once

#include <QStringList>

namespace Glossa {

// glossa terms extract LANGUAGE [PRODUCT_DIR] [--max N] [-o FILE]
// glossa terms import FILE [PRODUCT_DIR] [--format tbx|tsv|csv|qph] [--language NAME]
// glossa terms export [PRODUCT_DIR] [--format tbx|tsv|csv|qph] [--language NAME] [-o FILE]
// arguments are the words after "terms". 0 when done, 2 for a usage error or a
// file or product that cannot be read or written.
int runTerms(const QStringList &arguments);

} // namespace Glossa
