#include "wishes/WishController.h"

#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "i18n/Catalogue.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "wishes/WishProgram.h"

#include <stdexcept>

namespace zovt {

namespace {

const QString kMemoWish = QStringLiteral("MemoWish");
const QString kMemoryDel = QStringLiteral("MemoryDel");
const QString kJmeno = QStringLiteral("Jmeno");
const QString kNacistMemo = QStringLiteral("NacistMemo");
const QString kZakladmemo = QStringLiteral("Zakladmemo");
const QString kOrvaTGener = QStringLiteral("OrvaTGener");
const QString kColortype = QStringLiteral("Colortype");
const QString kStop = QStringLiteral("Stop");

constexpr int kSlots = 6;
constexpr int kStoreCaption = 601;
constexpr int kClearAllQuestion = 602;
constexpr int kClearAllCaption = 604;
constexpr int kNoClientMessage = 2009;
constexpr int kInfoMessage = 2022;

// The memory panel: shown with wish mode, hidden while a wish plays.
void showMemoryPanel(ControlSurface &ui, bool on)
{
    ui.show({"Memory1", "Memory2", "Memory3", "Memory4", "Memory5", "Memory6", "MemoryDel", "Panelprani"}, on);
}

} // namespace

WishController::WishController(AppContext &ctx) : m_ctx(ctx) {}

QStringList WishController::unboundHooks() const
{
    QStringList names;
    const std::pair<const char *, bool> all[] = {
        {"KlientOpen", bool(KlientOpen)},
        {"VyplnZaklMemo", bool(VyplnZaklMemo)},
        {"Play", bool(Play)},
    };
    for (const auto &[name, bound] : all)
        if (!bound)
            names.append(QString::fromLatin1(name));
    return names;
}

QString WishController::text(int number) const { return Catalogue::mainWindow().FATisk(number, m_ctx.state.Languagem); }

bool WishController::wishMode() const { return m_ctx.ui.isVisible(kMemoWish); }

void WishController::setWishText(const QStringList &lines)
{
    m_ctx.ui.setLines(kMemoWish, lines);
    MemoWishChange();
}

void WishController::saveWish(const QString &winPath) const
{
    files::writeMemo(winPath, files::Memo{m_ctx.ui.lines(kMemoWish), m_encoding});
}

void WishController::loadWish(const QString &winPath)
{
    // Read first: a file that cannot be read leaves the text as it was.
    files::Memo memo = files::readMemo(winPath);
    m_encoding = memo.encoding;
    setWishText(memo.lines);
}

void WishController::MemoWishChange()
{
    ControlSurface &ui = m_ctx.ui;
    if (ui.isEnabled(kStop))
        return;
    const wishes::WishClient client{
        ui.text(kJmeno),
        ui.text(QStringLiteral("Prijmeni")),
        ui.text(QStringLiteral("Datum_naroz_den")),
        ui.text(QStringLiteral("Datum_naroz_mesic")),
        ui.text(QStringLiteral("Datum_naroz_rok")),
    };
    ui.show({"Wishes1", "Wishes1dole"}, wishes::isPlayable(client, ui.lines(kMemoWish)));
}

void WishController::Wishes()
{
    if (wishMode())
        switchOff();
    else
        switchOn();

    // Wish mode stays on only with a client in the panel.
    if (m_ctx.ui.text(kJmeno).isEmpty() && wishMode())
        Wishes();
}

void WishController::switchOn()
{
    ControlSurface &ui = m_ctx.ui;
    // 1
    ui.setVisible(kMemoWish, true);
    showMemoryPanel(ui, true);
    ui.show({"ZovToolEdit", "MemoPlayShow"}, false);
    // 2
    setWishText({});
    ui.clear(kNacistMemo);
    Operations::run(VyplnZaklMemo);
    ui.setChecked(kOrvaTGener, false);
    // 3
    ui.show({"Open", "OpenZov", "OpenSBZ", "OpenPopis", "Orva_Tlac", "OrvaTGener", "Panel5"}, false);
    // 4
    ui.show({"ZovTWisch", "Panel2"}, true);
    ui.show({"Wishes1", "Wishes1dole"}, false);
    // 5
    if (ui.text(kJmeno).isEmpty()) {
        Operations::run(KlientOpen);
        if (ui.text(kJmeno).isEmpty())
            m_ctx.dialogs.message(text(kNoClientMessage));
    }
    // 6
    ui.setIndex(kColortype, 0);
}

void WishController::switchOff()
{
    ControlSurface &ui = m_ctx.ui;
    // 1
    ui.setVisible(kMemoWish, false);
    showMemoryPanel(ui, false);
    ui.show({"ZovToolEdit", "MemoPlayShow"}, true);
    // 2
    setWishText({});
    ui.clear(kNacistMemo);
    Operations::run(VyplnZaklMemo);
    ui.setChecked(kOrvaTGener, false);
    // 3
    ui.show({"Open", "OpenZov", "OpenSBZ", "OpenPopis", "Orva_Tlac", "OrvaTGener"}, true);
    // 4
    ui.show({"ZovTWisch", "Panel2", "Wishes1", "Wishes1dole"}, false);
    // 5
    ui.setIndex(kColortype, 0);
}

void WishController::Wishes1()
{
    ControlSurface &ui = m_ctx.ui;
    // 1
    ui.setLines(kNacistMemo, wishes::wishProgram(m_ctx.state.rng));
    // 2
    Operations::run(VyplnZaklMemo);
    // 3. Ticked before the selection, the generator box makes the selection
    // take the wish as a generator program; the row loop then draws a random
    // value for every row instead of playing its 10 Hz.
    ui.setIndex(kZakladmemo, 0);
    ui.setChecked(kOrvaTGener, true);
    Operations::run(m_ctx.ops.ZakladMemoCliknul);
    ui.setChecked(kOrvaTGener, true);
    // 4
    ui.show({"Orva_Tlac", "OrvaTGener", "Panel5"}, false);
    // 5
    Operations::run(Play);
}

void WishController::Memory(int n)
{
    if (n < 1 || n > kSlots)
        throw std::logic_error("no wish memory slot " + std::to_string(n));
    WindowState &st = m_ctx.state;
    const QString slot = paths::wishMemory(n);
    if (st.UlozitDoPamet) {
        saveWish(slot);
        st.UlozitDoPamet = false;
        m_ctx.ui.setText(kMemoryDel, text(kStoreCaption));
    } else {
        setWishText({});
        if (files::fileExists(slot))
            loadWish(slot);
    }
}

void WishController::MemoryDel()
{
    WindowState &st = m_ctx.state;
    if (!st.UlozitDoPamet) {
        st.UlozitDoPamet = true;
        m_ctx.ui.setText(kMemoryDel, text(kClearAllCaption));
        return;
    }
    st.UlozitDoPamet = false;
    m_ctx.ui.setText(kMemoryDel, text(kStoreCaption));
    if (m_ctx.dialogs.confirm(text(kClearAllQuestion))) {
        for (int n = 1; n <= kSlots; ++n)
            files::remove(paths::wishMemory(n));
    }
}

void WishController::InfoWish() { m_ctx.dialogs.message(text(kInfoMessage)); }

void WishController::wishPlayStart()
{
    ControlSurface &ui = m_ctx.ui;
    showMemoryPanel(ui, false);
    ui.show({"Wishes1", "Wishes1dole"}, false);
    saveWish(paths::WishPlaying);
    ui.enable({"Wishes1", "Wishes1dole", "KlientOpen", "Novy", "DeleteJm", "MemoWish"}, false);
}

void WishController::wishPlayEnd()
{
    ControlSurface &ui = m_ctx.ui;
    showMemoryPanel(ui, true);
    ui.enable({"Wishes1", "Wishes1dole"}, true);
    setWishText({});
    ui.enable({"KlientOpen", "Novy", "DeleteJm", "MemoWish"}, true);
}

void WishController::reloadWishText() { loadWish(paths::WishPlaying); }

} // namespace zovt
