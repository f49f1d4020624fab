// SPDX-License-Identifier: GPL-3.0-or-later
// DXDraws: the graphics subsystem in one include — display component, drawing surfaces
// and the image list.
#pragma once

#include "graphics/DIB.h"
#include "graphics/DXDraw.h"
#include "graphics/DirectDrawSurface.h"
#include "graphics/PictureCollection.h"
#include "graphics/Rect.h"
