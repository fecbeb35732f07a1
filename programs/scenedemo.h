#pragma once

namespace programs {

// scenedemo's entry: "Vorna! DEMO", the media player, the demo sequencer.
int ScenedemoMain();

}  // namespace programs
