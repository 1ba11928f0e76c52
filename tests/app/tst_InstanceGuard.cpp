// The single-instance lock in one process: a live holder keeps it, its
// release frees it at once, and Acquire retries once after its delay.
#include "InstanceGuard.h"

#include <QCoreApplication>
#include <QTest>

#include <memory>

class InstanceGuardTest : public QObject
{
    Q_OBJECT

private:
    QString m_key;

private slots:
    void init()
    {
        m_key = QStringLiteral("vorel-guard-test-%1").arg(QCoreApplication::applicationPid());
    }

    void liveHolderRefusesOthers()
    {
        auto first = std::make_unique<InstanceGuard>(m_key);
        QVERIFY(first->TryCreate());
        QVERIFY(first->Held());
        InstanceGuard second(m_key);
        QVERIFY(!second.TryCreate());
        QVERIFY(!second.Held());
        QVERIFY(first->Held()); // probing did not take the holder's lock away
        InstanceGuard third(m_key);
        QVERIFY(!third.TryCreate());
        first.reset();
        QVERIFY(second.TryCreate());
    }

    void acquireRetriesOnce()
    {
        InstanceGuard holder(m_key);
        QVERIFY(holder.Acquire(0));
        InstanceGuard other(m_key);
        QVERIFY(!other.Acquire(10));
        QVERIFY(!other.Held());
    }
};

QTEST_GUILESS_MAIN(InstanceGuardTest)
#include "tst_InstanceGuard.moc"
