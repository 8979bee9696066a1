#pragma once

#include <QStringList>

namespace Glossa {

// glossa suggest LANGUAGE [PRODUCT_DIR] [--key KEY]... [--untranslated] [--tm FILE]... [--since EARLIER]
//                         [--min SCORE] [--max N] [--format text|json]
// arguments are the words after "suggest". 0 when the matches were printed, 2 when not.
int runSuggest(const QStringList &arguments);

// glossa tm export LANGUAGE [PRODUCT_DIR] [-o FILE]
// arguments are the words after "tm". 0 when the file was written, 2 when not.
int runTm(const QStringList &arguments);

// glossa pretranslate LANGUAGE [PRODUCT_DIR] [--tm FILE]... [--since EARLIER] [--dry-run]
// 0 when it filled or had nothing to do, 1 when some entries were ambiguous (left
// alone), 2 for usage errors or a product or TMX file that cannot be read or written.
int runPretranslate(const QStringList &arguments);

} // namespace Glossa
