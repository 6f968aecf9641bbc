#include "ThreadTimeSlice.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace morrow {

namespace {
// The kernel's struct sched_attr (include/uapi/linux/sched/types.h); the C
// library has no wrapper for sched_setattr.
struct SchedulingAttributes {
    std::uint32_t size = sizeof(SchedulingAttributes);
    std::uint32_t policy = SCHED_OTHER;
    std::uint64_t flags = 0;
    std::int32_t nice = 0;
    std::uint32_t priority = 0;
    std::uint64_t runtimeNanoseconds = 0; // for the normal policy: the slice
    std::uint64_t deadlineNanoseconds = 0;
    std::uint64_t periodNanoseconds = 0;
};
} // namespace

TimeSliceRequest AskForShortTimeSlices(std::chrono::microseconds slice) {
#ifdef SYS_sched_setattr
    // Only a thread of the normal policy has slices. It keeps its policy and
    // its nice level; only the slice changes.
    if (::sched_getscheduler(0) != SCHED_OTHER) {
        return TimeSliceRequest::Refused;
    }
    SchedulingAttributes attributes;
    attributes.nice = static_cast<std::int32_t>(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())));
    attributes.runtimeNanoseconds = static_cast<std::uint64_t>(slice.count()) * 1000U;
    if (::syscall(SYS_sched_setattr, 0, &attributes, 0U) == 0) {
        return TimeSliceRequest::Granted;
    }
#else
    (void)slice;
#endif
    return TimeSliceRequest::Refused;
}

} // namespace morrow
