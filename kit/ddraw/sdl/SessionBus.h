#pragma once
// Libraries under SDL (its input-method and screen-saver code, through
// libdbus) ask for the session bus. Where the session names none, libdbus
// starts one on demand (dbus-launch --autolaunch) and waits for it: on a
// first run that costs seconds before the first frame, and leaves a bus
// daemon behind. The saver needs nothing of a bus that the session itself
// does not have, so it tells libdbus that there is none.
namespace sandloop::display {

// Where neither DBUS_SESSION_BUS_ADDRESS nor the user's bus socket
// ($XDG_RUNTIME_DIR/bus) names a session bus, sets the address to one
// that libdbus refuses at once, so that nothing starts a bus. Call before
// SDL starts; it changes nothing where the session has a bus.
void NoBusOnDemand();

}  // namespace sandloop::display
