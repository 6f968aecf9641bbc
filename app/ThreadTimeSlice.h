#pragma once

#include <chrono>

namespace morrow {

enum class TimeSliceRequest { Granted, Refused };

// A spin shows a frame every 25 ms, and the player sees a late frame as a
// stutter. On a machine whose cores are busy with other programs, the
// scheduler lets a thread that wakes for its frame wait until a busy one's
// slice of time has run out: about 3 ms, late for a frame. A thread that
// asks for short slices is run as soon as it wakes (Linux 6.12 and later);
// it gets the same share of time as before, only in smaller pieces. Asking
// needs no privileges; older kernels accept the request and ignore it.
//
// Asks the scheduler to give the calling thread slices of `slice`.
TimeSliceRequest AskForShortTimeSlices(std::chrono::microseconds slice);

// The slice the GUI thread asks for: short enough to be woken on time
// beside busy programs, long enough that a frame's drawing is rarely cut.
inline constexpr std::chrono::microseconds kGuiThreadTimeSlice{500};

} // namespace morrow
