// zelkdata: makes the default data set of the demo programs where the
// manifest says they read it, below the programs' folder, or the contact
// sheet or the desktop icons of a made one.
//
//   zelkdata generate --programs DIR [--preview DIR] [--threads N]
//   zelkdata sheet --programs DIR --out FILE.png
//   zelkdata icons --programs DIR --out DIR [--prefix NAME]
#include <CLI/CLI.hpp>
#include <cstdio>

#include "tools/datagen/dataset.h"
#include "tools/datagen/icons.h"

int main(int argc, char** argv) {
  CLI::App app{"Makes the default data set of the Vorna! demo programs."};
  app.require_subcommand(1);
  app.set_version_flag("--version", "zelkdata " ZELK_VERSION);
  std::string programs, preview, out, prefix;
  int threads = 2;
  CLI::App* generate = app.add_subcommand("generate", "write every picture, archive and the theme");
  generate->add_option("--programs", programs, "folder of the programs")->required();
  generate->add_option("--preview", preview, "also write a PNG of every picture and pattern here");
  generate
      ->add_option("--threads", threads, "worker threads (the output is the same for any number)")
      ->check(CLI::Range(1, 16));
  CLI::App* sheet = app.add_subcommand("sheet", "write one PNG with every picture and pattern");
  sheet->add_option("--programs", programs, "folder of the programs with their data")->required();
  sheet->add_option("--out", out, "PNG file to write")->required();
  CLI::App* icons = app.add_subcommand("icons", "write the demo programs' desktop icons");
  icons->add_option("--programs", programs, "folder of the programs with their data")->required();
  icons->add_option("--out", out, "folder to write hicolor/NxN/apps/*.png into")->required();
  icons->add_option("--prefix", prefix, "put before each program's name in the file names");
  CLI11_PARSE(app, argc, argv);

  std::string error;
  bool ok = generate->parsed() ? datagen::GenerateDataSet(programs, preview, threads, &error)
            : icons->parsed()  ? datagen::WriteIcons(programs, out, prefix, &error)
                               : datagen::WriteContactSheet(programs, out, &error);
  if (!ok) {
    std::fprintf(stderr, "zelkdata: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
