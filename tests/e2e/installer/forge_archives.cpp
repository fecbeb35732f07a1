// Writes archives of the end-to-end tests into a folder: "hostile" (the
// default) the hostile and damaged ones, "big" a member of 64 MB that takes
// long enough to write for a test to stop the installer in the middle of it,
// and a small one after it, "link" a file and a link to it, "long" 40 refused
// members with names of 3,000 characters.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "tests/unit/installer/lzh_forge.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return 2;
  const std::string dir = argv[1];
  const std::string set = argc == 3 ? argv[2] : "hostile";
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
  };
  if (set == "big") {
    std::string data(64 << 20, '\0');
    uint32_t x = 12345;
    for (char& c : data) {
      x = x * 1103515245 + 12345;
      c = static_cast<char>(x >> 24);
    }
    forge::Entry big = forge::File("big.bin", data);
    big.dir = "data\xFF";
    forge::Entry after = forge::File("after.txt", "after");
    after.dir = "data\xFF";
    write("big.lzh", forge::Archive({big, after}));
    return 0;
  }
  if (set == "link") {
    write("link.lzh",
          forge::Archive({forge::File("file.txt", "f", 1), forge::Link("lnk", "./file.txt", 1)}));
    return 0;
  }
  if (set == "long") {
    std::vector<forge::Entry> refused;  // control characters are refused
    for (int i = 0; i < 40; ++i)
      refused.push_back(
          forge::File(std::string(3000, static_cast<char>('a' + i % 26)) + "\x01", "x"));
    write("long.lzh", forge::Archive(refused));
    return 0;
  }
  forge::Entry up = forge::File("..\\..\\escaped.txt", "x", 0);
  forge::Entry abs = forge::File("/tmp/zelk-escaped.txt", "x", 0);
  forge::Entry drive = forge::File("C:\\escaped.txt", "x", 1);
  forge::Entry link = forge::Link("out", "../..", 1);
  forge::Entry through = forge::File("planted.txt", "x");
  through.dir = "out\xFF";
  write("paths.lzh", forge::Archive({up, abs, drive, link, through, forge::File("ok.txt", "ok")}));
  // A chain whose every text stays inside while the links it goes through
  // lead two folders up, to a program there.
  write("chain.lzh",
        forge::Archive({forge::Link("link1", "./", 1), forge::Link("link2", "link1/..", 1),
                        forge::Link("runit", "link1/link1/../../evil.sh", 1)}));
  forge::Entry crc = forge::File("crc.txt", "damaged data");
  crc.badCrc = true;
  forge::Entry huge = forge::File("huge.bin", "tiny");
  huge.declaredLength = 0xFFFFFFF0u;
  write("damaged.lzh", forge::Archive({crc, huge}));
  std::string cut = forge::Archive({forge::File("a.txt", "aaaa"), forge::File("b.txt", "bbbb")});
  write("cut.lzh", cut.substr(0, cut.size() - 12));
  return 0;
}
