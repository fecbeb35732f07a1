// Writes the hostile archives of the end-to-end tests into a folder.
#include <fstream>
#include <string>

#include "tests/unit/installer/lzh_forge.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
  };
  forge::Entry up = forge::File("..\\..\\escaped.txt", "x", 0);
  forge::Entry abs = forge::File("/tmp/zelk-escaped.txt", "x", 0);
  forge::Entry drive = forge::File("C:\\escaped.txt", "x", 1);
  forge::Entry link = forge::Link("out", "../..", 1);
  forge::Entry through = forge::File("planted.txt", "x");
  through.dir = "out\xFF";
  write("paths.lzh", forge::Archive({up, abs, drive, link, through, forge::File("ok.txt", "ok")}));
  forge::Entry crc = forge::File("crc.txt", "damaged data");
  crc.badCrc = true;
  forge::Entry huge = forge::File("huge.bin", "tiny");
  huge.declaredLength = 0xFFFFFFF0u;
  write("damaged.lzh", forge::Archive({crc, huge}));
  std::string cut = forge::Archive({forge::File("a.txt", "aaaa"), forge::File("b.txt", "bbbb")});
  write("cut.lzh", cut.substr(0, cut.size() - 12));
  return 0;
}
