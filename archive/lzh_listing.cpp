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

uint32_t Little(const uint8_t* p, size_t width) {
  uint32_t v = 0;
  for (size_t k = 0; k < width; ++k)
    v |= static_cast<uint32_t>(p[k]) << (8 * k);
  return v;
}

// The stored directory and file name bytes of one header.
void StoredName(const LHAFileHeader& h, std::string* dir, std::string* name) {
  const uint8_t* raw = h.raw_data;
  const size_t len = h.raw_data_len;
  size_t ext = 0;
  size_t width = 2;
  if (h.header_level <= 1) {
    size_t nameLength = raw[21];
    if (22 + nameLength <= len) name->assign(reinterpret_cast<const char*>(raw + 22), nameLength);
    ext = raw[0];  // the base header ends with the size of the first extension
    if (h.header_level == 0) return;
  } else if (h.header_level == 2) {
    ext = 24;
  } else {
    ext = 28;
    width = 4;
  }
  while (ext + width <= len) {
    size_t size = Little(raw + ext, width);
    if (size == 0 || size < width + 1 || size > len - ext) break;
    const uint8_t type = raw[ext + width];
    std::string data(reinterpret_cast<const char*>(raw + ext + width + 1), size - width - 1);
    if (type == 0x01) *name = data;
    if (type == 0x02) *dir = data;
    ext += size;
  }
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

}  // namespace

ParsedName ParseStoredName(std::string_view dirBytes, std::string_view nameBytes, bool link) {
  ParsedName result;
  std::string combined(dirBytes);
  if (!combined.empty() && !nameBytes.empty()) combined += '\xFF';
  combined += nameBytes;
  if (combined.empty()) return result;
  // Names are code page 932 unless they are valid UTF-8 with non-ASCII in them
  // (archives made on UTF-8 systems); code page 932 text is almost never that.
  std::string text;
  bool ascii = true;
  for (char c : combined) {
    if (static_cast<unsigned char>(c) != 0xFF) text += c;
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  }
  const bool utf8 = !ascii && platform::IsUtf8(text);
  result.absolute = IsSeparator(static_cast<unsigned char>(combined[0])) && combined[0] != '\xFF';
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
  StreamState state{&source};
  std::unique_ptr<LHAInputStream, StreamDeleter> stream(lha_input_stream_new(&kStreamType, &state));
  if (!stream) {
    listing.status = ListingStatus::kCorrupt;
    listing.problem = "メモリが足りません";
    return listing;
  }
  std::unique_ptr<LHAReader, ReaderDeleter> reader(lha_reader_new(stream.get()));
  if (!reader) {
    listing.status = ListingStatus::kCorrupt;
    listing.problem = "メモリが足りません";
    return listing;
  }
  lha_reader_set_dir_policy(reader.get(), LHA_READER_DIR_PLAIN);

  auto corrupt = [&](std::string why) {
    listing.status = ListingStatus::kCorrupt;
    listing.problem = std::move(why);
    return listing;
  };
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
    LHAFileHeader* h = lha_reader_next_file(reader.get());
    if (h == nullptr) {
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
    if (listing.members.size() >= kMaxMembers) return corrupt("ファイルが多すぎます");

    Member m;
    m.method.assign(h->compress_method, strnlen(h->compress_method, sizeof h->compress_method));
    m.headerLevel = h->header_level;
    m.dataOffset = offset + h->raw_data_len;
    m.compressedLength = h->compressed_length;
    m.length = h->length;
    m.crc = h->crc;
    if (LHA_FILE_HAVE_EXTRA(h, LHA_FILE_UNIX_PERMS)) m.unixPerms = h->unix_perms;
    m.time = h->timestamp;
    std::string dir, name;
    StoredName(*h, &dir, &name);
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
    listing.totalLength += m.kind == MemberKind::kFile ? m.length : 0;
    offset = m.dataOffset + m.compressedLength;
    listing.members.push_back(std::move(m));
  }
  return listing;
}

}  // namespace qarch
