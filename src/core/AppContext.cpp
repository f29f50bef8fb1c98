#include "core/AppContext.h"

#include <stdexcept>

namespace zovt {

namespace {

// Every call by name; a new member of Operations gets its row here, or the
// application would never learn that it is unbound.
template <class Ops, class F> void forEachCall(Ops &ops, F &&f)
{
    f("Konec", ops.Konec);
    f("Stop", ops.Stop);
    f("Play", ops.Play);
    f("Pause", ops.Pause);
    f("ZakladMemoCliknul", ops.ZakladMemoCliknul);
    f("VyplnZaklMemo", ops.VyplnZaklMemo);
    f("Open1", ops.Open1);
    f("stopPlaybackTimers", ops.stopPlaybackTimers);
    f("KlientOpen", ops.KlientOpen);
    f("Nactiklient", ops.Nactiklient);
    f("openClientEditor", ops.openClientEditor);
    f("fillClientFromRecord", ops.fillClientFromRecord);
    f("protocolStart", ops.protocolStart);
    f("protocolEnd", ops.protocolEnd);
    f("wishPlayStart", ops.wishPlayStart);
    f("wishPlayEnd", ops.wishPlayEnd);
    f("reloadWishText", ops.reloadWishText);
    f("showComStripAlone", ops.showComStripAlone);
    f("closeAndEnd", ops.closeAndEnd);
}

} // namespace

QStringList Operations::unbound() const
{
    QStringList names;
    forEachCall(*this, [&names](const char *name, const auto &call) {
        if (!call)
            names.append(QString::fromLatin1(name));
    });
    return names;
}

void Operations::requireBound() const
{
    const QStringList names = unbound();
    if (!names.isEmpty())
        throw std::logic_error("calls between subsystems left unbound: " + names.join(QStringLiteral(", ")).toStdString());
}

void Operations::bindUnbound(const std::function<void(const QString &name)> &record)
{
    forEachCall(*this, [&record](const char *n, auto &call) {
        if (call)
            return;
        const QString name = QString::fromLatin1(n);
        call = [record, name](auto &&...) { record(name); };
    });
}

bool Operations::unbind(const QString &name)
{
    bool found = false;
    forEachCall(*this, [&](const char *n, auto &call) {
        if (name == QLatin1String(n)) {
            call = nullptr;
            found = true;
        }
    });
    return found;
}

} // namespace zovt
