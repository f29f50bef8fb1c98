#pragma once
// The settings panel: port number, firmware variant, the three lighting
// selections and the program options. Its COM strip is also shown on its own
// after a port error at start-up; confirming or closing it then ends the
// program.

#include "core/AppContext.h"

namespace zovt {

class ControlSurface;

// Reads the three lighting selections from their file into R_Night,
// R_Stadby and R_Power, in this order. A missing or malformed line raises
// ReadError; the groups before it keep their new items.
void readLightingSelections(ControlSurface &ui);

class SettingsPanel {
public:
    explicit SettingsPanel(AppContext &ctx);

    void SettingClick();     // open the full panel
    void ShowComStripAlone(); // after a start-up port error
    // Validates COM_Nr (on leaving the field or Enter); false if refused.
    bool COM_NrExit();
    void VerzeSwZovTClick();
    void SettSaveClick();
    void CloseSettClick();
    void C_MaxClick();

    static constexpr const char *ServiceCode = "2649";

private:
    bool fullPanelShown() const;
    AppContext &m_ctx;
    // What the COM strip shown on its own was filled with: confirming it
    // unchanged keeps the stored number as it is.
    QString m_offered;
};

} // namespace zovt
