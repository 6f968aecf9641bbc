// SPDX-License-Identifier: GPL-3.0-or-later
// The play field's drawing operations, compared pixel for pixel with the
// symbol tiles, the motion strip and the digit strips they copy from.
#include "FitZoom.h"
#include "GameKeys.h"
#include "GamepadKeys.h"
#include "PresentationTestSupport.h"
#include "ReelsReadout.h"

#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

namespace morrow::test {
namespace {

constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kBlack = 0xFF000000;

QImage Tile(const Screen& screen, int tile) {
    return screen.bitmaps.SymbolBitmap.copy(tile % 4 * 96, tile / 4 * 96, 96, 96);
}

// A picture with the green payline drawn across its row `row`.
QImage WithPayline(QImage image, int row) {
    image = image.convertToFormat(QImage::Format_RGB32);
    for (int x = 0; x < image.width(); ++x) {
        image.setPixel(x, row, kGreen);
    }
    return image;
}

// Each reel cell shows its strip digit's tile, wrapping from 30 to 1, under the payline.
TEST(PlayFieldPainter, ReelCellsShowTheirStripDigits) {
    const std::tuple<int, int, const char*> cases[] = {{0, 8, "784"},  {1, 9, "087"},  {2, 7, "291"},
                                                       {0, 29, "670"}, {0, 30, "701"}, {2, 29, "465"},
                                                       {2, 30, "657"}};
    Screen screen(800, 600);
    ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
    for (const auto& [reel, position, digits] : cases) {
        SCOPED_TRACE(testing::Message() << "reel " << reel << " at position " << position);
        screen.session.ReelPos[static_cast<std::size_t>(reel)] = position;
        screen.painter.DrawReel(reel);
        for (int row = 0; row < 3; ++row) {
            const QImage tile = Tile(screen, digits[row] - '0');
            EXPECT_TRUE(Shows(screen.canvas, screen.Field(78 + 124 * reel, 71 + 96 * row),
                              row == 1 ? WithPayline(tile, 213 - 167) : tile))
                << "row " << row;
        }
    }
}

// A spinning reel is the motion strip read as a loop, drawn a row above a reel at rest.
TEST(PlayFieldPainter, ReelMotionReadsTheStripAsALoop) {
    Screen screen(800, 600);
    ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
    const std::pair<int, int> runs[] = {{0, 400}, {1, 575}, {2, 100}};
    for (const auto& [reel, offset] : runs) {
        SCOPED_TRACE(testing::Message() << "reel " << reel << " at offset " << offset);
        screen.painter.DrawReelMotion(reel, offset);
        QImage expected(96, 288, QImage::Format_RGB32);
        for (int row = 0; row < 288; ++row) {
            for (int x = 0; x < 96; ++x) {
                expected.setPixel(x, row, screen.bitmaps.MotionBitmap.pixel(x, (offset + row) % 576));
            }
        }
        EXPECT_TRUE(Shows(screen.canvas, screen.Field(78 + 124 * reel, 70), WithPayline(expected, 213 - 70)));
    }
}

// Checks a row of digit cells from `from`: '.' untouched, ' ' black, '-' a
// minus (a middle bar alone, in the ink), a digit its cell of the strip.
void ExpectCells(const Screen& screen, QPoint from, const std::string& cells, DigitInk ink) {
    const bool large = screen.session.ScreenWidth >= 1000;
    const QSize cell = large ? QSize(32, 42) : QSize(16, 21);
    const DigitStrips& s = screen.strips;
    const QImage& strip = ink == DigitInk::Green ? (large ? s.GreenLarge : s.GreenSmall)
                                                 : (large ? s.DigitsLarge : s.DigitsSmall);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const QRect box(from + QPoint(static_cast<int>(i) * cell.width(), 0), cell);
        SCOPED_TRACE(testing::Message() << "cell '" << cells[i] << "' at x = " << box.x());
        if (cells[i] == '.' || cells[i] == ' ') {
            EXPECT_TRUE(Filled(screen.canvas, box, cells[i] == '.' ? kUntouched : kBlack));
        } else if (cells[i] == '-') {
            int inked = 0, offMiddle = 0;
            for (int y = 0; y < cell.height(); ++y) {
                for (int x = 0; x < cell.width(); ++x) {
                    const QRgb p = screen.canvas.pixel(box.topLeft() + QPoint(x, y));
                    inked += p == (ink == DigitInk::Green ? kGreen : kRed) ? 1 : 0;
                    offMiddle += p != kBlack && std::abs(2 * y - cell.height()) > cell.height() / 3 ? 1 : 0;
                }
            }
            EXPECT_EQ(offMiddle, 0) << "the minus has pixels lit outside its middle bar";
            EXPECT_GE(inked, cell.width() / 2) << "the minus bar is not drawn in the counter's ink";
        } else {
            EXPECT_TRUE(Shows(screen.canvas, box.topLeft(),
                              strip.copy(QRect({(cells[i] - '0') * cell.width(), 0}, cell))));
        }
    }
}

// Counter boxes blank a lost digit's cell; 0 is one "0"; a negative number gets a minus.
TEST(DigitCounter, BoxesBlankWhatTheLastNumberLeft) {
    struct Case {
        const char* what;
        int width;
        bool credits; // else nudges
        std::int32_t before, after;
        QPoint from;
        const char* cells;
        DigitInk ink;
    };
    // At 800 x 600 the credits end at x = 650 and the nudges start at 150, both at y = 15.
    const Case cases[] = {
        {"1000 -> 999 right-aligned", 800, true, 1000, 999, {554, 15}, ".  999.", DigitInk::Green},
        {"10 -> 9 left-aligned", 800, false, 10, 9, {134, 15}, ".9  .", DigitInk::Green},
        {"0", 800, true, 0, 0, {602, 15}, ". 0.", DigitInk::Green},
        {"-12 in green", 800, true, -12, -12, {570, 15}, ". -12.", DigitInk::Green},
        {"-5 in red, small layout", 640, true, -5, -5, {546, 70}, ". -5.", DigitInk::Red},
        {"-7 with large digits", 1000, false, -7, -7, {218, 55}, ".-7 .", DigitInk::Green},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Screen screen(c.width, 600);
        ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
        for (const std::int32_t value : {c.before, c.after}) {
            c.credits ? screen.painter.DrawCredits(value) : screen.painter.DrawNudges(value);
        }
        ExpectCells(screen, c.from, c.cells, c.ink);
    }
}

// The field and every counter (a 7, in its ink and digit size) at the layouts' edges.
TEST(PlayFieldPainter, LayoutsPlaceFieldAndCounters) {
    struct Spot {
        int x, y;
        const char* cells;
        DigitInk ink;
    };
    struct Case {
        int width, height;
        QPoint field;
        Spot credits, nudges, winnings, bet;
    };
    constexpr auto R = DigitInk::Red;
    constexpr auto G = DigitInk::Green;
    // clang-format off
    const Case cases[] = {
        {640, 480, {0, -20}, {562, 70, ". 7.", R}, {562, 145, ". 7.", G}, {562, 220, ". 7.", R}, {578, 220, " 7", R}},
        {800, 600, {150, 40}, {602, 15, ". 7.", G}, {134, 15, ".7 .", G}, {360, 15, ". 7.", R}, {392, 15, "7 ", R}},
        {999, 700, {249, 40}, {701, 15, ". 7.", G}, {233, 15, ".7 .", G}, {459, 15, ". 7.", R}, {491, 15, "7 ", R}},
        {1000, 750, {250, 100}, {654, 55, ". 7.", G}, {218, 55, ".7 .", G}, {420, 55, ". 7.", R}, {484, 55, "7 ", R}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "screen " << c.width << " x " << c.height);
        Screen screen(c.width, c.height);
        ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
        EXPECT_EQ(QPoint(screen.session.FieldLeft, screen.session.FieldTop), c.field) << "field origin";
        const auto check = [&](const char* what, const Spot& spot) {
            SCOPED_TRACE(what);
            ExpectCells(screen, {spot.x, spot.y}, spot.cells, spot.ink);
        };
        screen.painter.DrawCredits(7);
        screen.painter.DrawNudges(7);
        screen.painter.DrawWinnings(7);
        check("credits", c.credits);
        check("nudges", c.nudges);
        check("winnings", c.winnings);
        screen.painter.DrawBet(7); // over the winnings, as after a payout
        check("bet", c.bet);
        // A full paint puts the picture at the origin: its lower left corner,
        // which nothing else covers, stands where the layout says.
        screen.painter.FormPaint();
        EXPECT_TRUE(Shows(screen.canvas, c.field + QPoint(0, 300),
                          screen.bitmaps.InterfaceBitmap.copy(0, 300, 70, 100)));
    }
}

// Zoom to fit: the largest zoom whose logical screen (work area / zoom)
// still shows the machine, its counters, the blood and the procession.
TEST(PlayFieldPainter, FitZoomIsTheLargestThatShowsTheWholeLayout) {
    struct Case {
        int width, height;
        double scale, zoom;
    };
    const Case cases[] = {
        {1366, 768, 1, 1},     {1600, 900, 1, 1.25}, {1920, 1080, 1, 1.5}, {2560, 1440, 1, 2},
        {3840, 2160, 1, 3},    {5120, 2880, 1, 4},   {1920, 1080, 2, 1.5}, // 4K at 200 %
        {1024, 768, 1, 1},     {800, 600, 1, 1},     {640, 480, 1, 1},     // medium and small: never zoomed
        {1920, 1050, 1, 1.25}, {1856, 1080, 1, 1.5},                       // a panel below, one beside
        {1080, 1920, 1, 1},    {2160, 3840, 1, 2},                         // portrait
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitZoomFor(c.width, c.height, c.scale), (FitZoom{c.zoom, c.zoom * c.scale}))
            << c.width << " x " << c.height << " at " << c.scale;
    }
}

