#include "BigProgramFile.h"

#include "storage/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace zovt::bench {

qint64 writeBigProgramFile(const QString &nativePath)
{
    QDir().mkpath(QFileInfo(nativePath).path());
    QFile f(nativePath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(nativePath));
    for (int p = 0; p < kBigPrograms; ++p) {
        QStringList lines;
        lines.reserve(kBigRows + 1);
        lines << QStringLiteral("[Program %1 Žluťoučký]").arg(p);
        for (int r = 0; r < kBigRows; ++r) {
            if (r % 4 == 3)
                lines << QStringLiteral("Band %1\t%2.250\t%3.750\t0.500\tkHz\t0\t2\t0").arg(r).arg(r).arg(r + 40);
            else
                lines << QStringLiteral("Step %1\t\t%2.%3\t0\tHz\t0\t1\t30").arg(r).arg(100 + p % 900).arg(r % 1000, 3, 10, QLatin1Char('0'));
        }
        if (p == kBigPrograms - 1)
            lines << QStringLiteral("[STOP]");
        f.write(text::encode(lines, text::Encoding::Ansi));
    }
    return f.size();
}

} // namespace zovt::bench
