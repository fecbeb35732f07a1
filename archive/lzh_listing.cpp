#include "archive/lzh_listing.h"

#include <lhasa.h>

#include <algorithm>
#include <cstring>

#include "platform/profile/codepage.h"

namespace qarch {

size_t MemorySource::ReadAt(uint64_t offset, void* buffer, size_t n) {
  if (offset >= bytes_.size()) return 0;
  size_t count = std::min<uint64_t>(n, bytes_.size() - offset);
  std::memcpy(buffer, bytes_.data() + offset, count);
  return count;
}

std::unique_ptr<FileSource> FileSource::Open(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return nullptr;
  if (std::fseek(file, 0, SEEK_END) != 0) {
    std::fclose(file);
    return nullptr;
  }
  long size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(file, static_cast<uint64_t>(size)));
}

FileSource::~FileSource() {
  std::fclose(file_);
}

size_t FileSource::ReadAt(uint64_t offset, void* buffer, size_t n) {
  if (offset >= size_) return 0;
  if (offset != position_) {
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return 0;
    position_ = offset;
  }
  size_t count = std::fread(buffer, 1, n, file_);
  position_ += count;
  return count;
}

std::string Member::DisplayName() const {
  std::string name;
  for (const auto& part : parts) {
    if (!name.empty() || absolute) name += '/';
    name += part;
  }
  if (nameless) {
    name += (name.empty() ? "（" : "/（") + std::to_string(position) + " 番目の項目、名前なし）";
  }
  return name;
}

namespace {

constexpr size_t kCommonHeaderLength = 22;
constexpr size_t kMaxMembers = 200000;

bool IsSeparator(unsigned char c) {
  return c == '\\' || c == '/' || c == 0xFF;
}

// Converts one stored name part; bytes that are not text become "%XX".
std::string ConvertPart(std::string_view bytes, bool utf8) {
  if (utf8) return std::string(bytes);
  if (auto whole = platform::Cp932ToUtf8(bytes)) return *whole;
  std::string out;
  for (size_t i = 0; i < bytes.size();) {
    size_t n =
        (platform::IsCp932LeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size())
            ? 2
            : 1;
    if (auto c = platform::Cp932ToUtf8(bytes.substr(i, n)); c && !c->empty()) {
      out += *c;
    } else {
      for (size_t k = 0; k < n; ++k) {
        static const char kHex[] = "0123456789ABCDEF";
        unsigned char b = static_cast<unsigned char>(bytes[i + k]);
        out += '%';
        out += kHex[b >> 4];
        out += kHex[b & 15];
      }
    }
    i += n;
  }
  return out;
}

// Splits at separators outside two-byte characters; stops at the first '|'
// when `stopAtBar`, returning where it was (npos when none).
size_t SplitParts(std::string_view bytes, bool utf8, bool stopAtBar,
                  std::vector<std::string>* parts) {
  std::string current;
  size_t i = 0;
  size_t bar = std::string_view::npos;
  while (i < bytes.size()) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t n = (!utf8 && platform::IsCp932LeadByte(c) && i + 1 < bytes.size()) ? 2 : 1;
    if (n == 1 && stopAtBar && c == '|') {
      bar = i;
      break;
    }
    if (n == 1 && IsSeparator(c)) {
      if (!current.empty()) parts->push_back(ConvertPart(current, utf8));
      current.clear();
    } else {
      current.append(bytes.substr(i, n));
    }
    i += n;
  }
  if (!current.empty()) parts->push_back(ConvertPart(current, utf8));
  return bar;
}

// Where the last part of `bytes` starts: after its last separator outside
// two-byte characters.
size_t LastPartStart(std::string_view bytes, bool utf8) {
  size_t start = 0;
  for (size_t i = 0; i < bytes.size();) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    size_t n = (!utf8 && platform::IsCp932LeadByte(c) && i + 1 < bytes.size()) ? 2 : 1;
    i += n;
    if (n == 1 && IsSeparator(c)) start = i;
  }
  return start;
}

uint32_t Little(const uint8_t* p, size_t width) {
  uint32_t v = 0;
  for (size_t k = 0; k < width; ++k)
    v |= static_cast<uint32_t>(p[k]) << (8 * k);
  return v;
}

const uint8_t* Bytes(std::string_view s) {
  return reinterpret_cast<const uint8_t*>(s.data());
}

