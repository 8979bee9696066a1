#pragma once

#include <QStringList>

namespace Glossa {

// glossa export LANGUAGE [PRODUCT_DIR] [--format xliff|csv] [--only all|untranslated|problems]
//                        [--reference NAME] [-o FILE]
// arguments are the words after "export". 0 when the file was written, 2 when not.
int runExport(const QStringList &arguments);

// glossa import FILE [PRODUCT_DIR] [--language NAME] [--dry-run] [--accept-errors]
// arguments are the words after "import". 0 when everything that changed went in,
// 1 when some values were refused, 2 when the file was refused or nothing could be written.
int runImport(const QStringList &arguments);

} // namespace Glossa