// The wild on reel 3's payline cell runs tiles 10, 11, 10, 9, ... over a 15-row white band.
TEST(PlayFieldPainter, WildCyclesItsTilesOverAWhiteBand) {
    Screen screen(800, 600);
    ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
    const QPoint cell = screen.Field(326, 167);
    for (const int tile : {10, 11, 10, 9, 10, 11, 10, 9}) {
        screen.painter.Timer2Timer();
        SCOPED_TRACE(testing::Message() << "wild frame " << screen.painter.WildFrame() << ", tile " << tile);
        EXPECT_TRUE(Shows(screen.canvas, cell, WithPayline(Tile(screen, tile), 213 - 167)));
        EXPECT_TRUE(Filled(screen.canvas, QRect(cell + QPoint(0, 96), QSize(96, 15)), 0xFFFFFFFF)) << "band";
        EXPECT_TRUE(Filled(screen.canvas, QRect(cell + QPoint(0, 111), QSize(97, 1)), kUntouched))
            << "under it";
    }
}

// Greying the "Nudge" captions after a flash shows them just as a full paint does.
TEST(PlayFieldPainter, NudgeCaptionsTurnFullyGreyAgain) {
    Screen screen(800, 600);
    ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
    screen.painter.FormPaint();
    const QImage fresh = screen.canvas.copy();
    screen.painter.DrawNudgeLabels(kNudgeYellow);
    screen.painter.DrawNudgeLabels(kNudgeGrey);
    EXPECT_TRUE(Shows(screen.canvas, {0, 0}, fresh)) << "the yellow caption shows round the grey one";
}

