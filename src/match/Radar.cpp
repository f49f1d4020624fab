// SPDX-License-Identifier: GPL-3.0-or-later
// Radar: the probes' echo and the left probe's sweep.
#include "match/Radar.h"

#include "match/FieldObjects.h"
#include "match/Match.h"
#include "match/Weapon.h"

namespace vl::match {

template <Side S> void TRadar<S>::OnMove(int32_t /*moveCount*/) {
    CheckCollisions();
}

template <Side S> void TRadar<S>::OnCollision(sprite::TSprite& other, bool& /*stop*/) {
    Match& match = TheMatch();
    const bool object = dynamic_cast<TFieldObject*>(&other) != nullptr;
    if (S == Side::Left && !match.gamerunning) {
        // The close handler's sweep clears the field; the next row resets objectcount.
        if (object || dynamic_cast<Tweapon*>(&other)) other.Kill();
        return;
    }
    if (!object) return;
    sound::TWaveCollectionItem& echo = match.Wave(SideOf(S).echo);
    echo.SetFrequency(match.Record(S).navigfreq);
    echo.SetPan(PanOf(S));
    echo.Play(false);
}

template class TRadar<Side::Left>;
template class TRadar<Side::Right>;

} // namespace vl::match
