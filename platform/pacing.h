// Frame pacing shared by the desktop backends: where vertical sync is refused, or accepted but not
// honoured, presents wait for the display's next refresh.
#pragma once

#include <cstdint>

// Nanoseconds of the process's steady clock, the unit of every pacing time.
uint64_t steadyNowNs();
// Starts pacing afresh for a new context: paced at once when vertical sync was refused, else judged
// by the time the first frames take. A refresh rate of 0 (unknown) counts as 60 Hz. Called by a
// backend's make-current step.
void pacingStart(int syncAccepted, int refreshHz);
// The moment the next present must wait for; 0 when it goes at once. Called before each present.
uint64_t presentDue();
// Called after each present.
void presented();
// The same two at a given moment of the clock (the tests' own).
uint64_t presentDueAt(uint64_t now);
void presentedAt(uint64_t now);
