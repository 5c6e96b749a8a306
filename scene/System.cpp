// The scene's side of the platform: the surf sound, the cursor and the
// system's screen-saver state.
#include "scene/Unit1.h"

namespace sandloop {

void TForm1::StartSound() {}
void TForm1::StopSound() {}
void TForm1::Cursor(bool) {}
void TForm1::SystemSaverRunning(bool) {}

}  // namespace sandloop
