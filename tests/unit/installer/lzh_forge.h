// Test helper: writes LHA archives of stored (-lh0-) members byte by byte,
// with any header level, raw name bytes, symbolic links and deliberate
// damage, for the cases Debian's archivers will not make.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace forge {

struct Entry {
  int level = 2;
  std::string method = "-lh0-";  // "-lhd-" for folders and links
  std::string dir;               // raw bytes; 0xFF separates (levels 1–3: its own field)
  std::string name;              // raw bytes (levels 0/1: may hold '\\' paths)
  std::string data;
  std::optional<uint16_t> unixPerms;  // levels 1–3
  // The header's time: MS-DOS local time at levels 0 and 1, Unix time above.
  std::optional<uint32_t> time;
  std::optional<uint32_t> extTime;  // levels 1–3: a Unix time extended header
  std::optional<uint32_t> declaredLength;
  bool badCrc = false;        // data CRC off by one
  bool badChecksum = false;   // levels 0/1 header checksum off by one
  bool headerCrc = false;     // levels 1–3: add the header CRC field
  bool badHeaderCrc = false;  // … with a wrong value
  char os = 'U';              // levels 1–3: the system that wrote the entry
};

inline uint16_t Crc16(const std::string& bytes, uint16_t crc = 0) {
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k)
      crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

inline void Put(std::string& s, uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k)
    s += static_cast<char>((v >> (8 * k)) & 0xFF);
}

inline void Poke(std::string& s, size_t at, uint64_t v, int bytes) {
  for (int k = 0; k < bytes; ++k)
    s[at + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
}

inline std::string Header(const Entry& e) {
  const uint32_t length = e.declaredLength.value_or(static_cast<uint32_t>(e.data.size()));
  const uint16_t crc = static_cast<uint16_t>(Crc16(e.data) + (e.badCrc ? 1 : 0));
  const int width = e.level == 3 ? 4 : 2;
  // Extended headers: type, data (each preceded by its size field).
  std::vector<std::pair<uint8_t, std::string>> ext;
  if (e.headerCrc && e.level >= 1) ext.push_back({0x00, std::string(2, '\0')});
  if (e.level >= 2) ext.push_back({0x01, e.name});
  if (e.level >= 1 && !e.dir.empty()) ext.push_back({0x02, e.dir});
  if (e.unixPerms && e.level >= 1) {
    std::string p;
    Put(p, *e.unixPerms, 2);
    ext.push_back({0x50, p});
  }
  if (e.extTime && e.level >= 1) {
    std::string t;
    Put(t, *e.extTime, 4);
    ext.push_back({0x54, t});
  }
  std::string h;
  if (e.level <= 1) {
    const std::string& n = e.name;
    h += '\0';  // header length, set below
    h += '\0';  // checksum, set below
    h += e.method;
    Put(h, e.data.size(), 4);  // packed size (+ extensions at level 1, set below)
    Put(h, length, 4);
    Put(h, e.time.value_or(0x5A2B6C3D), 4);  // MS-DOS time
    h += '\x20';
    h += static_cast<char>(e.level);
    h += static_cast<char>(n.size());
    h += n;
    Put(h, crc, 2);
    if (e.level == 1) h += e.os;
    const size_t base = h.size();
    if (e.level == 1) {
      size_t extBytes = 0;
      for (auto& [type, data] : ext)
        extBytes += 1 + data.size() + 2;
      Put(h, ext.empty() ? 0 : 1 + ext[0].second.size() + 2, 2);
      for (size_t i = 0; i < ext.size(); ++i) {
        h += static_cast<char>(ext[i].first);
        h += ext[i].second;
        Put(h, i + 1 < ext.size() ? 1 + ext[i + 1].second.size() + 2 : 0, 2);
      }
      Poke(h, 7, e.data.size() + extBytes, 4);
    }
    const size_t headerLength = (e.level == 1 ? base + 2 : base) - 2;
    h[0] = static_cast<char>(headerLength);
    unsigned sum = 0;
    for (size_t i = 2; i < headerLength + 2; ++i)
      sum += static_cast<unsigned char>(h[i]);
    h[1] = static_cast<char>((sum + (e.badChecksum ? 1 : 0)) & 0xFF);
  } else {
    Put(h, 0, 2);  // level 2: total size; level 3: word size 4
    h += e.method;
    Put(h, e.data.size(), 4);
    Put(h, length, 4);
    Put(h, e.time.value_or(1700000000), 4);  // Unix time
    h += '\x20';
    h += static_cast<char>(e.level);
    Put(h, crc, 2);
    h += e.os;
    if (e.level == 3) Put(h, 0, 4);  // total size, set below
    Put(h, ext.empty() ? 0 : 1 + ext[0].second.size() + width, width);
    for (size_t i = 0; i < ext.size(); ++i) {
      h += static_cast<char>(ext[i].first);
      h += ext[i].second;
      Put(h, i + 1 < ext.size() ? 1 + ext[i + 1].second.size() + width : 0, width);
    }
    if (e.level == 2) {
      Poke(h, 0, h.size(), 2);
    } else {
      Poke(h, 0, 4, 2);
      Poke(h, 24, h.size(), 4);
    }
  }
  if (e.headerCrc && e.level >= 1) {
    // The CRC field is the first extension's data; the CRC covers the whole
    // header with the field zero.
    size_t field = e.level == 1 ? static_cast<size_t>(static_cast<unsigned char>(h[0])) + width + 1
                   : e.level == 2 ? 24 + width + 1
                                  : 28 + width + 1;
    uint16_t value = static_cast<uint16_t>(Crc16(h) + (e.badHeaderCrc ? 1 : 0));
    Poke(h, field, value, 2);
  }
  return h;
}

// The archive: every entry's header and data, then the end marker.
inline std::string Archive(const std::vector<Entry>& entries, bool endMarker = true) {
  std::string out;
  for (const Entry& e : entries)
    out += Header(e) + e.data;
  if (endMarker) out += '\0';
  return out;
}

inline Entry File(const std::string& name, const std::string& data, int level = 2) {
  Entry e;
  e.level = level;
  e.name = name;
  e.data = data;
  return e;
}

inline Entry Link(const std::string& name, const std::string& target, int level = 2) {
  Entry e;
  e.level = level;
  e.method = "-lhd-";
  e.name = name + "|" + target;
  return e;
}

}  // namespace forge
