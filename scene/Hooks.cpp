// Placeholders until the creatures, the tint and the platform calls land.
#include "scene/Unit1.h"

namespace sandloop {

void TForm1::InitEagles() {}
void TForm1::InitButterflies() { NumButterflies = 3; WingCounter.store(0, std::memory_order_relaxed); }
void TForm1::UpdateDaylight() {}
void TForm1::StepEagles() {}
void TForm1::StepButterflies() {}
void TForm1::DrawEagles() {}
void TForm1::SnapshotCreatures() {}
void TForm1::DrawButterflies() {}
void TForm1::ReleaseCreatures() {}
void TForm1::ReseedCreatures(std::uint32_t) {}
void TForm1::SetSunTimes(float, float) {}
void TForm1::StartTimeOfDay() {}
void TForm1::TickTimeOfDay() {}
void TForm1::StartSound() {}
void TForm1::StopSound() {}
void TForm1::Cursor(bool) {}
void TForm1::SystemSaverRunning(bool) {}

}  // namespace sandloop
