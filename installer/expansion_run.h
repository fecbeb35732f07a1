// The expansion run of q_unfold: settings, the archive library check, the
// archive folder, the parameter block, the library call, the outcome, the
// installed program and the saved conditions, in that order.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/qarch.h"

namespace installer {

// The archive library's three calls.
struct ArchiveLibrary {
  int (*getVersion)() = nullptr;
  int (*initUnlha)() = nullptr;
  int (*unpack)(qarch::ExpansionParams*) = nullptr;
};

// What the run needs from outside, replaceable in tests.
struct RunHooks {
  ArchiveLibrary library;
  std::function<bool(const std::string&)> setCurrentDirectory;
  // Started detached: the program and its arguments.
  std::function<bool(const std::string&, const std::vector<std::string>&)> startProgram;
  std::function<bool(const std::string&)> openFolder;  // the desktop's file manager
  size_t recordLimit = static_cast<size_t>(-1);        // more records than this: out of memory
  std::function<void()> afterCount;                    // between the count and the listing (tests)
};

// Hooks on the real operating system around `library`.
RunHooks SystemHooks(const ArchiveLibrary& library);

// The whole run; message boxes go through the installed system (services/).
void RunExpansion(const RunHooks& hooks);

// 1 = go on, 0 = stop (the caller then shows "Version Error").
int CheckArchiveLibrary(const ArchiveLibrary& library, const std::string& caption);

struct DirectoryInfo {
  std::string path;
  double totalSize = 0;
  int fileCount = 0;
};
// Counts the plain files of info.path and adds up their sizes.
void ScanDirectory(DirectoryInfo& info);

// The file name without its extension: everything from the last '.' after the
// last '/', '\' or ':' is cut.
std::string BaseNameOf(std::string_view name);
// Everything up to and including the last '/', '\' or ':'.
std::string FolderPartOf(std::string_view path);

// ExeName read as a command line, as WinExec reads one: names split at
// blanks, double quotes grouping (and dropped). An unquoted program name may
// hold blanks: the shortest run of its leading names, blanks kept, for which
// `isFile` is true is the program (the first name when none is).
struct CommandLine {
  std::string program;
  std::vector<std::string> args;
};
CommandLine ParseCommandLine(std::string_view line,
                             const std::function<bool(const std::string&)>& isFile);

}  // namespace installer
