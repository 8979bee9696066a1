#pragma once

#include "exchange/Exchange.h"

#include <QByteArray>
#include <QString>

namespace Glossa {

// Reads the units of an XLIFF 1.2 file into file, through libxml2's SAX reader,
// which never loads a document type, an external entity or anything from the network.
// False, with a message for the user, when the file is not well-formed, is not XLIFF
// 1.2, holds a document type declaration, repeats a key or names two target languages.
bool readXliffFile(const QByteArray &bytes, ExchangeFile &file, QString &error);

} // namespace Glossa
