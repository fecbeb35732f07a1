// The people of "Vorna!": head-and-shoulders portraits and Nolu's full
// figure, drawn from shapes in the picture-book style of the set (flat
// colours, soft shading, clean dark outlines, an amber rim light).
#pragma once

#include "tools/datagen/raster.h"

namespace datagen {

struct Character {
  enum class Hair { kLong, kBob, kShort, kWavy, kNone };
  // The front of the hair: a blunt straight fringe, a lock swept to one side,
  // curtains parted in the middle, messy spikes, or combed back off the brow.
  enum class Fringe { kBangs, kSwept, kParted, kSpiky, kBack };
  enum class Headwear { kNone, kHood, kWizardHat, kCirclet, kTiara, kBandana, kRibbon };
  enum class Outfit { kRobe, kArmour, kGown, kCloak, kApron };
  // Age sets the proportions: a child's face is round and short with large
  // eyes set low; an elder's is long, with small eyes and lines.
  enum class Age { kChild, kYoung, kAdult, kElder };
  enum class Face { kRound, kOval, kHeart, kSquare, kLong };
  enum class Eyes { kRound, kAlmond, kNarrow, kSleepy, kLaughing };
  enum class Brows { kThin, kStraight, kStern, kBushy };
  enum class Nose { kButton, kLine, kBridge };
  enum class Mouth { kSmile, kGrin, kCalm, kFirm, kSinging };

  Col skin = Hex(0xf4d2b4);
  Col hair = Hex(0x6a3a22);
  Col eyes = Hex(0x3a7ac0);
  Col cloth = Hex(0x2a3a7a);
  Col trim = Hex(0xe0b050);
  Col accent = Hex(0xc04040);  // headwear, gems, ribbons
  Hair hair_style = Hair::kBob;
  Fringe fringe = Fringe::kSpiky;
  Headwear headwear = Headwear::kNone;
  Outfit outfit = Outfit::kRobe;
  Age age = Age::kYoung;
  Face face = Face::kOval;
  Eyes eyeShape = Eyes::kRound;
  Brows brows = Brows::kThin;
  Nose nose = Nose::kLine;
  Mouth mouth = Mouth::kSmile;
  bool lashes = false;        // lashes at the outer corners
  bool freckles = false;      // across the nose
  bool scar = false;          // across the left cheek
  bool beautyMark = false;    // under the left eye
  bool foreheadMark = false;  // a small gold mark between the brows
  bool glasses = false;
  bool beard = false;
  bool elfEars = false;
  bool foxEars = false;
  bool faceless = false;  // a dark hood with two glowing eyes instead of a face
  bool keyPendant = false;
  bool quiver = false;  // arrows over the left shoulder, the strap across the chest
  Col rimLight = Hex(0xf0a040);
};

// Draws the bust. In the design's own coordinates the face is 100 wide,
// centred on (0, 0) between the eyes, chin at y 63 … 76 (by the face's
// shape), shoulders from y 110 down to 260; `place` puts it on the canvas.
void PaintBust(Canvas& c, const Character& who, const Affine& place);

// Nolu, standing, about 440 high with her feet at `feet`, a lantern in her
// hand. Returns her coverage.
Mask PaintNolu(Canvas& c, Vec2 feet, float height);

}  // namespace datagen