// The shake moves a capture from x = 76 up and down; uncovered rows keep what they had.
TEST(PlayFieldPainter, ShakeLeavesUncoveredRowsAsTheyWere) {
    Screen screen(800, 600);
    ASSERT_TRUE(screen.loaded) << "pictures missing in " << ProgramDir();
    const auto original = [](int x, int y) { return qRgb(x & 0xFF, y & 0xFF, (x >> 8) << 4 | (y >> 8)); };
    for (int y = 0; y < screen.canvas.height(); ++y) {
        for (int x = 0; x < screen.canvas.width(); ++x) {
            screen.canvas.setPixel(x, y, original(x, y)); // every pixel tells its place
        }
    }
    screen.painter.BeginShakeReel(1);
    for (const int shift : {2, 4, 2, 0, -2, -4, -2, 0}) {
        screen.painter.DrawShakeReel(1, shift);
    }
    // The field row whose original a row shows now: the top rows hold what
    // the upward copies put there, the bottom ones what the downward left.
    const auto shownRow = [](int row) {
        return row >= 71 && row <= 74     ? 75 + (row - 71) % 2
               : row >= 355 && row <= 358 ? 353 + (row - 355) % 2
                                          : row;
    };
    // Field columns 75..172 and rows 69..360: the capture and what is beside.
    QImage expected(98, 292, QImage::Format_RGB32);
    const QPoint from = screen.Field(75 + 124, 69);
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const int row = x > 0 && x < 97 ? shownRow(69 + y) : 69 + y;
            expected.setPixel(x, y, original(from.x() + x, screen.Field(0, row).y()));
        }
    }
    EXPECT_TRUE(Shows(screen.canvas, from, expected));
}

