#pragma once
// The raw texts behind Catalogue: one row per message number with its text in
// each of the five languages (UTF-8). A null text means the number has no
// text in that language. Only Catalogue reads these rows.

#include <span>

namespace zovt::catalogue_texts {

struct Row {
    int number;
    const char *text[5]; // indexed by the language index
};

std::span<const Row> mainWindow();
std::span<const Row> clientEditor();

} // namespace zovt::catalogue_texts
