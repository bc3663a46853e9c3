// Texts that share blocks of memory must still behave as texts of their
// own: exact characters, changes that touch no neighbour, and a life that
// does not depend on the pool or on the other texts of the block.
#include "core/entries/TextPool.h"

#include <QTest>
#include <memory>
#include <vector>

namespace
{
const void *blockOf(const QString &text)
{
    return const_cast<QString &>(text).data_ptr().d_ptr();
}
} // namespace

class TestTextPool : public QObject
{
    Q_OBJECT

private slots:
    void textsShareBlocksAndKeepTheirCharacters()
    {
        TextPool pool(32);
        const char bytes[] = "Case 26-000123\xE9";
        const QString a = pool.fromLatin1(bytes, 15);
        const QString b = pool.add(u"Bin \u00BD");
        const QString empty = pool.fromLatin1(bytes, 0);
        QCOMPARE(a, QStringLiteral("Case 26-000123\u00E9"));
        QCOMPARE(b, QStringLiteral("Bin \u00BD"));
        QVERIFY(empty.isEmpty());
        QCOMPARE(blockOf(a), blockOf(b));
        // Each text ends in a NUL where its characters end, as utf16() promises.
        QCOMPARE(a.utf16()[a.size()], char16_t(0));
        QCOMPARE(b.utf16()[b.size()], char16_t(0));

        // 15 + 1 and 5 + 1 characters used of 32: 9 more fit with their
        // NUL, then even 1 starts a new block; a text longer than a block
        // has its own.
        const QString fits = pool.add(QString(9, QLatin1Char('x')));
        const QString next = pool.add(QString(1, QLatin1Char('y')));
        const QString alone = pool.add(QString(32, QLatin1Char('z')));
        QCOMPARE(blockOf(fits), blockOf(a));
        QVERIFY(blockOf(next) != blockOf(a));
        QVERIFY(blockOf(alone) != blockOf(next));
        QCOMPARE(alone, QString(32, QLatin1Char('z')));
        QCOMPARE(a, QStringLiteral("Case 26-000123\u00E9"));
        QCOMPARE(b, QStringLiteral("Bin \u00BD"));
    }

    void changingATextLeavesItsNeighboursAlone()
    {
        TextPool pool;
        QString first = pool.fromLatin1("alpha", 5);
        QString middle = pool.fromLatin1("beta", 4);
        QString last = pool.fromLatin1("gamma", 5);
        first.append(QStringLiteral("-one"));
        middle.prepend(QStringLiteral("pre-"));
        middle[5] = QLatin1Char('E');
        last.replace(0, 1, QStringLiteral("G"));
        QCOMPARE(first, QStringLiteral("alpha-one"));
        QCOMPARE(middle, QStringLiteral("pre-bEta"));
        QCOMPARE(last, QStringLiteral("Gamma"));
        QString copy = pool.fromLatin1("delta", 5);
        const QString shared = copy;
        copy.append(QLatin1Char('!'));
        QCOMPARE(shared, QStringLiteral("delta"));
        QCOMPARE(copy, QStringLiteral("delta!"));
    }

    void aTextOutlivesThePoolAndItsBlock()
    {
        QString kept;
        {
            auto pool = std::make_unique<TextPool>(64);
            std::vector<QString> others;
            for (int i = 0; i < 5; ++i)
                others.push_back(pool->add(QString::number(i * 1111)));
            kept = pool->fromLatin1("09-002B", 7);
            pool.reset();
            others.clear();
        }
        QCOMPARE(kept, QStringLiteral("09-002B"));
        // The last holder may grow it in place.
        kept.append(QString(40, QLatin1Char('+')));
        QCOMPARE(kept, QStringLiteral("09-002B") + QString(40, QLatin1Char('+')));
    }
};

QTEST_APPLESS_MAIN(TestTextPool)
#include "tst_textpool.moc"
