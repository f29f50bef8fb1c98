#pragma once
// The program list of the main window: loading program files (hand-off file
// or file dialogs), building the list, and making an entry the selected
// program with its display and totals.

#include "core/AppContext.h"
#include "program/ProgramList.h"
#include "program/ReadAhead.h"

#include <QString>

#include <functional>
#include <memory>

namespace zovt {

// The selected program's total: CasCelkSUM over MemoPlay into
// st.engine.CasCelk, its running text into CasWrite, also when a bad row
// ends it (the text of the rows before it stays). counted: the rows it
// summed, set also when it throws. Selecting a program and starting its
// playback both show the total this way.
void showProgramTotal(ControlSurface &ui, WindowState &st, qint32 &counted);

class ProgramController {
public:
    explicit ProgramController(AppContext &ctx);

    void Open1();
    void Open();
    void OpenZov();
    void OpenSBZ();
    void VyplnZaklMemo();
    void ZakladMemoCliknul();

    // The loaded file (NacistMemo) with its header index. The surface's
    // "NacistMemo" is the truth: a list that another operation put there is
    // taken over (and indexed) the next time it is needed.
    const ProgramFile &programFile();
    // Loads a program file and lists it, as choosing it in Open does.
    // Throws ReadError when it cannot be read.
    void openProgramFile(const QString &winPath);
    // The next load of the file it read takes the worker's reading instead.
    void setReadAhead(std::unique_ptr<ReadAhead> ahead) { m_readAhead = std::move(ahead); }

private:
    void syncFromSurface();
    // Replaces NacistMemo by the file; a file that cannot be read leaves the
    // previous one (and so the list) in place and throws ReadError.
    void loadFile(const QString &winPath);
    void openCompanionFile(const QString &title, const QString &folder);
    // The chosen file in the list's place: its name, its origin, colour mode 0.
    void takeFile(const QString &winPath);

    AppContext &m_ctx;
    ProgramFile m_file;
    std::unique_ptr<ReadAhead> m_readAhead;
};

} // namespace zovt
