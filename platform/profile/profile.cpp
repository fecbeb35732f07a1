#include "platform/profile/profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/profile/codepage.h"

namespace platform {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// Byte length of the character that starts at s[i] (code page 932 files have
// two-byte characters whose second byte may look like ASCII; UTF-8 never does).
size_t CharLength(std::string_view s, size_t i, bool cp932) {
  return (cp932 && IsCp932LeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Position of the first (or last) single-byte character `c`, skipping the
// second bytes of two-byte characters.
size_t FindChar(std::string_view s, char c, bool cp932, bool last) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i, cp932)) {
    if (s[i] == c) {
      if (!last) return i;
      found = i;
    }
  }
  return found;
}

// Equal without regard to the case of ASCII letters (single-byte ones only).
bool EqualNoCase(std::string_view a, std::string_view b, bool cp932) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t n = CharLength(a, i, cp932);
    if (n == 1) {
      unsigned char x = static_cast<unsigned char>(a[i]);
      unsigned char y = static_cast<unsigned char>(b[i]);
      if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
      if (x != y) return false;
    } else if (a.substr(i, n) != b.substr(i, n)) {
      return false;
    }
    i += n;
  }
  return true;
}

struct Parsed {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
  size_t valueStart = 0;   // index just after the '='
};

Parsed ParseLine(std::string_view text, bool cp932) {
  Parsed p;
  std::string_view t = Trim(text);
  if (t.empty() || t.front() == ';') return p;
  if (t.front() == '[') {
    std::string_view inner = t.substr(1);
    size_t close = FindChar(inner, ']', cp932, true);
    p.kind = Parsed::kSection;
    p.name = Trim(close == std::string_view::npos ? inner : inner.substr(0, close));
    return p;
  }
  size_t eq = FindChar(text, '=', cp932, false);
  if (eq == std::string_view::npos) return p;
  p.kind = Parsed::kKey;
  p.name = Trim(text.substr(0, eq));
  p.value = Trim(text.substr(eq + 1));
  p.valueStart = eq + 1;
  return p;
}

std::string ReplaceInvalid(std::string_view bytes, bool cp932) {
  std::string out;
  for (size_t i = 0; i < bytes.size();) {
    size_t n = cp932 ? CharLength(bytes, i, true) : 1;
    if (cp932) {
      auto c = Cp932ToUtf8(bytes.substr(i, n));
      out += c ? *c : "?";
      i += n;
    } else {
      // Take the longest valid UTF-8 character here, else one '?'.
      size_t k = 4;
      while (k > 0 && !(i + k <= bytes.size() && IsUtf8(bytes.substr(i, k))))
        --k;
      if (k == 0) {
        out += '?';
        ++i;
      } else {
        out.append(bytes.substr(i, k));
        i += k;
      }
    }
  }
  return out;
}

}  // namespace

