#include "wishes/WishController.h"

#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "i18n/Catalogue.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "wishes/WishProgram.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include <stdexcept>

namespace zovt {

namespace {


constexpr int kSlots = 6;
constexpr int kStoreCaption = 601;
constexpr int kClearAllQuestion = 602;
constexpr int kClearAllCaption = 604;
constexpr int kNoClientMessage = 2009;
constexpr int kInfoMessage = 2022;

// The memory panel: shown with wish mode, hidden while a wish plays.
void showMemoryPanel(ControlSurface &ui, bool on)
{
    ui.show({f19::Memory1, f19::Memory2, f19::Memory3, f19::Memory4, f19::Memory5, f19::Memory6, f19::MemoryDel, f19::Panelprani}, on);
}

} // namespace

WishController::WishController(AppContext &ctx) : m_ctx(ctx) {}

QString WishController::text(int number) const { return Catalogue::mainWindow().FATisk(number, m_ctx.state.Languagem); }

bool WishController::wishMode() const { return m_ctx.ui.isVisible(f19::MemoWish); }

void WishController::setWishText(const QStringList &lines)
{
    m_ctx.ui.setLines(f19::MemoWish, lines);
    MemoWishChange();
}

void WishController::saveWish(const QString &winPath) const
{
    files::writeMemo(winPath, files::Memo{m_ctx.ui.lines(f19::MemoWish), m_encoding});
}

void WishController::loadWish(const QString &winPath)
{
    // Read first: a file that cannot be read leaves the text as it was.
    files::Memo memo = files::readMemo(winPath);
    m_encoding = memo.encoding;
    setWishText(memo.lines);
}

bool WishController::playable() const
{
    const ControlSurface &ui = m_ctx.ui;
    const wishes::WishClient client{
        ui.text(f19::Jmeno),
        ui.text(f19::Prijmeni),
        ui.text(f19::Datum_naroz_den),
        ui.text(f19::Datum_naroz_mesic),
        ui.text(f19::Datum_naroz_rok),
    };
    return wishes::isPlayable(client, ui.lines(f19::MemoWish));
}

void WishController::MemoWishChange()
{
    ControlSurface &ui = m_ctx.ui;
    // Outside wish mode the play buttons would sit over Play and start a
    // wish in place of the chosen program.
    if (!wishMode()) {
        ui.show({f19::Wishes1, f19::Wishes1dole}, false);
        return;
    }
    // Stop is disabled already while a stopped wish runs its end steps, and
    // the running bar may still reload the text then.
    if (f19::playbackRuns(ui) || m_wishPlaying)
        return;
    ui.show({f19::Wishes1, f19::Wishes1dole}, playable());
}

void WishController::Wishes()
{
    if (wishMode())
        switchOff();
    else
        switchOn();

    // Wish mode stays on only with a client in the panel.
    if (m_ctx.ui.text(f19::Jmeno).isEmpty() && wishMode())
        Wishes();
}

void WishController::switchOn()
{
    ControlSurface &ui = m_ctx.ui;
    // Wish memo in place of the program list.
    ui.setVisible(f19::MemoWish, true);
    showMemoryPanel(ui, true);
    ui.show({f19::ZovToolEdit, f19::MemoPlayShow}, false);
    // Clear the wish and reload the list.
    setWishText({});
    ui.clear(f19::NacistMemo);
    Operations::run(m_ctx.ops.VyplnZaklMemo);
    ui.setChecked(f19::OrvaTGener, false);
    // Hide what wish mode does not use.
    ui.show({f19::Open, f19::OpenZov, f19::OpenSBZ, f19::OpenPopis, f19::Orva_Tlac, f19::OrvaTGener, f19::Panel5}, false);
    // Wish tools in.
    ui.show({f19::ZovTWisch, f19::Panel2}, true);
    ui.show({f19::Wishes1, f19::Wishes1dole}, false);
    // A wish needs a client.
    if (ui.text(f19::Jmeno).isEmpty()) {
        Operations::run(m_ctx.ops.KlientOpen);
        if (ui.text(f19::Jmeno).isEmpty())
            m_ctx.dialogs.message(text(kNoClientMessage));
    }
    // Colour type back to the first.
    ui.setIndex(f19::Colortype, 0);
}

void WishController::switchOff()
{
    ControlSurface &ui = m_ctx.ui;
    // Program list back in place of the wish memo.
    ui.setVisible(f19::MemoWish, false);
    showMemoryPanel(ui, false);
    ui.show({f19::ZovToolEdit, f19::MemoPlayShow}, true);
    // Clear the wish and reload the list.
    setWishText({});
    ui.clear(f19::NacistMemo);
    Operations::run(m_ctx.ops.VyplnZaklMemo);
    ui.setChecked(f19::OrvaTGener, false);
    // Program controls back.
    ui.show({f19::Open, f19::OpenZov, f19::OpenSBZ, f19::OpenPopis, f19::Orva_Tlac, f19::OrvaTGener}, true);
    // Wish tools out.
    ui.show({f19::ZovTWisch, f19::Panel2, f19::Wishes1, f19::Wishes1dole}, false);
    // Colour type back to the first.
    ui.setIndex(f19::Colortype, 0);
}

void WishController::Wishes1()
{
    ControlSurface &ui = m_ctx.ui;
    // The click counts only where the button could be shown: a second one
    // during a wish would replace the program being played under it.
    if (!wishMode() || m_wishPlaying || f19::playbackRuns(ui) || !playable())
        return;
    // Draw a wish program.
    ui.setLines(f19::NacistMemo, wishes::wishProgram(m_ctx.state.rng));
    // Reload the list.
    Operations::run(m_ctx.ops.VyplnZaklMemo);
    // Ticked before the selection, the generator box makes the selection
    // take the wish as a generator program; the row loop then draws a random
    // value for every row instead of playing its 10 Hz.
    ui.setIndex(f19::Zakladmemo, 0);
    ui.setChecked(f19::OrvaTGener, true);
    Operations::run(m_ctx.ops.ZakladMemoCliknul);
    ui.setChecked(f19::OrvaTGener, true);
    // Generator controls out of reach.
    ui.show({f19::Orva_Tlac, f19::OrvaTGener, f19::Panel5}, false);
    // Play it.
    Operations::run(m_ctx.ops.Play);
}

void WishController::Memory(int n)
{
    if (n < 1 || n > kSlots)
        throw std::logic_error("no wish memory slot " + std::to_string(n));
    WindowState &st = m_ctx.state;
    const QString slot = paths::wishMemory(n);
    if (st.UlozitDoPamet) {
        // Disarmed before the write: a store that fails (a full disk) must
        // not leave the next MemoryDel asking to clear every slot.
        st.UlozitDoPamet = false;
        m_ctx.ui.setText(f19::MemoryDel, text(kStoreCaption));
        saveWish(slot);
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
        m_ctx.ui.setText(f19::MemoryDel, text(kClearAllCaption));
        return;
    }
    st.UlozitDoPamet = false;
    m_ctx.ui.setText(f19::MemoryDel, text(kStoreCaption));
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
    ui.show({f19::Wishes1, f19::Wishes1dole}, false);
    saveWish(paths::WishPlaying);
    m_wishPlaying = true;
    ui.enable({f19::Wishes1, f19::Wishes1dole, f19::KlientOpen, f19::Novy, f19::DeleteJm, f19::MemoWish}, false);
}

void WishController::wishPlayEnd()
{
    ControlSurface &ui = m_ctx.ui;
    m_wishPlaying = false;
    showMemoryPanel(ui, true);
    ui.enable({f19::Wishes1, f19::Wishes1dole}, true);
    setWishText({});
    ui.enable({f19::KlientOpen, f19::Novy, f19::DeleteJm, f19::MemoWish}, true);
}

void WishController::reloadWishText()
{
    // The file stays after a wish has been played; an ordinary program
    // must not bring that wish back.
    if (!wishMode())
        return;
    loadWish(paths::WishPlaying);
}

} // namespace zovt
