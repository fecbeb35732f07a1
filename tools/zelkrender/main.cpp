#include "tools/zelkrender/zelkrender.h"

int main(int argc, char** argv) {
  return zelkrender::Main(argc, argv);
}