ProfileDocument ProfileDocument::Parse(std::string_view bytes) {
  ProfileDocument doc;
  if (bytes.substr(0, kBom.size()) == kBom) {
    doc.encoding_ = Encoding::kUtf8Bom;
    bytes.remove_prefix(kBom.size());
  } else {
    bool ascii = true;
    for (char c : bytes)
      ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    doc.encoding_ = (!ascii && IsUtf8(bytes)) ? Encoding::kUtf8 : Encoding::kCp932;
  }
  bool first = true;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t nl = bytes.find('\n', pos);
    Line line;
    if (nl == std::string_view::npos) {
      line.text = std::string(bytes.substr(pos));
      pos = bytes.size();
    } else {
      size_t end = (nl > pos && bytes[nl - 1] == '\r') ? nl - 1 : nl;
      line.text = std::string(bytes.substr(pos, end - pos));
      line.eol = std::string(bytes.substr(end, nl + 1 - end));
      pos = nl + 1;
      if (first) doc.newline_ = line.eol;
      first = false;
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::optional<std::string> ProfileDocument::ToFile(std::string_view utf8) const {
  if (encoding_ == Encoding::kCp932) return Utf8ToCp932(utf8);
  if (!IsUtf8(utf8)) return std::nullopt;
  return std::string(utf8);
}

std::string ProfileDocument::FromFile(std::string_view bytes) const {
  if (encoding_ == Encoding::kCp932) {
    if (auto s = Cp932ToUtf8(bytes)) return *s;
    return ReplaceInvalid(bytes, true);
  }
  if (IsUtf8(bytes)) return std::string(bytes);
  return ReplaceInvalid(bytes, false);
}

std::optional<ProfileDocument::Place> ProfileDocument::FindSection(
    std::string_view fileSection) const {
  const bool cp932 = encoding_ == Encoding::kCp932;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = ParseLine(lines_[i].text, cp932);
    if (p.kind != Parsed::kSection || !EqualNoCase(p.name, fileSection, cp932)) continue;
    size_t end = i + 1;
    while (end < lines_.size() && ParseLine(lines_[end].text, cp932).kind != Parsed::kSection) {
      ++end;
    }
    return Place{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> ProfileDocument::FindKey(const Place& place, std::string_view fileKey) const {
  const bool cp932 = encoding_ == Encoding::kCp932;
  for (size_t i = place.sectionLine + 1; i < place.end; ++i) {
    Parsed p = ParseLine(lines_[i].text, cp932);
    if (p.kind == Parsed::kKey && EqualNoCase(p.name, fileKey, cp932)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> ProfileDocument::RawValue(std::string_view section,
                                                     std::string_view key) const {
  auto fileSection = ToFile(section);
  auto fileKey = ToFile(key);
  if (!fileSection || !fileKey) return std::nullopt;
  auto place = FindSection(*fileSection);
  if (!place) return std::nullopt;
  auto index = FindKey(*place, *fileKey);
  if (!index) return std::nullopt;
  std::string_view v = ParseLine(lines_[*index].text, encoding_ == Encoding::kCp932).value;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  return std::string(v);
}

std::optional<std::string> ProfileDocument::Value(std::string_view section, std::string_view key,
                                                  size_t limit) const {
  auto raw = RawValue(section, key);
  if (!raw) return std::nullopt;
  size_t keep;
  if (encoding_ == Encoding::kCp932) {
    keep = Cp932PrefixLength(*raw, limit);
  } else {
    keep = std::min(limit, raw->size());
    while (keep > 0 && keep < raw->size() &&
           (static_cast<unsigned char>((*raw)[keep]) & 0xC0) == 0x80) {
      --keep;
    }
  }
  return FromFile(std::string_view(*raw).substr(0, keep));
}

bool ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  auto fileSection = ToFile(section);
  auto fileKey = ToFile(key);
  auto fileValue = ToFile(value);
  if (!fileSection || !fileKey || !fileValue) return false;
  const bool cp932 = encoding_ == Encoding::kCp932;
  auto hasBreak = [](std::string_view s) { return s.find_first_of("\r\n") != s.npos; };
  std::string_view k = Trim(*fileKey);
  if (hasBreak(*fileSection) || hasBreak(*fileKey) || hasBreak(*fileValue) || k.empty() ||
      k != *fileKey || FindChar(k, '=', cp932, false) != std::string_view::npos ||
      k.front() == '[' || k.front() == ';' ||
      FindChar(*fileSection, ']', cp932, false) != std::string_view::npos) {
    return false;
  }
  std::string keyLine = *fileKey + "=" + *fileValue;
  auto place = FindSection(*fileSection);
  if (place) {
    if (auto index = FindKey(*place, *fileKey)) {
      Line& line = lines_[*index];
      size_t start = ParseLine(line.text, cp932).valueStart;
      line.text = line.text.substr(0, start) + *fileValue;
      return true;
    }
    // After the section's last non-blank line, so blank separators stay below.
    size_t at = place->end;
    while (at > place->sectionLine + 1 && Trim(lines_[at - 1].text).empty())
      --at;
    if (lines_[at - 1].eol.empty()) lines_[at - 1].eol = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{keyLine, newline_});
    return true;
  }
  if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = newline_;
  lines_.push_back(Line{"[" + *fileSection + "]", newline_});
  lines_.push_back(Line{keyLine, newline_});
  return true;
}

std::string ProfileDocument::Serialize() const {
  std::string out;
  if (encoding_ == Encoding::kUtf8Bom) out += kBom;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

namespace {

constexpr off_t kMaxFileSize = 1 << 20;  // far beyond any settings file

// The bytes of a plain file (links followed); nullopt for anything else (a
// pipe or device would block or never end) or a file too large to be one.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize) {
    std::string data(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < data.size()) {
      ssize_t n = ::read(fd, data.data() + done, data.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done == data.size()) bytes = std::move(data);
  }
  ::close(fd);
  return bytes;
}

// The folder (".", "/" or a path without trailing '/') and the name of `path`.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A write of the file `name` goes to ".<name>:<digits>" first.
std::string TemporaryName(const std::string& name, unsigned n) {
  return "." + name + ":" + std::to_string(n);
}

bool IsTemporaryName(std::string_view entry, std::string_view name) {
  if (entry.size() < name.size() + 3 || entry[0] != '.' || entry[name.size() + 1] != ':' ||
      !EqualNoCase(entry.substr(1, name.size()), name, false)) {
    return false;
  }
  return entry.find_first_not_of("0123456789", name.size() + 2) == std::string_view::npos;
}

std::string CutUtf8(std::string_view s, size_t limit) {
  size_t keep = std::min(limit, s.size());
  while (keep > 0 && keep < s.size() && (static_cast<unsigned char>(s[keep]) & 0xC0) == 0x80) {
    --keep;
  }
  return std::string(s.substr(0, keep));
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, size_t bufferSize,
                                    const std::string& path) {
  const size_t limit = bufferSize == 0 ? 0 : bufferSize - 1;
  if (auto bytes = ReadWholeFile(path)) {
    ProfileDocument doc = ProfileDocument::Parse(*bytes);
    if (auto value = doc.Value(section, key, limit)) return *value;
  }
  return CutUtf8(defaultValue, limit);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
  // The file is replaced by a new one beside it, never written through a
  // symbolic link: a link in its place becomes a real file holding what the
  // link showed, and the file the link names stays as it was. The new file is
  // open to no more users than that file, and no more than the umask allows.
  ProfileDocument doc;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  mode_t mode = 0666 & ~mask;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return false;
    struct stat shown {};
    if (::stat(path.c_str(), &shown) == 0) mode = shown.st_mode & 0777 & ~mask;
    if (auto bytes = ReadWholeFile(path)) {
      doc = ProfileDocument::Parse(*bytes);
    } else if (S_ISREG(st.st_mode)) {
      return false;  // unreadable: kept rather than lose what it holds
    }
  } else if (errno != ENOENT) {
    return false;
  }
  if (!doc.Set(section, key, value)) return false;
  const std::string data = doc.Serialize();

  const auto [folder, name] = SplitPath(path);
  int fd = -1;
  std::string temp;
  for (unsigned n = static_cast<unsigned>(::getpid()) * 1000, tries = 0; fd < 0; ++n) {
    temp = folder + "/" + TemporaryName(name, n);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && (errno != EEXIST || ++tries == 1000)) return false;
  }
  bool ok = ::fchmod(fd, mode) == 0;
  size_t done = 0;
  while (ok && done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself reaches the disk with its folder.
  if (int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void RemoveWriteTemporaries(const std::string& path) {
  const auto [folder, name] = SplitPath(path);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(dir)) {
    if (IsTemporaryName(e->d_name, name)) stale.emplace_back(e->d_name);
  }
  const int fd = ::dirfd(dir);
  for (const std::string& entry : stale) {
    struct stat st {};
    if (::fstatat(fd, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
      ::unlinkat(fd, entry.c_str(), 0);
    }
  }
  ::closedir(dir);
}

}  // namespace platform
