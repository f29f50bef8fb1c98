#pragma once
// Wish mode of the main window: the wish text MemoWish with its play buttons
// Wishes1 and Wishes1dole, the switch Wishes, the six memory slots with the
// store/clear button MemoryDel, and the wish's part in a playback (hiding the
// panel, saving and reloading the text being played).
//
// Wish mode is on exactly while MemoWish is visible. Whether the wish can be
// played is decided anew on every change of the wish text (MemoWishChange):
// the real window runs it on the memo's text changes, and every operation
// here that changes the text runs it too, so a headless surface sees the
// same.

#include "core/AppContext.h"
#include "storage/TextCodec.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace zovt {

class WishController {
public:
    explicit WishController(AppContext &ctx);

    // The button Wishes: switches wish mode on or off.
    void Wishes();
    // Every change of the wish text: shows the play buttons when the wish is
    // playable, else hides them; nothing while a playback runs.
    void MemoWishChange();
    // Wishes1 and Wishes1dole: play the wish as a generated program.
    void Wishes1();
    // Memory1 to Memory6: store the wish in slot n when armed, else load it.
    void Memory(int n);
    // MemoryDel: arms storing; armed, offers to clear all six slots.
    void MemoryDel();
    void InfoWish();

    // The wish's part in a playback that starts or ends in wish mode, and the
    // reload of the wish being played by the running bar.
    void wishPlayStart();
    void wishPlayEnd();
    void reloadWishText();

    bool wishMode() const;


private:
    QString text(int number) const;
    bool playable() const;
    void setWishText(const QStringList &lines);
    void saveWish(const QString &winPath) const;
    void loadWish(const QString &winPath);
    void switchOn();
    void switchOff();

    AppContext &m_ctx;
    // The encoding of the file the wish text was last read from: the text
    // is written back in it, as memo files are.
    text::Encoding m_encoding = text::Encoding::Ansi;
    // From the start of a wish playback to its end steps' last one.
    bool m_wishPlaying = false;
};

} // namespace zovt
