#pragma once
// What makes the device safe when the controller dies in the middle of a
// playback: a playback's end texts are handed over while it runs, so that
// someone else can send them should the controller never reach its own end.
// Production binds the guardian process (device/Guardian.h); without a guard
// bound, arming does nothing.

#include <QByteArray>
#include <QString>
#include <QVector>

namespace zovt {

// One text of a playback's end, and the time that passes before it: after the
// previous text, or after the controller's death for the first.
struct EndText {
    int gapMs = 0;
    QByteArray text;
    bool operator==(const EndText &o) const { return gapMs == o.gapMs && text == o.text; }
};

class EndGuard {
public:
    virtual ~EndGuard() = default;
    // From now on, should the controller end without its closing path,
    // devicePath gets these texts; a later arm replaces the texts.
    virtual void arm(const QString &devicePath, const QVector<EndText> &texts) = 0;
    // The playback has ended its own way: nothing is sent for it any more.
    virtual void disarm() = 0;
};

} // namespace zovt
