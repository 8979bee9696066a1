#include "platform/AsyncTask.h"
#include "platform/Parallel.h"

#include <QSemaphore>
#include <QTest>

#include <atomic>
#include <memory>

using namespace Glossa;

// Work off the window's thread: the answer comes back on the context's thread, in
// the order the jobs were started, and never to a context that is gone.
class TestAsync : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersComeBackInOrderOnTheContextsThread()
    {
        QThreadPool pool;
        pool.setMaxThreadCount(1);
        QObject context;
        QList<int> answers;
        for (int n = 0; n < 20; ++n)
            runAsync(&context, &pool, [n] { return n * n; }, [&answers, &context](int square) {
                QCOMPARE(QThread::currentThread(), context.thread());
                answers.append(square);
            });
        QVERIFY(QTest::qWaitFor([&] { return answers.size() == 20; }, 5000));
        for (int n = 0; n < 20; ++n)
            QCOMPARE(answers[n], n * n);
    }

    void anAnswerForAContextThatIsGoneIsDropped()
    {
        QThreadPool pool;
        QSemaphore release;
        std::atomic_bool worked = false;
        bool answered = false;
        {
            auto context = std::make_unique<QObject>();
            runAsync(context.get(), &pool, [&] {
                release.acquire(); // still working when the context goes
                worked = true;
                return std::make_shared<int>(1);
            }, [&answered](const std::shared_ptr<int> &) { answered = true; });
        }
        release.release();
        pool.waitForDone();
        QCoreApplication::processEvents();
        QTest::qWait(20);
        QVERIFY(worked);
        QVERIFY(!answered);
    }

    void everyThreadRunsItsPartOnce()
    {
        for (int threads : {1, 2, 7}) {
            std::vector<std::atomic_int> runs(static_cast<size_t>(threads));
            std::atomic<std::thread::id> caller;
            runOnThreads(threads, [&](int t) {
                ++runs[size_t(t)];
                if (t == 0)
                    caller = std::this_thread::get_id();
            });
            for (const std::atomic_int &n : runs)
                QCOMPARE(n.load(), 1);
            QCOMPARE(caller.load(), std::this_thread::get_id()); // part 0 on the calling thread
        }
    }
};

QTEST_GUILESS_MAIN(TestAsync)
#include "tst_async.moc"
