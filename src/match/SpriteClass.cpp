// SPDX-License-Identifier: GPL-3.0-or-later
// SpriteClass: the class and picture names by dynamic type.
#include "match/SpriteClass.h"

#include "match/Backgrnd.h"
#include "match/FieldObjects.h"
#include "match/Player.h"
#include "match/Radar.h"
#include "match/Shot.h"
#include "match/Weapon.h"

namespace vl::match {

namespace {

template <class T> bool Is(const sprite::TSprite& s) {
    return dynamic_cast<const T*>(&s) != nullptr;
}

} // namespace

std::string_view SpriteClassName(const sprite::TSprite& s) {
    if (Is<TPlayer1>(s)) return "TPlayer1";
    if (Is<TPlayer2>(s)) return "TPlayer2";
    if (Is<Tradarleft>(s)) return "Tradarleft";
    if (Is<Tradarright>(s)) return "Tradarright";
    if (Is<TBullet1>(s)) return "TBullet1";
    if (Is<TBullet2>(s)) return "TBullet2";
    if (Is<Tmissileleft>(s)) return "Tmissileleft";
    if (Is<Tmissileright>(s)) return "Tmissileright";
    if (Is<Tmachgunleft>(s)) return "Tmachgunleft";
    if (Is<Tmachgunright>(s)) return "Tmachgunright";
    if (Is<Tmagnetleft>(s)) return "Tmagnetleft";
    if (Is<Tmagnetright>(s)) return "Tmagnetright";
    if (Is<Talarm>(s)) return "Talarm";
    if (Is<Tglass>(s)) return "Tglass";
    if (Is<Tcamera>(s)) return "Tcamera";
    if (Is<Tphone>(s)) return "Tphone";
    if (Is<Tweapon>(s)) return "Tweapon";
    if (Is<TBackgrnd>(s)) return "TBackgrnd";
    return "TSprite";
}

std::string_view SpritePictureName(const sprite::TSprite& s) {
    const graphics::TPictureCollectionItem* item = nullptr;
    if (const auto* image = dynamic_cast<const sprite::TImageSprite*>(&s))
        item = image->PictureItem;
    else if (const auto* back = dynamic_cast<const sprite::TBackgroundSprite*>(&s))
        item = back->PictureItem;
    return item ? std::string_view(item->Name()) : std::string_view{};
}

} // namespace vl::match
