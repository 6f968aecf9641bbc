// SPDX-License-Identifier: GPL-3.0-or-later
// The sprite procession round the window: its turns, its timers, its frames.
#include "AmbientAnimations.h"
#include "PresentationTestSupport.h"
#include "engine/FakeGameHost.h"

#include <algorithm>
#include <array>
#include <map>
#include <ostream>
#include <set>
#include <vector>

namespace morrow::test {
namespace {

// A straight stretch of the procession (a start has no steps) and its end.
struct Leg {
    Sprite sprite;
    int dx = 0, dy = 0, steps = 0;
    QPoint end;
    friend bool operator==(const Leg&, const Leg&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Leg& leg) {
        return out << std::array{"none", "bat", "ghoul", "skeleton"}[static_cast<std::size_t>(leg.sprite)]
                   << " (" << leg.dx << ", " << leg.dy << ") x " << leg.steps << " to (" << leg.end.x()
                   << ", " << leg.end.y() << ")";
    }
};

// Bat down the right, left along the bottom, up the left; ghoul and skeleton
// across; each turn on the first position past its limit, one timer running.
TEST(AmbientAnimations, ProcessionTurnsAtItsLimits) {
    struct Case {
        int width, height;
        std::vector<Leg> legs;
    };
    using enum Sprite;
    // clang-format off
    const Case cases[] = {
        {800, 600, {{Bat, 0, 0, 0, {650, -150}}, {Bat, 0, 5, 123, {650, 465}}, {Bat, -6, 0, 109, {-4, 465}},
                    {Bat, 0, -5, 123, {-4, -150}}, {Ghoul, 0, 0, 0, {800, 480}}, {Ghoul, -10, 0, 99, {-190, 480}},
                    {Skeleton, 0, 0, 0, {-90, 464}}, {Skeleton, 10, 0, 98, {890, 464}}, {Bat, 0, 0, 0, {650, -150}}}},
        {1024, 768, {{Bat, 0, 0, 0, {818, -150}}, {Bat, 0, 5, 136, {818, 530}}, {Bat, -6, 0, 129, {44, 530}},
                     {Bat, 0, -5, 136, {44, -150}}, {Ghoul, 0, 0, 0, {1024, 548}}, {Ghoul, -10, 0, 121, {-186, 548}},
                     {Skeleton, 0, 0, 0, {-90, 548}}, {Skeleton, 10, 0, 120, {1110, 548}}, {Bat, 0, 0, 0, {818, -150}}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "screen " << c.width << " x " << c.height);
        Screen screen(c.width, c.height);
        ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
        FakeTimers timers;
        AmbientAnimations animations(screen.canvas, screen.session, screen.bitmaps, timers);
        const std::map<Sprite, GameTimer> movers{
            {Bat, GameTimer::Timer6}, {Ghoul, GameTimer::Timer8}, {Skeleton, GameTimer::Timer5}};
        animations.StartBat();
        std::vector<Leg> legs{{Bat, 0, 0, 0, {animations.SpriteX(), animations.SpriteY()}}};
        for (int tick = 1; tick < 2000 && legs.size() < c.legs.size(); ++tick) {
            const Sprite before = animations.Moving();
            const QPoint from(animations.SpriteX(), animations.SpriteY());
            timers.Tick(movers.at(before));
            const Sprite now = animations.Moving();
            const QPoint at(animations.SpriteX(), animations.SpriteY());
            ASSERT_EQ(timers.Running(), std::set{movers.at(now)})
                << "tick " << tick << ": not one timer, its own";
            Leg& last = legs.back();
            if (now != before) {
                legs.push_back({now, 0, 0, 0, at});
            } else if (last.steps > 0 && QPoint(last.dx, last.dy) == at - from) {
                ++last.steps;
                last.end = at;
            } else {
                legs.push_back({now, at.x() - from.x(), at.y() - from.y(), 1, at});
            }

            // The first bat shows frame 1 first (so frame 1 again at its 31st
            // step); the ghoul is first drawn 10 pixels in from the right edge.
            if (tick == 31) {
                EXPECT_TRUE(Shows(screen.canvas, at, screen.bitmaps.BatBitmap.copy(150, 0, 150, 150)))
                    << "bat frame";
            }
            if (now == Ghoul && at.x() == c.width - 10) {
                const int rows = std::min(150, c.height - at.y());
                EXPECT_TRUE(Shows(screen.canvas, at, screen.bitmaps.GhoulBitmap.copy(0, 0, 10, rows)))
                    << "the ghoul's first frame";
            }
        }
        EXPECT_EQ(legs, c.legs);
    }
}

// On every screen, through one whole procession, no frame of a sprite meets
// the field picture, the blood strip under it or the counters and captions
// above it, and the painted field is still whole afterwards.
TEST(AmbientAnimations, SpritesKeepOffTheField) {
    const QSize screens[] = {{640, 480},   {700, 600},   {800, 600},  {1024, 600}, {1024, 768},
                             {1280, 720},  {1280, 800},  {1366, 768}, {1440, 900}, {1536, 864},
                             {1920, 1080}, {2560, 1440}, {3840, 2160}};
    constexpr int kCaptionsAbove = 65; // the large layout's captions; the medium one's are lower
    constexpr int kBloodBelow = 20;
    for (const QSize size : screens) {
        SCOPED_TRACE(testing::Message() << "screen " << size.width() << " x " << size.height());
        Screen screen(size.width(), size.height());
        if (screen.bitmaps.BatBitmap.isNull() && size.width() < 700) {
            continue; // the small layout has no sprites
        }
        ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
        const int w = screen.bitmaps.FieldWidth();
        const int h = screen.bitmaps.FieldHeight();
        const QRect field(screen.Field(0, -kCaptionsAbove), QSize(w, kCaptionsAbove + h + kBloodBelow));
        screen.painter.FormPaint();
        const QRect seen = field.intersected(screen.canvas.rect());
        const QImage before = screen.canvas.copy(seen);

        FakeTimers timers;
        AmbientAnimations animations(screen.canvas, screen.session, screen.bitmaps, timers);
        animations.StartBat();
        std::set<Sprite> walked;
        for (int tick = 0; tick < 5000 && !(walked.size() == 3 && animations.Moving() == Sprite::Bat);
             ++tick) {
            const Sprite sprite = animations.Moving();
            walked.insert(sprite);
            QSize frame;
            switch (sprite) {
            case Sprite::Bat:
                animations.Timer6Timer();
                frame = {150, 150};
                break;
            case Sprite::Ghoul:
                animations.Timer8Timer();
                frame = {190, 150};
                break;
            default:
                animations.Timer5Timer();
                frame = {90, 126};
                break;
            }
            if (animations.Moving() == sprite) {
                const QRect drawn(QPoint(animations.SpriteX(), animations.SpriteY()), frame);
                ASSERT_FALSE(drawn.intersects(field))
                    << "tick " << tick << ": frame at (" << drawn.x() << ", " << drawn.y() << ")";
            }
        }
        EXPECT_EQ(walked.size(), 3u) << "the procession did not come round";
        EXPECT_TRUE(Shows(screen.canvas, seen.topLeft(), before)) << "the field was drawn over";
    }
}

} // namespace
} // namespace morrow::test
