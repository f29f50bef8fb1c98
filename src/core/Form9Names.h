#pragma once
// The names of the controls of the language dialog Form9, as their objectNames. The design
// table and the controllers spell them from here, so a name is typed once.

namespace zovt::f9 {

inline constexpr char Language[] = "Language";
inline constexpr char OK[] = "OK";
inline constexpr char X[] = "X";

} // namespace zovt::f9
