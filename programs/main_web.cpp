// The browser edition's entry of one demo program. The build makes one page
// per program and names it with ZELK_WEB_NAME, its entry ZELK_WEB_ENTRY and
// whether it plays media ZELK_WEB_MEDIA.
#include "platform/web/run_on_web.h"
#include "programs/effect_programs.h"
#include "programs/scenedemo.h"

int main(int argc, char** argv) {
  return platform::web::RunOnWeb(ZELK_WEB_NAME, ZELK_WEB_ENTRY, ZELK_WEB_MEDIA != 0, argc, argv);
}
