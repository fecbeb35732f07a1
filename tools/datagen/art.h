// The pictures of the data set, one function per picture or group of pictures
// that share a palette. Each returns finished products, named by what they
// show; the manifest says which file holds each.
#pragma once

#include <vector>

#include "tools/datagen/dataset.h"

namespace datagen {

// Opening: the four flicker frames, the door on the hill, the six letters and
// the title logo.
std::vector<Product> MakeFlickerFrames(const Fonts& fonts);  // x, y, fm, mn
std::vector<Product> MakeTame(const Fonts& fonts);
std::vector<Product> MakeLetters(const Fonts& fonts);  // v, o, r, n, a, exc
std::vector<Product> MakeTitle(const Fonts& fonts);    // title.mag
// The night group sharing one palette: sea horizon, mountain sky, the title
// lettering pattern and the comet shapes.
std::vector<Product> MakeNightGroup(const Fonts& fonts);   // 2tback, back, 2title, comet
std::vector<Product> MakeNolu(const Fonts& fonts);         // nolu.dar
std::vector<Product> MakePlasmaGroup(const Fonts& fonts);  // red.mag, msg1.dar
std::vector<Product> MakePelia(const Fonts& fonts);
std::vector<Product> MakeKaiten(const Fonts& fonts);
std::vector<Product> MakeWater(const Fonts& fonts);           // water, waters
std::vector<Product> MakeStoryPortraits(const Fonts& fonts);  // vennolu, orine, dova
std::vector<Product> MakeGallery(const Fonts& fonts);         // the six gallery portraits
std::vector<Product> MakeFinaleCards(const Fonts& fonts);     // yotei, dousa, trush
std::vector<Product> MakeTheme(const Fonts& fonts);           // tobirano.wav

// Helpers shared by the art files.
Product MagProduct(const std::string& art, const Canvas& canvas, int colors = 256);
Product BmpProduct(const std::string& art, const Canvas& canvas);

}  // namespace datagen
