// Loads a program file of 5,000 programs of 100 rows (about 500,000 lines)
// through the program list on a headless window, selects the last entry, and
// prints the times and the peak resident memory.

#include "BigProgramFile.h"

#include "core/Form19Names.h"
#include "program/ProgramController.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"

#include "support/Headless.h"
#include "support/TempDrive.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zovt;

namespace {

long peakRssKiB()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double ms(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    test::TempDrive drive;

    const QString program = QStringLiteral("C:\\Zov_Tool Data\\Program\\Big.txt");
    const qint64 bytes = bench::writeBigProgramFile(drive.native(program));
    const long rssBefore = peakRssKiB();

    test::Headless h; // unanswered dialogs: every question is No, no file is chosen
    ProgramController pc(h.ctx);
    h.ui.setText(f19::PRSAdresaPresmerovani, paths::DefaultExportRoot);

    std::vector<double> loads;
    long rssFirstLoad = 0;
    for (int i = 0; i < 3; ++i) {
        drive.put(paths::ProgramHandOff, text::encode({program}, text::Encoding::Ansi));
        QElapsedTimer t;
        t.start();
        pc.Open();
        loads.push_back(ms(t));
        if (i == 0)
            rssFirstLoad = peakRssKiB();
    }
    const qsizetype lineCount = h.ui.lineCount(f19::NacistMemo);
    const qsizetype entries = h.ui.lineCount(f19::Zakladmemo);

    std::vector<double> selections;
    for (int i = 0; i < 20; ++i) {
        h.ui.setIndex(f19::Zakladmemo, int(entries - 1 - (i % 2) * (entries / 2)));
        QElapsedTimer t;
        t.start();
        pc.ZakladMemoCliknul();
        selections.push_back(ms(t));
    }
    h.ui.setIndex(f19::Zakladmemo, int(entries - 1));
    QElapsedTimer t;
    t.start();
    pc.ZakladMemoCliknul();
    const double lastSelect = ms(t);

    std::sort(selections.begin(), selections.end());
    std::printf("file: %lld bytes, %lld lines, %lld list entries\n", (long long)bytes, (long long)lineCount,
                (long long)entries);
    std::printf("load + list (Open with hand-off file): first %.1f ms, then %.1f ms, %.1f ms\n", loads[0], loads[1],
                loads[2]);
    std::printf("select last entry: %.3f ms (20 selections: median %.3f ms, max %.3f ms)\n", lastSelect,
                selections[selections.size() / 2], selections.back());
    std::printf("selected: %d rows, total \"%s\", file total \"%s\"\n", h.state.PocetRadkfr,
                qPrintable(h.ui.text(f19::CasWrite)), qPrintable(h.ui.text(f19::CasWriteSUMA)));
    std::printf("peak RSS: %.1f MiB overall (%.1f MiB before loading, %.1f MiB after the first load; a reload\n"
                "lets the previous file go before it decodes the new one)\n",
                peakRssKiB() / 1024.0, rssBefore / 1024.0, rssFirstLoad / 1024.0);
    return 0;
}
