// Quoting untrusted input in messages.

#include "core/Excerpt.h"

#include <QtTest>

using namespace zovt;

class TestExcerpt : public QObject {
    Q_OBJECT
private slots:
    void excerpt_data();
    void excerpt();
    void hugeInputGivesShortText();
};

void TestExcerpt::excerpt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxChars");
    QTest::addColumn<QString>("shown");
    const QString ell(QChar(0x2026));
    QTest::newRow("short text unchanged") << "1x" << 60 << "1x";
    QTest::newRow("empty") << "" << 60 << "";
    QTest::newRow("exactly the limit") << "abcde" << 5 << "abcde";
    QTest::newRow("one over the limit") << "abcdef" << 5 << QString("abcde" + ell);
    QTest::newRow("czech letters stay") << QString::fromUtf8("Žluť") << 60 << QString::fromUtf8("Žluť");
    QTest::newRow("nul") << QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")) << 60 << QString::fromUtf8("a\u2400b");
    QTest::newRow("line ends and tab") << "a\r\n\tb" << 60 << QString::fromUtf8("a\u240d\u240a\u2409b");
    QTest::newRow("escape") << "\x1b[31m" << 60 << QString::fromUtf8("\u241b[31m");
    QTest::newRow("delete") << "a\x7f" << 60 << QString::fromUtf8("a\u2421");
    QTest::newRow("c1 control") << QString(QChar(0x9B)) << 60 << "<U+009B>";
    QTest::newRow("right-to-left override") << QString(QStringLiteral("a") + QChar(0x202E) + QStringLiteral("b")) << 60
                                            << "a<U+202E>b";
    QTest::newRow("byte-order mark") << QString(QChar(0xFEFF)) << 60 << "<U+FEFF>";
    QTest::newRow("line separator") << QString(QChar(0x2028)) << 60 << "<U+2028>";
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << 60 << "<U+D800>";
    QTest::newRow("pair is kept whole") << QString::fromUtf8("ab\U0001F600") << 4 << QString::fromUtf8("ab\U0001F600");
    QTest::newRow("pair is not split") << QString::fromUtf8("abc\U0001F600") << 4 << QString("abc" + ell);
    QTest::newRow("spelled form is not split") << QString(QStringLiteral("ab") + QChar(0x202E)) << 5 << QString("ab" + ell);
}

void TestExcerpt::excerpt()
{
    QFETCH(QString, text);
    QFETCH(int, maxChars);
    QFETCH(QString, shown);
    QCOMPARE(zovt::excerpt(text, maxChars), shown);
}

void TestExcerpt::hugeInputGivesShortText()
{
    const QString big(50 * 1000 * 1000, QChar(0));
    const QString e = zovt::excerpt(big);
    QCOMPARE(e.size(), 61);
    QVERIFY(!e.contains(QChar(0)));
}

QTEST_GUILESS_MAIN(TestExcerpt)
#include "tst_excerpt.moc"
