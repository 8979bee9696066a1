#pragma once

#include <QStringList>

// What the shell completion asks the program, so that it never keeps a list
// of its own: the languages of a product, as --language accepts them.
namespace Glossa::Cli {

// "glossa --complete-languages [PRODUCT_DIR]": each present language's display
// name, then each one's locale code, one a line. ExitUsage, with the message
// on standard error, when PRODUCT_DIR is no product.
int printCompletionLanguages(const QStringList &arguments);

} // namespace Glossa::Cli
