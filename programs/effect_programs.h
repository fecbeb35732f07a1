#pragma once

namespace programs {

// The four effect programs' entries, each "ZELK SYSTEM" with one effect loop.
int LensdemoMain();
int SpindemoMain();
int RipdemoMain();
int PlasmademoMain();

}  // namespace programs
