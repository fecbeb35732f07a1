#include "platform/profile/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace platform {

namespace {

// One open conversion per direction and thread: opening one is far slower
// than converting a short text.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return cd_;
  }

 private:
  iconv_t cd_;
};

std::optional<std::string> Convert(Converter& converter, std::string_view in) {
  if (!converter.ok()) return std::nullopt;
  iconv_t cd = converter.get();
  std::string out(in.size() * 2 + 8, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t done = 0;
  bool ok = true;
  while (srcLeft > 0) {
    char* dst = out.data() + done;
    size_t dstLeft = out.size() - done;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    done = out.size() - dstLeft;
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      ok = false;  // EILSEQ or EINVAL: not text of that encoding
      break;
    }
  }
  if (!ok) return std::nullopt;
  out.resize(done);
  return out;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view bytes) {
  thread_local Converter converter("UTF-8", "CP932");
  return Convert(converter, bytes);
}

std::optional<std::string> Utf8ToCp932(std::string_view text) {
  thread_local Converter converter("CP932", "UTF-8");
  return Convert(converter, text);
}

bool IsUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t n;
    unsigned int cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      n = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= bytes.size()) return false;  // cut short
    for (size_t k = 1; k <= n; ++k) {
      unsigned char t = static_cast<unsigned char>(bytes[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    static constexpr unsigned int kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

namespace {

// Length of the UTF-8 character at text[i] (1 for a byte that starts none).
size_t Utf8CharLength(std::string_view text, size_t i) {
  for (size_t n = 4; n > 1; --n) {
    if (i + n <= text.size() && IsUtf8(text.substr(i, n))) return n;
  }
  return 1;
}

// The code page 932 form of each character of `text` in turn.
template <typename Visit>
void ForEachCp932Char(std::string_view text, Visit visit) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = Utf8CharLength(text, i);
    std::optional<std::string> c;
    if (n > 1 || static_cast<unsigned char>(text[i]) < 0x80) c = Utf8ToCp932(text.substr(i, n));
    if (!visit(i, n, c && !c->empty() ? *c : std::string("?"))) return;
    i += n;
  }
}

}  // namespace

std::string Utf8ToCp932Lossy(std::string_view text) {
  if (auto whole = Utf8ToCp932(text)) return *whole;
  std::string out;
  ForEachCp932Char(text, [&](size_t, size_t, const std::string& c) {
    out += c;
    return true;
  });
  return out;
}

std::string CutToCp932Size(std::string_view text, size_t limit) {
  size_t keep = 0;
  size_t size = 0;
  ForEachCp932Char(text, [&](size_t i, size_t n, const std::string& c) {
    if (size + c.size() > limit) return false;
    size += c.size();
    keep = i + n;
    return true;
  });
  return std::string(text.substr(0, keep));
}

std::string FitToColumns(std::string_view text, size_t columns) {
  // A character takes at least one column for every four bytes.
  if (text.size() <= 4 * columns && Utf8ToCp932Lossy(text).size() <= columns) {
    return std::string(text);
  }
  const std::string_view ellipsis = "…";  // two columns
  if (columns < 2) return "";
  std::string head = CutToCp932Size(text, (columns - 2) / 2);
  const size_t room = columns - 2 - Utf8ToCp932Lossy(head).size();
  size_t from = std::max(head.size(), text.size() > 4 * room ? text.size() - 4 * room : 0);
  while (from < text.size() && (static_cast<unsigned char>(text[from]) & 0xC0) == 0x80)
    ++from;
  std::vector<std::pair<size_t, size_t>> chars;  // offset and width of each character
  size_t width = 0;
  ForEachCp932Char(text.substr(from), [&](size_t i, size_t, const std::string& c) {
    chars.emplace_back(from + i, c.size());
    width += c.size();
    return true;
  });
  size_t k = 0;
  while (k < chars.size() && width > room)
    width -= chars[k++].second;
  return head + std::string(ellipsis) +
         std::string(k < chars.size() ? text.substr(chars[k].first) : std::string_view());
}

bool IsCp932LeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

size_t Cp932PrefixLength(std::string_view bytes, size_t limit) {
  size_t i = 0;
  while (i < bytes.size()) {
    size_t step =
        (IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size()) ? 2 : 1;
    if (i + step > limit) break;
    i += step;
  }
  return i;
}

}  // namespace platform
