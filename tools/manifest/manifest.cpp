#include "tools/manifest/manifest.h"

namespace manifest {

namespace {

#include "manifest_tables.inc"  // kPrograms and kDataSet, made from manifest.json

}  // namespace

std::string Program::PathOf(std::string_view file) const {
  return folder.empty() ? std::string(file) : std::string(folder) + "/" + std::string(file);
}

std::span<const Program> Programs() {
  return kPrograms;
}

std::span<const DataFile> DataSet() {
  return kDataSet;
}

const Program* FindProgram(std::string_view name) {
  for (const Program& p : kPrograms) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

std::string WhereRead(std::string_view file) {
  for (const Program& p : kPrograms) {
    for (std::string_view f : p.reads) {
      if (f == file) return p.PathOf(file);
    }
  }
  return std::string();
}

}  // namespace manifest
