#pragma once

#include "GameSession.h"

#include <array>
#include <cstdint>

class QImage;

namespace morrow {

// A plain text read-out of the game in play (credits, coins, nudges, the
// last payout and the three payline symbols as digits), so that spins can be
// followed until the real play field is drawn. It goes away when the play
// field's pictures arrive; nothing else depends on it.
class InterimFieldView {
public:
    // A reel is spinning (shown as "-") until it is drawn at rest again.
    void SetReelMoving(int reel, bool moving);
    // Credits paid so far by the current count-up.
    void SetPaid(std::int32_t paid) { paid_ = paid; }

    // Redraws the read-out in the top-left corner of `canvas`.
    void Draw(QImage& canvas, const GameSession& session) const;

private:
    std::array<bool, kReelCount> moving_{};
    std::int32_t paid_ = 0;
};

} // namespace morrow
