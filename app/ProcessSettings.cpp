// SPDX-License-Identifier: GPL-3.0-or-later
#include "ProcessSettings.h"

#include "ApplicationTitle.h"
#include "TGoToWeb.h"

#include <QByteArray>
#include <QtGlobal>

#include <malloc.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <utility>

namespace morrow {

namespace {

// How the window's frames travel to an X11 display server.
//
// By default Qt hands the changed pixels to the X server in shared memory.
// Before it paints the next frame over pixels the server may still be
// reading, it stops and waits for the server to answer a request. Every
// frame of a spin repaints the same reels, so every frame waited for the X
// server's next turn on a core, and on a busy machine that turn comes late.
// Sent over the connection instead, a frame (about 440 kB of reels) is
// copied into the socket, and the game waits only while the socket is too
// full to take the rest of it. Measured beside two busy programs, a frame
// then comes more than 1 ms late two to thirty times less often, and on a
// quiet machine about a third as often. Wayland and the other platforms
// are left as they are.
//
// On screens from 2560 device pixels wide the game zooms to 2 or more, and
// a frame holds four to nine times the pixels: a reel frame at zoom 3 is
// about 3 MB, the whole window 33 MB, and through the socket a spin's
// frames then come tens of milliseconds late and a whole repaint takes a
// third of a second. There shared memory keeps the spin on time.
//
// Qt reads the variable when the QApplication is made, and only asks whether
// it is there. A value the player has set is left as it stands.
constexpr char kNoSharedMemory[] = "QT_XCB_NO_MITSHM";
constexpr int kSharedMemoryScreenWidth = 2560;

// The width in device pixels of the X display's default screen, asked
// before Qt connects; 0 when there is no X display to ask.
int XScreenWidth() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    int width = 0;
    if (xcb_connection_has_error(connection) == 0) {
        xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screen.rem > 0; ++i) {
            xcb_screen_next(&screen);
        }
        if (screen.rem > 0) {
            width = screen.data->width_in_pixels;
        }
    }
    xcb_disconnect(connection);
    return width;
}

void SendFramesOverTheDisplayConnection() {
    KeepPlayerValueOf(kNoSharedMemory);
    if (!qEnvironmentVariableIsSet(kNoSharedMemory) && FramesOverTheConnection(XScreenWidth())) {
        qputenv(kNoSharedMemory, QByteArrayLiteral("1"));
    }
}

// How the game's sound stream reads in the desktop's volume mixer
// (PipeWire, or PulseAudio through pipewire-pulse): the name in the title
// bar, the icon of the desktop entry, what plays, and the role "game" that a
// desktop's sound policy knows. SDL takes its hints from the environment as
// well: the name and the stream's name on either back end, the role on
// PipeWire's alone. The rest only the sound libraries read: libpulse takes
// the client's properties from PULSE_PROP_<key> (the server hands them to
// each stream), libpipewire a stream's from PIPEWIRE_PROPS.
//
// Set in the environment rather than as hints in the code, they hold however
// and whenever the sound output is opened. A value the player has set
// stands, and none of them reaches the programs the game starts.
void NameTheSoundStream() {
    const QByteArray iconProperty = QByteArrayLiteral("application.icon-name=") + kDesktopId;
    const std::pair<const char*, QByteArray> values[] = {
        {"SDL_AUDIO_DEVICE_APP_NAME", QByteArrayLiteral("Morrowmas Slots")},
        {"SDL_AUDIO_DEVICE_STREAM_NAME", QByteArrayLiteral("Sound effects and music")},
        {"SDL_AUDIO_DEVICE_STREAM_ROLE", QByteArrayLiteral("game")},
        {"PULSE_PROP_application.icon_name", QByteArray(kDesktopId)},
        {"PULSE_PROP_media.role", QByteArrayLiteral("game")},
        {"PIPEWIRE_PROPS", "{ " + iconProperty + " }"},
    };
    for (const auto& [name, value] : values) {
        KeepPlayerValueOf(name);
        if (!qEnvironmentVariableIsSet(name)) {
            qputenv(name, value);
        }
    }
}

// A spin shows a frame every 25 ms, and the player sees a late frame as a
// stutter. On a machine whose cores are busy with other programs, the
// scheduler lets a thread that wakes for its frame wait until a busy one's
// slice of time has run out: about 3 ms, late for a frame. A thread that
// asks for short slices is run as soon as it wakes (Linux 6.12 and later);
// it gets the same share of time as before, only in smaller pieces. Asking
// needs no privileges; older kernels accept the request and ignore it.
//
// The slice the GUI thread asks for: short enough to be woken on time
// beside busy programs, long enough that a frame's drawing is rarely cut.
constexpr std::chrono::microseconds kGuiThreadTimeSlice{500};

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
// SCHED_FLAG_RESET_ON_FORK of the kernel's linux/sched.h.
constexpr std::uint64_t kResetOnFork = 0x01;

// Asks for short slices for the calling thread: the GUI thread, which draws
// the frames. Threads and programs started from it begin with the normal
// slice again (reset on fork): the sound output and the music loader keep
// the scheduler's own choice, and the browser is not the game's to tune.
void AskForShortTimeSlices() {
#ifdef SYS_sched_setattr
    // Only a thread of the normal policy has slices. It keeps its policy and
    // its nice level; only the slice changes.
    if ((::sched_getscheduler(0) & ~SCHED_RESET_ON_FORK) != SCHED_OTHER) {
        return;
    }
    SchedulingAttributes attributes;
    attributes.flags = kResetOnFork;
    attributes.nice = static_cast<std::int32_t>(::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid())));
    attributes.runtimeNanoseconds = static_cast<std::uint64_t>(kGuiThreadTimeSlice.count()) * 1000U;
    ::syscall(SYS_sched_setattr, 0, &attributes, 0U);
#endif
}

// A piece's samples (several MiB) are allocated on the piece loader's
// thread, in that thread's heap. The allocator's moving threshold would soon
// keep such blocks in the heap, where the free space a piece leaves behind
// stays resident, and the game would grow by a piece's samples every few
// pieces. Blocks of a MiB and more get memory of their own, which goes back
// to the system as soon as it is freed.
void GiveLargeBlocksMemoryOfTheirOwn() {
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

} // namespace

bool FramesOverTheConnection(int screenWidth) {
    return screenWidth < kSharedMemoryScreenWidth;
}

void ApplyProcessSettings() {
    static std::once_flag once;
    std::call_once(once, [] {
        SendFramesOverTheDisplayConnection();
        NameTheSoundStream();
        AskForShortTimeSlices();
        GiveLargeBlocksMemoryOfTheirOwn();
    });
}

} // namespace morrow
