// SPDX-License-Identifier: GPL-3.0-or-later
// FieldObjects: the obstacles of the field — alarm, glass, camera, phone. They never move
// and run no collision pass; the projectiles, magnets, the pickup and the left radar decide
// what happens when they meet one.
#pragma once

#include <cstdint>
#include <string_view>

#include "sprite/ImageSprite.h"

namespace vl::match {

enum class ObjectKind : uint8_t { Alarm, Glass, Camera, Phone };

// Each kind uses the picture item and the sound item of its own name.
constexpr std::string_view ObjectName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Alarm:
        return "alarm";
    case ObjectKind::Glass:
        return "glass";
    case ObjectKind::Camera:
        return "camera";
    case ObjectKind::Phone:
        return "phone";
    }
    return "alarm";
}

// What every field object shares: its kind. Tested with dynamic_cast by the sprites that
// meet it.
class TFieldObject : public sprite::TImageSprite {
public:
    TFieldObject(sprite::TSprite* parent, ObjectKind kind) : TImageSprite(parent), kind_(kind) {}
    ObjectKind Kind() const { return kind_; }
    std::string_view Name() const { return ObjectName(kind_); }

private:
    ObjectKind kind_;
};

template <ObjectKind K> class TFieldObjectOf final : public TFieldObject {
public:
    explicit TFieldObjectOf(sprite::TSprite* parent) : TFieldObject(parent, K) {}
};

using Talarm = TFieldObjectOf<ObjectKind::Alarm>;
using Tglass = TFieldObjectOf<ObjectKind::Glass>;
using Tcamera = TFieldObjectOf<ObjectKind::Camera>;
using Tphone = TFieldObjectOf<ObjectKind::Phone>;

} // namespace vl::match