// The click areas' edges are inclusive and one pixel outside hits nothing;
// only the game's own keys stand for a command.
TEST(FieldControls, ClicksAndKeysMapToTheirCommands) {
    using C = PlayerCommand;
    const std::vector<std::tuple<int, int, C>> clicks{
        {76, 365, C::BetOne},     {172, 395, C::BetOne},    {75, 380, C::Nothing},
        {173, 380, C::Nothing},   {100, 364, C::Nothing},   {100, 396, C::Nothing},
        {201, 365, C::BetMax},    {297, 395, C::BetMax},    {324, 365, C::Nothing},
        {325, 365, C::Spin},      {421, 395, C::Spin},      {80, 34, C::NudgeReel1},
        {201, 61, C::NudgeReel2}, {421, 40, C::NudgeReel3}, {180, 34, C::NudgeRowGap},
        {180, 62, C::Nothing},
    };
    for (const auto& [x, y, command] : clicks) {
        EXPECT_EQ(ControlAt(x, y), command) << "click at field (" << x << ", " << y << ")";
    }
    EXPECT_EQ(CommandOf(*GameKeyOf(Qt::Key_Return)), C::Spin);
    EXPECT_EQ(CommandOf(*GameKeyOf(Qt::Key_Enter)), C::Spin);
    EXPECT_EQ(CommandOf(*GameKeyOf(Qt::Key_Space)), C::Spin);
    EXPECT_EQ(CommandOf(*GameKeyOf(Qt::Key_B)), C::BetOne);
    EXPECT_EQ(CommandOf(*GameKeyOf(Qt::Key_M)), C::BetMax);
    for (int reel = 0; reel < 3; ++reel) { // 1, 2, 3 on the top row or the keypad
        EXPECT_EQ(CommandOf(*GameKeyOf(Qt::Key_1 + reel)), NudgeCommandFor(reel)) << "key " << reel + 1;
    }
    for (const int other :
         {0, int(Qt::Key_Escape), int(Qt::Key_A), int(Qt::Key_N), int(Qt::Key_0), int(Qt::Key_4)}) {
        EXPECT_EQ(GameKeyOf(other), std::nullopt) << "Qt key " << other;
    }
}

// The reels read aloud: every kind of line, the wild's nudge, the coins.
TEST(ReelsReadout, SaysTheLineAndWhatItPays) {
    const std::vector<std::tuple<int, int, int, int, std::string>> lines{
        {5, 5, 9, 3, "Spider, Spider, Wild: you win 36 and a nudge"},
        {1, 4, 9, 2, "Ghoul, Ghost, Wild: you win 2 and a nudge"},
        {0, 0, 0, 1, "Jack-o'-lantern, Jack-o'-lantern, Jack-o'-lantern: you win 250"},
        {8, 8, 9, 1, "Bonus pail, Bonus pail, Wild: Trick or Treat and a nudge"},
        {2, 3, 7, 2, "Bat, Skull, Sweet: no win"},
    };
    for (const auto& [a, b, c, coins, said] : lines) {
        EXPECT_EQ(ReelsReadout(a, b, c, coins), said);
    }
    EXPECT_EQ(ReelsReadout(6, 6, 6, 3, false), "Black cat, Black cat, Black cat");
}

// A controller's button does what the key it stands for does in the window
// that has the focus; the rest do nothing there. Buttons in PadButton's order.
TEST(FieldControls, ControllerButtonsAreTheKeysOfTheirJob) {
    using C = PlayerCommand;
    using P = PumpkinKey;
    const std::array<std::optional<C>, 8> machine{C::Spin,      std::nullopt,  C::BetOne,     C::BetMax,
                                                  std::nullopt, C::NudgeReel2, C::NudgeReel1, C::NudgeReel3};
    const std::array<std::optional<P>, 8> bonus{P::Pick, std::nullopt, std::nullopt, std::nullopt,
                                                P::Left, P::Right,     P::Left,      P::Right};
    for (std::size_t b = 0; b < machine.size(); ++b) {
        const auto key = [b](PadWindow window) { return KeyForPadButton(window, static_cast<PadButton>(b)); };
        const std::optional<Qt::Key> atMachine = key(PadWindow::Machine);
        EXPECT_EQ(atMachine ? std::optional(CommandOf(*GameKeyOf(*atMachine))) : std::nullopt, machine[b])
            << b;
        EXPECT_EQ(key(PadWindow::Bonus) ? PumpkinKeyOf(*key(PadWindow::Bonus)) : std::nullopt, bonus[b]) << b;
        EXPECT_EQ(key(PadWindow::Dialog).has_value(), b == 0) << "only south, the default button " << b;
    }
}

} // namespace
} // namespace morrow::test
