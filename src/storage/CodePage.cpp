#include "storage/CodePage.h"

#include "storage/WineRegistry.h"

#include <QFile>
#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdio>

namespace zovt::codepage {

namespace {

const QString kNlsKey = QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\CodePage");

QString keepsFallback() { return QStringLiteral("; 8-bit text files are read and written as Windows-1250"); }

QMutex g_mutex;
std::optional<Choice> g_current;

} // namespace

QByteArray codecFor(int codePage)
{
    if (codePage <= 0)
        return {};
    // Qt reaches the Windows code pages through ICU, by their "windows-N" names.
    const QByteArray name = codePage == 65001 ? QByteArray("UTF-8") : "windows-" + QByteArray::number(codePage);
    if (!QStringEncoder(name.constData()).isValid() || !QStringDecoder(name.constData()).isValid())
        return {};
    return name;
}

Choice chooseFrom(const std::optional<QByteArray> &systemReg, const QString &where)
{
    Choice fallback;
    if (!systemReg) {
        fallback.note = QStringLiteral("no Wine registry at %1").arg(where) + keepsFallback();
        return fallback;
    }
    const std::optional<QString> acp = winereg::Registry::parse(*systemReg).string(kNlsKey, QStringLiteral("ACP"));
    if (!acp || acp->trimmed().isEmpty()) {
        fallback.note = QStringLiteral("%1 records no code page (ACP)").arg(where) + keepsFallback();
        return fallback;
    }
    bool ok = false;
    const int number = acp->trimmed().toInt(&ok);
    const QByteArray codec = ok ? codecFor(number) : QByteArray();
    if (codec.isEmpty()) {
        fallback.note = QStringLiteral("code page \"%1\" of %2 cannot be encoded here").arg(*acp, where) + keepsFallback();
        return fallback;
    }
    return Choice{number, codec, QString()};
}

Choice choose()
{
    const QString path = winereg::systemRegPath();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return chooseFrom(std::nullopt, path);
    return chooseFrom(f.readAll(), path);
}

Choice current()
{
    QMutexLocker lock(&g_mutex);
    if (!g_current) {
        g_current = choose();
        if (!g_current->note.isEmpty())
            std::fprintf(stderr, "zovt: %s\n", qPrintable(g_current->note));
    }
    return *g_current;
}

QByteArray codecName() { return current().codecName; }

void reset()
{
    QMutexLocker lock(&g_mutex);
    g_current.reset();
}

QString problem(const QByteArray &codecName)
{
    QStringEncoder enc(codecName.constData());
    QStringDecoder dec(codecName.constData());
    const QString missing = QStringLiteral(
                                "the text codec %1 is not available (Qt was built without ICU?); "
                                "8-bit text files would lose their accented letters (ř, ě, š)")
                                .arg(QString::fromLatin1(codecName));
    if (!enc.isValid() || !dec.isValid())
        return missing;
    // Windows-1250 is checked byte for byte: a codec that only pretends to be
    // it would damage the Czech texts as surely as a missing one.
    const bool czech = codecName.compare("windows-1250", Qt::CaseInsensitive) == 0;
    const QString probe = czech ? QStringLiteral("Ko\u0148 \u0159\u00ed\u010d\u00ed \u0161\u011b\u017e") : QStringLiteral("ZovT 0123456789");
    const QByteArray bytes = enc.encode(probe);
    const bool faithful = !enc.hasError() && dec.decode(bytes) == probe && !dec.hasError()
        && (!czech || bytes == QByteArray("Ko\xf2 \xf8\xed\xe8\xed \x9a\xec\x9e"));
    if (!faithful)
        return QStringLiteral("the text codec %1 does not read back what it writes; "
                              "8-bit text files would be damaged")
            .arg(QString::fromLatin1(codecName));
    return QString();
}

QString ensureUsable() { return problem(current().codecName); }

} // namespace zovt::codepage
