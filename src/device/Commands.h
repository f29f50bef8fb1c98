#pragma once
// The command set of the generator device: every text other than a device
// value that the controller ever writes to the port. The two firmware
// variants share some texts and read others differently; the port code and
// the readers of the link (the simulator, the schedule preview) spell the
// texts from here.

namespace zovt::cmd {

// Old firmware: fixed two-digit commands.
inline constexpr char StandBy[] = "12";
inline constexpr char LightingOn[] = "22";
inline constexpr char Night[] = "33";
inline constexpr char ConstantLight[] = "44";
inline constexpr char ColourBlending[] = "55";
inline constexpr char BrightnessOn[] = "66";
inline constexpr char BrightnessOff[] = "77";
inline constexpr char SlowDownOn[] = "88";
inline constexpr char SlowDownOff[] = "99";

// Both firmware variants: the service command of the settings' MAX.
inline constexpr char Maximum[] = "98";

// New firmware: the end of a playback, and lighting commands made of a base
// and the item of a lighting group (or of the brightness and slow-down
// switches).
inline constexpr char EndOfPlayback[] = "13";
inline constexpr int NightLighting = 10;     // + R_Night item
inline constexpr int StandByBright = 20;     // + R_Stadby item, brightness on
inline constexpr int StandByDim = 25;        // + R_Stadby item, brightness off
inline constexpr int RunLightBright = 30;    // + R_Power item, brightness on
inline constexpr int RunLightDim = 40;       // + R_Power item, brightness off
// Colour blending while a program runs: brightness on and slow-down on, on
// and off, off and on, off and off.
inline constexpr int BlendBrightSlow = 50;
inline constexpr int BlendBrightFast = 51;
inline constexpr int BlendDimSlow = 52;
inline constexpr int BlendDimFast = 53;

} // namespace zovt::cmd
