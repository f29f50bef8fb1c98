#include "ui/LayoutRules.h"
#include "core/Form19Names.h"

#include <algorithm>
#include <stdexcept>

namespace zovt::layout {

int roundHalfEven(qint64 num, qint64 den)
{
    // Floor division first, so that negative values round like positive ones.
    qint64 q = num / den;
    qint64 r = num % den;
    if (r < 0) {
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    return int(q);
}

const QStringList &resizedControls()
{
    static const QStringList names = {
        f19::Open,         f19::OpenZov,     f19::OpenSBZ,
        f19::PanelJmeno,   f19::Zakladmemo,  f19::CasWriteSUMA,
        f19::ZovToolEdit,  f19::Konec,       f19::Setting,
        f19::PanelPlay,    f19::Panelprani,  f19::OrvatrinPowerPcPanel,
        f19::ZovTWisch,    f19::MemoPlayShow, f19::MemoWish,
        f19::Wishes1dole,  f19::TherapyL1Pan,
    };
    return names;
}

namespace {

// Scaled by a factor given in hundredths or thousandths: the rules' constants
// are decimal fractions, and rounding them exactly keeps halves halves.
int R(qint64 value, qint64 num, qint64 den) { return roundHalfEven(value * num, den); }

} // namespace

Geometries FormResize(int outerWidth, int outerHeight, const Geometries &current, bool memoWishVisible)
{
    const qint64 W = outerWidth;
    const qint64 H = outerHeight;
    if (W <= FixedLayoutMaxWidth)
        return current;

    QStringList missing;
    for (const QString &name : resizedControls())
        if (!current.contains(name))
            missing.append(name);
    if (!missing.isEmpty())
        throw std::invalid_argument("layout: no geometry for " + missing.join(QStringLiteral(", ")).toStdString());

    // Work on copies and write them back at the end: references into the
    // hash would be one insertion away from dangling.
    const QRect openButton = current.value(f19::Open);
    QRect openZov = current.value(f19::OpenZov);
    QRect openSbz = current.value(f19::OpenSBZ);
    QRect panelJmeno = current.value(f19::PanelJmeno);
    QRect zakladmemo = current.value(f19::Zakladmemo);
    QRect casWriteSuma = current.value(f19::CasWriteSUMA);
    QRect zovToolEdit = current.value(f19::ZovToolEdit);
    QRect konec = current.value(f19::Konec);
    QRect setting = current.value(f19::Setting);
    QRect panelPlay = current.value(f19::PanelPlay);
    QRect panelprani = current.value(f19::Panelprani);
    QRect orvatrin = current.value(f19::OrvatrinPowerPcPanel);
    QRect zovTWisch = current.value(f19::ZovTWisch);
    QRect memoPlayShow = current.value(f19::MemoPlayShow);
    QRect memoWish = current.value(f19::MemoWish);
    QRect wishes1dole = current.value(f19::Wishes1dole);
    QRect therapy = current.value(f19::TherapyL1Pan);

    // QRect::moveLeft/moveTop keep the size, setHeight keeps the top: widths
    // stay as they are throughout.
    openZov.moveLeft(openButton.left() + openButton.width());
    openSbz.moveLeft(openZov.left() + openZov.width());

    const int x = R(W, 38, 100);
    zakladmemo.moveLeft(x);
    casWriteSuma.moveLeft(x);
    zovToolEdit.moveLeft(x - 1);

    const int u = R(W, 1, 100);
    const int r = int(W) - memoWish.width() - therapy.width() - 3 * u;
    memoPlayShow.moveLeft(int(W) - memoPlayShow.width() - therapy.width() - 3 * u);
    memoWish.moveLeft(r);
    zovTWisch.moveLeft(r);
    therapy.moveLeft(int(W) - therapy.width() - R(u, 3, 2));
    wishes1dole.moveLeft(memoWish.left() + memoWish.width() - wishes1dole.width());
    panelPlay.moveLeft(r);
    orvatrin.moveLeft(r);
    panelprani.moveLeft(panelPlay.left() + panelPlay.width() + 2 * u);

    const int v = R(H, 5, 100);
    setting.moveTop(int(H) - R(v, 5, 2));
    konec.moveTop(int(H) - R(v, 24, 10));

    const int orvatrinHeight = memoWishVisible ? R(H, 15, 100) : R(H, 67, 100);
    orvatrin.setHeight(orvatrinHeight);

    panelJmeno.moveTop(R(H, 40, 100));

    const int therapyHeight = int(H) - 7 * R(H, 1, 100);
    therapy.setHeight(therapyHeight);

    const int w = R(H, 25, 1000);
    orvatrin.moveTop(int(H) - 30 * w);
    memoPlayShow.moveTop(int(H) - R(w, 49, 2));

    zovTWisch.moveTop(memoPlayShow.top());
    memoWish.moveTop(zovTWisch.top() + zovTWisch.height());

    therapy.setHeight(therapyHeight);

    zovToolEdit.moveTop(konec.top());
    zakladmemo.setHeight(zovToolEdit.top() - zakladmemo.top());

    const int buttonsBottom = zovToolEdit.top() + zovToolEdit.height();
    memoPlayShow.setHeight(buttonsBottom - memoPlayShow.top());
    memoWish.setHeight(buttonsBottom - memoWish.top());

    orvatrin.setHeight(orvatrinHeight);

    Geometries g = current;
    g.insert(f19::Open, openButton);
    g.insert(f19::OpenZov, openZov);
    g.insert(f19::OpenSBZ, openSbz);
    g.insert(f19::PanelJmeno, panelJmeno);
    g.insert(f19::Zakladmemo, zakladmemo);
    g.insert(f19::CasWriteSUMA, casWriteSuma);
    g.insert(f19::ZovToolEdit, zovToolEdit);
    g.insert(f19::Konec, konec);
    g.insert(f19::Setting, setting);
    g.insert(f19::PanelPlay, panelPlay);
    g.insert(f19::Panelprani, panelprani);
    g.insert(f19::OrvatrinPowerPcPanel, orvatrin);
    g.insert(f19::ZovTWisch, zovTWisch);
    g.insert(f19::MemoPlayShow, memoPlayShow);
    g.insert(f19::MemoWish, memoWish);
    g.insert(f19::Wishes1dole, wishes1dole);
    g.insert(f19::TherapyL1Pan, therapy);
    return g;
}

QList<qreal> columnTabStops(const QStringList &lines, const std::function<int(const QString &)> &width, int gap,
                            const QString &firstFieldPrefix)
{
    QList<int> widest;
    for (const QString &line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        // The last field has no tab after it and pushes nothing.
        for (qsizetype k = 0; k + 1 < fields.size(); ++k) {
            const int w = width(k == 0 ? firstFieldPrefix + fields.at(k) : fields.at(k));
            if (k >= widest.size())
                widest.append(w);
            else
                widest[k] = std::max(widest.at(k), w);
        }
    }
    QList<qreal> stops;
    stops.reserve(widest.size());
    int at = 0;
    for (int w : widest) {
        at += std::max(w, 0) + gap;
        stops.append(at);
    }
    return stops;
}

QString displayLine(const QString &line)
{
    if (line.size() <= DisplayLineCap)
        return line;
    return line.left(DisplayLineCap - 1) + QChar(0x2026);
}

QStringList columnSample(const QStringList &lines, qsizetype maxLines, qsizetype fieldCap)
{
    const auto cutFields = [fieldCap](QStringView line) {
        QString out;
        qsizetype from = 0;
        for (;;) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
            const qsizetype end = tab < 0 ? line.size() : tab;
            out += line.mid(from, std::min(end - from, fieldCap));
            if (tab < 0)
                return out;
            out += QLatin1Char('\t');
            from = tab + 1;
        }
    };
    QStringList out;
    const qsizetype n = lines.size();
    const qsizetype take = std::min(n, std::max<qsizetype>(maxLines, 0));
    out.reserve(take + 1);
    for (qsizetype k = 0; k < take; ++k)
        out.append(cutFields(lines.at(take == n ? k : k * n / take)));
    if (take == n)
        return out;

    // Counted in characters, which is cheap over a million lines; only the
    // winners are measured in pixels.
    QList<QStringView> longest;
    for (const QString &line : lines) {
        qsizetype from = 0;
        for (qsizetype k = 0;; ++k) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
            if (tab < 0)
                break; // the last field pushes no stop
            const QStringView field = QStringView(line).mid(from, tab - from);
            if (k >= longest.size())
                longest.append(field);
            else if (field.size() > longest.at(k).size())
                longest[k] = field;
            from = tab + 1;
        }
    }
    if (!longest.isEmpty()) {
        QString widest;
        for (QStringView field : longest) {
            widest += field.left(fieldCap);
            widest += QLatin1Char('\t');
        }
        out.append(widest);
    }
    return out;
}

} // namespace zovt::layout
