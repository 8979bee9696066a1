#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

namespace Glossa {

// The one way the windows run work off their thread: work() runs on a thread of
// pool, and its result is handed to done(result) on context's thread. When context
// is gone by then, the result is dropped and done is never called. Jobs of a pool
// of one thread run one after the other, in the order they were started.
template<typename Work, typename Done>
void runAsync(QObject *context, QThreadPool *pool, Work work, Done done)
{
    using Result = std::invoke_result_t<Work &>;
    static_assert(!std::is_void_v<Result>, "work must return what done takes");
    auto promise = std::make_shared<QPromise<Result>>();
    // The watcher belongs to context: gone with it, and with it the call of done.
    auto *watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done = std::move(done)]() mutable {
        watcher->deleteLater();
        if (watcher->future().resultCount() > 0)
            done(watcher->future().result());
    });
    watcher->setFuture(promise->future());
    promise->start();
    pool->start([promise, work = std::move(work)]() mutable {
        promise->addResult(work());
        promise->finish();
    });
}

} // namespace Glossa
