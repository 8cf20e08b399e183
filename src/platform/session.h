#pragma once

namespace hodra {

// A clock the user places and keeps on top needs what a native Wayland window cannot
// have: a position of its own choosing and the stay-on-top hint. Where the session offers
// XWayland, the window runs through it; natively otherwise. Call before the application
// object exists; true when it chose.
bool PreferXWaylandForAFixedClock();
// After the application object exists: the choice is taken back from the environment the
// browser and the helper inherit.
void ForgetPlatformChoice();

}  // namespace hodra
