#include "recovery/Sha256.h"

#include <QCryptographicHash>
#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace Glossa {

namespace {

constexpr qint64 BlockSize = 1 << 20;

struct ContextFree
{
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

Context started()
{
    Context context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        context.reset();
    return context;
}

QByteArray finished(EVP_MD_CTX *context)
{
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, reinterpret_cast<unsigned char *>(digest.data()), &length) != 1)
        return {};
    digest.truncate(qsizetype(length));
    return digest;
}

} // namespace

QByteArray sha256(QByteArrayView bytes)
{
    const Context context = started();
    QByteArray digest;
    if (context && EVP_DigestUpdate(context.get(), bytes.data(), size_t(bytes.size())) == 1)
        digest = finished(context.get());
    // Only a libcrypto that cannot allocate fails: Qt's own code gives the same bytes.
    return digest.isEmpty() ? QCryptographicHash::hash(bytes, QCryptographicHash::Sha256) : digest;
}

QByteArray sha256(QFile &file)
{
    const Context context = started();
    if (!context)
        return {};
    // Read, never mapped: another program may cut the file short while it is
    // hashed (the watcher hashes it just as it changes), and a mapped page past
    // the new end would kill the process.
    QByteArray block(BlockSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), BlockSize);
        if (n < 0)
            return {};
        if (n == 0)
            break;
        if (EVP_DigestUpdate(context.get(), block.constData(), size_t(n)) != 1)
            return {};
    }
    return finished(context.get());
}

} // namespace Glossa