// Visits the extended headers of a raw header, whose first size field is at
// `at`, as (type, offset of the data, data). False when a size is broken
// (lhasa then refuses the header).
template <typename Visit>
bool WalkExtensions(std::string_view raw, size_t at, size_t width, Visit visit) {
  while (at + width <= raw.size()) {
    const size_t size = Little(Bytes(raw) + at, width);
    if (size == 0) return true;
    if (size < width + 1 || size > raw.size() - at - width) return false;
    visit(Bytes(raw)[at + width], at + width + 1, raw.substr(at + width + 1, size - width - 1));
    at += size;
  }
  return true;
}

size_t FirstExtension(std::string_view raw, int level) {
  return level <= 1 ? Bytes(raw)[0] : level == 2 ? 24 : 28;
}

// The stored directory and file name bytes of one header.
void StoredName(std::string_view raw, int level, std::string* dir, std::string* name) {
  if (level <= 1) {
    size_t nameLength = Bytes(raw)[21];
    if (22 + nameLength <= raw.size()) *name = raw.substr(22, nameLength);
    if (level == 0) return;
  }
  WalkExtensions(raw, FirstExtension(raw, level), level == 3 ? 4 : 2,
                 [&](uint8_t type, size_t, std::string_view data) {
                   if (type == 0x01) *name = data;
                   if (type == 0x02) *dir = data;
                 });
}

std::string ReadBytes(ByteSource& source, uint64_t at, size_t n) {
  std::string bytes(n, '\0');
  bytes.resize(source.ReadAt(at, bytes.data(), n));
  return bytes;
}

uint16_t Crc16(std::string_view bytes) {
  uint16_t crc = 0;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k)
      crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

// lhasa refuses a file entry without a name, and its reader ends there.
// Reads the header at `offset` with lhasa's own checks: a sound header of
// such an entry becomes a nameless member; anything else is nullopt.
std::optional<Member> NamelessEntry(ByteSource& source, uint64_t offset) {
  std::string raw = ReadBytes(source, offset, kCommonHeaderLength);
  if (raw.size() < kCommonHeaderLength) return std::nullopt;
  const int level = Bytes(raw)[20];
  uint64_t packed = Little(Bytes(raw) + 7, 4);
  size_t length = 0;
  if (level <= 1) {
    const size_t base = Bytes(raw)[0];
    if (base < (level == 0 ? 22u : 25u) + Bytes(raw)[21]) return std::nullopt;
    raw = ReadBytes(source, offset, base + 2);
    if (raw.size() != base + 2) return std::nullopt;
    unsigned sum = 0;
    for (size_t i = 2; i < raw.size(); ++i)
      sum += Bytes(raw)[i];
    if ((sum & 0xFF) != Bytes(raw)[1]) return std::nullopt;
    // Level 1: the extensions follow, and the packed size counts them.
    for (size_t next = level == 1 ? Little(Bytes(raw) + base, 2) : 0; next != 0;) {
      if (next < 3 || next > packed) return std::nullopt;
      std::string ext = ReadBytes(source, offset + raw.size(), next);
      if (ext.size() != next) return std::nullopt;
      raw += ext;
      packed -= next;
      next = Little(Bytes(raw) + raw.size() - 2, 2);
    }
    length = raw.size();
  } else if (level == 2) {
    raw = ReadBytes(source, offset, 24);
    if (raw.size() != 24) return std::nullopt;
    // OS-9/68K LHA counts its level 2 headers two bytes short.
    length = Little(Bytes(raw), 2) + (raw[23] == 'K' ? 2 : 0);
    if (length < 26) return std::nullopt;
  } else if (level == 3) {
    raw = ReadBytes(source, offset, 28);
    if (raw.size() != 28 || Little(Bytes(raw), 2) != 4) return std::nullopt;
    length = Little(Bytes(raw) + 24, 4);
    if (length < 32 || length > (1u << 20)) return std::nullopt;
  } else {
    return std::nullopt;
  }
  raw = ReadBytes(source, offset, length);
  if (raw.size() != length) return std::nullopt;
  std::string dir, name;
  StoredName(raw, level, &dir, &name);
  // The header's CRC, where it has one, is taken over it with that field zero.
  bool crcOk = true;
  const bool walked =
      level == 0 || WalkExtensions(raw, FirstExtension(raw, level), level == 3 ? 4 : 2,
                                   [&](uint8_t type, size_t at, std::string_view data) {
                                     if (type != 0x00 || data.size() < 2) return;
                                     std::string zeroed = raw;
                                     zeroed[at] = zeroed[at + 1] = '\0';
                                     crcOk = crcOk && Crc16(zeroed) == Little(Bytes(data), 2);
                                   });
  Member m;
  m.method = raw.substr(2, 5);
  ParsedName parsed = ParseStoredName(dir, name, false);
  if (!walked || !crcOk || m.method == LHA_COMPRESS_TYPE_DIR || !parsed.nameless)
    return std::nullopt;
  m.nameless = true;
  m.parts = std::move(parsed.parts);
  m.headerLevel = level;
  m.dataOffset = offset + length;
  m.compressedLength = packed;
  m.length = Little(Bytes(raw) + 11, 4);
  return m;
}

