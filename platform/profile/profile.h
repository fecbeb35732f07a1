// Profile files (INI files) read and written with the rules of the Windows
// profile calls: sections and keys compared without regard to case, values
// trimmed and stripped of surrounding quotes, the default for whatever is
// missing; writing changes one line (or adds the key or section) and keeps every
// other byte of the file. Files are in code page 932 unless they are UTF-8
// (with or without a byte-order mark); a file is written back in its own
// encoding and line-ending style. Strings passed in and out are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A profile file's contents, line by line.
class ProfileDocument {
 public:
  enum class Encoding { kCp932, kUtf8, kUtf8Bom };

  // An empty document as a new file gets it (code page 932, CRLF).
  ProfileDocument() = default;
  // Takes the raw bytes of a file; never fails.
  static ProfileDocument Parse(std::string_view bytes);

  // The value of `key` in the first section named `section`, trimmed and
  // unquoted, in the file's encoding (raw bytes); nullopt when either is absent.
  std::optional<std::string> RawValue(std::string_view section, std::string_view key) const;
  // The same, as UTF-8 (bytes that are not text of the file's encoding are
  // replaced by '?'), cut to at most `limit` bytes of the file's encoding
  // without splitting a character.
  std::optional<std::string> Value(std::string_view section, std::string_view key,
                                   size_t limit) const;
  // Sets key=value, adding the key or the section when missing. False (and
  // nothing changed) when a text cannot be written in the file's encoding or
  // holds a line break.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // The bytes of the file.
  std::string Serialize() const;

  Encoding encoding() const { return encoding_; }

 private:
  struct Line {
    std::string text;  // without the line ending
    std::string eol;   // "\r\n", "\n" or "" (last line without one)
  };
  struct Place {
    size_t sectionLine;  // index of the section's header line
    size_t end;          // one past the section's last line
  };

  std::optional<std::string> ToFile(std::string_view utf8) const;
  std::string FromFile(std::string_view bytes) const;
  std::optional<Place> FindSection(std::string_view fileSection) const;
  std::optional<size_t> FindKey(const Place& place, std::string_view fileKey) const;

  Encoding encoding_ = Encoding::kCp932;
  std::string newline_ = "\r\n";
  std::vector<Line> lines_;
};

// GetPrivateProfileString: the value (or `defaultValue`) cut to bufferSize − 1
// bytes of the file's encoding. A missing or unreadable file gives the default.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, size_t bufferSize,
                                    const std::string& path);

// WritePrivateProfileString: creates the file (never its folder) and the
// section where missing. The file is replaced in one step by a new file
// forced to the disk, so a failed write or a crash leaves the old file whole.
// A symbolic link in its place is replaced by a real file with what the link
// showed; the file it names is never written. The new file has the mode of
// the file it replaces (or the link names), within the umask. False on any
// failure.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

// Removes the temporary files that writes of `path` stopped half-way left
// beside it (".<name>:<digits>"). Only for a caller that knows no write of
// that file is under way.
void RemoveWriteTemporaries(const std::string& path);

}  // namespace platform
