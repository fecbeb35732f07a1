#include "tools/zelkimg/zelkimg.h"

int main(int argc, char** argv) {
  return zelkimg::Main(argc, argv);
}
