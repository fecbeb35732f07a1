#include "effects/effect_pictures.h"

#include <string>

#include "services/calls.h"
#include "shell/pump.h"

namespace effects {

bool FitsEffect(image::MagImage& picture, int width, int rows, int minRows) {
  if (!picture.loaded) return false;
  const services::BitmapInfoHeader h = picture.dibHandle->header();
  const bool paletted = h.biBitCount == 8 && (h.biClrUsed == 0 || h.biClrUsed == 256);
  if (paletted && picture.width == width && picture.height >= minRows && picture.height <= rows)
    return true;
  const std::string text = "Error: The picture must be " + std::to_string(width) + " x " +
                           std::to_string(rows) + " pixels of 256 colours.";
  services::ReportToStderr(std::string(picture.path) + ": " + std::to_string(picture.width) +
                           " x " + std::to_string(picture.height) + " pixels of " +
                           std::to_string(h.biBitCount) + " bits; the effect needs " +
                           std::to_string(width) + " x " + std::to_string(rows) +
                           " pixels of 8 bits (256 colours)");
  services::MessageBox(picture.ownerWindow, text, picture.path, services::MB_ICONERROR);
  return false;
}

int WaitForQuit() {
  while (shell::PumpPending() != 0)
    services::Sleep(10);
  return 0;
}

}  // namespace effects
