#pragma once
// The generator-mode switch Orva_Tlac (every row of a playback then sends a
// random value) and the three help displays: the port information BtnInfo
// and the help panels of the lighting switches (PopisP1) and of the
// light-mode group (PopisP2).

#include "core/AppContext.h"

#include <QStringList>
#include <functional>

namespace zovt {

class GeneratorMode {
public:
    explicit GeneratorMode(AppContext &ctx);

    // Switches generator mode; it stays on only with a client in the panel.
    void Orva_Tlac();

    void BtnInfo();
    void InfoPopis();
    void ClosePopis();
    void InfoPopis2();
    void ClosePopis2();

private:
    AppContext &m_ctx;
};

} // namespace zovt
