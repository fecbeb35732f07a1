// The shared look of the "Vorna!" pictures: the night-blue and amber colour
// set, skies, stars, hills and mountains, the sea, the moon, the door
// ("tobira"), runes and ornamental frames.
#pragma once

#include "tools/datagen/geometry.h"
#include "tools/datagen/noise.h"
#include "tools/datagen/raster.h"

namespace datagen {

namespace look {
constexpr Col kInk = Hex(0x090b1c);     // outlines
constexpr Col kNight0 = Hex(0x060919);  // deepest sky
constexpr Col kNight1 = Hex(0x0e1640);
constexpr Col kNight2 = Hex(0x1c2a66);
constexpr Col kNight3 = Hex(0x33438c);
constexpr Col kDusk = Hex(0x5a4690);  // violet of the lower sky
constexpr Col kRose = Hex(0xb8607a);
constexpr Col kEmber = Hex(0xc8581e);
constexpr Col kAmber = Hex(0xf0a040);
constexpr Col kGold = Hex(0xffd27a);
constexpr Col kCream = Hex(0xfff3d6);
constexpr Col kStar = Hex(0xfff8e8);
}  // namespace look

// The evening ramp: deep night at 0, violet, rose, amber at the horizon (1).
Ramp DuskRamp();
// The night ramp: deep night at 0 to a soft blue glow at the horizon (1).
Ramp NightRamp();

// Fills rows 0 … horizon with the ramp (0 at the top, 1 at the horizon), with a
// faint cloudy variation; below the horizon the last colour stays.
void PaintSky(Canvas& c, float horizon, const Ramp& ramp, uint32_t seed, float cloud = 0.04f);
// Scattered stars above `yMax`, fewer and dimmer towards it.
void PaintStars(Canvas& c, Rng& rng, int count, float yMax, float brightness = 1.0f);
// A four-pointed sparkle with a soft glow.
void Sparkle(Canvas& c, Vec2 at, float size, Col col, float strength = 1.0f);
// A ridge line from x0 to x1 (inclusive) around baseY, `height` high, closed
// down to `bottom`.
Path Ridge(float x0, float x1, float baseY, float height, float bottom, uint32_t seed,
           float roughness = 0.5f, float scale = 160.0f);
// A moon with soft halo; `phase` > 0 cuts a crescent.
void PaintMoon(Canvas& c, Vec2 centre, float r, float phase = 0);
// Mask of the door: an arched panel, `w` wide and `h` high, its bottom centre at `base`.
Path DoorArch(Vec2 base, float w, float h);
// Draws the door: frame, planks, rivets, a ring handle, and light (0 … 1)
// from the gap where it stands ajar.
void PaintDoor(Canvas& c, Vec2 base, float w, float h, float light);
// A rune glyph (one of many, chosen by `id`) as strokes within a box of `size`.
std::vector<Path> Rune(int id, Vec2 centre, float size);
// Runes along a circle, upright towards the centre.
void PaintRuneRing(Canvas& c, Vec2 centre, float radius, float size, int count, Col col,
                   float width, int firstId);
// A gold double-line frame with corner ornaments around the box.
void PaintFrame(Canvas& c, float x0, float y0, float x1, float y1, float thickness);

}  // namespace datagen

namespace datagen {

// Lettering lit like polished gold: bevelled edges, a chrome-like horizon
// band, a dark outline `outline` pixels wide. Drawn over `c`; `coverage`
// receives the lettering's own coverage including the outline.
void PaintMetalText(Canvas& c, const Shape& glyphs, float bevel, float outline, Mask* coverage);

}  // namespace datagen

namespace datagen {
class Font;
// The "Vorna!" logo in a w × h box: metal lettering over a thin flourish with a
// star. Paints onto `c` (its size at least w × h, logo at the top-left) and
// returns its coverage.
Mask PaintLogo(Canvas& c, const Font& font, int w, int h);
}  // namespace datagen

namespace datagen {
// A range of distinct peaks between x0 and x1 on a base line, snow-capped
// and lit from the right (the moon), painted with rock colours `rock` (shadow
// side) and `lit` (lit side), snow `snow`; `snowLine` 0 … 1 of each peak's
// height is snow. Returns the range's coverage.
Mask PaintMountains(Canvas& c, float x0, float x1, float baseY, float height, uint32_t seed,
                    Col rock, Col lit, Col snow, float snowLine, float peakSpacing = 110);
}  // namespace datagen