// Glue between lhasa's input stream and a ByteSource.
struct StreamState {
  ByteSource* source;
  uint64_t position = 0;
};

int StreamRead(void* handle, void* buffer, size_t length) {
  auto* s = static_cast<StreamState*>(handle);
  size_t n = s->source->ReadAt(s->position, buffer, length);
  s->position += n;
  return static_cast<int>(n);
}

int StreamSkip(void* handle, size_t bytes) {
  auto* s = static_cast<StreamState*>(handle);
  if (bytes > s->source->size() - std::min(s->position, s->source->size())) return 0;
  s->position += bytes;
  return 1;
}

const LHAInputStreamType kStreamType = {StreamRead, StreamSkip, nullptr};

struct ReaderDeleter {
  void operator()(LHAReader* r) const { lha_reader_free(r); }
};
struct StreamDeleter {
  void operator()(LHAInputStream* s) const { lha_input_stream_free(s); }
};

// lhasa's header reader over a ByteSource, from an offset on.
class HeaderReader {
 public:
  HeaderReader(ByteSource& source, uint64_t offset) : state_{&source, offset} {
    stream_.reset(lha_input_stream_new(&kStreamType, &state_));
    if (stream_) reader_.reset(lha_reader_new(stream_.get()));
    if (reader_) lha_reader_set_dir_policy(reader_.get(), LHA_READER_DIR_PLAIN);
  }
  HeaderReader(const HeaderReader&) = delete;
  HeaderReader& operator=(const HeaderReader&) = delete;
  bool ok() const { return reader_ != nullptr; }
  LHAFileHeader* Next() { return lha_reader_next_file(reader_.get()); }

 private:
  StreamState state_;
  std::unique_ptr<LHAInputStream, StreamDeleter> stream_;
  std::unique_ptr<LHAReader, ReaderDeleter> reader_;
};

}  // namespace

ParsedName ParseStoredName(std::string_view dirBytes, std::string_view nameBytes, bool link) {
  ParsedName result;
  dirBytes = dirBytes.substr(0, dirBytes.find('\0'));
  nameBytes = nameBytes.substr(0, nameBytes.find('\0'));
  std::string combined(dirBytes);
  if (!combined.empty() && !nameBytes.empty()) combined += '\xFF';
  combined += nameBytes;
  // Names are code page 932 unless they are valid UTF-8 with non-ASCII in them
  // (archives made on UTF-8 systems); code page 932 text is almost never that.
  std::string text;
  bool ascii = true;
  for (char c : combined) {
    if (static_cast<unsigned char>(c) != 0xFF) text += c;
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  }
  const bool utf8 = !ascii && platform::IsUtf8(text);
  result.storedName = nameBytes.substr(LastPartStart(nameBytes, utf8));
  result.nameless = result.storedName.empty();
  if (combined.empty()) return result;
  result.absolute = combined[0] == '/';
  size_t bar = SplitParts(combined, utf8, link, &result.parts);
  if (bar != std::string_view::npos) {
    std::vector<std::string> target;
    std::string_view rest = std::string_view(combined).substr(bar + 1);
    SplitParts(rest, utf8, false, &target);
    std::string joined = (!rest.empty() && (rest[0] == '/' || rest[0] == '\\')) ? "/" : "";
    for (size_t k = 0; k < target.size(); ++k)
      joined += (k ? "/" : "") + target[k];
    result.linkTarget = joined;
  }
  return result;
}

