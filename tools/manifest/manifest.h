// The manifest of the demo programs and their data set (manifest.json at the
// top of the tree), as the build read it: each program's name, window title,
// the files it reads and its icon, and the generator's drawing of each file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace manifest {

enum class IconShape {
  kRounded,    // a rounded square of the picture
  kRound,      // a circle of the picture
  kMagnified,  // a rounded square with a magnifying glass over its middle
};

struct Icon {
  std::string_view picture;  // one of the files the program reads
  int x, y, side;            // the square of the picture the icon shows
  IconShape shape;
};

struct Program {
  std::string_view name;
  std::string_view title;   // of its window
  std::string_view folder;  // below its own folder, where its files lie ("" for beside it)
  std::span<const std::string_view> reads;
  std::string_view theme;  // the wave file each cycle starts, or empty
  uint32_t cycleMs;        // the length of a cycle; 0 for a program without cycles
  Icon icon;

  // Where it reads `file`, relative to its own folder: "data/x.mag", "red.mag".
  std::string PathOf(std::string_view file) const;
};

struct DataFile {
  std::string_view file;
  std::string_view art;  // the generator's drawing (or sound) that makes it
};

// In the manifest's order.
std::span<const Program> Programs();
std::span<const DataFile> DataSet();

// Null when there is none of that name.
const Program* FindProgram(std::string_view name);
// Where the first program that reads `file` reads it, relative to the
// programs' folder; empty when none does.
std::string WhereRead(std::string_view file);

}  // namespace manifest
