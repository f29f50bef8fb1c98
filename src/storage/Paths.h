#pragma once
// Every fixed path of the program, as the Windows path that the companion
// programs use too. They are turned into native paths only by winpath.

#include <QString>

namespace zovt::paths {

// Folders
inline const QString DataDir = QStringLiteral("C:\\WooZovDaz9");
inline const QString PicDir = QStringLiteral("C:\\WooZovDaz9\\PicWorvat");
inline const QString OrvaTherapy = QStringLiteral("C:\\OrvaTherapy");
inline const QString OrvaQDBZ5 = QStringLiteral("C:\\OrvaTherapy\\QDBZ5");
inline const QString OrvaProtocol = QStringLiteral("C:\\OrvaTherapy\\Protocol");
inline const QString ZovTool = QStringLiteral("C:\\Zov_Tool");
inline const QString ZovToolProgramDir = QStringLiteral("C:\\Zov_Tool Data\\Program");
inline const QString ZovToolDbzDir = QStringLiteral("C:\\Zov_Tool Data\\DBZ");
inline const QString ClientDatFull = QStringLiteral("C:\\WooZovDaz9\\ClientDatFull\\");

// Settings and options in the data directory
inline const QString LangFile = QStringLiteral("C:\\WooZovDaz9\\dLangv.dat");
inline const QString FontScaleFile = QStringLiteral("C:\\WooZovDaz9\\datFontScale.dat");
inline const QString ScaleWindowsFlag = QStringLiteral("C:\\WooZovDaz9\\ScaleWindows.dat");
inline const QString DarkColorFlag = QStringLiteral("C:\\WooZovDaz9\\DarkColor.dat");
inline const QString NewFirmwareFlag = QStringLiteral("C:\\WooZovDaz9\\ZovT_Color.dat");
inline const QString LightSettingsFile = QStringLiteral("C:\\WooZovDaz9\\ZovT_Sett.dat");
inline const QString ComNrFile = QStringLiteral("C:\\WooZovDaz9\\COM_Nr.dat");
inline const QString VisDbzFlag = QStringLiteral("C:\\WooZovDaz9\\VisDBZ.dat");
inline const QString RepeatAllFlag = QStringLiteral("C:\\WooZovDaz9\\OpakVSEZ.dat");
inline const QString CloseByStopFlag = QStringLiteral("C:\\WooZovDaz9\\CloseByStop.dat");
inline const QString WishesFlag = QStringLiteral("C:\\WooZovDaz9\\Wisches.dat");
inline const QString SlowPcFlag = QStringLiteral("C:\\WooZovDaz9\\Slowpc.dat");
inline const QString ProtocolFlag = QStringLiteral("C:\\WooZovDaz9\\ProtokolSUMA.dat");
inline const QString RunMarker = QStringLiteral("C:\\WooZovDaz9\\RunZovT.dat");
// Held (flock) by the controller that runs on this data folder, and who it is.
inline const QString RunLock = QStringLiteral("C:\\WooZovDaz9\\RunZovT.lck");
inline const QString RunOwner = QStringLiteral("C:\\WooZovDaz9\\RunZovT.pid");
// The playback in progress, for the start after an unexpected end.
inline const QString PlayJournal = QStringLiteral("C:\\WooZovDaz9\\PlayZovT.jnl");

// Client files and related files
inline const QString ClientDirFile = QStringLiteral("C:\\WooZovDaz9\\0cestaDBZ.txt");
inline const QString ExportRootFile = QStringLiteral("C:\\WooZovDaz9\\0cestaEx.txt");
inline const QString SubFoldersFlag = QStringLiteral("C:\\WooZovDaz9\\0podadr.txt");
inline const QString AnimalFlag = QStringLiteral("C:\\WooZovDaz9\\datAnimal.dat");
inline const QString NoDiacriticsFlag = QStringLiteral("C:\\WooZovDaz9\\datBezDiakrit.dat");

// Hand-off files
inline const QString ProgramHandOff = QStringLiteral("C:\\WooZovDaz9\\AdresaAktZov.txt");
inline const QString ClientHandOff = QStringLiteral("C:\\WooZovDaz9\\AdresaAktZovT.txt");
inline const QString ClientAddressFile = QStringLiteral("C:\\WooZovDaz9\\AdresaAkt.txt");

// Protocol and wish files
inline const QString ProtocolWorkCopy = QStringLiteral("C:\\WooZovDaz9\\SUMAsumGener.txt");
inline const QString WishPlaying = QStringLiteral("C:\\WooZovDaz9\\WischesMe.txt");
inline QString wishMemory(int slot) // 1 to 6
{
    return QStringLiteral("C:\\WooZovDaz9\\WMemory%1.txt").arg(slot);
}

// Pictures
inline const QString PicRed = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\1RED.jpg");
inline const QString PicOrange = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\2ORANGE.jpg");
inline const QString PicYellow = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\3YELLOW.jpg");
inline const QString PicGreen = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\4GREEN.jpg");
inline const QString PicBarFlag = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\TherapyL0.png");
inline const QString PicBarIdle = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\TherapyLA.png");
inline QString picBarFrame(int n) // 1 to 28
{
    return QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\TherapyL%1.png").arg(n);
}

// Companion programs
inline const QString ZovToolExe = QStringLiteral("C:\\Zov_Tool\\Zov Tool.exe");
inline const QString ZovToolLangFile = QStringLiteral("C:\\Zov_Tool\\dLangv.dat");
inline const QString ZovToolFontScaleFile = QStringLiteral("C:\\Zov_Tool\\datFontScale.dat");
inline const QString ZovToolHandOver = QStringLiteral("C:\\Zov_Tool\\ZovT_G_Up.txt");
inline const QString OrvaHandOver = QStringLiteral("C:\\OrvaTherapy\\ZovT_G_Up.txt");

// Defaults when a file is absent
inline const QString DefaultClientDir = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\");
inline const QString DefaultExportRoot = QStringLiteral("C:\\OrvaTherapy");
constexpr int DefaultComPort = 3;
constexpr int DefaultFontScale = 10;
constexpr int DefaultLanguage = 0;

} // namespace zovt::paths