Listing ListArchive(ByteSource& source) {
  Listing listing;
  auto corrupt = [&](std::string why) {
    listing.status = ListingStatus::kCorrupt;
    listing.problem = std::move(why);
    return listing;
  };
  auto reader = std::make_unique<HeaderReader>(source, 0);
  if (!reader->ok()) return corrupt("メモリが足りません");
  const uint64_t size = source.size();
  uint64_t offset = 0;  // where the next header starts
  bool first = true;
  for (;;) {
    if (!first) {
      // The end: the file's end or the end marker (a zero byte).
      if (offset == size) break;
      if (offset > size) return corrupt("最後のファイルのデータが途中で切れています");
      uint8_t marker = 1;
      source.ReadAt(offset, &marker, 1);
      if (marker == 0) break;
    }
    if (listing.members.size() >= kMaxMembers) return corrupt("ファイルが多すぎます");
    LHAFileHeader* h = reader->Next();
    if (h == nullptr) {
      if (auto nameless = NamelessEntry(source, offset)) {
        // Listed, and lhasa's reading goes on after it.
        nameless->position = listing.members.size() + 1;
        listing.totalLength += nameless->length;
        offset = nameless->dataOffset + nameless->compressedLength;
        listing.members.push_back(std::move(*nameless));
        first = false;
        reader = std::make_unique<HeaderReader>(source, offset);
        if (!reader->ok()) return corrupt("メモリが足りません");
        continue;
      }
      if (first) {
        uint8_t head[7] = {};
        size_t got = source.ReadAt(0, head, sizeof head);
        if (got == 1 && head[0] == 0) return listing;  // an archive of no members
        if (got < sizeof head || head[2] != '-' || head[6] != '-') {
          listing.status = ListingStatus::kNotArchive;
          return listing;
        }
        return corrupt("最初のヘッダが壊れています");
      }
      return corrupt(std::to_string(offset) + " バイト目のヘッダが途中で切れているか壊れています");
    }
    if (h->raw_data_len < kCommonHeaderLength) return corrupt("ヘッダが短すぎます");
    if (first) {
      // lhasa skips a self-extractor's program: find where the header is.
      std::string head(65536 + kCommonHeaderLength, '\0');
      head.resize(source.ReadAt(0, head.data(), head.size()));
      size_t at = head.find(
          std::string_view(reinterpret_cast<const char*>(h->raw_data), kCommonHeaderLength));
      if (at == std::string::npos) return corrupt("最初のヘッダの位置がわかりません");
      offset = at;
      first = false;
    } else {
      uint8_t check[kCommonHeaderLength];
      if (source.ReadAt(offset, check, sizeof check) != sizeof check ||
          std::memcmp(check, h->raw_data, sizeof check) != 0) {
        return corrupt(std::to_string(offset) + " バイト目のヘッダの位置が合いません");
      }
    }

    Member m;
    m.method.assign(h->compress_method, strnlen(h->compress_method, sizeof h->compress_method));
    m.headerLevel = h->header_level;
    m.osType = static_cast<char>(h->os_type);
    m.position = listing.members.size() + 1;
    m.dataOffset = offset + h->raw_data_len;
    m.compressedLength = h->compressed_length;
    m.length = h->length;
    m.crc = h->crc;
    if (LHA_FILE_HAVE_EXTRA(h, LHA_FILE_UNIX_PERMS)) m.unixPerms = h->unix_perms;
    m.time = h->timestamp;
    std::string dir, name;
    StoredName(std::string_view(reinterpret_cast<const char*>(h->raw_data), h->raw_data_len),
               h->header_level, &dir, &name);
    const bool isDir = m.method == LHA_COMPRESS_TYPE_DIR;
    ParsedName parsed = ParseStoredName(dir, name, isDir);
    if (parsed.linkTarget) {
      m.kind = MemberKind::kSymlink;
      m.linkTarget = *parsed.linkTarget;
    } else if (isDir) {
      m.kind = MemberKind::kDirectory;
    }
    m.parts = std::move(parsed.parts);
    m.absolute = parsed.absolute;
    m.nameless = !isDir && parsed.nameless;
    m.storedName = std::move(parsed.storedName);
    listing.totalLength += m.kind == MemberKind::kFile ? m.length : 0;
    offset = m.dataOffset + m.compressedLength;
    listing.members.push_back(std::move(m));
  }
  return listing;
}

}  // namespace qarch
