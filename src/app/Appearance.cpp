#include "app/Appearance.h"

#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "ui/MainWindowDesign.h"
#include "core/Form19Names.h"

namespace zovt {

FontSizes fontSizes(std::optional<quint8> dataFolderScale, std::optional<quint8> toolScale, bool scaleWindows)
{
    FontSizes f;
    if (dataFolderScale)
        f.ScaleFontTXT = *dataFolderScale;
    else if (toolScale)
        f.ScaleFontTXT = *toolScale;
    else
        f.ScaleFontTXT = paths::DefaultFontScale;
    f.ScaleFontTXTSec = f.ScaleFontTXT <= 10 ? f.ScaleFontTXT : 10;
    if (scaleWindows) {
        if (f.ScaleFontTXT >= 10)
            f.ScaleFontTXT = 10;
        f.ScaleFontTXTSec = 8;
    }
    return f;
}

FontSizes readFontSizes()
{
    std::optional<quint8> data;
    std::optional<quint8> tool;
    // The tool's file is not even opened when the data folder has its own, so
    // a broken one there cannot stop start-up.
    if (files::exists(paths::FontScaleFile))
        data = files::readByte(paths::FontScaleFile);
    else if (files::exists(paths::ZovToolFontScaleFile))
        tool = files::readByte(paths::ZovToolFontScaleFile);
    return fontSizes(data, tool, files::exists(paths::ScaleWindowsFlag));
}

ColourScheme colourScheme(bool darkColorFlagExists)
{
    return darkColorFlagExists ? ColourScheme::Dark : ColourScheme::Light;
}

ColourScheme readColourScheme() { return colourScheme(files::exists(paths::DarkColorFlag)); }

QColor systemGreyText(const QPalette &system) { return system.color(QPalette::Disabled, QPalette::Text); }
QColor systemButtonHighlight(const QPalette &system) { return system.color(QPalette::Active, QPalette::Light); }

SchemeColours schemeColours(ColourScheme scheme, const QPalette &system)
{
    const bool dark = scheme == ColourScheme::Dark;
    SchemeColours c;
    c.mainWindow = design::schemeColour(dark);
    c.languageDialog = dark ? systemGreyText(system) : QColor(138, 197, 255);
    c.clientEditor = dark ? QColor(128, 128, 128) : systemButtonHighlight(system);
    return c;
}

} // namespace zovt
